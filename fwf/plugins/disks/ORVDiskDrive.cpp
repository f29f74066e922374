#include "ORVDiskDrive.h"

#include <optional>
#include <type_traits>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "Logger.h"
#include "RaidLibraryAccess.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {

constexpr const char* kClassName = "ORV_DiskDrive";
constexpr const char* kLocationIndicator = "LocationIndicator";
constexpr uint16_t kIndicatorOn = 2;
constexpr uint16_t kIndicatorOff = 3;
// locateOpern of the library: 0 lights the LED, 1 turns it off.
constexpr uint32_t kLightOn = 0;
constexpr uint32_t kLightOff = 1;
// The library's device type of a physical disk, for its device flags.
constexpr uint32_t kPhysicalDiskDevice = 3;
constexpr uint32_t kRebuildCandidateFlag = 0x8;

// The first element of an integer-valued property; none for a null value or
// one of another kind.
std::optional<int64_t> integerValue(const CIMProperty& property) {
    return property.visitValue([](const auto& holder) -> std::optional<int64_t> {
        using Holder = std::decay_t<decltype(holder)>;
        if constexpr (std::is_same_v<Holder, std::monostate>) {
            return std::nullopt;
        } else {
            using Element = typename Holder::Element;
            if constexpr (std::is_integral_v<Element> && !std::is_same_v<Element, bool>) {
                if (holder.isNull() || holder.size() == 0) return std::nullopt;
                return static_cast<int64_t>(holder.at(0));
            } else {
                return std::nullopt;
            }
        }
    });
}

// The disk that the request's DeviceID names.
DiskId requestedDisk(const CIMObjectPath& path, const char* qualifiedName) {
    const auto deviceId = stringKeyValue(path, "DeviceID");
    if (!deviceId) throw CIMException(4, "%s:DeviceID is missing", qualifiedName);
    return diskIdFromKey(*deviceId);
}

orv::raidlib::PropertyContainer diskArguments(const DiskId& disk) {
    orv::raidlib::PropertyContainer in = libraryKeys(disk.contrId);
    in.insertInt("compPdId", disk.compPdId, true);
    return in;
}

[[noreturn]] void raiseLibraryFailure(const char* qualifiedName, uint32_t status) {
    LogMessage(2, "%s :: Operation failed, Vrlib returned error : %d.", qualifiedName, static_cast<int>(status));
    throw CIMException(1, CommonFunctions::getErrorDescription(status));
}

}  // namespace

ORVDiskDrive::ORVDiskDrive()
    : PhysicalDiskPlugin(Identity{kClassName, "ORVDiskDrive", "DeviceID", "", 0}) {}

void ORVDiskDrive::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    deviceKeys(object, "DeviceID", out);
}

void ORVDiskDrive::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) {
    const LibraryPropertyReader disk = reader(object);
    const auto enclId = disk.integer("enclId");
    const auto slotId = disk.integer("slotId");
    addIfPresent(out, "EnclosureId", enclId, CIM_UINT32);
    addIfPresent(out, "SlotNo", slotId, CIM_UINT32);
    if (enclId && slotId) {
        const std::string location = std::to_string(*enclId) + "-" + std::to_string(*slotId);
        out.push_back(stringProperty("ElementName", location));
        out.push_back(stringProperty("Name", location));
    }
    if (const auto state = disk.integer("state")) {
        addUint16Array(out, "OperationalStatus", diskOperationalStatus(*state));
        out.push_back(scalarProperty<uint16_t>("EnabledState", diskEnabledState(*state), CIM_UINT16));
        out.push_back(scalarProperty<uint16_t>("RequestedState", diskEnabledState(*state), CIM_UINT16));
    }
    if (const auto wwn = disk.vector("WWN")) out.push_back(stringProperty("WWN", wwnText(*wwn)));
    addConverted<uint32_t, uint16_t>(out, "SmartFailureCount", disk.integer("PFAErrorCount"), CIM_UINT16,
                                     [](uint32_t count) { return static_cast<uint16_t>(count); });
    addConverted<uint32_t, bool>(out, "SmartFailureFlag", disk.integer("PFAFlag"), CIM_BOOLEAN,
                                 [](uint32_t flag) { return flag != 0; });
    if (const auto pdConfig = disk.integer("pdConfig")) {
        // Only a member needs its array's index to tell a foreign one apart.
        const auto vdIndex = *pdConfig == 3 ? disk.integer("vdIndex") : std::nullopt;
        out.push_back(scalarProperty<uint16_t>("ConfigurationStatus",
                                               diskConfigurationStatus(*pdConfig, vdIndex.value_or(0)), CIM_UINT16));
    }
    addConverted<uint32_t, bool>(out, "Warranty", disk.integer("isCounterfeit"), CIM_BOOLEAN,
                                 [](uint32_t counterfeit) { return counterfeit == 1; });
    addConverted<uint32_t, uint16_t>(out, "LocationIndicator", disk.integer("locateLedOn"), CIM_UINT16,
                                     [](uint32_t on) { return on == 1 ? kIndicatorOn : kIndicatorOff; });
    addIfPresent(out, "ProductName", disk.text("productIdentification"), CIM_STRING);
    const auto lastBlock = disk.u64("maxBlockAddress");
    const auto blockLength = disk.integer("blockLen");
    if (lastBlock && blockLength) {
        // Media size is counted in kilobytes of 1000 bytes.
        out.push_back(scalarProperty<uint64_t>("MaxMediaSize", diskCapacityBytes(*lastBlock, *blockLength) / 1000,
                                               CIM_UINT64));
    }
    addConverted<uint32_t, uint64_t>(out, "DefaultBlockSize", blockLength, CIM_UINT64,
                                     [](uint32_t length) { return uint64_t{length}; });
}

