#include "ORVDiskDriveATAPort.h"

namespace orv::cim::fwf {

ORVDiskDriveATAPort::ORVDiskDriveATAPort()
    : DiskPortPlugin(Identity{"ORV_DiskDriveATAPort", "ORVDiskDriveATAPort", "DeviceID", "", storage::kSataDrive}) {}

}  // namespace orv::cim::fwf
