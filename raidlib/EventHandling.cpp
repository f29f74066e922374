// The event road: the library's callback, the cache action each event code
// asks for, and the delivery of one container per event to the observers.
// The facade mutex is held while the cache changes and released before any
// observer runs.
#include <algorithm>
#include <cinttypes>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "EventContainers.h"
#include "Logger.h"
#include "RecordConversion.h"
#include "VRLibFacade.h"

namespace orv::raidlib {

extern "C" void VrlEventManagerCbk(const VrlEventRecord* record) {
    VRLEventManager::CallbackScope inside;
    if (record != nullptr) VRLibFacade::instance().handleEvent(*record);
}

namespace {

constexpr uint32_t kForcedAlertCode = 7;

// Property lists compared by the refreshes, in the order they are checked.
// copyBackEnabled is compared too: the controller settings method can
// change it, and the cache would otherwise keep the old value for good.
const std::vector<std::string> kControllerRefreshNames = {
    "serialNumber", "physDiskCount", "hotspareCount", "volumeCount", "enclCount", "romRevisionLevel",
    "cacheSize", "cacheMode", "dataStoreSize", "partNumber", "fwVersion", "biosVersion", "uefiVersion",
    "plantOfManufacture", "batteryStatus", "supRAIDLevel", "supStripeSize", "recStripeSize", "slotNumber",
    "portCount", "portSASAdressess", "hostEndSASAddress", "modelNumber", "vendorName", "productName",
    "autoRebuild", "mediaScrubRate", "spinUpDelay", "spinDiskCount", "NCQEnabled", "copyBackEnabled",
    "PCIDeviceId", "PCIVendorId", "PCISubSysVendorId", "PCISubSysDeviceId", "optionROMEnabled",
    "optionROMInpEnabled", "timeStamp", "adapterId", "contrDevFilePath"};

// compPdId closes the list: a spare taking over from a lost member changes
// the members without changing their number.
const std::vector<std::string> kVolumeRefreshNames = {
    "volReserved", "wrCacheStatus", "volumeSetId", "NCQStatus", "pdCount", "hsProtected", "state",
    "RAIDLevel", "deviceId", "stripeSize", "totalBlocks", "blockLength", "volumeName", "targetId",
    "vendorIdentification", "productIdentification", "unitSerialNumber", "readFailCount", "writeFailCount",
    "endBlockAddr", "bootVolume", "installDate", "compPdId"};

const std::vector<std::string> kDiskRefreshNames = {
    "deviceId", "enclId", "slotId", "deviceType", "SASAddressCount", "portNumber", "rawSize", "coercedSize",
    "vendorIdentification", "productIdentification", "productRevLevel", "modelNumber", "serialNumber",
    "maxBlockAddress", "blockLen", "state", "driveType", "attachedContrPortNum", "negotiatedTransSpeed",
    "formFactor", "PFAErrorCount", "PFAFlag", "targetId", "blockDevType", "phySASAddresses", "pdConfig",
    "vdIndex"};

VrlInt cachedInt(const PropertyContainer& object, const char* name, bool isKey = false) {
    VrlInt value = 0;
    object.getPropertyValue(value, name, isKey);
    return value;
}

std::string vectorText(const VrlVector& values) {
    std::string text;
    for (uint32_t value : values) {
        if (!text.empty()) text += ' ';
        text += std::to_string(value);
    }
    return text;
}

// Brings one cached property in line with its freshly derived value; true
// when it changed.
bool refreshProperty(PropertyContainer& cached, const PropertyContainer& fresh, const std::string& name) {
    const AbstractDataType* now = fresh.findProperty(name, false);
    if (now == nullptr) return false;
    const AbstractDataType* before = cached.findProperty(name, false);
    const char* n = name.c_str();
    switch (now->getType()) {
    case VRLCINT: {
        VrlInt oldValue = 0, newValue = 0;
        fresh.getPropertyValue(newValue, name, false);
        if (before != nullptr && cached.getPropertyValue(oldValue, name, false) == 0 && oldValue == newValue)
            return false;
        LogMessage(4, "DEBUG_: <%s> Updated : OldValue <%u> NewValue <%u>", n, oldValue, newValue);
        break;
    }
    case VRLCU64: {
        uint64_t oldValue = 0, newValue = 0;
        fresh.getPropertyValue(newValue, name, false);
        if (before != nullptr && cached.getPropertyValue(oldValue, name, false) == 0 && oldValue == newValue)
            return false;
        LogMessage(4, "DEBUG_: <%s> Updated : OldValue <%" PRIu64 "l> NewValue <%" PRIu64 "l>", n, oldValue,
                   newValue);
        break;
    }
    case VRLCSTRING: {
        std::string oldValue, newValue;
        fresh.getPropertyValue(newValue, name, false);
        if (before != nullptr && cached.getPropertyValue(oldValue, name, false) == 0 && oldValue == newValue)
            return false;
        LogMessage(4, "DEBUG_: <%s> Updated : OldValue <%s> NewValue <%s>", n, oldValue.c_str(), newValue.c_str());
        break;
    }
    case VRLCVECTOR: {
        VrlVector oldValue, newValue;
        fresh.getPropertyValue(newValue, name, false);
        if (before != nullptr && cached.getPropertyValue(oldValue, name, false) == 0 && oldValue == newValue)
            return false;
        LogMessage(4, "DEBUG_: <%s> Updated : OldValue <%s> NewValue <%s>", n, vectorText(oldValue).c_str(),
                   vectorText(newValue).c_str());
        break;
    }
    default:
        return false;
    }
    cached.updateProperty(*now, false, true);
    return true;
}

void refreshProperties(PropertyContainer& cached, const PropertyContainer& fresh,
                       const std::vector<std::string>& names, std::vector<std::string>& changeList) {
    for (const std::string& name : names)
        if (refreshProperty(cached, fresh, name)) changeList.push_back(name);
}

bool validVolumeIndex(uint32_t vdIndex) { return vdIndex != kVrlNoVolume && vdIndex != kVrlForeignVolume; }

EventFields fieldsOf(const VrlEventRecord& record) {
    EventFields fields;
    fields.aenTimestamp = record.aenTimestamp;
    fields.contrId = record.contrId;
    fields.deviceType = record.deviceType;
    fields.deviceId = record.deviceId;
    fields.snmpEvtId = record.snmpEvtId;
    fields.severity = record.severity;
    fields.description = fieldText(record.description, sizeof record.description);
    fields.aenType = record.eventCode;
    return fields;
}

// An event about a volume that a change elsewhere (a disk, the controller's
// boot setting) brought about.
PropertyContainer derivedVolumeEvent(const VrlEventRecord& cause, uint32_t vdIndex, const std::string& description,
                                     const std::vector<std::string>& changeList) {
    EventFields fields = fieldsOf(cause);
    fields.deviceType = VrlDeviceType::VirtualDisk;
    fields.deviceId = vdIndex;
    fields.description = description;
    fields.aenType = VrlEventCode::VolumeChanged;
    PropertyContainer event = eventContainer(fields);
    event.insertString("changeList", joinChangeList(changeList));
    return event;
}

PropertyContainer lrcEvent(const VrlEventRecord& record) {
    PropertyContainer event;
    event.insertU64("aenTimestamp", record.aenTimestamp);
    event.insertInt("contrId", record.contrId, true);
    event.insertInt("aenType", record.eventCode);
    const unsigned count = boundedCount(record.changedAttr, kVrlMaxLrcEntries, "LRC event entry");
    LrcColumns columns;
    for (unsigned i = 0; i < count; ++i) {
        VrlLrcEventEntry entry;
        std::memcpy(&entry,
                    reinterpret_cast<const unsigned char*>(&record) + kVrlEventHeaderSize + i * sizeof entry,
                    sizeof entry);
        columns.add(entry.deviceId, entry.deviceType, entry.lrcType, entry.lrcStatus, entry.progPercentage);
    }
    columns.insertInto(event);
    return event;
}

PropertyContainer* findDiskWhere(ObjectStore& store, uint32_t contrId,
                                 const std::function<bool(const PropertyContainer&)>& matches) {
    ObjectStore::ObjectList* disks = store.findClass(StorageClass::PhysicalDisks);
    if (disks == nullptr) return nullptr;
    for (PropertyContainer& disk : *disks)
        if (cachedInt(disk, "contrId", true) == contrId && matches(disk)) return &disk;
    return nullptr;
}

}  // namespace

void VRLibFacade::handleEvent(const VrlEventRecord& record) {
    LogTrace("Enter -- VrlEventManagerCbk()");
    const uint32_t code = record.eventCode;
    std::vector<PropertyContainer> events;
    auto finish = [&]() {
        notifyAll(events);
        LogTrace("Exit -- VrlEventManagerCbk()");
    };

    if (code == VrlEventCode::LrcProgress) {
        // Progress touches no cached object, so it needs no lock.
        LogMessage(4, "Recieved LRC notification");
        events.push_back(lrcEvent(record));
        finish();
        return;
    }

    EventFields fields = fieldsOf(record);
    LogMessage(4, "contrId %d, status %d, type %d, devieId %d, description %s", static_cast<int>(record.contrId),
               static_cast<int>(code), static_cast<int>(record.deviceType), static_cast<int>(record.deviceId),
               fields.description.c_str());

    Lock lock(mutex());
    if (!inService_) {
        lock.release();
        LogMessage(4, "DEBUG: cache out of service, event <%d> dropped", static_cast<int>(code));
        LogTrace("Exit -- VrlEventManagerCbk()");
        return;
    }

    std::vector<PropertyContainer> derived;
    std::vector<std::string> changeList;
    bool withChangeList = false;
    std::optional<VrlInt> externalError;
    std::optional<VrlInt> volReserved;
    // The record names a disk by its resource handle, but its instances are
    // named by compPdId; after a removal only the cache could have told.
    std::optional<VrlInt> diskId;
    auto findDiskByHandle = [&]() {
        const uint32_t handle = record.deviceId;
        if (const PropertyContainer* disk = findDiskWhere(
                store(), record.contrId, [handle](const PropertyContainer& d) { return cachedInt(d, "deviceId") == handle; }))
            diskId = cachedInt(*disk, "compPdId", true);
    };
    // A dropped event reaches no observer.
    auto dropAfterFailure = [&](const char* step, uint32_t status) {
        lock.release();
        LogMessage(2, "ERROR[%d]--%s Failed", static_cast<int>(status), step);
        LogTrace("Exit -- VrlEventManagerCbk()");
    };
    auto dropInvalid = [&]() {
        lock.release();
        if (code == 2 || code == 5)
            LogMessage(2, "Invalid CCN received");
        else
            LogMessage(2, "Invalid AEN received -- AenSatus == %d", static_cast<int>(code));
        LogTrace("Exit -- VrlEventManagerCbk()");
    };

    switch (code) {
    case VrlEventCode::DiskAdded:
    case VrlEventCode::VolumeAdded:
    case VrlEventCode::DiskRemoved:
    case VrlEventCode::VolumeRemoved: {
        if (code == VrlEventCode::VolumeRemoved) {
            if (const PropertyContainer* volume =
                    store().findObject(StorageClass::Volumes, volumeKeys(record.contrId, record.deviceId)))
                volReserved = cachedInt(*volume, "volReserved");
        }
        if (code == VrlEventCode::DiskRemoved) findDiskByHandle();
        const uint32_t status = addOrDeleteObjectInstance(record);
        if (status != VrlStatus::Success) return dropAfterFailure("addOrDeleteObjectInstance()", status);
        break;
    }
    case 2:
    case 5:
        return dropInvalid();
    case VrlEventCode::AlertWithError:
    case VrlEventCode::AlertWithErrorInfo:
        externalError = record.changedAttr & 0xFFu;
        break;
    case VrlEventCode::ControllerChanged:
    case VrlEventCode::VolumeChanged:
    case VrlEventCode::DiskChanged: {
        LogMessage(4, "DEBUG: Full device Property refresh required");
        const uint32_t status = refreshObjectInCache(record, changeList, derived);
        if (status != VrlStatus::Success) return dropAfterFailure("refreshObjectInCache()", status);
        if (code == VrlEventCode::DiskChanged) findDiskByHandle();
        if (!changeList.empty()) {
            withChangeList = true;
        } else if (record.changedAttr == VrlChangedAttr::Periodic || record.changedAttr == VrlChangedAttr::Redundant) {
            lock.release();
            LogMessage(4, "DEBUG : Redundant change event, dropping");
            events = std::move(derived);
            finish();
            return;
        } else {
            LogMessage(4, "DEBUG: no Cache update detected: forcing event as LDN");
            fields.aenType = kForcedAlertCode;
            externalError = 0;
        }
        break;
    }
    case VrlEventCode::NotificationLost:
    case 13:
    case 14:
    case 15:
    case 16:
    case 17:
    case 18: {
        LogMessage(4, "DEBUG_: IOA state change AEN received !!");
        uint32_t status = VrlStatus::Success;
        if (code == VrlEventCode::NotificationLost) {
            LogMessage(4, "DEBUG__: Event <%d> Controller Specific Cache refresh required", static_cast<int>(code));
            status = initializeCache(record.contrId);
        } else if (code == 13 || code == 14 || code == 16) {
            LogMessage(4, "DEBUG__: Event <%d> No Action required in cache", static_cast<int>(code));
        } else {
            LogMessage(4, "DEBUG__: Event <%d> Total Cache refresh required", static_cast<int>(code));
            status = restartLibrary();
        }
        if (status != VrlStatus::Success) return dropAfterFailure("initializeCache()", status);
        break;
    }
    case 19:
    case 20:
        break;
    default:
        return dropInvalid();
    }
    lock.release();

    PropertyContainer event = eventContainer(fields);
    if (externalError) event.insertInt("externalError", *externalError);
    if (withChangeList) event.insertString("changeList", joinChangeList(changeList));
    if (volReserved) event.insertInt("volReserved", *volReserved);
    if (diskId) event.insertInt("compPdId", *diskId);
    events.push_back(std::move(event));
    for (PropertyContainer& other : derived) events.push_back(std::move(other));
    finish();
}

uint32_t VRLibFacade::restartLibrary() {
    callLibrary(VrlOpcode::SHUTDOWN, nullptr, nullptr);
    const char* name = applicationName_.c_str();
    const uint32_t started = callLibrary(VrlOpcode::INITIALIZE, &name, nullptr);
    if (started != VrlStatus::Success && started != VrlStatus::NotFoundOrWrongState)
        LogMessage(2, "ERROR[%d]--library restart failed", static_cast<int>(started));
    return initializeCache();
}

uint32_t VRLibFacade::addOrDeleteObjectInstance(const VrlEventRecord& record) {
    LogTrace("Enter -- addOrDeleteObjectInstance()");
    const uint32_t contrId = record.contrId;
    uint32_t status = VrlStatus::Success;
    switch (record.eventCode) {
    case VrlEventCode::DiskAdded: {
        VrlDiskKey key;
        std::memset(&key, 0, sizeof key);
        key.contrId = record.contrId;
        key.compPdId = record.deviceId;
        VrlPhysDiskRecord disk;
        std::memset(&disk, 0, sizeof disk);
        status = callLibrary(VrlOpcode::GET_PD_PROPS, &key, &disk);
        if (status != VrlStatus::Success) {
            LogMessage(2, "ERROR : VrlCreatePhyDiskInstance() failed");
            break;
        }
        status = store().addObject(StorageClass::PhysicalDisks, physicalDiskObject(contrId, disk));
        break;
    }
    case VrlEventCode::VolumeAdded: {
        VrlVolumeRecord volume;
        status = readVolume(record.contrId, record.deviceId, volume);
        if (status != VrlStatus::Success) {
            LogMessage(2, "ERROR : VrlCreateVolumeInstance() failed");
            break;
        }
        PropertyContainer entry = volumeObject(contrId, volume);
        status = store().addObject(StorageClass::Volumes, entry);
        if (status != VrlStatus::Success) break;
        VrlVector members;
        entry.getPropertyValue(members, "compPdId", false);
        for (uint32_t compPdId : members) {
            PropertyContainer* disk = store().findObject(StorageClass::PhysicalDisks, diskKeys(contrId, compPdId));
            if (disk == nullptr) continue;
            if (cachedInt(*disk, "pdConfig") != kPdConfigMember)
                LogMessage(4, "Config Change Notification, Existing PD=(%d-%d) RAID group membership flag changed from 0 to 1",
                           static_cast<int>(contrId), static_cast<int>(compPdId));
            disk->updateProperty(IntProperty("pdConfig", VRLCINT, kPdConfigMember), false, true);
            disk->updateProperty(IntProperty("vdIndex", VRLCINT, volume.vdIndex), false, true);
        }
        break;
    }
    case VrlEventCode::DiskRemoved: {
        const uint32_t handle = record.deviceId;
        PropertyContainer* disk = findDiskWhere(
            store(), contrId, [handle](const PropertyContainer& d) { return cachedInt(d, "deviceId") == handle; });
        if (disk == nullptr) {
            LogMessage(2, "Failed to get physical disk with resHandle <%x>", handle);
            status = ContainerStatus::NoObjectInClass;
            break;
        }
        status = store().deleteObject(StorageClass::PhysicalDisks,
                                      diskKeys(contrId, cachedInt(*disk, "compPdId", true)));
        break;
    }
    case VrlEventCode::VolumeRemoved: {
        const PropertyContainer keys = volumeKeys(contrId, record.deviceId);
        const PropertyContainer* volume = store().findObject(StorageClass::Volumes, keys);
        if (volume == nullptr) {
            LogMessage(2, "Failed to update Cache to delete volume::EventManager");
            status = ContainerStatus::NoObjectInClass;
            break;
        }
        VrlVector members;
        volume->getPropertyValue(members, "compPdId", false);
        status = store().deleteObject(StorageClass::Volumes, keys);
        if (status != VrlStatus::Success) {
            LogMessage(2, "Failed to update Cache to delete volume::EventManager");
            break;
        }
        for (uint32_t compPdId : members) {
            PropertyContainer* disk = store().findObject(StorageClass::PhysicalDisks, diskKeys(contrId, compPdId));
            if (disk == nullptr) continue;
            if (cachedInt(*disk, "pdConfig") == kPdConfigMember)
                LogMessage(4, "Config Change Notification, Existing PD=(%d-%d) RAID group membership flag changed from 1 to 0",
                           static_cast<int>(contrId), static_cast<int>(compPdId));
            disk->updateProperty(IntProperty("pdConfig", VRLCINT, kPdConfigNone), false, true);
            disk->updateProperty(IntProperty("vdIndex", VRLCINT, kVrlNoVolume), false, true);
        }
        break;
    }
    default:
        break;
    }
    LogTrace("Exit -- addOrDeleteObjectInstance()");
    return status;
}

uint32_t VRLibFacade::refreshObjectInCache(const VrlEventRecord& record, std::vector<std::string>& changeList,
                                           std::vector<PropertyContainer>& derived) {
    switch (record.eventCode) {
    case VrlEventCode::ControllerChanged: return handleControllerRefresh(record, changeList, derived);
    case VrlEventCode::VolumeChanged: return handleVolumeRefresh(record.contrId, record.deviceId, changeList);
    case VrlEventCode::DiskChanged: return handlePdiskRefresh(record, changeList, derived);
    default: return VrlStatus::NotSupported;
    }
}

uint32_t VRLibFacade::handleControllerRefresh(const VrlEventRecord& record, std::vector<std::string>& changeList,
                                              std::vector<PropertyContainer>& derived) {
    LogTrace("ENTER -- handleControllerRefresh");
    const uint32_t contrId = record.contrId;
    auto leave = [](uint32_t status) {
        LogTrace("EXIT -- handleControllerRefresh");
        return status;
    };
    PropertyContainer* cached = store().findObject(StorageClass::Controllers, controllerKeys(contrId));
    if (cached == nullptr) {
        LogMessage(4, "DEBUG: Controller Entry not found");
        return leave(ContainerStatus::NoMatch);
    }
    LogMessage(4, "DEBUG: Controller Entry found");
    VrlControllerRecord controller;
    std::memset(&controller, 0, sizeof controller);
    uint8_t in = record.contrId;
    uint32_t status = callLibrary(VrlOpcode::GET_CONTR_PROPS, &in, &controller);
    VrlVolumeList volumes;
    if (status == VrlStatus::Success) status = applyVolumeList(contrId, controller, volumes);
    if (status != VrlStatus::Success) {
        LogMessage(4, "DEBUG :  Failed to get Controller Props from Firmware");
        return leave(status);
    }
    const PropertyContainer fresh = controllerObject(contrId, controller);
    refreshProperties(*cached, fresh, kControllerRefreshNames, changeList);

    // The boot setting shows on the volumes, so the change is told as theirs.
    const VrlInt oldBoot = cachedInt(*cached, "bootVolumeId");
    const VrlInt newBoot = controller.bootVolumeId;
    if (oldBoot != newBoot) {
        cached->updateProperty(IntProperty("bootVolumeId", VRLCINT, newBoot), false, true);
        auto mark = [&](VrlInt vdIndex, VrlInt flag, const char* format) {
            PropertyContainer* volume = store().findObject(StorageClass::Volumes, volumeKeys(contrId, vdIndex));
            if (volume == nullptr || cachedInt(*volume, "bootVolume") == flag) return;
            volume->updateProperty(IntProperty("bootVolume", VRLCINT, flag), false, true);
            char description[64];
            std::snprintf(description, sizeof description, format, static_cast<int>(vdIndex));
            derived.push_back(derivedVolumeEvent(record, vdIndex, description, {"bootVolume"}));
        };
        mark(newBoot, 1, "Volume %d is marked as boot Volume");
        mark(oldBoot, 0, "Volume %d is no longer marked as boot Volume");
    }
    return leave(VrlStatus::Success);
}

uint32_t VRLibFacade::handleVolumeRefresh(uint32_t contrId, uint32_t vdIndex, std::vector<std::string>& changeList) {
    LogTrace("ENTER -- handleVolumeRefresh");
    auto leave = [](uint32_t status) {
        LogTrace("EXIT -- handleVolumeRefresh");
        return status;
    };
    PropertyContainer* cached = store().findObject(StorageClass::Volumes, volumeKeys(contrId, vdIndex));
    if (cached == nullptr) {
        LogMessage(4, "DEBUG: Volume not found");
        return leave(ContainerStatus::NoMatch);
    }
    LogMessage(4, "DEBUG: Volume detected");
    VrlVolumeRecord volume;
    const uint32_t status = readVolume(contrId, vdIndex, volume);
    if (status != VrlStatus::Success) {
        LogMessage(4, "DEBUG :  Failed to get Volume Props");
        return leave(status);
    }
    refreshProperties(*cached, volumeObject(contrId, volume), kVolumeRefreshNames, changeList);
    return leave(VrlStatus::Success);
}

uint32_t VRLibFacade::handlePdiskRefresh(const VrlEventRecord& record, std::vector<std::string>& changeList,
                                         std::vector<PropertyContainer>& derived) {
    LogTrace("ENTER -- handlePdiskRefresh");
    auto leave = [](uint32_t status) {
        LogTrace("EXIT -- handlePdiskRefresh");
        return status;
    };
    const uint32_t contrId = record.contrId;
    const uint32_t enclId = record.enclId;
    const uint32_t slotId = record.slotId;
    const uint32_t handle = record.deviceId;
    // The resource handle names the disk; enclosure 0 slot 0 is a real
    // place, so slot fields a library leaves at 0 cannot be told from a
    // disk there. The slot is asked only when no cached disk carries the
    // handle (a disk given a new handle), and the library must then confirm
    // that the disk in that slot now carries it.
    PropertyContainer* cached =
        findDiskWhere(store(), contrId, [&](const PropertyContainer& d) { return cachedInt(d, "deviceId") == handle; });
    bool foundBySlot = false;
    if (cached != nullptr) {
        LogMessage(4, "DEBUG: physical disk with resHandle <%x> detected", handle);
    } else {
        LogMessage(4, "DEBUG: physical disk resHandle <%x> could not be matched, attempting slot-id lookup", handle);
        cached = findDiskWhere(store(), contrId, [&](const PropertyContainer& d) {
            return cachedInt(d, "enclId") == enclId && cachedInt(d, "slotId") == slotId;
        });
        foundBySlot = cached != nullptr;
    }
    auto noSuchDisk = [&]() {
        LogMessage(2, "ERROR_ : No Physical disk with slot_id (%d-%d) or resHandle <%x> exists in cache",
                   static_cast<int>(enclId), static_cast<int>(slotId), handle);
        return leave(ContainerStatus::NoMatch);
    };
    if (cached == nullptr) return noSuchDisk();
    const uint32_t compPdId = cachedInt(*cached, "compPdId", true);
    VrlDiskKey key;
    std::memset(&key, 0, sizeof key);
    key.contrId = record.contrId;
    key.compPdId = compPdId;
    VrlPhysDiskRecord disk;
    std::memset(&disk, 0, sizeof disk);
    const uint32_t status = callLibrary(VrlOpcode::GET_PD_PROPS, &key, &disk);
    if (status != VrlStatus::Success) {
        LogMessage(4, "DEBUG :  Failed to get Pd Props");
        return leave(status);
    }
    if (foundBySlot && disk.deviceId != handle) return noSuchDisk();
    const VrlInt oldPdConfig = cachedInt(*cached, "pdConfig");
    const VrlInt oldVdIndex = cachedInt(*cached, "vdIndex");
    refreshProperties(*cached, physicalDiskObject(contrId, disk), kDiskRefreshNames, changeList);
    const VrlInt newPdConfig = pdConfigOf(disk);

    // The controller counts its spares; keep that count in step.
    const bool wasSpare = oldPdConfig == kPdConfigHotSpare;
    const bool isSpare = newPdConfig == kPdConfigHotSpare;
    if (wasSpare != isSpare) {
        if (PropertyContainer* controller = store().findObject(StorageClass::Controllers, controllerKeys(contrId))) {
            const VrlInt before = cachedInt(*controller, "hotspareCount");
            const VrlInt after = isSpare ? before + 1 : (before > 0 ? before - 1 : 0);
            controller->updateProperty(IntProperty("hotspareCount", VRLCINT, after), false, true);
            LogMessage(4, "DEBUG_: <%s> Updated : OldValue <%u> NewValue <%u>", "hotspareCount", before, after);
        }
    }
    recheckVolumesAfterDiskChange(record, oldVdIndex, disk.vdIndex, derived);
    return leave(VrlStatus::Success);
}

void VRLibFacade::recheckVolumesAfterDiskChange(const VrlEventRecord& record, uint32_t oldVdIndex,
                                                uint32_t newVdIndex, std::vector<PropertyContainer>& derived) {
    const uint32_t contrId = record.contrId;
    std::map<uint32_t, std::vector<std::string>> changes;

    const uint32_t owner = validVolumeIndex(newVdIndex) ? newVdIndex : oldVdIndex;
    if (validVolumeIndex(owner)) {
        PropertyContainer* cached = store().findObject(StorageClass::Volumes, volumeKeys(contrId, owner));
        if (cached == nullptr) {
            LogMessage(4, "DEBUG__: Volume not found");
        } else {
            LogMessage(4, "DEBUG: Volume found");
            VrlVolumeRecord volume;
            if (readVolume(record.contrId, owner, volume) != VrlStatus::Success) {
                LogMessage(4, "DEBUG:  failed to get Vd Props");
            } else {
                std::vector<std::string> changed;
                refreshProperties(*cached, volumeObject(contrId, volume), kVolumeRefreshNames, changed);
                if (changed.empty()) LogMessage(4, "DEBUG_ : no update required in Volume Props");
                else changes[owner] = changed;
            }
        }
    }

    // A spare appearing or going changes which volumes it protects.
    VrlControllerIdArea area;
    std::memset(&area, 0, sizeof area);
    area.contrId = record.contrId;
    auto all = std::make_unique<VrlAllVolumes>();
    std::memset(all.get(), 0, sizeof *all);
    if (callLibrary(VrlOpcode::GET_ALL_VD_PROPS, &area, all.get()) == VrlStatus::Success) {
        const unsigned count = boundedCount(all->count, kVrlMaxVolumesPerController, "all volumes");
        if (ObjectStore::ObjectList* volumes = store().findClass(StorageClass::Volumes)) {
            for (PropertyContainer& volume : *volumes) {
                if (cachedInt(volume, "contrId", true) != contrId) continue;
                const VrlInt vdIndex = cachedInt(volume, "vdIndex", true);
                for (unsigned i = 0; i < count; ++i) {
                    const VrlVolumeRecord& fresh = all->volumes[i];
                    if (fresh.vdIndex != vdIndex) continue;
                    if (cachedInt(volume, "hsProtected") != fresh.hsProtected) {
                        volume.updateProperty(IntProperty("hsProtected", VRLCINT, fresh.hsProtected), false, true);
                        LogMessage(4, "Virtual Disk %d spare protected flag Changed", static_cast<int>(vdIndex));
                        std::vector<std::string>& names = changes[vdIndex];
                        if (std::find(names.begin(), names.end(), "hsProtected") == names.end())
                            names.push_back("hsProtected");
                    }
                    break;
                }
            }
        }
    }

    for (const auto& [vdIndex, names] : changes) {
        char description[64];
        std::snprintf(description, sizeof description, "Virtual Disk %d properties changed", static_cast<int>(vdIndex));
        derived.push_back(derivedVolumeEvent(record, vdIndex, description, names));
    }
}

}  // namespace orv::raidlib
