#include "ConfigurationMethods.h"

#include <cstddef>
#include <cstring>
#include <memory>

#include "EventContainers.h"
#include "Logger.h"
#include "RecordConversion.h"

namespace orv::raidlib {

VrlInt inputInt(const PropertyContainer& in, const char* name, bool isKey) {
    VrlInt value = 0;
    in.getPropertyValue(value, name, isKey);
    return value;
}

VrlVector inputVector(const PropertyContainer& in, const char* name, bool isKey) {
    VrlVector value;
    in.getPropertyValue(value, name, isKey);
    return value;
}

namespace {

std::string inputText(const PropertyContainer& in, const char* name) {
    std::string value;
    in.getPropertyValue(value, name, false);
    return value;
}

uint64_t inputU64(const PropertyContainer& in, const char* name) {
    uint64_t value = 0;
    in.getPropertyValue(value, name, false);
    return value;
}

template <typename Record>
Record zeroed() {
    Record record;
    std::memset(&record, 0, sizeof record);
    return record;
}

// Writes u32 values into a packed record's array field.
template <typename Record>
void putU32Array(Record& record, size_t offset, const VrlVector& values, size_t count) {
    if (count > 0)
        std::memcpy(reinterpret_cast<unsigned char*>(&record) + offset, values.data(), count * sizeof(uint32_t));
}

template <typename Record>
VrlVector getU32Array(const Record& record, size_t offset, size_t count) {
    VrlVector values(count);
    if (count > 0)
        std::memcpy(values.data(), reinterpret_cast<const unsigned char*>(&record) + offset, count * sizeof(uint32_t));
    return values;
}

uint32_t getVersionInfo(const LibraryBinding& library, const PropertyContainer& in, PropertyContainer& out) {
    unsigned char unused[sizeof(VrlVersionRecord)] = {};
    auto version = zeroed<VrlVersionRecord>();
    uint32_t status = library.call(VrlOpcode::GET_VERSION, unused, &version);
    if (status != VrlStatus::Success) {
        LogMessage(2, "VrlGetVersion() Failed");
        return status;
    }
    out.insertInt("Day", version.day);
    out.insertInt("Month", version.month);
    out.insertInt("Year", version.year);
    out.insertString("VrlVersion", versionText(version.version));
    out.insertString("VrlName", fieldText(version.name));

    uint8_t contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    auto driver = zeroed<VrlVersionRecord>();
    status = library.call(VrlOpcode::GET_DRIVER_VERSION, &contrId, &driver);
    if (status != VrlStatus::Success) {
        LogMessage(2, "pfVrlInvokeMethod(GET_DRIVER_VERSION) Failed");
        return status;
    }
    out.insertInt("DriverDay", driver.day);
    out.insertInt("DriverMonth", driver.month);
    out.insertInt("DriverYear", driver.year);
    out.insertString("DriverVersion", versionText(driver.version));
    out.insertString("DriverName", fieldText(driver.name));
    return VrlStatus::Success;
}

uint32_t updateFirmware(const LibraryBinding& library, const PropertyContainer& in) {
    auto record = zeroed<VrlDownloadFwIn>();
    record.contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    copyToField(record.binFilePath, sizeof record.binFilePath, inputText(in, "binFilePath"));
    uint32_t answer = 0;
    const uint32_t status = library.call(VrlOpcode::DOWNLOAD_CONTR_FW, &record, &answer);
    if (status != VrlStatus::Success) LogMessage(2, "pfVrlInvokeMethod(DOWNLOAD_CONTR_FW) Failed");
    return status;
}

uint32_t clearConfiguration(const LibraryBinding& library, const PropertyContainer& in, PropertyContainer& out) {
    uint8_t contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    auto answer = zeroed<VrlClearConfigOut>();
    const uint32_t status = library.call(VrlOpcode::CLEAR_CONTR_CONFIG, &contrId, &answer);
    if (status != VrlStatus::Success) {
        LogMessage(2, "pfVrlInvokeMethod(CLEAR_CONTR_CONFIG) Failed");
        return status;
    }
    const unsigned disks = boundedCount(answer.failedPdCount, kVrlMaxDisksPerController, "failed disk");
    const unsigned volumes = boundedCount(answer.failedVolCount, kVrlMaxVolumesPerController, "failed volume");
    out.insertInt("failedPdCount", disks);
    out.insertVector("compPdId", getU32Array(answer, offsetof(VrlClearConfigOut, compPdId), disks));
    out.insertInt("failedVolCount", volumes);
    out.insertVector("vdIndex", getU32Array(answer, offsetof(VrlClearConfigOut, vdIndex), volumes));
    return VrlStatus::Success;
}

uint32_t setContrProps(const LibraryBinding& library, const PropertyContainer& in, PropertyContainer& out) {
    auto record = zeroed<VrlSetContrPropsIn>();
    record.contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    record.timeStamp = inputU64(in, "timeStamp");
    record.autoRebuild = inputInt(in, "autoRebuild", false);
    record.spinUpDelay = static_cast<uint8_t>(inputInt(in, "spinUpDelay", false));
    record.spinDiskCount = static_cast<uint8_t>(inputInt(in, "spinDiskCount", false));
    record.NCQEnabled = inputInt(in, "NCQEnabled", false);
    record.bootVolumeId = static_cast<uint8_t>(inputInt(in, "bootVolumeId", false));
    record.mediaScrubRate = static_cast<uint8_t>(inputInt(in, "mediaScrubRate", false));
    record.copyBackEnabled = inputInt(in, "copyBackEnabled", false);
    record.OptionROM = inputInt(in, "OptionROM", false);
    record.cacheModeEnabled = inputInt(in, "cacheModeEnabled", false);
    record.UserInputOpROM = inputInt(in, "UserInputOpROM", false);
    record.inputMask = static_cast<uint16_t>(inputInt(in, "inputMask", false));
    uint32_t resultMask = 0;
    const uint32_t status = library.call(VrlOpcode::SET_CONTR_PROPS, &record, &resultMask);
    if (status != VrlStatus::Success) {
        LogMessage(2, "pfVrlInvokeMethod(SET_CONTR_PROPS) Failed");
        return status;
    }
    out.insertInt("resultMask", resultMask);
    return VrlStatus::Success;
}

uint32_t setVolumeProps(const LibraryBinding& library, const PropertyContainer& in, PropertyContainer& out) {
    auto record = zeroed<VrlSetVolumePropsIn>();
    record.contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    record.vdIndex = inputInt(in, "vdIndex", true);
    record.changeMask = kVrlVolumeNameChange;
    copyToField(record.volumeName, sizeof record.volumeName, inputText(in, "volumeName"));
    uint32_t resultMask = 0;
    const uint32_t status = library.call(VrlOpcode::SET_VD_PROPS, &record, &resultMask);
    if (status != VrlStatus::Success) {
        LogMessage(2, "Setting Volume Properties Failed");
        return status;
    }
    out.insertInt("resultMask", resultMask);
    return VrlStatus::Success;
}

uint32_t resyncVolume(const LibraryBinding& library, const PropertyContainer& in) {
    auto record = zeroed<VrlResyncVolumeIn>();
    record.contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    record.vdIndex = inputInt(in, "vdIndex", true);
    uint32_t answer = 0;
    const uint32_t status = library.call(VrlOpcode::RESYNC_VOLUME, &record, &answer);
    if (status != VrlStatus::Success) LogMessage(2, "pfVrlInvokeMethod(RESYNC_VOLUME) Failed");
    return status;
}

uint32_t rebuildVolume(const LibraryBinding& library, const PropertyContainer& in) {
    auto record = zeroed<VrlRebuildIn>();
    record.contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    record.compPdId = inputInt(in, "compPdId", true);
    uint32_t answer = 0;
    const uint32_t status = library.call(VrlOpcode::REBUILD_VOLUME, &record, &answer);
    if (status != VrlStatus::Success) LogMessage(2, "pfVrlInvokeMethod(REBUILD_VOLUME) Failed");
    return status;
}

uint32_t fastInitVolume(const LibraryBinding& library, const PropertyContainer& in) {
    auto record = zeroed<VrlFastInitIn>();
    record.contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    record.vdIndex = inputInt(in, "vdIndex", true);
    record.initMode = inputInt(in, "initMode", false);
    uint32_t answer = 0;
    return library.call(VrlOpcode::FAST_INIT_VOLUME, &record, &answer);
}

uint32_t hotSpare(const LibraryBinding& library, const PropertyContainer& in, bool create) {
    auto record = zeroed<VrlHotSpareIn>();
    record.contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    const VrlVector disks = inputVector(in, "compPdId", true);
    const unsigned count =
        boundedCount(static_cast<unsigned>(disks.size()), kVrlMaxMembersPerVolume, "hot spare request disk");
    record.pdCount = static_cast<uint16_t>(count);
    putU32Array(record, offsetof(VrlHotSpareIn, compPdId), disks, count);
    uint32_t answer = 0;
    if (create) {
        const uint32_t status = library.call(VrlOpcode::CREATE_HOT_SPARE, &record, &answer);
        if (status != VrlStatus::Success) {
            LogMessage(2, "Hot Spare Creation Failed with error[%d]", static_cast<int>(status));
            return status;
        }
        LogMessage(4, "Hot Spare Create Succeeded");
        return status;
    }
    LogMessage(4, "%s pdCount= %d", "VRLibFacade::VrlFacDeleteHotSpare", static_cast<int>(count));
    const uint32_t status = library.call(VrlOpcode::DELETE_HOT_SPARE, &record, &answer);
    if (status != VrlStatus::Success) {
        LogMessage(2, "Hot Spare Deletion Failed with error[%d]", static_cast<int>(status));
        return status;
    }
    LogMessage(4, "Hot Spare Deletion Succeeded");
    return status;
}

uint32_t locateDevice(const LibraryBinding& library, const PropertyContainer& in) {
    auto record = zeroed<VrlLocateDeviceIn>();
    record.contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    record.compPdId = inputInt(in, "compPdId", true);
    record.deviceKind = 4;
    record.locateOpern = inputInt(in, "locateOpern", false);
    uint32_t answer = 0;
    const uint32_t status = library.call(VrlOpcode::LOCATE_DEVICE, &record, &answer);
    if (status != VrlStatus::Success) LogMessage(2, "pfVrlInvokeMethod(LOCATE_DEVICE) Failed");
    return status;
}

uint32_t getAllLrcStatus(const LibraryBinding& library, const PropertyContainer& in, PropertyContainer& out) {
    uint8_t contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    auto answer = std::make_unique<VrlLrcStatusOut>();
    std::memset(answer.get(), 0, sizeof *answer);
    const uint32_t status = library.call(VrlOpcode::GET_ALL_LRC_STATUS, &contrId, answer.get());
    if (status != VrlStatus::Success) {
        LogMessage(2, "pfVrlInvokeMethod(GET_ALL_LRC_STATUS) Failed");
        return status;
    }
    const unsigned count = boundedCount(answer->lrcCount, kVrlMaxLrcEntries, "long-running command");
    LrcColumns columns;
    for (unsigned i = 0; i < count; ++i) {
        const VrlLrcStatusEntry& entry = answer->entries[i];
        columns.add(entry.deviceId, entry.deviceType, entry.lrcType, entry.lrcStatus, entry.progPercentage);
    }
    columns.insertInto(out);
    return VrlStatus::Success;
}

uint32_t clearMetadata(const LibraryBinding& library, const PropertyContainer& in) {
    auto record = zeroed<VrlClearMetaDataIn>();
    record.contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    record.compPdId = inputInt(in, "compPdId", true);
    uint32_t answer = 0;
    const uint32_t status = library.call(VrlOpcode::CLEAR_META_DATA, &record, &answer);
    if (status != VrlStatus::Success) LogMessage(2, "pfVrlInvokeMethod(CLEAR_META_DATA) Failed");
    return status;
}

uint32_t getDeviceFlags(const LibraryBinding& library, const PropertyContainer& in, PropertyContainer& out) {
    auto record = zeroed<VrlDeviceFlagsIn>();
    record.contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    record.deviceId = inputInt(in, "deviceId", true);
    record.deviceType = inputInt(in, "deviceType", true);
    uint32_t flags = 0;
    const uint32_t status = library.call(VrlOpcode::GET_DEVICE_FLAGS, &record, &flags);
    if (status != VrlStatus::Success) {
        LogMessage(2, "pfVrlInvokeMethod(GET_DEVICE_FLAGS) Failed");
        return status;
    }
    if (record.deviceType == VrlDeviceType::PhysicalDisk)
        out.insertInt("pDiskFlags", flags);
    else if (record.deviceType == VrlDeviceType::VirtualDisk)
        out.insertInt("vDiskFlags", flags);
    else
        LogMessage(2, "pfVrlInvokeMethod(GET_DEVICE_FLAGS) Invalid Resource Type");
    return VrlStatus::Success;
}

uint32_t getErrorDesc(const LibraryBinding& library, const PropertyContainer& in, PropertyContainer& out) {
    auto record = zeroed<VrlFwErrorIn>();
    VrlInt code = 0;
    const uint32_t read = in.getPropertyValue(code, "fwErrorCode", true);
    if (read != ContainerStatus::Success) {
        LogMessage(2, "VrlFacGetErrorDesc :fwErrorCode missing");
        return read;
    }
    record.fwErrorCode = code;
    LogMessage(4, "VrlFacGetErrorDesc :%x", code);
    auto answer = zeroed<VrlFwErrorOut>();
    const uint32_t status = library.call(VrlOpcode::GET_FW_ERROR_DTLS, &record, &answer);
    if (status != VrlStatus::Success) {
        LogMessage(2, "ERROR_: GET_FW_ERROR_DTLS  Failed !! error %d", static_cast<int>(status));
        return status;
    }
    out.insertString("fwErrorDesc", fieldText(answer.fwErrorDesc));
    return VrlStatus::Success;
}

}  // namespace

uint32_t getControllerDefaults(const LibraryBinding& library, const PropertyContainer& in, PropertyContainer& out) {
    uint8_t contrId = static_cast<uint8_t>(inputInt(in, "contrId", true));
    auto defaults = zeroed<VrlContrDefaults>();
    const uint32_t status = library.call(VrlOpcode::GET_CONTR_PROPS_DEFAULTS, &contrId, &defaults);
    if (status != VrlStatus::Success) {
        LogMessage(2, "pfVrlInvokeMethod(GET_CONTR_PROPS_DEFAULTS) Failed");
        return status;
    }
    out.insertInt("autoRebuild", defaults.autoRebuild);
    out.insertInt("bootVolumeId", defaults.bootVolumeId);
    out.insertInt("opROMConsoleEnabled", defaults.opROMConsoleEnabled);
    out.insertInt("opROMEnabled", defaults.opROMEnabled);
    out.insertInt("spinDiskCount", defaults.spinDiskCount);
    out.insertInt("spinUpDelay", defaults.spinUpDelay);
    out.insertInt("cacheModeEnabled", defaults.cacheModeEnabled);
    return VrlStatus::Success;
}

bool runStatelessMethod(const LibraryBinding& library, const std::string& methodName, const PropertyContainer& in,
                        PropertyContainer& out, uint32_t& status) {
    if (methodName == "getVersionInfo") status = getVersionInfo(library, in, out);
    else if (methodName == "updateFirmware") status = updateFirmware(library, in);
    else if (methodName == "clearConfiguration") status = clearConfiguration(library, in, out);
    else if (methodName == "setContrProps") status = setContrProps(library, in, out);
    else if (methodName == "setVolumeProps") status = setVolumeProps(library, in, out);
    else if (methodName == "resyncVolume") status = resyncVolume(library, in);
    else if (methodName == "rebuildVolume") status = rebuildVolume(library, in);
    else if (methodName == "fastInitVolume") status = fastInitVolume(library, in);
    else if (methodName == "createHotSpare") status = hotSpare(library, in, true);
    else if (methodName == "deleteHotSpare") status = hotSpare(library, in, false);
    else if (methodName == "locateDevice") status = locateDevice(library, in);
    else if (methodName == "getAllLrcStatus") status = getAllLrcStatus(library, in, out);
    else if (methodName == "clearMetadata") status = clearMetadata(library, in);
    else if (methodName == "getContrDefaults") status = getControllerDefaults(library, in, out);
    else if (methodName == "getDeviceFlags") status = getDeviceFlags(library, in, out);
    else if (methodName == "getErrorDesc") status = getErrorDesc(library, in, out);
    else return false;
    return true;
}

}  // namespace orv::raidlib
