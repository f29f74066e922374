#include "ORVControllerComputerSystem.h"

#include <type_traits>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "ControllerSupport.h"
#include "FirmwareImage.h"
#include "Logger.h"
#include "PropertyBuilders.h"
#include "RaidLibraryAccess.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {

constexpr const char* kClassName = "ORV_ControllerComputerSystem";
// The library applies at most this many settings in one call.
constexpr std::size_t kMostModifiedProperties = 8;

// The settings a client may change, the library field each one is sent in,
// and the bit that tells the library to apply that field.
struct WritableSetting {
    const char* cimName;
    const char* libraryName;
    uint32_t maskBit;
};
constexpr WritableSetting kWritableSettings[] = {
    {"AutoRebuild", "autoRebuild", 0x1},
    {"SpinUpDelay", "spinUpDelay", 0x2},
    {"SpinDiskCount", "spinDiskCount", 0x4},
    {"NCQStatus", "NCQEnabled", 0x8},
    {"BootVolumeId", "bootVolumeId", 0x10},
    {"CopyBackEnabled", "copyBackEnabled", 0x20},
    {"MediaSrubRate", "mediaScrubRate", 0x40},
    {"OptionROMEnabled", "OptionROM", 0x100},
    {"OptionROMInputEnabled", "UserInputOpROM", 0x200},
    {"CacheEnabled", "cacheModeEnabled", 0x400},
};

const WritableSetting* writableSetting(const std::string& cimName) {
    for (const auto& setting : kWritableSettings) {
        if (CommonFunctions::equalsIgnoreCase(cimName, setting.cimName)) return &setting;
    }
    return nullptr;
}

// The library takes every setting as a 32-bit number; flags travel as 1 or 0.
std::optional<uint32_t> settingValue(const CIMInstance& instance, const std::string& name) {
    const CIMProperty* property = instance.getProperty(name);
    if (property == nullptr) return std::nullopt;
    return property->visitValue([](const auto& value) -> std::optional<uint32_t> {
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, CIMValue<bool>>) {
            if (value.size() == 0) return std::nullopt;
            return value.at(0) ? 1u : 0u;
        } else if constexpr (std::is_same_v<Value, CIMValue<uint8_t>> || std::is_same_v<Value, CIMValue<uint16_t>> ||
                             std::is_same_v<Value, CIMValue<uint32_t>> || std::is_same_v<Value, CIMValue<uint64_t>> ||
                             std::is_same_v<Value, CIMValue<int8_t>> || std::is_same_v<Value, CIMValue<int16_t>> ||
                             std::is_same_v<Value, CIMValue<int32_t>> || std::is_same_v<Value, CIMValue<int64_t>>) {
            if (value.size() == 0) return std::nullopt;
            return static_cast<uint32_t>(value.at(0));
        } else {
            return std::nullopt;
        }
    });
}

bool isOne(uint32_t value) { return value == 1; }

}  // namespace

void ORVControllerComputerSystem::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(
        path,
        {kClassName, "Name", 2, "orv::cim::fwf::ORVControllerComputerSystem::getRepositoryObjects", kControllers,
         LibraryFailureLog::StorageClassStatus},
        out);
}

void ORVControllerComputerSystem::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                   KeyBindingList& out) {
    const uint32_t contrId =
        requireControllerId(object, "orv::cim::fwf::ORVControllerComputerSystem::getKeyAttributes");
    out.push_back(stringKey("CreationClassName", kClassName));
    out.push_back(stringKey("Name", controllerName(contrId)));
}

