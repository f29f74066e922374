#include "ORVDiskDriveSASPort.h"

namespace orv::cim::fwf {

ORVDiskDriveSASPort::ORVDiskDriveSASPort()
    : DiskPortPlugin(Identity{"ORV_DiskDriveSASPort", "ORVDiskDriveSASPort", "DeviceID", "", storage::kSasDrive}) {}

}  // namespace orv::cim::fwf
