// The disk-sparing service of one controller: a client makes disks hot
// spares and takes them back, starts the rebuild of a disk and the parity
// check of the array a disk belongs to. The long-running commands run on in
// the controller; their progress is the job side's business, not this one's.
#pragma once

#include <cstdint>
#include <string>

#include "AbstractInstanceProviderPlugin.h"
#include "AbstractMethodProviderPlugin.h"

namespace orv::cim::fwf {

class ORVSpareConfigurationService : public AbstractInstanceProviderPlugin, public AbstractMethodProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;

    // Return values of the sparing methods.
    static constexpr uint32_t kCompleted = 0;
    static constexpr uint32_t kNotSupported = 1;
};

}  // namespace orv::cim::fwf
