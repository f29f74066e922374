#include "ORVBattery.h"

#include "ControllerSupport.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {
constexpr const char* kClassName = "ORV_Battery";
constexpr const char* kObjectKind = "VrlBattery";

std::string deviceIdOf(uint32_t contrId, const std::string& serialNumber) {
    return std::to_string(contrId) + "_" + serialNumber;
}
}  // namespace

ORVBattery::ChargeStatus ORVBattery::chargeStatusOf(uint32_t battChargeStatus) {
    switch (battChargeStatus) {
    case 1: return {3, 17};  // fully charged; OK and completed
    case 2: return {4, 3};   // low; degraded
    case 3: return {5, 6};   // critical; error
    case 4: return {6, 2};   // charging; OK
    default: return {2, 0};  // unknown
    }
}

ORVBattery::Health ORVBattery::healthOf(uint32_t batteryState) {
    switch (batteryState) {
    case 0: return {5, 2};    // OK, enabled
    case 1: return {20, 3};   // major failure, disabled
    default: return {0, 0};   // unknown
    }
}

uint16_t ORVBattery::chemistryOf(uint32_t batteryType) {
    switch (batteryType) {
    case 0: return 1;   // other
    case 1: return 6;   // lithium-ion
    default: return 2;  // unknown
    }
}

uint16_t ORVBattery::replacementNeededOf(uint32_t battPackReplaceNeeded) {
    return battPackReplaceNeeded <= 2 ? static_cast<uint16_t>(battPackReplaceNeeded + 1) : 0;
}

void ORVBattery::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(
        path, {kClassName, "DeviceID", 1, "orv::cim::fwf::ORVBattery::getRepositoryObjects", kBatteries}, out);
}

void ORVBattery::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVBattery::getKeyAttributes";
    const uint32_t contrId = requireControllerId(object, kName);
    const std::string serialNumber =
        requireKeyText(object, "battSerialNum", false, kName, "%s :: battSerialNum could not be fetched");
    out.push_back(stringKey("CreationClassName", kClassName));
    out.push_back(stringKey("SystemCreationClassName", "ORV_ControllerComputerSystem"));
    out.push_back(stringKey("SystemName", controllerName(contrId)));
    out.push_back(stringKey("DeviceID", deviceIdOf(contrId, serialNumber)));
}

void ORVBattery::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) {
    const LibraryPropertyReader read(object, kObjectKind);
    const auto contrId = read.integer("contrId", true);
    const auto serialNumber = read.text("battSerialNum");
    const auto chargeStatus = read.integer("battChargeStatus");
    const auto batteryState = read.integer("batteryState");
    const auto runTime = read.integer("estRunTime");
    const auto replaceTime = read.integer("estBattReplaceTime");
    const auto batteryType = read.integer("batteryType");
    const auto replaceNeeded = read.integer("battPackReplaceNeeded");

    if (contrId && serialNumber) out.push_back(stringProperty("ElementName", deviceIdOf(*contrId, *serialNumber)));
    if (chargeStatus) {
        const ChargeStatus status = chargeStatusOf(*chargeStatus);
        out.push_back(scalarProperty("BatteryStatus", status.batteryStatus, CIM_UINT16));
        addUint16Array(out, "OperationalStatus", {status.operationalStatus});
    }
    if (batteryState) {
        const Health health = healthOf(*batteryState);
        out.push_back(scalarProperty("HealthState", health.healthState, CIM_UINT16));
        out.push_back(scalarProperty("EnabledState", health.enabledState, CIM_UINT16));
        out.push_back(scalarProperty("RequestedState", health.enabledState, CIM_UINT16));
    }
    addConverted<uint32_t, uint16_t>(out, "Chemistry", batteryType, CIM_UINT16, chemistryOf);
    addIfPresent(out, "ExpectedLife", runTime, CIM_UINT32);
    addIfPresent(out, "EstimatedRunTime", runTime, CIM_UINT32);
    addIfPresent(out, "TimeToFullCharge", replaceTime, CIM_UINT32);
    addConverted<uint32_t, uint16_t>(out, "ReplacementNeeded", replaceNeeded, CIM_UINT16, replacementNeededOf);
    // MaxRechargeTime is not published: the library reports no recharge time.
    addIfPresent(out, "DesignCapacity", read.integer("designCapacity"), CIM_UINT32);
    addConverted<uint32_t, uint64_t>(out, "DesignVoltage", read.integer("designVoltage"), CIM_UINT64,
                                     [](uint32_t millivolts) { return uint64_t{millivolts}; });
    addConverted<uint32_t, uint16_t>(out, "EstimatedChargeRemaining", read.integer("estChargeRemaining"), CIM_UINT16,
                                     [](uint32_t percent) { return static_cast<uint16_t>(percent); });
    if (serialNumber) out.push_back(stringProperty("SerialNumber", *serialNumber));
    addIfPresent(out, "ModelNumber", read.text("modelNum"), CIM_STRING);
    addIfPresent(out, "TimeToReplace", replaceTime, CIM_UINT32);
    addIfPresent(out, "MinDesignTemp", read.integer("minDesignTemp"), CIM_UINT32);
    addIfPresent(out, "MaxDesignTemp", read.integer("maxDesignTemp"), CIM_UINT32);
    addIfPresent(out, "Voltage", read.integer("battVoltage"), CIM_UINT32);
    addIfPresent(out, "Temperature", read.integer("battTemperature"), CIM_UINT32);
}

}  // namespace orv::cim::fwf
