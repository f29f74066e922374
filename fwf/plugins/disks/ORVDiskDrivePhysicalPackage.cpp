#include "ORVDiskDrivePhysicalPackage.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {

constexpr const char* kClassName = "ORV_DiskDrivePhysicalPackage";
constexpr const char* kTagPrefix = "DiskDrivePhysicalPackage_";
// The library's blockDevType of a solid-state disk.
constexpr uint32_t kSolidState = 0;
// PackageType "Storage Media Package (e.g., Disk or Tape Drive)".
constexpr uint16_t kStorageMediaPackage = 15;

}  // namespace

ORVDiskDrivePhysicalPackage::ORVDiskDrivePhysicalPackage()
    : PhysicalDiskPlugin(Identity{kClassName, "ORVDiskDrivePhysicalPackage", "Tag", kTagPrefix, 0}) {}

void ORVDiskDrivePhysicalPackage::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                   KeyBindingList& out) {
    const DiskId id = readDiskId(object, qualifiedName("getKeyAttributes").c_str());
    out.push_back(stringKey("CreationClassName", kClassName));
    out.push_back(stringKey("Tag", kTagPrefix + diskDeviceId(id)));
}

void ORVDiskDrivePhysicalPackage::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                      PropertyList& out) {
    const LibraryPropertyReader disk = reader(object);
    addIfPresent(out, "Manufacturer", disk.text("vendorIdentification"), CIM_STRING);
    addIfPresent(out, "Model", disk.text("modelNumber"), CIM_STRING);
    const auto serialNumber = disk.text("serialNumber");
    addIfPresent(out, "SerialNumber", serialNumber, CIM_STRING);
    addIfPresent(out, "SKU", serialNumber, CIM_STRING);
    const auto enclId = disk.integer("enclId");
    const auto slotId = disk.integer("slotId");
    if (enclId && slotId) {
        out.push_back(stringProperty("ElementName", std::to_string(*enclId) + "-" + std::to_string(*slotId)));
    }
    // Drives sit in hot-swap slots and are replaced in the field.
    out.push_back(scalarProperty("CanBeFRUed", true, CIM_BOOLEAN));
    out.push_back(scalarProperty<uint16_t>("PackageType", kStorageMediaPackage, CIM_UINT16));
    addIfPresent(out, "Caption", disk.text("productIdentification"), CIM_STRING);
    addIfPresent(out, "FormFactor", disk.integer("formFactor"), CIM_UINT32);
    if (const auto blockDevType = disk.integer("blockDevType")) {
        out.push_back(stringProperty("OtherIdentifyingInfo", *blockDevType == kSolidState ? "SSD" : "Rotational"));
    }
    addIfPresent(out, "Version", disk.text("productRevLevel"), CIM_STRING);
}

}  // namespace orv::cim::fwf
