#include "LifeCycleIndications.h"

#include <algorithm>
#include <map>
#include <optional>

#include "AbstractInstanceProviderPlugin.h"
#include "CIMException.h"
#include "EventContainers.h"
#include "Logger.h"
#include "ObjectStore.h"
#include "PluginsManager.h"
#include "VRLibFacadeIntf.h"
#include "VrlRecords.h"

namespace orv::cim::fwf {

namespace {

using orv::raidlib::PropertyContainer;
using ClassList = std::vector<std::string>;
using PropertyMap = std::map<std::string, ClassList>;

constexpr const char* kControllerSystem = "ORV_ControllerComputerSystem";
constexpr const char* kStorageVolume = "ORV_StorageVolume";
constexpr const char* kConcretePool = "ORV_ConcreteStoragePool";
constexpr const char* kDiskDrive = "ORV_DiskDrive";
constexpr const char* kStorageExtent = "ORV_StorageExtent";

// The library object an affected class's instance stands for.
enum class SourceObject { Controller, Volume, Disk };

// Rows of (library properties, classes they show in).
struct MapRow {
    ClassList properties;
    ClassList classes;
};

PropertyMap mapOf(const std::vector<MapRow>& rows) {
    PropertyMap map;
    for (const MapRow& row : rows)
        for (const std::string& property : row.properties) map[property] = row.classes;
    return map;
}

const PropertyMap& controllerMap() {
    static const PropertyMap map = mapOf({
        {{"cacheSize", "cacheMode", "supRAIDLevel", "supStripeSize", "recStripeSize", "mediaScrubRate",
          "spinUpDelay", "spinDiskCount", "NCQEnabled", "copyBackEnabled", "bootVolumeId", "optionROMEnabled",
          "optionROMInpEnabled", "timeStamp", "defaultAutoRebuild", "defaultSpinUpDelay", "defaultSpinDiskCount",
          "defaultBootVolumeId", "defaultOptionROMEnabled"},
         {kControllerSystem}},
        {{"partNumber", "modelNumber", "vendorName"}, {"ORV_Card"}},
        {{"fwVersion"}, {"ORV_FirmwareSoftwareIdentity"}},
        {{"biosVersion"}, {"ORV_BiosSoftwareIdentity"}},
        {{"slotNumber"}, {"ORV_DATargetPort", "ORV_TargetSCSIProtocolEndPoint"}},
        {{"productName"}, {"ORV_Product"}},
        {{"autoRebuild"}, {"ORV_SpareConfigurationCapabilities", kControllerSystem}},
        {{"PCIDeviceId", "PCIVendorId", "PCISubSysVendorId", "PCISubSysDeviceId"}, {"ORV_DATargetPort"}},
    });
    return map;
}

const PropertyMap& volumeMap() {
    static const PropertyMap map = mapOf({
        {{"contrId", "vdIndex"}, {"ORV_CompositeExtent", kConcretePool, "ORV_FixedStorageSetting", kStorageVolume}},
        {{"volumeSetId"}, {"ORV_CompositeExtent", kStorageVolume}},
        {{"wrCacheStatus", "NCQStatus", "volReserved"}, {kStorageVolume}},
        {{"compPdId"}, {"ORV_CompositeExtent"}},
        {{"hsProtected"},
         {"ORV_ConcretePoolCapabilities", "ORV_FixedStorageSetting", kStorageVolume, kConcretePool}},
        {{"state", "totalBlocks", "blockLength", "volumeName"}, {"ORV_CompositeExtent", kConcretePool, kStorageVolume}},
        {{"RAIDLevel", "stripeSize"},
         {"ORV_CompositeExtent", "ORV_ConcretePoolCapabilities", "ORV_FixedStorageSetting", kStorageVolume}},
        {{"bootVolume"}, {kControllerSystem, kStorageVolume}},
    });
    return map;
}

const PropertyMap& diskMap() {
    static const PropertyMap map = mapOf({
        {{"contrId"},
         {kDiskDrive, "ORV_DiskDrivePhysicalPackage", kStorageExtent, "ORV_DiskDriveATAPort", "ORV_DiskDriveSASPort"}},
        {{"compPdId"},
         {"ORV_DiskDrivePhysicalPackage", kStorageExtent, "ORV_DiskDriveATAPort", "ORV_DiskDriveSASPort", kDiskDrive}},
        {{"enclId", "slotId", "serialNumber"}, {kDiskDrive, "ORV_DiskDrivePhysicalPackage"}},
        {{"pdConfig"}, {kDiskDrive, kStorageExtent}},
        {{"locateLedOn", "WWN", "PFAErrorCount", "PFAFlag"}, {kDiskDrive}},
        {{"coercedSize", "maxBlockAddress", "blockLen"}, {kStorageExtent}},
        {{"vendorIdentification", "productIdentification", "productRevLevel", "modelNumber", "formFactor"},
         {"ORV_DiskDrivePhysicalPackage"}},
        {{"state"}, {kDiskDrive, "ORV_DiskDriveATAPort", "ORV_DiskDriveSASPort", kStorageExtent}},
        {{"negotiatedTransSpeed"}, {"ORV_DiskDriveATAPort", "ORV_DiskDriveSASPort"}},
    });
    return map;
}

const std::map<std::string, SourceObject>& sourceObjects() {
    static const std::map<std::string, SourceObject> table = [] {
        std::map<std::string, SourceObject> built;
        const std::pair<const PropertyMap*, SourceObject> maps[] = {
            {&controllerMap(), SourceObject::Controller},
            {&volumeMap(), SourceObject::Volume},
            {&diskMap(), SourceObject::Disk}};
        for (const auto& [map, source] : maps)
            for (const auto& entry : *map)
                for (const std::string& className : entry.second) built.emplace(className, source);
        // A volume's boot flag shows on its controller.
        built[kControllerSystem] = SourceObject::Controller;
        return built;
    }();
    return table;
}

SourceObject sourceObjectOf(const std::string& className) {
    const auto& table = sourceObjects();
    const auto found = table.find(className);
    return found == table.end() ? SourceObject::Controller : found->second;
}

const char* libraryClassOf(SourceObject object) {
    switch (object) {
    case SourceObject::Controller: return orv::raidlib::StorageClass::Controllers;
    case SourceObject::Volume: return orv::raidlib::StorageClass::Volumes;
    case SourceObject::Disk: return orv::raidlib::StorageClass::PhysicalDisks;
    }
    return "";
}

bool isReservedFlag(uint32_t volReserved) { return volReserved == 1; }

// Builds the indications of one event, class by class; one class's failure
// leaves the others alone.
class Generator {
public:
    Generator(const AenRecord& aen, orv::raidlib::VRLibFacadeIntf& library, PluginsManager& plugins,
              CIMInstanceList& out)
        : aen_(aen), library_(library), plugins_(plugins), out_(out), origin_(originOf(aen)),
          host_(sourceInstanceHost()) {}

