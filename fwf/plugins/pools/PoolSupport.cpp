#include "PoolSupport.h"


#include "CIMException.h"
#include "CIMInstance.h"
#include "CIMProperty.h"
#include "CommonFunctions.h"
#include "Logger.h"
#include "PropertyBuilders.h"
#include "RaidLibraryAccess.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf::storage {

using orv::raidlib::PropertyContainer;
using orv::raidlib::VrlInt;

const std::array<PrimordialPoolKind, 4> kPrimordialPoolKinds{{
    {"SATA_Rotating", 1, 1},
    {"SATA_SSD", 1, 0},
    {"SAS_Rotating", 2, 1},
    {"SAS_SSD", 2, 0},
}};

namespace {

constexpr const char* kControllerSystemClass = "ORV_ControllerComputerSystem";

// getDeviceFlags: the device type of a volume, and the bit of vDiskFlags
// that marks an array whose parity may be resynchronised.
constexpr uint32_t kVolumeDeviceType = 4;
constexpr uint32_t kResyncCandidateFlag = 0x4;

std::optional<VrlInt> readInt(const PropertyContainer& object, const char* name, bool isKey = false) {
    VrlInt value = 0;
    if (object.getPropertyValue(value, name, isKey) != 0) return std::nullopt;
    return value;
}

}  // namespace

std::string primordialPoolInstanceId(uint32_t contrId, const PrimordialPoolKind& kind) {
    return std::to_string(contrId) + "_" + kind.name;
}

std::optional<PrimordialPoolName> parsePrimordialPoolInstanceId(const std::string& instanceId) {
    const std::string kindName = CommonFunctions::token(instanceId, 2);
    for (const auto& kind : kPrimordialPoolKinds) {
        if (kindName == kind.name && instanceId != kindName) {
            return PrimordialPoolName{keyFieldNumber(instanceId, 1), &kind};
        }
    }
    return std::nullopt;
}

RepositoryObjects primordialPoolObjects(const RepositoryObjects& controllers, const char* qualifiedName) {
    RepositoryObjects pools;
    for (const auto& controller : controllers) {
        const auto contrId = readInt(controller, "contrId", true);
        if (!contrId) {
            LogMessage(2, "%s :: Controller Id could not be fetched", qualifiedName);
            throw CIMException(1, "%s :: Property retrieval failed.", qualifiedName);
        }
        for (uint32_t index = 0; index < kPrimordialPoolKinds.size(); ++index) {
            PropertyContainer pool;
            pool.insertInt("contrId", *contrId, true);
            pool.insertInt("poolKind", index, true);
            pool.insertString("InstanceID", primordialPoolInstanceId(*contrId, kPrimordialPoolKinds[index]));
            pools.push_back(std::move(pool));
        }
    }
    return pools;
}

const PrimordialPoolKind& poolKindOf(const PropertyContainer& poolObject) {
    const uint32_t index = readInt(poolObject, "poolKind", true).value_or(0);
    return kPrimordialPoolKinds.at(index < kPrimordialPoolKinds.size() ? index : 0);
}

uint32_t controllerOf(const PropertyContainer& object) { return readInt(object, "contrId", true).value_or(0); }

bool diskBelongsToPool(const PropertyContainer& disk, uint32_t contrId, const PrimordialPoolKind& kind) {
    return readInt(disk, "contrId", true) == contrId && readInt(disk, "driveType") == kind.driveType &&
           readInt(disk, "blockDevType") == kind.blockDevType;
}

uint32_t diskConfiguration(const PropertyContainer& disk) {
    return readInt(disk, "pdConfig").value_or(kDiskConfigurationUnknown);
}

uint64_t diskCoercedBytes(const PropertyContainer& disk) {
    const auto coercedSize = LibraryPropertyReader(disk, "VrlPhysDisk", 5).integer("coercedSize");
    return coercedSize ? static_cast<uint64_t>(*coercedSize) * kBytesPerGiB : 0;
}

