#include "ORVDiskDriveSoftwareIdentity.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {

constexpr const char* kClassName = "ORV_DiskDriveSoftwareIdentity";
// Classification "Firmware".
constexpr uint16_t kFirmware = 10;

}  // namespace

ORVDiskDriveSoftwareIdentity::ORVDiskDriveSoftwareIdentity()
    : PhysicalDiskPlugin(Identity{kClassName, "ORVDiskDriveSoftwareIdentity", "InstanceID", "", 0}) {}

void ORVDiskDriveSoftwareIdentity::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                    KeyBindingList& out) {
    out.push_back(stringKey("InstanceID", diskDeviceId(readDiskId(object, qualifiedName("getKeyAttributes").c_str()))));
}

void ORVDiskDriveSoftwareIdentity::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                       PropertyList& out) {
    addIfPresent(out, "VersionString", reader(object).text("productRevLevel"), CIM_STRING);
    out.push_back(stringProperty("Name", "DISK-DRIVE"));
    out.push_back(stringProperty("Manufacturer", "ORV-Kestra"));
    addUint16Array(out, "Classifications", {kFirmware});
    out.push_back(scalarProperty("IsEntity", true, CIM_BOOLEAN));
}

}  // namespace orv::cim::fwf
