#include "ORVDiskDriveSASProtocolEndpoint.h"

namespace orv::cim::fwf {

namespace {

constexpr const char* kClassName = "ORV_DiskDriveSASProtocolEndpoint";

}  // namespace

ORVDiskDriveSASProtocolEndpoint::ORVDiskDriveSASProtocolEndpoint()
    : DiskProtocolEndpointPlugin(
          Identity{kClassName, "ORVDiskDriveSASProtocolEndpoint", "Name", "", storage::kSasDrive},
          "SAS", 8) {}

}  // namespace orv::cim::fwf
