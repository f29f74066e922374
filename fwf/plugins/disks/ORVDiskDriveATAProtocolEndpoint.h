// The ATA endpoint through which the controller reaches a SATA disk.
#pragma once

#include "DiskSupport.h"

namespace orv::cim::fwf {

class ORVDiskDriveATAProtocolEndpoint : public storage::DiskProtocolEndpointPlugin {
public:
    ORVDiskDriveATAProtocolEndpoint();
};

}  // namespace orv::cim::fwf
