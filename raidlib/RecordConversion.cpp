#include "RecordConversion.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "Logger.h"

namespace orv::raidlib {

namespace {

// The records are byte-packed, so their u32 arrays may sit at any address;
// they are copied out bytewise instead of being read through a pointer.
template <typename Record>
VrlVector u32Elements(const Record& record, size_t offset, unsigned count) {
    VrlVector values(count);
    if (count > 0) std::memcpy(values.data(), reinterpret_cast<const unsigned char*>(&record) + offset, count * 4u);
    return values;
}

}  // namespace

std::string fieldText(const char* field, size_t width) {
    return std::string(field, strnlen(field, width));
}

void copyToField(char* field, size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), text.size() < width ? text.size() : width);
}

std::string sasAddressText(const VrlSasAddressEntry* entries, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) text += ';';
        for (uint8_t byte : entries[i].sasAddress) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%.2X", byte);
            text += digits;
        }
    }
    return text;
}

std::string biosVersionText(const uint8_t (&bytes)[3]) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%.2d", bytes[0], bytes[1], bytes[2]);
    return text;
}

std::string versionText(uint32_t version) {
    char text[20];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(version >> 24),
                  static_cast<int>((version >> 16) & 0xFF), static_cast<int>((version >> 8) & 0xFF),
                  static_cast<int>(version & 0xFF));
    return text;
}

unsigned boundedCount(unsigned count, unsigned capacity, const char* what) {
    if (count <= capacity) return count;
    LogMessage(2, "VRLib record: %s count %u exceeds the %u entries of the record, using %u", what, count,
               capacity, capacity);
    return capacity;
}

VrlInt pdConfigOf(const VrlPhysDiskRecord& record) {
    if (record.hotSpare == 1) return kPdConfigHotSpare;
    if (record.raidGroupMember == 1) return kPdConfigMember;
    return kPdConfigNone;
}

PropertyContainer controllerObject(uint32_t contrId, const VrlControllerRecord& r) {
    PropertyContainer c;
    c.insertInt("contrId", contrId, true);
    c.insertString("serialNumber", fieldText(r.serialNumber));
    c.insertInt("physDiskCount", r.physDiskCount);
    c.insertInt("hotspareCount", r.hotspareCount);
    c.insertInt("volumeCount", r.volumeCount);
    c.insertInt("enclCount", r.enclCount);
    c.insertString("romRevisionLevel", fieldText(r.romRevisionLevel));
    c.insertInt("cacheSize", r.cacheSize);
    c.insertInt("cacheMode", r.cacheMode);
    c.insertInt("dataStoreSize", r.dataStoreSize);
    c.insertString("partNumber", fieldText(r.partNumber));
    c.insertString("fwVersion", fieldText(r.fwVersion));
    c.insertString("biosVersion", biosVersionText(r.biosVersion));
    c.insertString("uefiVersion", fieldText(r.uefiVersion));
    c.insertString("plantOfManufacture", fieldText(r.plantOfManufacture));
    c.insertInt("batteryStatus", r.batteryStatus);
    c.insertInt("supRAIDLevel", r.supRAIDLevel);
    c.insertInt("supStripeSize", r.supStripeSize);
    c.insertInt("recStripeSize", r.recStripeSize);
    c.insertInt("slotNumber", r.slotNumber);
    c.insertInt("portCount", r.portCount);
    c.insertString("portSASAdressess",
                   sasAddressText(r.ports, boundedCount(r.portCount, kVrlMaxControllerPorts, "controller port")));
    c.insertString("hostEndSASAddress", fieldText(r.hostEndSASAddress));
    c.insertString("modelNumber", fieldText(r.modelNumber));
    c.insertString("vendorName", fieldText(r.vendorName));
    c.insertString("productName", fieldText(r.productName));
    c.insertInt("autoRebuild", r.autoRebuild);
    c.insertInt("mediaScrubRate", r.mediaScrubRate);
    c.insertInt("spinUpDelay", r.spinUpDelay);
    c.insertInt("spinDiskCount", r.spinDiskCount);
    c.insertInt("NCQEnabled", r.NCQEnabled);
    c.insertInt("copyBackEnabled", r.copyBackEnabled);
    c.insertInt("bootVolumeId", r.bootVolumeId);
    c.insertInt("PCIDeviceId", r.PCIDeviceId);
    c.insertInt("PCIVendorId", r.PCIVendorId);
    c.insertInt("PCISubSysVendorId", r.PCISubSysVendorId);
    c.insertInt("PCISubSysDeviceId", r.PCISubSysDeviceId);
    c.insertInt("optionROMEnabled", r.optionROMEnabled);
    c.insertInt("optionROMInpEnabled", r.optionROMInpEnabled);
    c.insertU64("timeStamp", r.timeStamp);
    c.insertInt("adapterId", r.adapterId);
    c.insertString("contrDevFilePath", fieldText(r.contrDevFilePath));
    return c;
}

