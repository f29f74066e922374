// The SCSI initiator endpoint of each controller port, through which SAS disks are reached.
#pragma once

#include "ControllerPortSupport.h"

namespace orv::cim::fwf {

class ORVInitiatorSCSIProtocolEndPoint : public storage::InitiatorEndpointPlugin {
public:
    ORVInitiatorSCSIProtocolEndPoint();
};

}  // namespace orv::cim::fwf
