// The block-services entry point of one controller: a client builds RAID
// arrays (pools) from disks, carves the array's volume, returns it, deletes
// the array, and wipes or resets the controller. Every method runs to its end
// before it returns; failures leave the controller as the library left it.
#pragma once

#include <cstdint>
#include <string>

#include "AbstractInstanceProviderPlugin.h"
#include "AbstractMethodProviderPlugin.h"

namespace orv::cim::fwf {

class ORVStorageConfigurationService : public AbstractInstanceProviderPlugin, public AbstractMethodProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;

    // Return values of the configuration methods.
    static constexpr uint32_t kCompleted = 0;
    static constexpr uint32_t kNotSupported = 1;
    static constexpr uint32_t kFailed = 2;
};

}  // namespace orv::cim::fwf