void addControllerDefaults(PropertyContainer& controller, const PropertyContainer& defaults) {
    static const struct {
        const char* output;
        const char* property;
    } names[] = {
        {"autoRebuild", "defaultAutoRebuild"},
        {"spinUpDelay", "defaultSpinUpDelay"},
        {"spinDiskCount", "defaultSpinDiskCount"},
        {"bootVolumeId", "defaultBootVolumeId"},
        {"opROMEnabled", "defaultOptionROMEnabled"},
        {"opROMConsoleEnabled", "defaultOptionROMConsoleEnabled"},
        {"cacheModeEnabled", "defaultCacheModeEnabled"},
    };
    for (const auto& name : names) {
        VrlInt value = 0;
        if (defaults.getPropertyValue(value, name.output, false) == ContainerStatus::Success)
            controller.insertInt(name.property, value);
    }
}

PropertyContainer volumeObject(uint32_t contrId, const VrlVolumeRecord& r) {
    PropertyContainer v;
    v.insertInt("contrId", contrId, true);
    v.insertInt("vdIndex", r.vdIndex, true);
    const unsigned members = boundedCount(r.pdCount, kVrlMaxMembersPerVolume, "volume member");
    v.insertInt("volReserved", r.volReserved);
    v.insertInt("wrCacheStatus", r.wrCacheStatus);
    v.insertInt("volumeSetId", r.volumeSetId);
    v.insertInt("NCQStatus", r.NCQStatus);
    v.insertInt("pdCount", members);
    v.insertVector("compPdId", u32Elements(r, offsetof(VrlVolumeRecord, compPdId), members));
    v.insertInt("hsProtected", r.hsProtected);
    v.insertInt("state", r.state);
    v.insertInt("RAIDLevel", r.RAIDLevel);
    v.insertInt("deviceId", r.deviceId);
    v.insertInt("stripeSize", r.stripeSize);
    v.insertU64("totalBlocks", r.totalBlocks);
    v.insertInt("blockLength", r.blockLength);
    v.insertString("volumeName", fieldText(r.volumeName));
    v.insertInt("targetId", r.targetId);
    v.insertString("vendorIdentification", fieldText(r.vendorIdentification));
    v.insertString("productIdentification", fieldText(r.productIdentification));
    v.insertString("unitSerialNumber", fieldText(r.unitSerialNumber));
    v.insertInt("readFailCount", r.readFailCount);
    v.insertInt("writeFailCount", r.writeFailCount);
    v.insertU64("endBlockAddr", r.endBlockAddr);
    v.insertInt("bootVolume", r.bootVolume);
    v.insertString("installDate", fieldText(r.installDate));
    return v;
}

PropertyContainer physicalDiskObject(uint32_t contrId, const VrlPhysDiskRecord& r) {
    PropertyContainer d;
    d.insertInt("contrId", contrId, true);
    d.insertInt("compPdId", r.compPdId, true);
    d.insertInt("deviceId", r.deviceId);
    d.insertInt("enclId", r.enclId);
    d.insertInt("slotId", r.slotId);
    d.insertInt("vdIndex", r.vdIndex);
    d.insertInt("pdConfig", pdConfigOf(r));
    d.insertInt("locateLedOn", r.locateLedOn);
    d.insertInt("isCounterfeit", r.isCounterfeit);
    d.insertInt("deviceType", r.deviceType);
    const unsigned addresses = boundedCount(r.SASAddressCount, kVrlMaxDiskSasAddresses, "disk SAS address");
    d.insertInt("SASAddressCount", addresses);
    d.insertInt("portNumber", r.portNumber);
    d.insertString("phySASAddresses", sasAddressText(r.phySASAddresses, addresses));
    d.insertInt("rawSize", r.rawSize);
    d.insertInt("coercedSize", r.coercedSize);
    d.insertString("vendorIdentification", fieldText(r.vendorIdentification));
    d.insertString("productIdentification", fieldText(r.productIdentification));
    d.insertString("productRevLevel", fieldText(r.productRevLevel));
    d.insertString("modelNumber", fieldText(r.modelNumber));
    d.insertString("serialNumber", fieldText(r.serialNumber));
    d.insertVector("WWN", VrlVector(std::begin(r.WWN), std::end(r.WWN)));
    d.insertU64("maxBlockAddress", r.maxBlockAddress);
    d.insertInt("blockLen", r.blockLen);
    d.insertInt("state", r.state);
    d.insertInt("driveType", r.driveType);
    d.insertInt("attachedContrPortNum", r.attachedContrPortNum);
    d.insertInt("negotiatedTransSpeed", r.negotiatedTransSpeed);
    d.insertInt("formFactor", r.formFactor);
    d.insertInt("PFAErrorCount", r.PFAErrorCount);
    d.insertInt("PFAFlag", r.PFAFlag);
    d.insertInt("targetId", r.targetId);
    d.insertInt("blockDevType", r.blockDevType);
    return d;
}