    void indicate(const std::string& className, LifeCycleKind kind) {
        auto* plugin = dynamic_cast<AbstractInstanceProviderPlugin*>(plugins_.getPlugin(className));
        if (plugin == nullptr) {
            LogMessage(2, "Failed to find %s class in PluginsManager", className.c_str());
            return;
        }
        try {
            // A deleted object is gone from the cache: its keys are all there is.
            const SourceObject source = sourceObjectOf(className);
            const PropertyContainer keys = keysOf(source);
            const PropertyContainer* object = kind == LifeCycleKind::Deletion ? &keys : objectOf(source);
            if (object == nullptr) {
                failed(className, kind);
                return;
            }
            const CIMObjectPath path =
                plugin->instancePathOf(*object, CIMObjectPath(host_, kIndicationNamespace, className));
            CIMInstance instance;
            if (!plugin->getLifeCycleInstance(path, instance, kind == LifeCycleKind::Deletion)) {
                LogMessage(4, "No %s instance stands for this device: no LifeCycle(%s) Indication", className.c_str(),
                           logNameOf(kind));
                return;
            }
            out_.push_back(lifeCycleIndication(kind, instance, origin_));
            LogMessage(4, "*** Successfully pushed %s LifeCycle(%s) Indication", className.c_str(), logNameOf(kind));
        } catch (const CIMException& e) {
            LogMessage(2, "%s :: %s", className.c_str(), e.getMessage().c_str());
            failed(className, kind);
        }
    }

    // The cached volume of the event and its reserved flag; nothing (and
    // the look-up's failure logged) when either cannot be read.
    std::optional<uint32_t> volumeReserved() {
        const PropertyContainer* volume = objectOf(SourceObject::Volume);
        if (volume == nullptr) return std::nullopt;
        uint32_t reserved = 0;
        if (volume->getPropertyValue(reserved, "volReserved", false) != 0) {
            LogMessage(2, "GenerateLifeCycleIndications :: getPropertyValue(VrlVolume::volReserved) failed");
            return std::nullopt;
        }
        return reserved;
    }

private:
    PropertyContainer keysOf(SourceObject object) const {
        const uint32_t device = aen_.deviceId.value_or(0);
        switch (object) {
        case SourceObject::Controller: return orv::raidlib::controllerKeys(aen_.contrId);
        case SourceObject::Volume: return orv::raidlib::volumeKeys(aen_.contrId, device);
        case SourceObject::Disk: return orv::raidlib::diskKeys(aen_.contrId, aen_.diskId.value_or(device));
        }
        return {};
    }

