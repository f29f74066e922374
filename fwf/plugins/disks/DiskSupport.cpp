#include "DiskSupport.h"

#include <cstdio>

#include "CIMException.h"
#include "Logger.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf::storage {

namespace {

// Key reads fail the request, so they are worth an error line; the many
// optional facts of a disk are logged as detail only.
constexpr int kKeyFailureLevel = 2;
constexpr int kPropertyFailureLevel = 5;

constexpr uint32_t kForeignVolume = 64;

}  // namespace

std::vector<uint16_t> diskOperationalStatus(uint32_t state) {
    switch (state) {
    case 0: return {2};
    case 1: return {6};
    case 2: return {32769};
    case 3: return {32768};
    default: return {0};
    }
}

uint16_t diskEnabledState(uint32_t state) {
    switch (state) {
    case 0: return 2;
    case 1: return 3;
    case 2:
    case 3: return 1;
    default: return 0;
    }
}

uint16_t diskConfigurationStatus(uint32_t pdConfig, uint32_t vdIndex) {
    switch (pdConfig) {
    case 0:
    case 1:
    case 2: return static_cast<uint16_t>(pdConfig);
    case 3: return vdIndex == kForeignVolume ? 5 : 3;
    default: return 7;
    }
}

std::string wwnText(const std::vector<uint32_t>& bytes) {
    std::string text;
    for (const uint32_t byte : bytes) {
        char digits[3] = {};
        std::snprintf(digits, sizeof digits, "%02X", byte & 0xFFu);
        text += digits;
    }
    return text;
}

uint64_t diskCapacityBytes(uint64_t maxBlockAddress, uint32_t blockLength) {
    return (maxBlockAddress + 1) * static_cast<uint64_t>(blockLength);
}

std::string firstSasAddress(const std::string& addresses) { return addresses.substr(0, addresses.find(';')); }

std::string diskDeviceId(const DiskId& disk) {
    return std::to_string(disk.contrId) + "_" + std::to_string(disk.compPdId);
}

DiskId diskIdFromKey(const std::string& keyValue) {
    return DiskId{keyFieldNumber(keyValue, 1), keyFieldNumber(keyValue, 2)};
}

DiskId readDiskId(const orv::raidlib::PropertyContainer& disk, const char* qualifiedName) {
    const LibraryPropertyReader keys(disk, kPhysDiskKind, kKeyFailureLevel);
    const auto contrId = keys.integer("contrId", true);
    if (!contrId) raiseKeyRetrievalFailure(qualifiedName, "contrId");
    const auto compPdId = keys.integer("compPdId", true);
    if (!compPdId) raiseKeyRetrievalFailure(qualifiedName, "compPdId");
    return DiskId{*contrId, *compPdId};
}

std::string PhysicalDiskPlugin::qualifiedName(const char* operation) const {
    return std::string("orv::cim::fwf::") + identity_.pluginName + "::" + operation;
}

LibraryPropertyReader PhysicalDiskPlugin::reader(const orv::raidlib::PropertyContainer& disk) const {
    return LibraryPropertyReader(disk, kPhysDiskKind, kPropertyFailureLevel);
}

