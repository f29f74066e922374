#include "ORVInitiatorATAProtocolEndPoint.h"

namespace orv::cim::fwf {

ORVInitiatorATAProtocolEndPoint::ORVInitiatorATAProtocolEndPoint()
    : InitiatorEndpointPlugin("ORV_InitiatorATAProtocolEndPoint", "ORVInitiatorATAProtocolEndPoint", "ATA", 3) {}

}  // namespace orv::cim::fwf
