// The RAID geometry behind an array: one composite extent per volume entry,
// made of its member disks' extents.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVCompositeExtent : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& volume, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& volume, PropertyList& out) override;
};

}  // namespace orv::cim::fwf
