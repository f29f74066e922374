// The port of a SAS disk; SATA disks have ORV_DiskDriveATAPort instead.
#pragma once

#include "DiskSupport.h"

namespace orv::cim::fwf {

class ORVDiskDriveSASPort : public storage::DiskPortPlugin {
public:
    ORVDiskDriveSASPort();
};

}  // namespace orv::cim::fwf
