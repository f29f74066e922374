#include "StorageSettingSupport.h"

#include <algorithm>

#include "CommonFunctions.h"
#include "Logger.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf::storage {

using orv::raidlib::PropertyContainer;

std::string fixedSettingInstanceId(uint32_t contrId, uint32_t raidLevel) {
    return std::string(kFixedSettingPrefix) + std::to_string(contrId) + "_" + raidLevelName(raidLevel);
}

std::string userSettingInstanceId(uint32_t settingId) { return kUserSettingPrefix + std::to_string(settingId); }

PropertyContainer userSettingKeys(uint32_t settingId) {
    PropertyContainer keys;
    keys.insertInt("SettingID", settingId, true);
    return keys;
}

std::optional<StripeDepths> stripeDepthsOf(uint32_t supStripeSize, uint32_t recStripeSize) {
    std::optional<uint32_t> lowest, highest, recommended;
    for (uint32_t bit = 0; bit < 16; ++bit) {
        if (supStripeSize & (1u << bit)) {
            if (!lowest) lowest = bit;
            highest = bit;
        }
        if ((recStripeSize & (1u << bit)) && !recommended) recommended = bit;
    }
    if (!lowest) return std::nullopt;
    const auto bytes = [](uint32_t bit) { return stripeBytes(1u << bit); };
    return StripeDepths{bytes(*lowest), bytes(*highest), bytes(recommended.value_or(*lowest))};
}

void appendLevelSettingProperties(PropertyList& out, uint32_t raidLevel, std::optional<uint32_t> members) {
    auto rule = memberRule(raidLevel);
    if (!rule) return;
    if (members) rule = MemberRule{*members, *members};
    const Redundancy redundancy = redundancyOf(raidLevel);
    out.push_back(scalarProperty("NoSinglePointOfFailure", redundancy.noSinglePointOfFailure, CIM_BOOLEAN));
    for (const char* form : {"Max", "Min", "Goal"}) {
        out.push_back(scalarProperty(std::string("DataRedundancy") + form, redundancy.dataRedundancy, CIM_UINT16));
    }
    for (const char* form : {"Max", "Min", "Goal"}) {
        out.push_back(
            scalarProperty(std::string("PackageRedundancy") + form, redundancy.packageRedundancy, CIM_UINT16));
    }
    // The controller keeps no delta space: every volume reserves all of it.
    out.push_back(scalarProperty<uint8_t>("DeltaReservationMax", kDeltaReservation, CIM_UINT8));
    out.push_back(scalarProperty<uint8_t>("DeltaReservationMin", 0, CIM_UINT8));
    out.push_back(scalarProperty<uint8_t>("DeltaReservationGoal", kDeltaReservation, CIM_UINT8));
    const auto stripeLength = [&](uint32_t members) {
        return static_cast<uint16_t>(extentStripeLength(raidLevel, members));
    };
    out.push_back(scalarProperty("ExtentStripeLength", stripeLength(rule->minimum), CIM_UINT16));
    out.push_back(scalarProperty("ExtentStripeLengthMin", stripeLength(rule->minimum), CIM_UINT16));
    out.push_back(scalarProperty("ExtentStripeLengthMax", stripeLength(rule->maximum), CIM_UINT16));
    // Mirrors are described with the parity layout of the controller's
    // redundant levels, as its management tools always did.
    if (hasParity(raidLevel) || raidLevel == 1) {
        out.push_back(scalarProperty("ParityLayout", kRotatedParityLayout, CIM_UINT16));
    }
}

void appendCapabilityProperties(PropertyList& out, const std::vector<uint32_t>& levels, uint32_t defaultLevel) {
    std::vector<Redundancy> known;
    for (const uint32_t level : levels) {
        if (isKnownLevel(level)) known.push_back(redundancyOf(level));
    }
    if (known.empty()) return;
    const Redundancy preferred = redundancyOf(defaultLevel);
    const auto range = [&](uint16_t Redundancy::*field) {
        uint16_t low = known.front().*field, high = low;
        for (const auto& redundancy : known) {
            low = std::min(low, redundancy.*field);
            high = std::max(high, redundancy.*field);
        }
        return std::pair<uint16_t, uint16_t>{low, high};
    };
    const bool anyProtected = std::any_of(known.begin(), known.end(),
                                          [](const Redundancy& redundancy) { return redundancy.noSinglePointOfFailure; });
    out.push_back(scalarProperty("NoSinglePointOfFailure", anyProtected, CIM_BOOLEAN));
    out.push_back(scalarProperty("NoSinglePointOfFailureDefault", preferred.noSinglePointOfFailure, CIM_BOOLEAN));
    const auto [dataMin, dataMax] = range(&Redundancy::dataRedundancy);
    out.push_back(scalarProperty("DataRedundancyMax", dataMax, CIM_UINT16));
    out.push_back(scalarProperty("DataRedundancyMin", dataMin, CIM_UINT16));
    out.push_back(scalarProperty("DataRedundancyDefault", preferred.dataRedundancy, CIM_UINT16));
    const auto [packageMin, packageMax] = range(&Redundancy::packageRedundancy);
    out.push_back(scalarProperty("PackageRedundancyMax", packageMax, CIM_UINT16));
    out.push_back(scalarProperty("PackageRedundancyMin", packageMin, CIM_UINT16));
    out.push_back(scalarProperty("PackageRedundancyDefault", preferred.packageRedundancy, CIM_UINT16));
    out.push_back(scalarProperty<uint16_t>("DeltaReservationMax", kDeltaReservation, CIM_UINT16));
    out.push_back(scalarProperty<uint16_t>("DeltaReservationMin", 0, CIM_UINT16));
    out.push_back(scalarProperty<uint16_t>("DeltaReservationDefault", kDeltaReservation, CIM_UINT16));
}

GoalReading readGoal(const CIMObjectPath& goal, const char* qualifiedName) {
    GoalReading reading;
    const std::string instanceId = stringKeyValue(goal, "InstanceID").value_or("");
    if (isClass(goal, "ORV_StorageSetting")) {
        if (const auto level = raidLevelFromName(CommonFunctions::token(instanceId, 3))) {
            reading.request = GoalRequest{*level, std::nullopt};
        }
        return reading;
    }
    if (!isClass(goal, "ORV_UserGeneratedSetting") || instanceId.rfind(kUserSettingPrefix, 0) != 0) return reading;

    PropertyContainer setting;
    const uint32_t status =
        readLibraryObject(kUserCreatedSetting, userSettingKeys(keyFieldNumber(instanceId, 2)), setting, qualifiedName);
    if (status != 0) {
        LogMessage(2, "%s :: Failed to retrieve UserCreatedSetting instance                from VRLIB, status returned %d",
                   qualifiedName, static_cast<int>(status));
        reading.failure = GoalFailure::UnknownUserSetting;
        return reading;
    }
    uint64_t stripeDepth = 0;
    std::optional<uint64_t> depth;
    if (setting.getPropertyValue(stripeDepth, "UserDataStripeDepth", false) == 0) {
        depth = stripeDepth;
    } else {
        LogMessage(5, "getPropertyValue( UserDataStripeDepth ) failed");
    }
    std::string levelName;
    if (setting.getPropertyValue(levelName, "ElementName", false) != 0) {
        LogMessage(4, "getPropertyValue(ElementName) failed");
        return reading;
    }
    if (const auto level = raidLevelFromName(levelName)) reading.request = GoalRequest{*level, depth};
    return reading;
}

}  // namespace orv::cim::fwf::storage