void ORVControllerComputerSystem::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                      PropertyList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVControllerComputerSystem::getNonKeyAttributes";
    const LibraryPropertyReader read(object, "VrlController");
    const std::optional<uint32_t> contrId = read.integer("contrId", true);

    addUint16Array(out, "OperationalStatus", {2});
    out.push_back(stringProperty("NameFormat", "Other"));
    if (contrId) out.push_back(stringProperty("ElementName", controllerName(*contrId)));
    addUint16Array(out, "Dedicated", {30});
    if (const auto host = localHostName(kName, HostNameFailureLog::Plain)) out.push_back(stringProperty("SystemName", *host));
    out.push_back(scalarProperty<uint32_t>("TimeStamp", 0, CIM_UINT32));
    addIfPresent(out, "AutoRebuild", read.integer("autoRebuild"), CIM_UINT32);
    addIfPresent(out, "SpinUpDelay", read.integer("spinUpDelay"), CIM_UINT32);
    addIfPresent(out, "SpinDiskCount", read.integer("spinDiskCount"), CIM_UINT32);
    addConverted<uint32_t, bool>(out, "NCQStatus", read.integer("NCQEnabled"), CIM_BOOLEAN, isOne);
    addIfPresent(out, "CacheMemory", read.integer("cacheSize"), CIM_UINT32);
    addConverted<uint32_t, bool>(out, "CacheEnabled", read.integer("cacheMode"), CIM_BOOLEAN, isOne);
    addConverted<uint32_t, bool>(out, "OptionROMEnabled", read.integer("optionROMEnabled"), CIM_BOOLEAN, isOne);
    addConverted<uint32_t, bool>(out, "OptionROMInputEnabled", read.integer("optionROMInpEnabled"), CIM_BOOLEAN,
                                 isOne);
    addIfPresent(out, "BootVolumeId", read.integer("bootVolumeId"), CIM_UINT32);
    addIfPresent(out, "MediaSrubRate", read.integer("mediaScrubRate"), CIM_UINT32);
    addIfPresent(out, "CopyBackEnabled", read.integer("copyBackEnabled"), CIM_UINT32);
    if (const auto bits = read.integer("supStripeSize")) {
        out.push_back(arrayProperty<uint32_t>("SupportedStripeSizes", stripeSizesOf(*bits), CIM_UINT32_ARRAY));
    }
    addConverted<uint32_t, uint32_t>(out, "RecommendedStripeSize", read.integer("recStripeSize"), CIM_UINT32,
                                     smallestStripeSizeOf);
    if (const auto bits = read.integer("supRAIDLevel")) {
        out.push_back(arrayProperty<uint32_t>("SupportedRAIDLevels", raidLevelsOf(*bits), CIM_UINT32_ARRAY));
    }
    addConverted<uint32_t, bool>(out, "DefaultOptionROMInputEnabled", read.integer("defaultOptionROMConsoleEnabled"),
                                 CIM_BOOLEAN, isOne);
    addConverted<uint32_t, bool>(out, "DefaultCacheModeEnabled", read.integer("defaultCacheModeEnabled"),
                                 CIM_BOOLEAN, isOne);
    addConverted<uint32_t, bool>(out, "DefaultOptionROMEnabled", read.integer("defaultOptionROMEnabled"),
                                 CIM_BOOLEAN, isOne);
    addIfPresent(out, "DefaultBootVolumeId", read.integer("defaultBootVolumeId"), CIM_UINT32);
    addIfPresent(out, "DefaultSpinUpDelay", read.integer("defaultSpinUpDelay"), CIM_UINT32);
    addIfPresent(out, "DefaultSpinDiskCount", read.integer("defaultSpinDiskCount"), CIM_UINT32);
    addIfPresent(out, "DefaultAutoRebuild", read.integer("defaultAutoRebuild"), CIM_UINT32);
}

void ORVControllerComputerSystem::modifyInstance(CIMObjectPath path, CIMInstance instance,
                                                 const PropertyNameList& propertyNames) {
    constexpr const char* kName = "orv::cim::fwf::ORVControllerComputerSystem::modifyInstance";
    LogTrace("Entering ORVControllerComputerSystem :: modifyInstance()");
    if (propertyNames.empty()) return;
    if (propertyNames.size() > kMostModifiedProperties) {
        LogMessage(2, "%d properties cannot be modified for %s", static_cast<int>(propertyNames.size()), kClassName);
        throw CIMException(4, "%d properties cannot be modified for %s", static_cast<int>(propertyNames.size()),
                           kClassName);
    }

    orv::raidlib::PropertyContainer in;
    in.insertInt("contrId", keyFieldNumber(stringKeyValue(path, "Name").value_or(""), 2), true);
    uint32_t inputMask = 0;
    for (const std::string& name : propertyNames) {
        const WritableSetting* setting = writableSetting(name);
        if (setting == nullptr) {
            LogMessage(2, "%s :: %s Property modification not supported for controller.", kName, name.c_str());
            throw CIMException(7, "%s Property modification not supported for controller.", name.c_str());
        }
        const std::optional<uint32_t> value = settingValue(instance, name);
        if (!value) {
            LogMessage(2, "%s :: Failed to retrieve value for %s,                        from instance passed.",
                       kName, name.c_str());
            throw CIMException(4, "Failed to retrieve value for %s from instance passed.", name.c_str());
        }
        in.insertInt(setting->libraryName, *value);
        inputMask |= setting->maskBit;
    }
    in.insertInt("inputMask", inputMask);

    orv::raidlib::PropertyContainer result;
    if (const uint32_t status = requireRaidLibrary(kName).invokeMethod("setContrProps", in, result); status != 0) {
        LogMessage(2, "%s :: VrlOperation::setContrProps returned error : %d", kName, static_cast<int>(status));
        throw CIMException(1, CommonFunctions::getErrorDescription(status));
    }
    LogTrace("Exiting ORVControllerComputerSystem :: modifyInstance()");
}

uint32_t ORVControllerComputerSystem::invokeMethod(CIMObjectPath, const std::string& methodName,
                                                   const CIMArgumentList& in, CIMArgumentList&) {
    constexpr const char* kName = "orv::cim::fwf::ORVControllerComputerSystem::invokeMethod";
    const std::optional<std::vector<uint8_t>> image = firmwareImageArgument(in);
    if (!image) {
        LogMessage(2, "%s :: %s called without an Image argument", kName, methodName.c_str());
        return 1;
    }
    return storeFirmwareImage(*image, kName) ? 0 : 1;
}

}  // namespace orv::cim::fwf
