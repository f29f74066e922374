#include "JobSupport.h"

#include <algorithm>

#include "PoolSupport.h"
#include "RaidLibraryAccess.h"
#include "ServiceSupport.h"
#include "StoragePluginSupport.h"
#include "VrlRecords.h"

namespace orv::cim::fwf::jobs {

using orv::raidlib::PropertyContainer;
using namespace storage;

namespace {

uint32_t intOf(const PropertyContainer& record, const char* name) {
    uint32_t value = 0;
    record.getPropertyValue(value, name, false);
    return value;
}

}  // namespace

RepositoryObjects readJobRecords(const char* qualifiedName) {
    orv::raidlib::VRLibFacadeIntf& library = requireRaidLibrary(qualifiedName);
    RepositoryObjects records;
    library.getStorageClass(kRunningJobs, records);
    const size_t running = records.size();
    RepositoryObjects old;
    library.getStorageClass(kOldJobs, old);
    for (PropertyContainer& record : old) {
        const auto identity = identityOf(record);
        const bool alsoRunning =
            identity && std::any_of(records.begin(), records.begin() + running,
                                    [&](const PropertyContainer& other) { return identityOf(other) == identity; });
        if (!alsoRunning) records.push_back(std::move(record));
    }
    return records;
}

RepositoryObjects selectJobRecords(const CIMObjectPath& path, const char* qualifiedName) {
    if (path.getKeyBindings().empty()) return readJobRecords(qualifiedName);
    const std::optional<std::string> instanceId = stringKeyValue(path, "InstanceID");
    const std::optional<JobIdentity> identity = instanceId ? parseJobInstanceId(*instanceId) : std::nullopt;
    if (!identity) return {};
    orv::raidlib::VRLibFacadeIntf& library = requireRaidLibrary(qualifiedName);
    for (const char* storageClass : {kRunningJobs, kOldJobs}) {
        PropertyContainer record;
        if (library.getObjectInstance(storageClass, identity->keys(), record) == 0) return {std::move(record)};
    }
    return {};
}

std::optional<CIMObjectPath> owningElementPath(const PropertyContainer& record, const CIMObjectPath& request) {
    const auto identity = identityOf(record);
    if (!identity) return std::nullopt;
    const ControllerService* service = nullptr;
    switch (jobMethodOf(identity->lrcType)) {
    case JobMethod::CreateOrModifyElementFromStoragePool: service = &kStorageConfigurationService; break;
    case JobMethod::CheckParityConsistency:
    case JobMethod::RebuildStorageExtent: service = &kSpareConfigurationService; break;
    case JobMethod::None: return std::nullopt;
    }
    CIMObjectPath path(request.getHost(), kStorageNamespace, service->className);
    KeyBindingList keys;
    controllerServiceKeys(libraryKeys(identity->contrId), service->className, service->namePrefix,
                          "orv::cim::fwf::jobs::owningElementPath", keys);
    path.setKeyBindings(keys);
    return path;
}

std::optional<CIMObjectPath> affectedElementPath(const PropertyContainer& record, const CIMObjectPath& request) {
    constexpr const char* kName = "orv::cim::fwf::jobs::affectedElementPath";
    const auto identity = identityOf(record);
    if (!identity) return std::nullopt;
    uint32_t vdIndex = identity->deviceId;
    const uint32_t deviceType = intOf(record, field::kDeviceType);
    if (deviceType == VrlDeviceType::PhysicalDisk) {
        const auto disk = readDisk(identity->contrId, identity->deviceId, kName);
        if (!disk || disk->getPropertyValue(vdIndex, "vdIndex", false) != 0) return std::nullopt;
    } else if (deviceType != VrlDeviceType::VirtualDisk) {
        return std::nullopt;
    }
    PropertyContainer volume;
    if (readLibraryObject(kVolumes, arrayKeys({identity->contrId, vdIndex}), volume, kName) != 0 ||
        isReserved(volume))
        return std::nullopt;
    CIMObjectPath inStorage(request.getHost(), kStorageNamespace, request.getClassName());
    return deviceKeysPath(inStorage, "ORV_StorageVolume", identity->contrId, arrayId(identity->contrId, vdIndex));
}

}  // namespace orv::cim::fwf::jobs
