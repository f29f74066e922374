#include "ORVStorageVolume.h"

#include <iterator>

#include "CommonFunctions.h"
#include "NonKeysRead.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;

namespace {

constexpr const char* kClassName = "ORV_StorageVolume";
// A volume is named after its controller and array; neither is a world-wide
// identifier, so both the format and the namespace are "Other".
constexpr uint16_t kNameFormatOther = 1;
constexpr uint16_t kNameNamespaceOther = 1;
constexpr uint8_t kDeltaReservation = 100;

}  // namespace

void ORVStorageVolume::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    RepositoryObjects arrays = readArrays("orv::cim::fwf::ORVStorageVolume::getRepositoryObjects");
    keepRequested(path, arrays);
    for (auto& array : arrays) {
        if (!isReserved(array)) out.push_back(std::move(array));
    }
}

void ORVStorageVolume::getKeyAttributes(const PropertyContainer& volume, KeyBindingList& out) {
    const ArrayName array = arrayNameOf(volume);
    appendDeviceKeys(out, kClassName, array.contrId, arrayId(array.contrId, array.vdIndex));
}

void ORVStorageVolume::getNonKeyAttributes(const PropertyContainer& volume, PropertyList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVStorageVolume::getNonKeyAttributes";
    const LibraryPropertyReader reader(volume, "VrlVolume", 4);
    const ArrayName array = arrayNameOf(volume);
    const auto asFlag = [](uint32_t value) { return value != 0; };
    const auto identity = [](uint32_t value) { return value; };

    out.push_back(stringProperty("Name", arrayId(array.contrId, array.vdIndex)));
    out.push_back(stringProperty("VDID", std::to_string(array.vdIndex)));
    out.push_back(scalarProperty("ArrayID", array.vdIndex, CIM_UINT32));
    addIfPresent(out, "ElementName", reader.text("volumeName"), CIM_STRING);
    out.push_back(scalarProperty("NameFormat", kNameFormatOther, CIM_UINT16));
    out.push_back(stringProperty("OtherNameFormat", "ControllerNumber_ArrayIndex"));
    out.push_back(scalarProperty("NameNamespace", kNameNamespaceOther, CIM_UINT16));
    out.push_back(stringProperty("OtherNameNamespace", "RAID controller"));
    if (const auto product = reader.text("productIdentification")) {
        out.push_back(arrayProperty<std::string>("OtherIdentifyingInfo", {*product}, CIM_STRING_ARRAY));
        out.push_back(arrayProperty<std::string>("IdentifyingDescriptions", {"Product Identification"},
                                                 CIM_STRING_ARRAY));
    }
    if (const auto state = reader.integer("state")) {
        out.push_back(scalarProperty("State", *state, CIM_UINT32));
        addUint16Array(out, "ExtentStatus", {volumeExtentStatus(*state)});
        addUint16Array(out, "OperationalStatus", {volumeOperationalStatus(*state)});
    }
    const auto blockLength = reader.integer("blockLength");
    const auto totalBlocks = reader.u64("totalBlocks");
    addConverted<uint32_t, uint64_t>(out, "BlockSize", blockLength, CIM_UINT64, identity);
    addIfPresent(out, "NumberOfBlocks", totalBlocks, CIM_UINT64);
    addIfPresent(out, "ConsumableBlocks", totalBlocks, CIM_UINT64);
    if (blockLength && totalBlocks) out.push_back(scalarProperty("Size", byteSize(*totalBlocks, *blockLength), CIM_UINT64));
    if (const auto level = reader.integer("RAIDLevel")) {
        const Redundancy redundancy = redundancyOf(*level);
        out.push_back(scalarProperty("RAIDLevel", *level, CIM_UINT32));
        out.push_back(scalarProperty("DataRedundancy", redundancy.dataRedundancy, CIM_UINT16));
        out.push_back(scalarProperty("PackageRedundancy", redundancy.packageRedundancy, CIM_UINT16));
        out.push_back(scalarProperty("NoSinglePointOfFailure", redundancy.noSinglePointOfFailure, CIM_BOOLEAN));
    }
    out.push_back(scalarProperty("IsBasedOnUnderlyingRedundancy", true, CIM_BOOLEAN));
    out.push_back(scalarProperty("DeltaReservation", kDeltaReservation, CIM_UINT8));
    addIfPresent(out, "Instaldate", reader.text("installDate"), CIM_STRING);
    addIfPresent(out, "StripeUnitSize", reader.integer("stripeSize"), CIM_UINT32);
    addConverted<uint32_t, bool>(out, "HotSpareProtected", reader.integer("hsProtected"), CIM_BOOLEAN, asFlag);
    addIfPresent(out, "NCQStatus", reader.integer("NCQStatus"), CIM_UINT32);
    addIfPresent(out, "WriteCacheMode", reader.integer("wrCacheStatus"), CIM_UINT32);
    addConverted<uint32_t, bool>(out, "IsBootDisk", reader.integer("bootVolume"), CIM_BOOLEAN, asFlag);
    addIfPresent(out, "TargetId", reader.integer("targetId"), CIM_UINT32);
    out.push_back(scalarProperty("ControllerId", array.contrId, CIM_UINT32));
    addIfPresent(out, "VolumeSetId", reader.integer("volumeSetId"), CIM_UINT32);
    addIfPresent(out, "vendorIdentification", reader.text("vendorIdentification"), CIM_STRING);
    addIfPresent(out, "productIdentification", reader.text("productIdentification"), CIM_STRING);
    addIfPresent(out, "unitSerialNumber", reader.text("unitSerialNumber"), CIM_STRING);

    // The first member disk tells the drive type; fetch that one disk
    // rather than a copy of every disk for every volume, and only for a
    // caller that reads the drive type.
    if (!nonKeyPropertyRead("Type") && !nonKeyPropertyRead("BlockType")) return;
    if (const auto members = reader.vector("compPdId"); members && !members->empty()) {
        if (const auto first = readDisk(array.contrId, members->front(), kName)) {
            const LibraryPropertyReader disk(*first, "VrlPhysDisk", 4);
            addIfPresent(out, "Type", disk.integer("driveType"), CIM_UINT32);
            addIfPresent(out, "BlockType", disk.integer("blockDevType"), CIM_UINT32);
        }
    }
}

void ORVStorageVolume::modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) {
    renameArray(path, instance, propertyNames, "DeviceID", "orv::cim::fwf::ORVStorageVolume::modifyInstance");
}

uint32_t ORVStorageVolume::invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList&,
                                        CIMArgumentList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVStorageVolume::invokeMethod";
    if (CommonFunctions::equalsIgnoreCase(methodName, "IsVolumeResyncable")) {
        const ArrayName array = parseArrayId(stringKeyValue(path, "DeviceID").value_or(""));
        out.add(scalarProperty("IsReSyncCandidate", isResyncCandidate(array, kName), CIM_BOOLEAN));
        return 0;
    }
    refuseMethod(kName, methodName, kClassName);
}

}  // namespace orv::cim::fwf
