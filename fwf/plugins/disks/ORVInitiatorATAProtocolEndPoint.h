// The ATA initiator endpoint of each controller port, through which SATA disks are reached.
#pragma once

#include "ControllerPortSupport.h"

namespace orv::cim::fwf {

class ORVInitiatorATAProtocolEndPoint : public storage::InitiatorEndpointPlugin {
public:
    ORVInitiatorATAProtocolEndPoint();
};

}  // namespace orv::cim::fwf
