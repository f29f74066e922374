// The host the controllers sit in: one instance, not backed by a RAID library
// object.
#pragma once

#include <string>

#include "AbstractInstanceProviderPlugin.h"
#include "OsServices.h"

namespace orv::cim::fwf {

class ORVHostComputerSystem : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;
    // Every method tells the caller it acts as administrator: one output
    // argument Role = "Administrator", return value 0.
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;

    // The host's element name: its first address outside 127.0.0.x, empty
    // when there is none.
    static std::string elementNameAddress(const OsHostAddresses& addresses);
};

}  // namespace orv::cim::fwf
