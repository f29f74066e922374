// The firmware of a disk, as a software identity of its own.
#pragma once

#include "DiskSupport.h"

namespace orv::cim::fwf {

class ORVDiskDriveSoftwareIdentity : public storage::PhysicalDiskPlugin {
public:
    ORVDiskDriveSoftwareIdentity();
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;
};

}  // namespace orv::cim::fwf
