// What an existing array offers: the redundancy of its RAID level. Its
// CreateSetting answers the setting the array was built with.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVConcretePoolCapabilities : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& volume, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& volume, PropertyList& out) override;
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;
};

}  // namespace orv::cim::fwf
