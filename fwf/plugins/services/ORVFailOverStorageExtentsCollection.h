// The collection, one per controller, of the disk extents that stand in for
// failed members: the hot spares (or replacement disks) the controller is
// rebuilding onto. It lets a client find, from the controller, which disks
// have failed over without walking every redundancy set.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVFailOverStorageExtentsCollection : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;
};

}  // namespace orv::cim::fwf
