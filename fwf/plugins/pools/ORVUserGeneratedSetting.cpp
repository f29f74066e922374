#include "ORVUserGeneratedSetting.h"

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

constexpr const char* kModifyName = "orv::cim::fwf::ORVUserGeneratedSetting::modifyInstance";

[[noreturn]] void missingValue(const std::string& name) {
    LogMessage(2, "%s :: Failed to retrieve value for %s,                    from instance passed.", kModifyName,
               name.c_str());
    throw CIMException(4, "Failed to retrieve value for %s,                    from instance passed.", name.c_str());
}

}  // namespace

void ORVUserGeneratedSetting::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVUserGeneratedSetting::getRepositoryObjects";
    RepositoryObjects settings;
    if (const uint32_t status = readLibraryClass(kUserCreatedSetting, settings, kName); status != 0) {
        LogMessage(2, "%s :: VRLib returned error : %d", kName, static_cast<int>(status));
        throw CIMException(1, "Failed to retrieve objects of %s", "ORV_UserGeneratedSetting");
    }
    keepRequested(path, settings);
    for (auto& setting : settings) out.push_back(std::move(setting));
}

void ORVUserGeneratedSetting::getKeyAttributes(const PropertyContainer& setting, KeyBindingList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVUserGeneratedSetting::getKeyAttributes";
    const auto settingId = LibraryPropertyReader(setting, kUserCreatedSetting).integer("SettingID", true);
    if (!settingId) throw CIMException(1, "%s ::%s Property retrieval failed.", kName, "SettingID");
    out.push_back(stringKey("InstanceID", userSettingInstanceId(*settingId)));
}

void ORVUserGeneratedSetting::getNonKeyAttributes(const PropertyContainer& setting, PropertyList& out) {
    const LibraryPropertyReader reader(setting, kUserCreatedSetting, 4);
    const auto name = reader.text("ElementName");
    // The name chooses the RAID level the setting asks for.
    const auto level = name ? raidLevelFromName(*name) : std::nullopt;
    // Read once into plain values: GCC cannot see through the optional here.
    const bool hasLevel = level.has_value();
    const auto levelValue = level.value_or(0);
    addIfPresent(out, "ElementName", name, CIM_STRING);
    if (hasLevel && isKnownLevel(levelValue)) {
        out.push_back(stringProperty("Description", raidLevelDescription(levelValue)));
    } else {
        addIfPresent(out, "Description", reader.text("Description"), CIM_STRING);
    }
    out.push_back(scalarProperty("ChangeableType", kChangeableTransient, CIM_UINT16));
    if (hasLevel) appendLevelSettingProperties(out, levelValue);
    addIfPresent(out, "UserDataStripeDepth", reader.u64("UserDataStripeDepth"), CIM_UINT64);
    addIfPresent(out, "UserDataStripeDepthMax", reader.u64("UserDataStripeDepthMax"), CIM_UINT64);
    addIfPresent(out, "UserDataStripeDepthMin", reader.u64("UserDataStripeDepthMin"), CIM_UINT64);
}

void ORVUserGeneratedSetting::modifyInstance(CIMObjectPath path, CIMInstance instance,
                                             const PropertyNameList& propertyNames) {
    if (propertyNames.empty()) return;
    const std::string instanceId = stringKeyValue(path, "InstanceID").value_or("");
    LogMessage(5, "%s :: Instance id retrieved from keys : %s", kModifyName, instanceId.c_str());
    const PropertyContainer keys = userSettingKeys(keyFieldNumber(instanceId, 2));
    PropertyContainer setting;
    if (instanceId.rfind(kUserSettingPrefix, 0) != 0 ||
        readLibraryObject(kUserCreatedSetting, keys, setting, kModifyName) != 0) {
        LogMessage(2, "%s :: No user setting is named %s", kModifyName, instanceId.c_str());
        throw CIMException(6, std::string("Failed to Modify Setting Instance"));
    }

    // Every change is checked before any is kept.
    PropertyContainer changes;
    for (const auto& name : propertyNames) {
        const CIMProperty* property = instance.getProperty(name);
        if (CommonFunctions::equalsIgnoreCase(name, "ElementName")) {
            if (property == nullptr || property->getType() != CIM_STRING || property->getValue<std::string>().size() == 0) {
                missingValue(name);
            }
            changes.insertString("ElementName", property->getValue<std::string>().at(0));
        } else if (CommonFunctions::equalsIgnoreCase(name, "UserDataStripeDepth")) {
            if (property == nullptr || property->getType() != CIM_UINT64 || property->getValue<uint64_t>().size() == 0) {
                missingValue(name);
            }
            const uint64_t depth = property->getValue<uint64_t>().at(0);
            uint64_t minimum = kUserStripeDepthMin, maximum = kUserStripeDepthMax;
            setting.getPropertyValue(minimum, "UserDataStripeDepthMin", false);
            setting.getPropertyValue(maximum, "UserDataStripeDepthMax", false);
            if (depth < minimum || depth > maximum) {
                const std::string low = std::to_string(minimum), high = std::to_string(maximum);
                LogMessage(2, "%s should be between %s ans %s", name.c_str(), low.c_str(), high.c_str());
                throw CIMException(7, "%s should be between %s and %s", name.c_str(), low.c_str(), high.c_str());
            }
            changes.insertU64("UserDataStripeDepth", depth);
        } else {
            LogMessage(2, "%s :: %s Property modification not supported.", kModifyName, name.c_str());
            throw CIMException(7, "%s Property modification not supported.", name.c_str());
        }
    }
    if (requireRaidLibrary(kModifyName).modifyObjectInstance(kUserCreatedSetting, keys, changes) != 0) {
        LogMessage(2, "Failed to Modify UserCreatedSetting instance in cache");
        throw CIMException(1, std::string("Failed to Modify Setting Instance"));
    }
}

}  // namespace orv::cim::fwf
