#include "ORVDiskDriveATAProtocolEndpoint.h"

namespace orv::cim::fwf {

namespace {

constexpr const char* kClassName = "ORV_DiskDriveATAProtocolEndpoint";

}  // namespace

ORVDiskDriveATAProtocolEndpoint::ORVDiskDriveATAProtocolEndpoint()
    : DiskProtocolEndpointPlugin(
          Identity{kClassName, "ORVDiskDriveATAProtocolEndpoint", "Name", "", storage::kSataDrive},
          "SATA", 3) {}

}  // namespace orv::cim::fwf