void ORVDiskDrive::modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) {
    const std::string name = qualifiedName("modifyInstance");
    for (const std::string& property : propertyNames) {
        if (!CommonFunctions::equalsIgnoreCase(property, kLocationIndicator)) {
            throw CIMException(7, "%s:This property is not settable", name.c_str());
        }
        if (instance.getProperty(kLocationIndicator) == nullptr) {
            throw CIMException(7, "%s:This property is NULL", name.c_str());
        }
    }
    // Without a property list every property of the instance is meant; only
    // the indicator can change, the rest is what the disk has anyway.
    if (propertyNames.empty() && instance.getProperty(kLocationIndicator) == nullptr) return;
    switchLocateLight(path, instance);
}

void ORVDiskDrive::switchLocateLight(const CIMObjectPath& path, const CIMInstance& instance) {
    const std::string name = qualifiedName("modifyInstance");
    const DiskId disk = requestedDisk(path, name.c_str());
    const auto indicator = integerValue(*instance.getProperty(kLocationIndicator));
    if (!indicator) throw CIMException(7, "%s:This property is NULL", name.c_str());
    if (*indicator != kIndicatorOn && *indicator != kIndicatorOff) {
        throw CIMException(1, std::string("ON/OFF(2/3) are the possible values"));
    }

    orv::raidlib::VRLibFacadeIntf* library = raidLibrary();
    if (library == nullptr) {
        LogMessage(2, "pVrlFacade is Null ");
        throw CIMException(1, std::string("UnKnown Error"));
    }
    orv::raidlib::PropertyContainer in = diskArguments(disk);
    in.insertInt("locateOpern", *indicator == kIndicatorOn ? kLightOn : kLightOff);
    orv::raidlib::PropertyContainer out;
    const uint32_t status = library->invokeMethod("locateDevice", in, out);
    const int contrId = static_cast<int>(disk.contrId);
    const int compPdId = static_cast<int>(disk.compPdId);
    if (status != 0) {
        LogMessage(2, "%s :: LocateDevice on %d,%d is Failed ", name.c_str(), contrId, compPdId);
        throw CIMException(1, CommonFunctions::getErrorDescription(status));
    }
    LogMessage(4, "%s :: LocateDevice on %d,%d is sucess ", name.c_str(), contrId, compPdId);
}

uint32_t ORVDiskDrive::invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList&,
                                    CIMArgumentList& out) {
    if (CommonFunctions::equalsIgnoreCase(methodName, "ReclaimPD")) return reclaim(path);
    if (CommonFunctions::equalsIgnoreCase(methodName, "IsDiskRebuildable")) return reportRebuildCandidate(path, out);
    const std::string name = qualifiedName("invokeMethod");
    LogMessage(2, "%s :: Method %s not supported on %s.", name.c_str(), methodName.c_str(), kClassName);
    throw CIMException(7, "%s :: Method %s not supported on %s.", name.c_str(), methodName.c_str(), kClassName);
}

uint32_t ORVDiskDrive::reclaim(const CIMObjectPath& path) {
    const std::string name = qualifiedName("invokeMethod");
    const DiskId disk = requestedDisk(path, name.c_str());
    orv::raidlib::VRLibFacadeIntf& library = requireRaidLibrary(name.c_str());
    orv::raidlib::PropertyContainer result;
    if (const uint32_t status = library.invokeMethod("clearMetadata", diskArguments(disk), result); status != 0) {
        raiseLibraryFailure(name.c_str(), status);
    }
    return 0;
}

uint32_t ORVDiskDrive::reportRebuildCandidate(const CIMObjectPath& path, CIMArgumentList& out) {
    const std::string name = qualifiedName("invokeMethod");
    const DiskId disk = requestedDisk(path, name.c_str());
    orv::raidlib::VRLibFacadeIntf& library = requireRaidLibrary(name.c_str());
    orv::raidlib::PropertyContainer in = libraryKeys(disk.contrId);
    in.insertInt("deviceId", disk.compPdId, true);
    in.insertInt("deviceType", kPhysicalDiskDevice, true);
    orv::raidlib::PropertyContainer result;
    if (const uint32_t status = library.invokeMethod("getDeviceFlags", in, result); status != 0) {
        raiseLibraryFailure(name.c_str(), status);
    }
    orv::raidlib::VrlInt flags = 0;
    if (result.getPropertyValue(flags, "pDiskFlags", false) != 0) {
        LogMessage(2, "getPropertyValue( VrlResourceFlags::pDiskFlags ) failed");
        throw CIMException(1, std::string("An internal error occurred"));
    }
    out.add(scalarProperty("IsRebuildCandidate", (flags & kRebuildCandidateFlag) != 0, CIM_BOOLEAN));
    return 0;
}

}  // namespace orv::cim::fwf