PoolCapacity primordialPoolCapacity(const RepositoryObjects& disks, uint32_t contrId, const PrimordialPoolKind& kind) {
    PoolCapacity capacity;
    for (const auto& disk : disks) {
        if (!diskBelongsToPool(disk, contrId, kind)) continue;
        const uint64_t bytes = diskCoercedBytes(disk);
        capacity.total += bytes;
        if (diskConfiguration(disk) == kDiskUnconfigured) capacity.remaining += bytes;
    }
    return capacity;
}

RepositoryObjects freeDisksOfPool(const RepositoryObjects& disks, uint32_t contrId, const PrimordialPoolKind& kind) {
    RepositoryObjects free;
    for (const auto& disk : disks) {
        if (diskBelongsToPool(disk, contrId, kind) && diskConfiguration(disk) == kDiskUnconfigured &&
            readInt(disk, "state") == kDiskOnline) {
            free.push_back(disk);
        }
    }
    return free;
}

std::string arrayId(uint32_t contrId, uint32_t vdIndex) {
    return std::to_string(contrId) + "_" + std::to_string(vdIndex);
}

ArrayName parseArrayId(const std::string& id) { return ArrayName{keyFieldNumber(id, 1), keyFieldNumber(id, 2)}; }

std::string diskExtentId(uint32_t contrId, uint32_t compPdId) {
    return std::to_string(contrId) + "_" + std::to_string(compPdId);
}

RepositoryObjects readArrays(const char* qualifiedName) {
    RepositoryObjects volumes;
    if (const uint32_t status = readLibraryClass(kVolumes, volumes, qualifiedName); status != 0) {
        LogMessage(2, "%s :: Failed to retrieve %s objects from VRLIB", qualifiedName, kVolumes);
        throw CIMException(1, std::string("Failed to retrieve Volume objects from VRLib"));
    }
    RepositoryObjects named;
    for (auto& volume : volumes) {
        const LibraryPropertyReader reader(volume, "VrlVolume", 4);
        const bool readable = reader.integer("contrId", true).has_value() && reader.integer("vdIndex", true).has_value();
        if (readable) named.push_back(std::move(volume));
    }
    return named;
}

PropertyContainer arrayKeys(const ArrayName& array) {
    PropertyContainer keys = libraryKeys(array.contrId);
    keys.insertInt("vdIndex", array.vdIndex, true);
    return keys;
}

PropertyContainer readArray(const std::string& instanceId, const ArrayName& array, const char* qualifiedName) {
    PropertyContainer volume;
    if (const uint32_t status = readLibraryObject(kVolumes, arrayKeys(array), volume, qualifiedName); status != 0) {
        LogMessage(2, "%s :: Failed to retrieve %s instance from VRLIB, status returned %d", qualifiedName,
                   instanceId.c_str(), static_cast<int>(status));
        throw CIMException(6, std::string("Failed to retrieve array instance."));
    }
    return volume;
}

ArrayName arrayNameOf(const PropertyContainer& volume) {
    return ArrayName{readInt(volume, "contrId", true).value_or(0), readInt(volume, "vdIndex", true).value_or(0)};
}

bool isReserved(const PropertyContainer& volume) { return readInt(volume, "volReserved").value_or(1) != 0; }

std::optional<uint64_t> arrayBytes(const PropertyContainer& volume, const char* objectKind, int failureLevel) {
    const LibraryPropertyReader reader(volume, objectKind, failureLevel);
    const auto totalBlocks = reader.u64("totalBlocks");
    const auto blockLength = reader.integer("blockLength");
    if (!totalBlocks || !blockLength) return std::nullopt;
    return byteSize(*totalBlocks, *blockLength);
}

uint64_t byteSize(uint64_t totalBlocks, uint32_t blockLength) {
    return totalBlocks * static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(blockLength)));
}

const PropertyContainer* findDisk(const RepositoryObjects& disks, uint32_t contrId, uint32_t compPdId) {
    for (const auto& disk : disks) {
        if (readInt(disk, "contrId", true) == contrId && readInt(disk, "compPdId", true) == compPdId) return &disk;
    }
    return nullptr;
}

RepositoryObjects readDisks(const char* qualifiedName) {
    RepositoryObjects disks;
    if (readLibraryClass(kPhysicalDisks, disks, qualifiedName) != 0) {
        LogMessage(4, "%s :: Failed to retrieve %s objects from VRLIB", qualifiedName, kPhysicalDisks);
        disks.clear();
    }
    return disks;
}

