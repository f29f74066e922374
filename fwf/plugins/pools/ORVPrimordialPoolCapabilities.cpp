#include "ORVPrimordialPoolCapabilities.h"

#include <algorithm>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "Logger.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "RaidLibraryAccess.h"
#include "StoragePluginSupport.h"
#include "StorageSettingSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;

namespace {

// The capabilities apply to the pool they are attached to.
constexpr uint16_t kElementTypeStoragePool = 5;
// CreateSetting answers: success, and failure when the setting could not be kept.
constexpr uint32_t kCreateSettingFailed = 4;
constexpr uint16_t kSettingTypeGoal = 3;

// The level a client gets without asking: the first the controller supports
// of RAID 5, 1, 6 and 0, most useful first.
uint32_t preferredLevel(const std::vector<uint32_t>& levels) {
    for (const uint32_t level : {5u, 1u, 6u, 0u}) {
        if (std::find(levels.begin(), levels.end(), level) != levels.end()) return level;
    }
    return 0;
}

}  // namespace

void ORVPrimordialPoolCapabilities::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVPrimordialPoolCapabilities::getRepositoryObjects";
    RepositoryObjects controllers;
    if (const uint32_t status = readLibraryClass(kControllers, controllers, kName); status != 0) {
        LogMessage(2, "%s :: VRLib returned error : %d", kName, static_cast<int>(status));
        throw CIMException(1, std::string("Failed to retrieve Controller objects from VRLib"));
    }
    for (const auto& controller : controllers) {
        RepositoryObjects pools = primordialPoolObjects({controller}, kName);
        for (auto& pool : pools) {
            // What the controller can build is the same for its four pools.
            for (const char* name : {"supRAIDLevel", "supStripeSize", "recStripeSize"}) {
                if (const auto* property = controller.findProperty(name, false)) pool.CopyProperty(*property, false);
            }
        }
        keepRequested(path, pools);
        for (auto& pool : pools) out.push_back(std::move(pool));
    }
}

void ORVPrimordialPoolCapabilities::getKeyAttributes(const PropertyContainer& pool, KeyBindingList& out) {
    out.push_back(stringKey("InstanceID", primordialPoolInstanceId(controllerOf(pool), poolKindOf(pool))));
}

void ORVPrimordialPoolCapabilities::getNonKeyAttributes(const PropertyContainer& pool, PropertyList& out) {
    const LibraryPropertyReader reader(pool, "VrlController", 4);
    out.push_back(scalarProperty("ElementType", kElementTypeStoragePool, CIM_UINT16));
    out.push_back(stringProperty("ElementName", "PrimordialStoragePoolCapabilities"));
    if (const auto mask = reader.integer("supRAIDLevel")) {
        const std::vector<uint32_t> levels = supportedRaidLevels(*mask);
        appendCapabilityProperties(out, levels, preferredLevel(levels));
        if (std::any_of(levels.begin(), levels.end(), hasParity)) {
            out.push_back(scalarProperty("ParityLayoutDefault", kRotatedParityLayoutDefault, CIM_UINT16));
        }
    }
    const auto supported = reader.integer("supStripeSize");
    const auto recommended = reader.integer("recStripeSize");
    if (supported && recommended) {
        const auto depths = stripeDepthsOf(*supported, *recommended);
        out.push_back(scalarProperty("UserDataStripeDepthDefault", depths ? depths->preferred : kDefaultStripeDepth,
                                     CIM_UINT64));
    }
}

uint32_t ORVPrimordialPoolCapabilities::invokeMethod(CIMObjectPath path, const std::string& methodName,
                                                     const CIMArgumentList& in, CIMArgumentList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVPrimordialPoolCapabilities::invokeMethod";
    if (!CommonFunctions::equalsIgnoreCase(methodName, "CreateSetting")) {
        LogMessage(2, "%s :: Method %s not supported on %s.", kName, methodName.c_str(), "ORV_PrimordialPoolCapabilities");
        throw CIMException(16, std::string("Method Not Supported"));
    }
    uint16_t settingType = kSettingTypeGoal;
    if (const CIMProperty* type = in.find("SettingType");
        type != nullptr && type->getType() == CIM_UINT16 && type->getValue<uint16_t>().size() > 0) {
        settingType = type->getValue<uint16_t>().at(0);
    }

    orv::raidlib::VRLibFacadeIntf& library = requireRaidLibrary(kName);
    uint32_t settingId = 1;
    {
        std::lock_guard<std::mutex> lock(settingIdMutex_);
        RepositoryObjects settings;
        library.getStorageClass(kUserCreatedSetting, settings);
        for (const auto& setting : settings) {
            orv::raidlib::VrlInt id = 0;
            if (setting.getPropertyValue(id, "SettingID", true) == 0) settingId = std::max(settingId, id + 1);
        }
        PropertyContainer setting = userSettingKeys(settingId);
        setting.insertInt("SettingType", settingType);
        setting.insertString("ElementName", "RAID1");
        setting.insertString("Description", "RAID 1");
        setting.insertU64("UserDataStripeDepth", kDefaultStripeDepth);
        setting.insertU64("UserDataStripeDepthMax", kUserStripeDepthMax);
        setting.insertU64("UserDataStripeDepthMin", kUserStripeDepthMin);
        if (library.addObjectInstance(kUserCreatedSetting, setting) != 0) {
            LogMessage(5, "The Adding of object to cache failed");
            return kCreateSettingFailed;
        }
    }
    CIMObjectPath newSetting(path.getHost(), path.getNameSpace(), "ORV_UserGeneratedSetting");
    newSetting.addKeyBinding(stringKey("InstanceID", userSettingInstanceId(settingId)));
    out.add(scalarProperty("NewSetting", newSetting, CIM_REFERENCE));
    LogMessage(4, "%s :: User setting %s created", kName, userSettingInstanceId(settingId).c_str());
    return 0;
}

}  // namespace orv::cim::fwf
