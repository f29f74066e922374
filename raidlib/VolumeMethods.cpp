// invokeMethod, and the three methods that change the set of volumes: they
// run under the facade mutex so that the library's own event for the same
// change either finds the cache already updated or has updated it first,
// and they tell the observers themselves once the mutex is free.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <thread>

#include "ConfigurationMethods.h"
#include "EventContainers.h"
#include "Logger.h"
#include "RecordConversion.h"
#include "VRLibFacade.h"

namespace orv::raidlib {

namespace {

std::vector<uint32_t> memberDisks(const VrlVolumeRecord& volume) {
    const unsigned count = boundedCount(volume.pdCount, kVrlMaxMembersPerVolume, "volume member");
    std::vector<uint32_t> members(count);
    if (count > 0)
        std::memcpy(members.data(), reinterpret_cast<const unsigned char*>(&volume) + offsetof(VrlVolumeRecord, compPdId),
                    count * sizeof(uint32_t));
    return members;
}

}  // namespace

uint32_t VRLibFacade::invokeMethod(const std::string& methodName, const PropertyContainer& in,
                                   PropertyContainer& out) {
    if (methodName == "createVolume") return createVolume(in, out);
    if (methodName == "deleteVolume") return deleteVolume(in);
    if (methodName == "activateVolume") return activateVolume(in);
    uint32_t status = VrlStatus::NotSupported;
    if (!runStatelessMethod(binding_, methodName, in, out, status)) return VrlStatus::NotSupported;
    if (status == VrlStatus::Success && changesConfiguration(methodName)) {
        const uint32_t contrId = inputInt(in, "contrId", true);
        if (!eventsRegistered_.load(std::memory_order_acquire)) {
            refreshController(contrId);
        } else if (!awaitEventRoad(methodName, in)) {
            LogMessage(4, "No event from the library showed %s on controller <%d>; controller read afresh",
                       methodName.c_str(), static_cast<int>(contrId));
            refreshController(contrId);
        }
    }
    return status;
}

namespace {

// The cached settings that the controller settings method sends under the
// same name; the others are stored under other names or on other objects.
struct SettingCachedAsSent {
    const char* name;
    VrlInt maskBit;
};
constexpr SettingCachedAsSent kSettingsCachedAsSent[] = {{"autoRebuild", 0x1},   {"spinUpDelay", 0x2},
                                                         {"spinDiskCount", 0x4}, {"NCQEnabled", 0x8},
                                                         {"mediaScrubRate", 0x40}, {"copyBackEnabled", 0x20}};
constexpr VrlInt kHotSparePdConfig = 1;

}  // namespace

bool VRLibFacade::eventRoadShows(const std::string& methodName, const PropertyContainer& in) {
    const uint32_t contrId = inputInt(in, "contrId", true);
    if (methodName == "createHotSpare" || methodName == "deleteHotSpare") {
        const bool spare = methodName == "createHotSpare";
        for (VrlInt compPdId : inputVector(in, "compPdId", true)) {
            const PropertyContainer* disk = store().findObject(StorageClass::PhysicalDisks, diskKeys(contrId, compPdId));
            if (disk != nullptr && (inputInt(*disk, "pdConfig", false) == kHotSparePdConfig) != spare) return false;
        }
        return true;
    }
    if (methodName == "clearConfiguration") {
        if (const auto* volumes = store().findClass(StorageClass::Volumes))
            for (const PropertyContainer& volume : *volumes)
                if (inputInt(volume, "contrId", true) == contrId) return false;
        return true;
    }
    if (methodName == "setContrProps") {
        const PropertyContainer* controller = store().findObject(StorageClass::Controllers, controllerKeys(contrId));
        if (controller == nullptr) return true;
        const VrlInt mask = inputInt(in, "inputMask", false);
        for (const SettingCachedAsSent& setting : kSettingsCachedAsSent)
            if ((mask & setting.maskBit) != 0 &&
                inputInt(*controller, setting.name, false) != inputInt(in, setting.name, false))
                return false;
        return true;
    }
    return true;
}

bool VRLibFacade::awaitEventRoad(const std::string& methodName, const PropertyContainer& in) {
    // The library reports the change as an event, normally within
    // milliseconds; the client that asked for it reads it next.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (;;) {
        {
            Lock lock(mutex());
            if (eventRoadShows(methodName, in)) return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool VRLibFacade::changesConfiguration(const std::string& methodName) {
    return methodName == "createHotSpare" || methodName == "deleteHotSpare" || methodName == "clearConfiguration" ||
           methodName == "clearMetadata" || methodName == "setContrProps";
}

void VRLibFacade::refreshController(uint32_t contrId) {
    Lock lock(mutex());
    if (initializeCache(contrId) != VrlStatus::Success)
        LogMessage(2, "Failed to refresh controller <%d> in Cache", static_cast<int>(contrId));
}

uint32_t VRLibFacade::readVolume(uint32_t contrId, uint32_t vdIndex, VrlVolumeRecord& volume) const {
    VrlVolumeKey key;
    std::memset(&key, 0, sizeof key);
    key.contrId = static_cast<uint8_t>(contrId);
    key.vdIndex = vdIndex;
    std::memset(&volume, 0, sizeof volume);
    return callLibrary(VrlOpcode::GET_VD_PROPS, &key, &volume);
}

uint32_t VRLibFacade::applyVolumeList(uint32_t contrId, VrlControllerRecord& controller,
                                      VrlVolumeList& volumes) const {
    std::memset(&volumes, 0, sizeof volumes);
    uint8_t in = static_cast<uint8_t>(contrId);
    const uint32_t status = callLibrary(VrlOpcode::GET_VD_LIST, &in, &volumes);
    if (status != VrlStatus::Success) {
        LogMessage(2, "ERROR : pfVrlInvokeMethod(GET_VD_LIST) failed");
        return status;
    }
    volumes.count = static_cast<uint8_t>(boundedCount(volumes.count, kVrlMaxVolumesPerController, "volume list"));
    controller.volumeCount = volumes.count;
    return VrlStatus::Success;
}

void VRLibFacade::refreshCachedVolumeCount(uint32_t contrId) {
    VrlControllerRecord controller;
    std::memset(&controller, 0, sizeof controller);
    uint8_t in = static_cast<uint8_t>(contrId);
    if (callLibrary(VrlOpcode::GET_CONTR_PROPS, &in, &controller) != VrlStatus::Success) {
        LogMessage(2, "Get Controller properites Failed");
        return;
    }
    VrlVolumeList volumes;
    if (applyVolumeList(contrId, controller, volumes) != VrlStatus::Success) return;
    if (PropertyContainer* cached = store().findObject(StorageClass::Controllers, controllerKeys(contrId))) {
        cached->updateProperty(IntProperty("volumeCount", VRLCINT, controller.volumeCount), false, true);
        LogMessage(4, "Controller property updated in cache");
    }
}

uint32_t VRLibFacade::createVolume(const PropertyContainer& in, PropertyContainer& out) {
    VrlCreateVolumeIn record;
    std::memset(&record, 0, sizeof record);
    const uint32_t contrId = inputInt(in, "contrId", true);
    record.contrId = static_cast<uint8_t>(contrId);
    record.stripeSize = static_cast<uint16_t>(inputInt(in, "stripeSize", false));
    record.raidLevel = inputInt(in, "raidLevel", false);
    std::string name;
    in.getPropertyValue(name, "volumeName", false);
    copyToField(record.volumeName, sizeof record.volumeName, name);
    record.pdCount = static_cast<uint8_t>(
        boundedCount(inputInt(in, "pdCount", false), kVrlMaxMembersPerVolume, "create volume member"));
    const VrlVector members = inputVector(in, "compPdId", false);
    const unsigned given =
        boundedCount(static_cast<unsigned>(members.size()), kVrlMaxMembersPerVolume, "create volume disk id");
    if (given > 0)
        std::memcpy(reinterpret_cast<unsigned char*>(&record) + offsetof(VrlCreateVolumeIn, compPdId),
                    members.data(), given * sizeof(uint32_t));
    record.createMode = inputInt(in, "createMode", false);
    record.volReserved = inputInt(in, "volReserved", false);

    std::vector<PropertyContainer> events;
    bool unreadVolume = false;
    {
        Lock lock(mutex());
        VrlCreateVolumeOut created;
        std::memset(&created, 0, sizeof created);
        const uint32_t status = callLibrary(VrlOpcode::CREATE_VOLUME, &record, &created);
        if (status != VrlStatus::Success) {
            LogMessage(2, "Volume Creation Failed");
            return status;
        }
        LogMessage(4, "Volume Creation Succeeded");

        const uint32_t vdIndex = created.vdIndex;
        out.insertInt("vdIndex", vdIndex);
        VrlVolumeRecord volume;
        if (readVolume(contrId, vdIndex, volume) != VrlStatus::Success) {
            // The volume exists: a caller told otherwise would retry onto
            // disks that are taken now. The cache learns of it from the
            // library's own event or, without one, from a fresh read.
            LogMessage(2, "Get Volume properites Failed");
            unreadVolume = true;
        } else if (store().findObject(StorageClass::Volumes, volumeKeys(contrId, vdIndex)) != nullptr) {
            LogMessage(4, "Cache is already updated in event path for create volume");
        } else if (store().addObject(StorageClass::Volumes, volumeObject(contrId, volume)) != VrlStatus::Success) {
            LogMessage(4, "Failed to update Cache");
        }
        if (!unreadVolume) {
            refreshCachedVolumeCount(contrId);

            for (uint32_t compPdId : memberDisks(volume)) {
                PropertyContainer* disk = store().findObject(StorageClass::PhysicalDisks, diskKeys(contrId, compPdId));
                if (disk == nullptr) continue;
                disk->updateProperty(IntProperty("vdIndex", VRLCINT, vdIndex), false, true);
                disk->updateProperty(IntProperty("pdConfig", VRLCINT, kPdConfigMember), false, true);
                LogMessage(4, "Config Change Notification, Existing PD=(%d-%d) RAID group membership flag changed from 0 to 1",
                           static_cast<int>(contrId), static_cast<int>(compPdId));
                LogMessage(4, "Physical Disk property updated in cache");
                events.push_back(changeEventContainer(contrId, VrlDeviceType::PhysicalDisk, compPdId,
                                                      VrlEventCode::DiskChanged, {"vdIndex", "pdConfig"}));
            }

            char description[96];
            std::snprintf(description, sizeof description, "Config Change Notification,  New VD=%d is added",
                          static_cast<int>(vdIndex));
            events.push_back(volumeEventContainer(contrId, vdIndex, VrlEventCode::VolumeAdded, description));
        }
    }
    if (unreadVolume && !eventsRegistered_.load(std::memory_order_acquire)) refreshController(contrId);
    notifyAll(events);
    return VrlStatus::Success;
}

uint32_t VRLibFacade::deleteVolume(const PropertyContainer& in) {
    VrlDeleteVolumeIn key;
    std::memset(&key, 0, sizeof key);
    const uint32_t contrId = inputInt(in, "contrId", true);
    const uint32_t vdIndex = inputInt(in, "vdIndex", true);
    key.contrId = static_cast<uint8_t>(contrId);
    key.vdIndex = vdIndex;

    // Read first: once deleted, the library can no longer say which disks
    // the volume used.
    VrlVolumeRecord volume;
    const uint32_t read = readVolume(contrId, vdIndex, volume);
    if (read != VrlStatus::Success) {
        LogMessage(2, "Get Volume properites Failed");
        return read;
    }

    std::vector<PropertyContainer> events;
    {
        Lock lock(mutex());
        uint32_t answer = 0;
        const uint32_t status = callLibrary(VrlOpcode::DELETE_VOLUME, &key, &answer);
        if (status != VrlStatus::Success) {
            LogMessage(2, "Volume deletion Failed");
            return status;
        }
        LogMessage(4, "Volume Deletion Succeeded");

        const uint32_t removed = store().deleteObject(StorageClass::Volumes, volumeKeys(contrId, vdIndex));
        if (removed == ContainerStatus::NoObjectInClass)
            LogMessage(4, "cache is already updated in event path for delete volume");
        else if (removed != VrlStatus::Success)
            LogMessage(4, "Failed to update Cache");
        refreshCachedVolumeCount(contrId);

        for (uint32_t compPdId : memberDisks(volume)) {
            PropertyContainer* disk = store().findObject(StorageClass::PhysicalDisks, diskKeys(contrId, compPdId));
            if (disk == nullptr) continue;
            disk->updateProperty(IntProperty("vdIndex", VRLCINT, kVrlNoVolume), false, true);
            disk->updateProperty(IntProperty("pdConfig", VRLCINT, kPdConfigNone), false, true);
            LogMessage(4, "Config Change Notification, Existing PD=(%d-%d) RAID group membership flag changed from 1 to 0",
                       static_cast<int>(contrId), static_cast<int>(compPdId));
            LogMessage(4, "DEBUG__: Sending Fab event for pd unconfigured");
            LogMessage(4, "Function = %s Line = %d", "VRLibFacade::VrlFacDeleteVolume", __LINE__);
            LogMessage(4, "Physical Disk property updated in cache");
            events.push_back(changeEventContainer(contrId, VrlDeviceType::PhysicalDisk, compPdId,
                                                  VrlEventCode::DiskChanged, {"vdIndex", "pdConfig"}));
        }

        char description[96];
        std::snprintf(description, sizeof description, "Config Change Notification, Existing VD=%d is removed",
                      static_cast<int>(vdIndex));
        PropertyContainer event =
            volumeEventContainer(contrId, vdIndex, VrlEventCode::VolumeRemoved, description);
        event.insertInt("volReserved", volume.volReserved);
        events.push_back(std::move(event));
    }
    notifyAll(events);
    return VrlStatus::Success;
}

uint32_t VRLibFacade::activateVolume(const PropertyContainer& in) {
    VrlActivateVolumeIn record;
    std::memset(&record, 0, sizeof record);
    const uint32_t contrId = inputInt(in, "contrId", true);
    const uint32_t vdIndex = inputInt(in, "vdIndex", true);
    record.contrId = static_cast<uint8_t>(contrId);
    record.vdIndex = vdIndex;
    record.activate = inputInt(in, "activate", false);

    std::vector<PropertyContainer> events;
    {
        Lock lock(mutex());
        uint32_t answer = 0;
        const uint32_t status = callLibrary(VrlOpcode::ACTIVATE_VOLUME, &record, &answer);
        if (status != VrlStatus::Success) {
            LogMessage(2, "pfVrlInvokeMethod(ACTIVATE_VOLUME) Failed");
            return status;
        }
        // The library's answer carries no volume record; an activated volume
        // is no longer reserved, a returned one is.
        const VrlInt volReserved = record.activate ? 0 : 1;
        if (PropertyContainer* cached = store().findObject(StorageClass::Volumes, volumeKeys(contrId, vdIndex)))
            cached->updateProperty(IntProperty("volReserved", VRLCINT, volReserved), false, true);
        PropertyContainer event = changeEventContainer(contrId, VrlDeviceType::VirtualDisk, vdIndex,
                                                       VrlEventCode::VolumeChanged, {"volReserved"});
        event.insertInt("volReserved", volReserved);
        events.push_back(std::move(event));
    }
    notifyAll(events);
    return VrlStatus::Success;
}

}  // namespace orv::raidlib
