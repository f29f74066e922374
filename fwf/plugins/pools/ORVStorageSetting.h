// The fixed settings a client passes as the Goal of pool creation: one per
// RAID level each controller supports.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVStorageSetting : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& setting, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& setting, PropertyList& out) override;
};

}  // namespace orv::cim::fwf