std::optional<PropertyContainer> readDisk(uint32_t contrId, uint32_t compPdId, const char* qualifiedName) {
    PropertyContainer keys = libraryKeys(contrId);
    keys.insertInt("compPdId", compPdId, true);
    PropertyContainer disk;
    if (readLibraryObject(kPhysicalDisks, keys, disk, qualifiedName) != 0) return std::nullopt;
    return disk;
}

uint64_t arrayFreeBytes(const PropertyContainer& volume) {
    return isReserved(volume) ? arrayBytes(volume).value_or(0) : 0;
}

void appendDeviceKeys(KeyBindingList& out, const std::string& className, uint32_t contrId,
                      const std::string& deviceId) {
    out.push_back(stringKey("SystemCreationClassName", kControllerSystemClass));
    out.push_back(stringKey("SystemName", controllerName(contrId)));
    out.push_back(stringKey("CreationClassName", className));
    out.push_back(stringKey("DeviceID", deviceId));
}

CIMObjectPath deviceKeysPath(const CIMObjectPath& request, const std::string& className, uint32_t contrId,
                             const std::string& deviceId) {
    CIMObjectPath path(request.getHost(), request.getNameSpace(), className);
    KeyBindingList keys;
    keys.reserve(4);
    appendDeviceKeys(keys, className, contrId, deviceId);
    path.setKeyBindings(std::move(keys));
    return path;
}

void renameArray(const CIMObjectPath& path, const CIMInstance& modified, const PropertyNameList& propertyNames,
                 const char* keyName, const char* qualifiedName) {
    if (propertyNames.empty()) return;
    std::optional<std::string> newName;
    for (const auto& name : propertyNames) {
        if (!CommonFunctions::equalsIgnoreCase(name, "ElementName")) {
            LogMessage(2, "%s :: %s Property modification not supported for controller.", qualifiedName, name.c_str());
            throw CIMException(7, "%s Property modification not supported for controller.", name.c_str());
        }
        const CIMProperty* property = modified.getProperty(name);
        if (property == nullptr || property->getType() != CIM_STRING || property->getValue<std::string>().size() == 0) {
            LogMessage(2, "%s :: Failed to retrieve value for %s,                    from instance passed.",
                       qualifiedName, name.c_str());
            throw CIMException(4, "%s :: Failed to retrieve value for %s,                    from instance passed.",
                               qualifiedName, name.c_str());
        }
        newName = property->getValue<std::string>().at(0);
    }
    const ArrayName array = parseArrayId(stringKeyValue(path, keyName).value_or(""));
    PropertyContainer in;
    in.insertInt("contrId", array.contrId, true);
    in.insertInt("vdIndex", array.vdIndex, true);
    in.insertString("volumeName", *newName);
    PropertyContainer result;
    const uint32_t status = requireRaidLibrary(qualifiedName).invokeMethod("setVolumeProps", in, result);
    if (status != 0) {
        LogMessage(2, "%s :: Operation failed, Vrlib returned error : %d.", qualifiedName, static_cast<int>(status));
        throw CIMException(1, CommonFunctions::getErrorDescription(status));
    }
    LogMessage(4, "%s :: Array %d_%d renamed to %s", qualifiedName, static_cast<int>(array.contrId),
               static_cast<int>(array.vdIndex), newName->c_str());
}

