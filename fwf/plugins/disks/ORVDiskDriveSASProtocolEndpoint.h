// The SCSI endpoint through which the controller reaches a SAS disk (connection type 8, SAS).
#pragma once

#include "DiskSupport.h"

namespace orv::cim::fwf {

class ORVDiskDriveSASProtocolEndpoint : public storage::DiskProtocolEndpointPlugin {
public:
    ORVDiskDriveSASProtocolEndpoint();
};

}  // namespace orv::cim::fwf