namespace {

void addGroup(PropertyContainer& e, const VrlEnclosureRecord& r, const char* name, uint8_t count,
              size_t statesOffset) {
    const std::string prefix = name;
    const unsigned used = boundedCount(count, kVrlEnclosureGroupStates, name);
    e.insertInt(prefix + "Count", used);
    e.insertVector(prefix + "State", u32Elements(r, statesOffset, used));
}

}  // namespace

PropertyContainer enclosureObject(uint32_t contrId, const VrlEnclosureRecord& r) {
    PropertyContainer e;
    e.insertInt("contrId", contrId, true);
    e.insertInt("enclId", 0, true);
    e.insertString("productName", fieldText(r.productName));
    e.insertString("vendorId", fieldText(r.vendorId));
    e.insertString("modelNum", fieldText(r.modelNum));
    e.insertString("serialNumber", fieldText(r.serialNumber));
    e.insertString("firmwareLevel", fieldText(r.firmwareLevel));
    addGroup(e, r, "deviceSlot", r.deviceSlotCount, offsetof(VrlEnclosureRecord, deviceSlotState));
    addGroup(e, r, "powerSupply", r.powerSupplyCount, offsetof(VrlEnclosureRecord, powerSupplyState));
    addGroup(e, r, "SASExpander", r.SASExpanderCount, offsetof(VrlEnclosureRecord, SASExpanderState));
    addGroup(e, r, "coolingFan", r.coolingFanCount, offsetof(VrlEnclosureRecord, coolingFanState));
    addGroup(e, r, "tempSensor", r.tempSensorCount, offsetof(VrlEnclosureRecord, tempSensorState));
    addGroup(e, r, "voltSensor", r.voltSensorCount, offsetof(VrlEnclosureRecord, voltSensorState));
    addGroup(e, r, "currSensor", r.currSensorCount, offsetof(VrlEnclosureRecord, currSensorState));
    addGroup(e, r, "contrElect", r.contrElectCount, offsetof(VrlEnclosureRecord, contrElectState));
    return e;
}

PropertyContainer batteryObject(uint32_t contrId, const VrlBatteryRecord& r) {
    PropertyContainer b;
    b.insertInt("contrId", contrId, true);
    // The first word of the record is the charge status on this library;
    // the battery's CIM status maps are made from it.
    b.insertInt("battChargeStatus", r.battChargeStatus);
    b.insertInt("batteryState", r.batteryState);
    b.insertInt("batteryType", r.batteryType);
    b.insertString("installDate", fieldText(r.installDate));
    b.insertString("battSerialNum", fieldText(r.battSerialNum));
    b.insertString("countryOfOrigin", fieldText(r.countryOfOrigin));
    b.insertString("productNum", fieldText(r.productNum));
    b.insertString("modelNum", fieldText(r.modelNum));
    b.insertInt("battPackReplaceNeeded", r.battPackReplaceNeeded);
    b.insertInt("estBattReplaceTime", r.estBattReplaceTime);
    b.insertInt("fullDischargeTime", r.fullDischargeTime);
    b.insertInt("estChargeRemaining", r.estChargeRemaining);
    b.insertInt("estRunTime", r.estRunTime);
    b.insertInt("designVoltage", r.designVoltage);
    b.insertInt("designCapacity", r.designCapacity);
    b.insertInt("battVoltage", r.battVoltage);
    b.insertInt("minDesignTemp", r.minDesignTemp);
    b.insertInt("maxDesignTemp", r.maxDesignTemp);
    b.insertInt("battTemperature", r.battTemperature);
    return b;
}

}  // namespace orv::raidlib
