// The physical package of a disk: the asset facts of the drive as shipped.
#pragma once

#include "DiskSupport.h"

namespace orv::cim::fwf {

class ORVDiskDrivePhysicalPackage : public storage::PhysicalDiskPlugin {
public:
    ORVDiskDrivePhysicalPackage();
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;
};

}  // namespace orv::cim::fwf
