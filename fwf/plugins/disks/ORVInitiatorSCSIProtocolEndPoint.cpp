#include "ORVInitiatorSCSIProtocolEndPoint.h"

namespace orv::cim::fwf {

ORVInitiatorSCSIProtocolEndPoint::ORVInitiatorSCSIProtocolEndPoint()
    : InitiatorEndpointPlugin("ORV_InitiatorSCSIProtocolEndPoint", "ORVInitiatorSCSIProtocolEndPoint", "SCSI", 8) {}

}  // namespace orv::cim::fwf