bool isResyncCandidate(const ArrayName& array, const char* qualifiedName) {
    orv::raidlib::VRLibFacadeIntf* library = raidLibrary();
    if (library == nullptr) {
        LogMessage(2, "%s :: Failed to retrieve Vrlib handle.", qualifiedName);
        throw CIMException(1, std::string("An internal error occurred"));
    }
    PropertyContainer volume;
    uint32_t status = library->getObjectInstance(kVolumes, arrayKeys(array), volume);
    PropertyContainer flags;
    if (status == 0) {
        PropertyContainer in = libraryKeys(array.contrId);
        in.insertInt("deviceId", readInt(volume, "deviceId").value_or(array.vdIndex), true);
        in.insertInt("deviceType", kVolumeDeviceType, true);
        status = library->invokeMethod("getDeviceFlags", in, flags);
    }
    if (status != 0) {
        LogMessage(2, "%s :: Operation failed, Vrlib returned error : %d.", qualifiedName, static_cast<int>(status));
        throw CIMException(1, "%s :: Operation failed, Vrlib returned error : %d.", qualifiedName,
                           static_cast<int>(status));
    }
    const auto volumeFlags = readInt(flags, "vDiskFlags");
    if (!volumeFlags) {
        LogMessage(2, "getPropertyValue( VrlResourceFlags::vDiskFlags ) failed");
        throw CIMException(1, std::string("An internal error occurred"));
    }
    return (*volumeFlags & kResyncCandidateFlag) != 0;
}

void refuseMethod(const char* qualifiedName, const std::string& methodName, const char* className) {
    LogMessage(2, "%s :: Method %s not supported on %s.", qualifiedName, methodName.c_str(), className);
    throw CIMException(16, "%s :: Method %s not supported on %s.", qualifiedName, methodName.c_str(), className);
}

Redundancy redundancyOf(uint32_t raidLevel) {
    switch (raidLevel) {
        case 0: return {1, 0, false};
        case 1: return {2, 1, true};
        case 5: return {1, 1, true};
        case 6: return {1, 2, true};
        default: return {0, 0, false};
    }
}

bool isKnownLevel(uint32_t raidLevel) { return raidLevel == 0 || raidLevel == 1 || raidLevel == 5 || raidLevel == 6; }

std::string raidLevelName(uint32_t raidLevel) {
    return isKnownLevel(raidLevel) ? "RAID" + std::to_string(raidLevel) : "Unknown";
}

std::string raidLevelDescription(uint32_t raidLevel) {
    return isKnownLevel(raidLevel) ? "RAID " + std::to_string(raidLevel) : "Unknown";
}

std::optional<uint32_t> raidLevelFromName(const std::string& name) {
    for (const uint32_t level : {0u, 1u, 5u, 6u, 50u, 60u}) {
        if (name == "RAID" + std::to_string(level)) return level;
    }
    return std::nullopt;
}

std::vector<uint32_t> supportedRaidLevels(uint32_t supRAIDLevelMask) {
    std::vector<uint32_t> levels;
    const uint32_t bitLevels[] = {0, 1, 5, 6};
    for (uint32_t bit = 0; bit < 4; ++bit) {
        if (supRAIDLevelMask & (1u << bit)) levels.push_back(bitLevels[bit]);
    }
    return levels;
}

std::optional<MemberRule> memberRule(uint32_t raidLevel) {
    switch (raidLevel) {
        case 0: return MemberRule{1, kMaxArrayMembers};
        case 1: return MemberRule{2, 2};
        case 5: return MemberRule{3, kMaxArrayMembers};
        case 6: return MemberRule{4, kMaxArrayMembers};
        default: return std::nullopt;
    }
}

uint32_t dataMembers(uint32_t raidLevel, uint32_t members) {
    switch (raidLevel) {
        case 1: return members > 0 ? 1 : 0;
        case 5: return members > 1 ? members - 1 : 0;
        case 6: return members > 2 ? members - 2 : 0;
        default: return members;
    }
}

uint64_t extentStripeLength(uint32_t raidLevel, uint32_t members) { return raidLevel == 1 ? 1 : members; }

bool hasParity(uint32_t raidLevel) { return raidLevel == 5 || raidLevel == 6; }

uint16_t volumeOperationalStatus(uint32_t state) {
    switch (state) {
        case 0: return 2;  // OK
        case 1: return 3;  // Degraded
        case 2: return 1;  // Other: rebuilding
        case 3: return 6;  // Error
        default: return 0;
    }
}

uint16_t volumeExtentStatus(uint32_t state) { return state == 2 ? 11 : 2; }

uint16_t diskExtentStatus(uint32_t state) {
    switch (state) {
        case 0: return 2;   // None
        case 1: return 3;   // Broken
        case 2: return 11;  // Rebuild
        case 3: return 2;
        default: return 1;  // Unknown
    }
}

}  // namespace orv::cim::fwf::storage
