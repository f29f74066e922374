// The port of a SATA disk; SAS disks have ORV_DiskDriveSASPort instead.
#pragma once

#include "DiskSupport.h"

namespace orv::cim::fwf {

class ORVDiskDriveATAPort : public storage::DiskPortPlugin {
public:
    ORVDiskDriveATAPort();
};

}  // namespace orv::cim::fwf
