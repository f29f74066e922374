// The storage of one physical disk as an extent: the raw material of the
// primordial pools and of the arrays' composite extents.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVStorageExtent : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& disk, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& disk, PropertyList& out) override;
};

}  // namespace orv::cim::fwf
