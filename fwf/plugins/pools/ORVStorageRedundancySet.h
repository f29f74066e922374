// The disks of one interface and medium that hot spares protect: one set per
// primordial pool, whose status follows the arrays built from its disks.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVStorageRedundancySet : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& set, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& set, PropertyList& out) override;
};

}  // namespace orv::cim::fwf