void PhysicalDiskPlugin::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    const std::string name = qualifiedName("getRepositoryObjects");
    if (!isClass(path, identity_.cimClass)) return;

    RepositoryObjects disks;
    if (path.getKeyBindings().empty()) {
        if (const uint32_t status = readLibraryClass(kPhysicalDisks, disks, name.c_str()); status != 0) {
            LogMessage(2, "%s:getStorageClass failed", name.c_str());
            LogMessage(2, "%s :: VRLib returned error : %d", name.c_str(), static_cast<int>(status));
            throw CIMException(1, "Failed to retrieve objects of %s.", identity_.cimClass);
        }
    } else {
        const auto keyValue = stringKeyValue(path, identity_.identifyingKey);
        const std::string prefix = identity_.keyPrefix;
        // A key of another shape names no disk of this class.
        if (!keyValue || keyValue->compare(0, prefix.size(), prefix) != 0) return;
        const DiskId wanted = diskIdFromKey(keyValue->substr(prefix.size()));
        orv::raidlib::PropertyContainer keys = libraryKeys(wanted.contrId);
        keys.insertInt("compPdId", wanted.compPdId, true);
        orv::raidlib::PropertyContainer disk;
        const uint32_t status = readLibraryObject(kPhysicalDisks, keys, disk, name.c_str());
        if (status == orv::raidlib::ContainerStatus::NoMatch) {
            // A name that points at no disk is an ordinary "no such
            // instance", not a failure of the library.
            LogMessage(4, "%s :: No disk %u_%u", name.c_str(), wanted.contrId, wanted.compPdId);
            return;
        }
        if (status != 0) {
            LogMessage(2, "%s:getObjectInstance failed", name.c_str());
            throw CIMException(1, "Failed to retrieve object of %s.", identity_.cimClass);
        }
        disks.push_back(std::move(disk));
    }

    for (auto& disk : disks) {
        if (hasWantedDriveType(disk)) out.push_back(std::move(disk));
    }
    // The disk was found by one key; the others (system, class) must fit too.
    keepRequested(path, out);
}

bool PhysicalDiskPlugin::hasWantedDriveType(const orv::raidlib::PropertyContainer& disk) const {
    if (identity_.driveType == 0) return true;
    const auto driveType = LibraryPropertyReader(disk, kPhysDiskKind, kKeyFailureLevel).integer("driveType");
    if (!driveType) raiseKeyRetrievalFailure(qualifiedName("getRepositoryObjects").c_str(), "driveType");
    return *driveType == identity_.driveType;
}

void PhysicalDiskPlugin::deviceKeys(const orv::raidlib::PropertyContainer& disk, const char* idKey,
                                    KeyBindingList& out) const {
    const DiskId id = readDiskId(disk, qualifiedName("getKeyAttributes").c_str());
    out.push_back(stringKey("SystemCreationClassName", kControllerSystemClass));
    out.push_back(stringKey("CreationClassName", identity_.cimClass));
    out.push_back(stringKey(idKey, diskDeviceId(id)));
    out.push_back(stringKey("SystemName", controllerName(id.contrId)));
}

void DiskPortPlugin::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    deviceKeys(object, "DeviceID", out);
}

void DiskPortPlugin::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) {
    const LibraryPropertyReader disk = reader(object);
    if (const auto state = disk.integer("state")) {
        addUint16Array(out, "OperationalStatus", diskOperationalStatus(*state));
    }
    out.push_back(scalarProperty<uint16_t>("UsageRestriction", 2, CIM_UINT16));
    out.push_back(scalarProperty<uint16_t>("PortType", 92, CIM_UINT16));
    addConverted<uint32_t, uint64_t>(out, "Speed", disk.integer("negotiatedTransSpeed"), CIM_UINT64,
                                     [](uint32_t speed) { return uint64_t{speed}; });
    if (const auto addresses = disk.text("phySASAddresses")) {
        const std::string address = firstSasAddress(*addresses);
        if (!address.empty()) out.push_back(stringProperty("PermanentAddress", address));
    }
}

void DiskProtocolEndpointPlugin::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                  KeyBindingList& out) {
    deviceKeys(object, "Name", out);
}

void DiskProtocolEndpointPlugin::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList& out) {
    out.push_back(scalarProperty<uint16_t>("ProtocolIFType", 1, CIM_UINT16));
    out.push_back(stringProperty("OtherTypeDescription", protocol_));
    // The disk answers what the controller asks: a target.
    out.push_back(scalarProperty<uint16_t>("Role", 3, CIM_UINT16));
    out.push_back(scalarProperty<uint16_t>("ConnectionType", connectionType_, CIM_UINT16));
}

}  // namespace orv::cim::fwf::storage