    // The cached library object, read once per event.
    const PropertyContainer* objectOf(SourceObject object) {
        auto found = objects_.find(object);
        if (found == objects_.end()) {
            PropertyContainer read;
            std::optional<PropertyContainer> kept;
            if (library_.getObjectInstance(libraryClassOf(object), keysOf(object), read) == 0) {
                kept = std::move(read);
            } else if (object == SourceObject::Volume) {
                LogMessage(2, "GenerateLifeCycleIndications :: getObjectInstance on VD failed");
            } else {
                LogMessage(2, "GenerateLifeCycleIndications :: getObjectInstance on %s failed", libraryClassOf(object));
            }
            found = objects_.emplace(object, std::move(kept)).first;
        }
        return found->second ? &*found->second : nullptr;
    }

    static void failed(const std::string& className, LifeCycleKind kind) {
        LogMessage(2, "Failed to generate %s LifeCycle(%s) Indication", className.c_str(), logNameOf(kind));
    }

    const AenRecord& aen_;
    orv::raidlib::VRLibFacadeIntf& library_;
    PluginsManager& plugins_;
    CIMInstanceList& out_;
    IndicationOrigin origin_;
    std::string host_;
    std::map<SourceObject, std::optional<PropertyContainer>> objects_;
};

const PropertyMap& mapOfEvent(uint32_t aenType) {
    switch (aenType) {
    case VrlEventCode::ControllerChanged: return controllerMap();
    case VrlEventCode::VolumeChanged: return volumeMap();
    default: return diskMap();
    }
}

// Each affected class once, in the order its first property names it: two
// changed properties of one instance are one change of that instance.
ClassList classesChangedByList(uint32_t aenType, const std::string& changeList) {
    ClassList classes;
    const PropertyMap& map = mapOfEvent(aenType);
    for (const std::string& property : orv::raidlib::splitChangeList(changeList)) {
        const auto row = map.find(property);
        if (row == map.end()) continue;
        for (const std::string& className : row->second)
            if (std::find(classes.begin(), classes.end(), className) == classes.end()) classes.push_back(className);
    }
    return classes;
}

// Events about one disk or volume, whose number the event must carry.
bool namesDevice(uint32_t aenType) {
    switch (aenType) {
    case VrlEventCode::DiskAdded:
    case VrlEventCode::VolumeAdded:
    case VrlEventCode::DiskRemoved:
    case VrlEventCode::VolumeRemoved:
    case VrlEventCode::VolumeChanged:
    case VrlEventCode::DiskChanged: return true;
    default: return false;
    }
}

}  // namespace

void generateLifeCycleIndications(const AenRecord& aen, const std::string& changeList,
                                  std::optional<uint32_t> volReserved, orv::raidlib::VRLibFacadeIntf& library,
                                  PluginsManager& plugins, CIMInstanceList& out) {
    const uint32_t type = aen.aenType;
    if (namesDevice(type) && !aen.deviceId) {
        LogMessage(2, "Failed to get PluginManager's singleton instance or Invalid Device ID");
        return;
    }
    Generator generator(aen, library, plugins, out);
    switch (type) {
    case VrlEventCode::DiskAdded:
        generator.indicate(kDiskDrive, LifeCycleKind::Creation);
        generator.indicate(kStorageExtent, LifeCycleKind::Creation);
        break;
    case VrlEventCode::DiskRemoved:
        generator.indicate(kDiskDrive, LifeCycleKind::Deletion);
        generator.indicate(kStorageExtent, LifeCycleKind::Deletion);
        break;
    case VrlEventCode::VolumeAdded:
        // A reserved array has no volume yet: only its pool appears.
        if (const auto reserved = generator.volumeReserved()) {
            generator.indicate(kConcretePool, LifeCycleKind::Creation);
            if (!isReservedFlag(*reserved)) generator.indicate(kStorageVolume, LifeCycleKind::Creation);
        }
        break;
    case VrlEventCode::VolumeRemoved:
        if (!volReserved) {
            LogMessage(2, "GenerateLifeCycleIndications :: getPropertyValue(VrlVolume::volReserved) failed");
            break;
        }
        generator.indicate(kConcretePool, LifeCycleKind::Deletion);
        if (!isReservedFlag(*volReserved)) generator.indicate(kStorageVolume, LifeCycleKind::Deletion);
        break;
    case VrlEventCode::ControllerChanged:
    case VrlEventCode::VolumeChanged:
    case VrlEventCode::DiskChanged: {
        ClassList classes = classesChangedByList(type, changeList);
        if (type == VrlEventCode::VolumeChanged && !classes.empty()) {
            const auto reserved = generator.volumeReserved();
            if (!reserved || isReservedFlag(*reserved))
                classes.erase(std::remove(classes.begin(), classes.end(), kStorageVolume), classes.end());
        }
        for (const std::string& className : classes) generator.indicate(className, LifeCycleKind::Modification);
        break;
    }
    case 2:
    case 5:
    case VrlEventCode::AlertWithError:
    case VrlEventCode::AlertWithErrorInfo:
        break;
    default:
        LogMessage(4, "No matching case for LifeCycleIndication");
        break;
    }
}

}  // namespace orv::cim::fwf
