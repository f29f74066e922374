#include "SimModel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>

#include "SimFields.h"

namespace orv::vrlsim {
namespace {

// Members of a volume record, never more than its array holds (a test may set
// pdCount beyond it to see how the provider copes).
unsigned memberCount(const VrlVolumeRecord& r) {
  return std::min<unsigned>(r.pdCount, kVrlMaxDisksPerController);
}


using nlohmann::json;

constexpr uint32_t kMaxVolumeIndex = 63;  // 64 is the foreign-configuration marker
constexpr uint64_t kBytesPerGiB = 1ull << 30;

bool isRedundant(uint32_t level) { return level == 1 || level == 5 || level == 6; }

// Members that may fail before the volume loses data.
unsigned tolerance(uint32_t level) {
  switch (level) {
    case 1: case 5: return 1;
    case 6: return 2;
    default: return 0;
  }
}

int raidLevelBit(uint32_t level) {
  switch (level) {
    case 0: return 0;
    case 1: return 1;
    case 5: return 2;
    case 6: return 3;
    default: return -1;
  }
}

bool memberCountFits(uint32_t level, unsigned count) {
  switch (level) {
    case 0: return count >= 1;
    case 1: return count == 2;
    case 5: return count >= 3;
    case 6: return count >= 4;
    default: return false;
  }
}

unsigned dataDisks(uint32_t level, unsigned count) {
  switch (level) {
    case 1: return 1;
    case 5: return count - 1;
    case 6: return count - 2;
    default: return count;
  }
}

std::string format(const char* pattern, unsigned a, unsigned b = 0) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

bool isUsableState(uint32_t diskState) {
  return diskState == VrlDiskState::Online || diskState == VrlDiskState::PredictedFailure;
}

// Version fields may be written "a.b.c.d" in a topology.
std::string normaliseVersion(json& desc) {
  if (desc.contains("version") && desc["version"].is_string()) {
    uint32_t version = 0;
    if (!parseFourPartVersion(desc["version"].get<std::string>(), version))
      return "version: expected \"a.b.c.d\"";
    desc["version"] = version;
  }
  return {};
}

std::string loadVersion(const json& desc, VrlVersionRecord& out) {
  if (!desc.is_object()) return "expected a JSON object";
  json copy = desc;
  std::string error = normaliseVersion(copy);
  if (error.empty()) error = applyObject(&out, versionFields(), copy, {});
  return error;
}

// Loads each entry of the array under `key` (at most `most` entries) with
// loadOne(entry, index); a failure is named after the entry, "<item> <index>: ...".
template <typename LoadOne>
std::string loadEach(const json& desc, const char* key, const char* item, unsigned most, LoadOne loadOne) {
  if (!desc.contains(key)) return {};
  const json& list = desc[key];
  if (!list.is_array() || list.size() > most)
    return std::string(key) + ": expected an array of at most " + std::to_string(most) + " " + key;
  for (unsigned i = 0; i < list.size(); ++i) {
    const std::string error = loadOne(list[i], i);
    if (!error.empty()) return std::string(item) + " " + std::to_string(i) + ": " + error;
  }
  return {};
}

// The record of one simulated object that the control interface addresses,
// and the description of one of its fields.
struct ObjectField {
  void* record = nullptr;
  const FieldDesc* field = nullptr;
};

std::string findObjectField(SimController& c, SimObjectKind kind, uint32_t id, const std::string& name,
                            ObjectField& out) {
  const FieldTable* table = nullptr;
  switch (kind) {
    case SimObjectKind::Controller: out.record = &c.rec; table = &controllerFields(); break;
    case SimObjectKind::Defaults: out.record = &c.defaults; table = &defaultsFields(); break;
    case SimObjectKind::Battery: out.record = &c.battery; table = &batteryFields(); break;
    case SimObjectKind::Enclosure:
      if (!c.hasEnclosure) return "controller has no enclosure";
      out.record = &c.enclosure;
      table = &enclosureFields();
      break;
    case SimObjectKind::Disk:
      if (!c.disk(id)) return "no disk " + std::to_string(id);
      out.record = &c.disk(id)->rec;
      table = &diskFields();
      break;
    case SimObjectKind::Volume:
      if (!c.volume(id)) return "no volume " + std::to_string(id);
      out.record = &c.volume(id)->rec;
      table = &volumeFields();
      break;
    default: return "unknown object kind";
  }
  out.field = findField(*table, name);
  if (!out.field) return "no field \"" + name + "\"";
  return {};
}

std::vector<uint32_t> spareProtection(const SimController& c) {
  std::vector<uint32_t> protection;
  for (const SimVolume& v : c.volumes) protection.push_back(static_cast<uint32_t>(v.rec.hsProtected));
  return protection;
}

uint32_t readUnsignedMember(const json& desc, const char* name, uint32_t fallback, std::string& error) {
  if (!desc.contains(name)) return fallback;
  const json& value = desc[name];
  if (!value.is_number_unsigned() || value.get<uint64_t>() > 0xFFFFFFFFu) {
    error = std::string(name) + ": expected an unsigned number";
    return fallback;
  }
  return value.get<uint32_t>();
}

}  // namespace

SimDisk* SimController::disk(uint32_t compPdId) {
  for (SimDisk& d : disks)
    if (d.rec.compPdId == compPdId) return &d;
  return nullptr;
}

SimVolume* SimController::volume(uint32_t vdIndex) {
  for (SimVolume& v : volumes)
    if (v.rec.vdIndex == vdIndex) return &v;
  return nullptr;
}

// ---- Topology ---------------------------------------------------------------

void SimModel::clear() {
  settings_ = SimSettings{};
  controllers_.clear();
}

std::string SimModel::load(const json& topology) {
  if (!topology.is_object()) return "the topology must be a JSON object";
  static const std::set<std::string> kKeys = {"interfaceVersion", "initializeStatus", "lrcIntervalMs",
                                              "lrcStep", "libraryVersion", "controllers"};
  for (auto it = topology.begin(); it != topology.end(); ++it)
    if (!kKeys.count(it.key())) return "unknown key \"" + it.key() + "\"";

  SimSettings settings;
  std::string error;
  settings.interfaceVersion = readUnsignedMember(topology, "interfaceVersion", kVrlInterfaceVersion, error);
  settings.initializeStatus = readUnsignedMember(topology, "initializeStatus", VrlStatus::Success, error);
  settings.lrcIntervalMs = readUnsignedMember(topology, "lrcIntervalMs", 1000, error);
  settings.lrcStep = readUnsignedMember(topology, "lrcStep", 10, error);
  if (!error.empty()) return error;
  if (settings.lrcStep == 0 || settings.lrcStep > 100) return "lrcStep: expected 1 to 100";
  VrlVersionRecord& lib = settings.libraryVersion;
  lib.day = 17;
  lib.month = 3;
  lib.year = 2010;
  lib.version = 0x01110001;  // 1.17.0.1
  copyText(lib.name, sizeof lib.name, "VRLib simulator");
  if (topology.contains("libraryVersion")) {
    error = loadVersion(topology["libraryVersion"], lib);
    if (!error.empty()) return "libraryVersion: " + error;
  }

  std::vector<SimController> controllers;
  std::set<unsigned> ids;
  error = loadEach(topology, "controllers", "controller", kVrlMaxControllers, [&](const json& entry, unsigned i) {
    SimController c;
    std::string failure = loadController(entry, i, c);
    if (failure.empty() && !ids.insert(c.id).second) failure = "duplicate id";
    if (failure.empty()) controllers.push_back(std::move(c));
    return failure;
  });
  if (!error.empty()) return error;
  settings_ = settings;
  controllers_ = std::move(controllers);
  return {};
}

std::string SimModel::loadController(const json& desc, unsigned position, SimController& c) {
  if (!desc.is_object()) return "expected a JSON object";
  std::string error;
  const uint32_t id = readUnsignedMember(desc, "id", position, error);
  if (!error.empty()) return error;
  if (id > 255) return "id: at most 255";
  c.id = static_cast<uint8_t>(id);

  VrlControllerRecord& r = c.rec;
  copyText(r.serialNumber, sizeof r.serialNumber, format("VRC%05u", id + 1));
  copyText(r.romRevisionLevel, sizeof r.romRevisionLevel, "R1A0");
  r.cacheSize = 512;
  r.dataStoreSize = 64;
  copyText(r.partNumber, sizeof r.partNumber, "AMB-8I-0100");
  copyText(r.fwVersion, sizeof r.fwVersion, "1200");
  r.biosVersion[0] = 2;
  r.biosVersion[1] = 1;
  r.biosVersion[2] = 5;
  copyText(r.uefiVersion, sizeof r.uefiVersion, "0110");
  copyText(r.plantOfManufacture, sizeof r.plantOfManufacture, "PUN1");
  r.supRAIDLevel = 0x0F;
  r.supStripeSize = 0x07F0;  // 16 KiB to 1 MiB
  r.recStripeSize = 0x0040;  // 64 KiB
  r.slotNumber = static_cast<uint8_t>(id + 1);
  r.portCount = 8;
  for (unsigned p = 0; p < 8; ++p) {
    const uint8_t address[8] = {0x50, 0x06, 0x05, 0xB0, 0x00, 0x00, static_cast<uint8_t>(id),
                                static_cast<uint8_t>(p)};
    std::memcpy(r.ports[p].sasAddress, address, 8);
  }
  copyText(r.hostEndSASAddress, sizeof r.hostEndSASAddress, format("500605B00000%02X00", id));
  copyText(r.modelNumber, sizeof r.modelNumber, "A8I");
  copyText(r.vendorName, sizeof r.vendorName, "ORV");
  copyText(r.productName, sizeof r.productName, "Ambrix 8i SAS");
  r.autoRebuild = 1;
  r.mediaScrubRate = 30;
  r.spinUpDelay = 2;
  r.spinDiskCount = 4;
  r.NCQEnabled = 1;
  r.copyBackEnabled = 0;
  r.bootVolumeId = kVrlNoBootVolume;
  r.PCIDeviceId = 0x0501;
  r.PCIVendorId = 0x1D6A;
  r.PCISubSysVendorId = 0x1D6A;
  r.PCISubSysDeviceId = 0x0008;
  r.optionROMEnabled = 1;
  r.cacheMode = 1;
  r.optionROMInpEnabled = 1;
  r.adapterId = id;
  copyText(r.contrDevFilePath, sizeof r.contrDevFilePath, format("/dev/ambrix%u", id));

  c.defaults.autoRebuild = 1;
  c.defaults.spinUpDelay = 2;
  c.defaults.spinDiskCount = 4;
  c.defaults.bootVolumeId = kVrlNoBootVolume;
  c.defaults.opROMEnabled = 1;
  c.defaults.opROMConsoleEnabled = 1;
  c.defaults.cacheModeEnabled = 1;

  c.driver.day = 2;
  c.driver.month = 2;
  c.driver.year = 2010;
  c.driver.version = 0x02000312;  // 2.0.3.18
  copyText(c.driver.name, sizeof c.driver.name, "ambrix");

  error = applyObject(&r, controllerFields(), desc,
                      {"id", "disks", "volumes", "enclosure", "battery", "defaults", "driverVersion"});
  if (!error.empty()) return error;
  if (desc.contains("defaults")) {
    error = applyObject(&c.defaults, defaultsFields(), desc["defaults"], {});
    if (!error.empty()) return "defaults: " + error;
  }
  if (desc.contains("driverVersion")) {
    error = loadVersion(desc["driverVersion"], c.driver);
    if (!error.empty()) return "driverVersion: " + error;
  }

  if (desc.contains("enclosure")) {
    c.hasEnclosure = true;
    VrlEnclosureRecord& e = c.enclosure;
    copyText(e.productName, sizeof e.productName, "Ambrix 8-Bay");
    copyText(e.vendorId, sizeof e.vendorId, "ORV");
    copyText(e.modelNum, sizeof e.modelNum, "E8B");
    copyText(e.serialNumber, sizeof e.serialNumber, format("ENC%05u", id + 1));
    copyText(e.firmwareLevel, sizeof e.firmwareLevel, "0102");
    e.deviceSlotCount = 4;
    e.powerSupplyCount = 2;
    e.SASExpanderCount = 1;
    e.coolingFanCount = 2;
    e.tempSensorCount = 2;
    e.voltSensorCount = 2;
    e.currSensorCount = 1;
    e.contrElectCount = 1;
    error = applyObject(&e, enclosureFields(), desc["enclosure"], {});
    if (!error.empty()) return "enclosure: " + error;
  }

  if (desc.contains("battery")) {
    VrlBatteryRecord& b = c.battery;
    b.battChargeStatus = 1;
    b.batteryState = 0;
    b.batteryType = 1;
    copyText(b.installDate, sizeof b.installDate, "20100115");
    copyText(b.battSerialNum, sizeof b.battSerialNum, format("BAT%05u", id + 1));
    copyText(b.countryOfOrigin, sizeof b.countryOfOrigin, "India");
    copyText(b.productNum, sizeof b.productNum, "BBU-01");
    copyText(b.modelNum, sizeof b.modelNum, "BBU8");
    b.estBattReplaceTime = 720;
    b.fullDischargeTime = 120;
    b.estChargeRemaining = 100;
    b.estRunTime = 72;
    b.designCapacity = 1200;
    b.designVoltage = 3700;
    b.battVoltage = 3900;
    b.maxDesignTemp = 60;
    b.battTemperature = 32;
    error = applyObject(&b, batteryFields(), desc["battery"], {});
    if (!error.empty()) return "battery: " + error;
    if (!desc.contains("batteryStatus")) r.batteryStatus = b.batteryType != 0 ? 1 : 0;
  }

  error = loadEach(desc, "disks", "disk", kVrlMaxDisksPerController, [&](const json& entry, unsigned i) {
    SimDisk d;
    std::string failure = loadDisk(entry, c, i, d);
    if (failure.empty()) c.disks.push_back(d);
    return failure;
  });
  if (!error.empty()) return error;
  error = loadEach(desc, "volumes", "volume", kVrlMaxVolumesPerController, [&](const json& entry, unsigned) {
    SimVolume v;
    std::string failure = loadVolume(entry, c, v);
    if (failure.empty()) {
      c.volumes.push_back(v);
      refreshDerived(c);
    }
    return failure;
  });
  if (!error.empty()) return error;
  if (r.bootVolumeId != kVrlNoBootVolume && !c.volume(r.bootVolumeId))
    return "bootVolumeId: no such volume";
  refreshDerived(c);
  return {};
}

std::string SimModel::loadDisk(const json& desc, SimController& c, unsigned position, SimDisk& d) {
  if (!desc.is_object()) return "expected a JSON object";
  std::set<uint32_t> usedIds, usedSlots;
  // Copies: the records are packed, and insert takes a reference.
  for (const SimDisk& other : c.disks) {
    usedIds.insert(uint32_t{other.rec.compPdId});
    usedSlots.insert(uint32_t{other.rec.slotId});
  }
  for (const SimVolume& v : c.volumes)
    for (unsigned m = 0; m < memberCount(v.rec); ++m) usedIds.insert(uint32_t{v.rec.compPdId[m]});
  uint32_t freeId = position;
  while (usedIds.count(freeId)) ++freeId;
  uint32_t freeSlot = position;
  while (usedSlots.count(freeSlot)) ++freeSlot;

  VrlPhysDiskRecord& r = d.rec;
  r.compPdId = freeId;
  r.slotId = static_cast<uint16_t>(freeSlot);
  r.deviceType = VrlDeviceType::PhysicalDisk;
  r.driveType = VrlDriveType::Sas;
  r.blockDevType = VrlBlockDevType::Rotating;
  r.rawSize = 300;
  r.coercedSize = 299;
  r.blockLen = 512;
  r.negotiatedTransSpeed = 6000;
  r.formFactor = 2;
  copyText(r.productRevLevel, sizeof r.productRevLevel, "0001");
  r.vdIndex = kVrlNoVolume;
  const bool sata = desc.contains("driveType") && desc["driveType"] == VrlDriveType::Sata;
  copyText(r.vendorIdentification, sizeof r.vendorIdentification, sata ? "ATA" : "QUOLLDSK");
  copyText(r.productIdentification, sizeof r.productIdentification, sata ? "QD500SATA6" : "QD300SAS12");
  copyText(r.modelNumber, sizeof r.modelNumber, sata ? "Q50" : "Q30");

  std::string error = applyObject(&r, diskFields(), desc, {"foreign"});
  if (!error.empty()) return error;
  if (desc.contains("compPdId") && usedIds.count(r.compPdId)) return "compPdId: already in use";
  if (r.compPdId == kVrlNoVolume) return "compPdId: reserved value";
  if (desc.contains("slotId") && usedSlots.count(r.slotId)) return "slotId: already in use";
  if (!desc.contains("deviceId")) r.deviceId = r.compPdId;
  if (!desc.contains("targetId")) r.targetId = static_cast<uint8_t>(r.slotId);
  if (!desc.contains("portNumber")) r.portNumber = static_cast<uint8_t>(r.slotId / 4);
  if (!desc.contains("attachedContrPortNum")) r.attachedContrPortNum = r.slotId / 4;
  if (!desc.contains("serialNumber"))
    copyText(r.serialNumber, sizeof r.serialNumber, format("SD%02u%04u", c.id, r.compPdId));
  if (!desc.contains("WWN")) {
    const uint8_t wwn[8] = {0x50, 0x00, 0xC5, 0x00, 0x10, c.id, static_cast<uint8_t>(r.compPdId >> 8),
                            static_cast<uint8_t>(r.compPdId)};
    std::memcpy(r.WWN, wwn, 8);
  }
  if (!desc.contains("phySASAddresses")) {
    // A SAS disk has two ports; a SATA disk is reached through one bridge.
    r.SASAddressCount = r.driveType == VrlDriveType::Sata ? 1 : 2;
    for (unsigned p = 0; p < r.SASAddressCount; ++p) {
      const uint8_t address[8] = {0x50, 0x00, 0xC5, 0x00, static_cast<uint8_t>(c.id),
                                  static_cast<uint8_t>(r.compPdId >> 8), static_cast<uint8_t>(r.compPdId),
                                  static_cast<uint8_t>(p + 1)};
      std::memcpy(r.phySASAddresses[p].sasAddress, address, 8);
    }
  }
  if (!desc.contains("maxBlockAddress")) r.maxBlockAddress = uint64_t(r.rawSize) * kBytesPerGiB / r.blockLen - 1;
  if (desc.contains("foreign")) {
    if (!desc["foreign"].is_boolean()) return "foreign: expected true or false";
    if (desc["foreign"].get<bool>()) {
      r.raidGroupMember = 1;
      r.vdIndex = kVrlForeignVolume;
    }
  }
  if (r.blockLen == 0) return "blockLen: must not be 0";
  return {};
}

std::string SimModel::loadVolume(const json& desc, SimController& c, SimVolume& v) {
  if (!desc.is_object()) return "expected a JSON object";
  VrlVolumeRecord& r = v.rec;
  uint32_t freeIndex = 0;
  while (c.volume(freeIndex)) ++freeIndex;
  r.vdIndex = freeIndex;
  r.wrCacheStatus = 1;
  r.NCQStatus = 1;
  r.stripeSize = 64;
  r.blockLength = 512;
  copyText(r.vendorIdentification, sizeof r.vendorIdentification, "ORV");
  copyText(r.productIdentification, sizeof r.productIdentification, "Ambrix Volume");
  copyText(r.installDate, sizeof r.installDate, "20100317");

  std::string error = applyObject(&r, volumeFields(), desc, {"hasPartition"});
  if (!error.empty()) return error;
  if (desc.contains("hasPartition")) {
    if (!desc["hasPartition"].is_boolean()) return "hasPartition: expected true or false";
    v.hasPartition = desc["hasPartition"].get<bool>();
  }
  if (r.vdIndex > kMaxVolumeIndex) return "vdIndex: at most 63";
  if (desc.contains("vdIndex") && c.volume(r.vdIndex)) return "vdIndex: already in use";
  if (raidLevelBit(r.RAIDLevel) < 0) return "RAIDLevel: expected 0, 1, 5 or 6";
  if (!memberCountFits(r.RAIDLevel, r.pdCount)) return "compPdId: wrong number of members for the RAID level";
  uint32_t smallest = 0xFFFFFFFF;
  for (unsigned m = 0; m < r.pdCount; ++m) {
    SimDisk* d = c.disk(r.compPdId[m]);
    if (!d) return "compPdId: no disk " + std::to_string(r.compPdId[m]);
    if (d->rec.raidGroupMember || d->rec.hotSpare) return "compPdId: disk " + std::to_string(r.compPdId[m]) + " is in use";
    d->rec.raidGroupMember = 1;  // claimed; refreshDerived settles the rest
    smallest = std::min<uint32_t>(smallest, d->rec.coercedSize);
  }
  if (!desc.contains("volumeSetId")) r.volumeSetId = static_cast<uint16_t>(r.vdIndex);
  if (!desc.contains("deviceId")) r.deviceId = r.vdIndex;
  if (!desc.contains("targetId")) r.targetId = static_cast<uint16_t>(r.vdIndex);
  if (!desc.contains("volumeName")) copyText(r.volumeName, sizeof r.volumeName, format("Volume%u", r.vdIndex));
  if (!desc.contains("unitSerialNumber"))
    copyText(r.unitSerialNumber, sizeof r.unitSerialNumber, format("V%02u%05u", c.id, r.vdIndex));
  if (r.blockLength == 0) return "blockLength: must not be 0";
  if (!desc.contains("totalBlocks"))
    r.totalBlocks = uint64_t(dataDisks(r.RAIDLevel, r.pdCount)) * smallest * kBytesPerGiB / r.blockLength;
  if (!desc.contains("endBlockAddr")) r.endBlockAddr = r.totalBlocks ? r.totalBlocks - 1 : 0;
  return {};
}

// Fields that follow from the rest of the configuration.
void SimModel::refreshDerived(SimController& c) {
  for (SimDisk& d : c.disks) {
    const bool foreign = d.rec.raidGroupMember == 1 && d.rec.vdIndex == kVrlForeignVolume;
    d.rec.raidGroupMember = foreign ? 1 : 0;
    d.rec.vdIndex = foreign ? kVrlForeignVolume : kVrlNoVolume;
  }
  bool spareReady = false;
  unsigned spares = 0;
  for (const SimDisk& d : c.disks) {
    if (d.rec.hotSpare) {
      ++spares;
      spareReady = spareReady || isUsableState(d.rec.state);
    }
  }
  for (SimVolume& v : c.volumes) {
    // A test may set pdCount beyond the member array to see how the
    // provider copes; the model itself never reads past it.
    for (unsigned m = 0; m < memberCount(v.rec); ++m) {
      if (SimDisk* d = c.disk(v.rec.compPdId[m])) {
        d->rec.raidGroupMember = 1;
        d->rec.vdIndex = v.rec.vdIndex;
      }
    }
    v.rec.bootVolume = v.rec.vdIndex == c.rec.bootVolumeId ? 1 : 0;
    v.rec.hsProtected = isRedundant(v.rec.RAIDLevel) && spareReady ? 1 : 0;
  }
  std::sort(c.volumes.begin(), c.volumes.end(),
            [](const SimVolume& a, const SimVolume& b) { return a.rec.vdIndex < b.rec.vdIndex; });
  c.rec.physDiskCount = static_cast<uint8_t>(c.disks.size());
  c.rec.hotspareCount = static_cast<uint8_t>(spares);
  c.rec.volumeCount = static_cast<uint8_t>(c.reportedVolumeCount >= 0 ? c.reportedVolumeCount : c.volumes.size());
  c.rec.enclCount = c.hasEnclosure ? 1 : 0;
}

SimController* SimModel::controller(uint32_t contrId) {
  for (SimController& c : controllers_)
    if (c.id == contrId) return &c;
  return nullptr;
}

bool SimModel::anyCommandRunning() const {
  for (const SimController& c : controllers_)
    if (!c.lrcs.empty()) return true;
  return false;
}

// ---- Events -----------------------------------------------------------------

VrlEventRecord SimModel::makeEvent(const SimController& c, uint32_t code, uint32_t deviceType, uint32_t deviceId,
                                   uint32_t severity, uint32_t changedAttr, const std::string& description) {
  VrlEventRecord e;
  std::memset(&e, 0, sizeof e);
  e.aenTimestamp = static_cast<uint64_t>(std::time(nullptr));
  e.contrId = c.id;
  e.eventCode = code;
  e.deviceType = deviceType;
  e.deviceId = deviceId;
  e.snmpEvtId = nextEventId_++;
  e.severity = severity;
  e.changedAttr = changedAttr;
  copyText(e.description, sizeof e.description - 1, description);
  return e;
}

void SimModel::diskEvent(SimController& c, const SimDisk& d, uint32_t code, uint32_t changedAttr,
                         const std::string& what, Events& events) {
  uint32_t severity = VrlSeverity::Information;
  if (d.rec.state == VrlDiskState::Failed) severity = VrlSeverity::Error;
  if (d.rec.state == VrlDiskState::PredictedFailure) severity = VrlSeverity::Warning;
  VrlEventRecord e = makeEvent(c, code, VrlDeviceType::PhysicalDisk, d.rec.compPdId, severity, changedAttr,
                               format("Physical disk %u-%u ", d.rec.enclId, d.rec.slotId) + what);
  e.enclId = d.rec.enclId;
  e.slotId = d.rec.slotId;
  events.push_back(e);
}

void SimModel::volumeEvent(SimController& c, const SimVolume& v, uint32_t code, uint32_t changedAttr,
                           const std::string& what, Events& events) {
  uint32_t severity = VrlSeverity::Information;
  if (v.rec.state == VrlVolumeState::Degraded) severity = VrlSeverity::Warning;
  if (v.rec.state == VrlVolumeState::Failed) severity = VrlSeverity::Error;
  events.push_back(makeEvent(c, code, VrlDeviceType::VirtualDisk, v.rec.vdIndex, severity, changedAttr,
                             format("Virtual disk %u ", v.rec.vdIndex) + what));
}

void SimModel::spareProtectionEvents(SimController& c, const std::vector<uint32_t>& before, Events& events) {
  for (size_t i = 0; i < c.volumes.size(); ++i)
    if (c.volumes[i].rec.hsProtected != before[i])
      volumeEvent(c, c.volumes[i], VrlEventCode::VolumeChanged, VrlChangedAttr::Configuration,
                  "spare protection changed", events);
}

void SimModel::controllerEvent(SimController& c, uint32_t changedAttr, const std::string& what, Events& events) {
  events.push_back(makeEvent(c, VrlEventCode::ControllerChanged, VrlDeviceType::Controller, c.id,
                             VrlSeverity::Information, changedAttr, format("Controller %u ", c.id) + what));
}

void SimModel::appendLrcEvent(SimController& c, const std::vector<VrlLrcEventEntry>& entries, Events& events) {
  for (size_t first = 0; first < entries.size(); first += kVrlMaxLrcEntries) {
    const size_t count = std::min<size_t>(kVrlMaxLrcEntries, entries.size() - first);
    VrlEventRecord e = makeEvent(c, VrlEventCode::LrcProgress, VrlDeviceType::Controller, c.id,
                                 VrlSeverity::Information, static_cast<uint32_t>(count), {});
    std::memcpy(e.lrcEntries, &entries[first], count * sizeof(VrlLrcEventEntry));
    events.push_back(e);
  }
}

// ---- Long-running commands ----------------------------------------------------

bool SimModel::commandRunningOn(const SimController& c, uint32_t deviceType, uint32_t deviceId) const {
  for (const SimLrc& lrc : c.lrcs)
    if (lrc.deviceType == deviceType && lrc.deviceId == deviceId) return true;
  return false;
}

void SimModel::startCommand(SimController& c, uint8_t type, uint32_t deviceType, uint32_t deviceId, Events& events,
                            const std::string& newFirmware) {
  SimLrc lrc;
  lrc.type = type;
  lrc.deviceType = deviceType;
  lrc.deviceId = deviceId;
  lrc.newFirmware = newFirmware;
  c.lrcs.push_back(lrc);
  appendLrcEvent(c, {VrlLrcEventEntry{deviceId, static_cast<uint8_t>(deviceType), type, VrlLrcStatus::Running, 0}},
                 events);
}

void SimModel::advanceCommands(Events& events) {
  for (SimController& c : controllers_) {
    if (c.lrcs.empty()) continue;
    std::vector<VrlLrcEventEntry> entries;
    std::vector<SimLrc> finished;
    for (SimLrc& lrc : c.lrcs) {
      lrc.percent = static_cast<uint8_t>(std::min(100u, lrc.percent + settings_.lrcStep));
      const uint8_t status = lrc.percent >= 100 ? VrlLrcStatus::Completed : VrlLrcStatus::Running;
      entries.push_back(
          VrlLrcEventEntry{lrc.deviceId, static_cast<uint8_t>(lrc.deviceType), lrc.type, status, lrc.percent});
      if (lrc.percent >= 100) finished.push_back(lrc);
    }
    c.lrcs.erase(std::remove_if(c.lrcs.begin(), c.lrcs.end(), [](const SimLrc& l) { return l.percent >= 100; }),
                 c.lrcs.end());
    appendLrcEvent(c, entries, events);
    for (const SimLrc& lrc : finished) finishCommand(c, lrc, events);
  }
}

void SimModel::finishCommand(SimController& c, const SimLrc& lrc, Events& events) {
  if (lrc.type == VrlLrcType::Rebuild) {
    SimDisk* d = c.disk(lrc.deviceId);
    if (!d) return;
    d->rec.state = VrlDiskState::Online;
    diskEvent(c, *d, VrlEventCode::DiskChanged, VrlChangedAttr::State, "rebuild completed", events);
    diskHealthChanged(c, *d, events);
  } else if (lrc.type == VrlLrcType::FirmwareDownload) {
    copyText(c.rec.fwVersion, sizeof c.rec.fwVersion, lrc.newFirmware);
    controllerEvent(c, VrlChangedAttr::Firmware, "firmware updated to " + lrc.newFirmware, events);
  }
}

// Works out a volume's state from its members after a disk changed, and lets
// a ready hot spare stand in for a lost member when automatic rebuild is on.
void SimModel::diskHealthChanged(SimController& c, SimDisk& changed, Events& events) {
  for (SimVolume& v : c.volumes) {
    int lostSlot = -1;
    unsigned lost = 0, rebuilding = 0;
    bool holdsDisk = false;
    for (unsigned m = 0; m < memberCount(v.rec); ++m) {
      holdsDisk = holdsDisk || v.rec.compPdId[m] == changed.rec.compPdId;
      SimDisk* d = c.disk(v.rec.compPdId[m]);
      if (!d || d->rec.state == VrlDiskState::Failed) {
        ++lost;
        lostSlot = static_cast<int>(m);
      } else if (d->rec.state == VrlDiskState::Rebuilding) {
        ++rebuilding;
      }
    }
    if (!holdsDisk) continue;
    uint32_t state = VrlVolumeState::Optimal;
    if (lost > tolerance(v.rec.RAIDLevel)) state = VrlVolumeState::Failed;
    else if (rebuilding) state = VrlVolumeState::Rebuilding;
    else if (lost) state = VrlVolumeState::Degraded;
    if (state != v.rec.state) {
      v.rec.state = state;
      volumeEvent(c, v, VrlEventCode::VolumeChanged, VrlChangedAttr::State, "state changed", events);
    }
    if (state != VrlVolumeState::Degraded || !c.rec.autoRebuild || lostSlot < 0) continue;
    for (SimDisk& spare : c.disks) {
      if (!spare.rec.hotSpare || !isUsableState(spare.rec.state)) continue;
      SimDisk* old = c.disk(v.rec.compPdId[lostSlot]);
      v.rec.compPdId[lostSlot] = spare.rec.compPdId;
      spare.rec.hotSpare = 0;
      spare.rec.state = VrlDiskState::Rebuilding;
      refreshDerived(c);
      if (old) diskEvent(c, *old, VrlEventCode::DiskChanged, VrlChangedAttr::Configuration, "left its array", events);
      diskEvent(c, spare, VrlEventCode::DiskChanged, VrlChangedAttr::Configuration, "took over from a lost member",
                events);
      v.rec.state = VrlVolumeState::Rebuilding;
      volumeEvent(c, v, VrlEventCode::VolumeChanged, VrlChangedAttr::State, "rebuild started", events);
      controllerEvent(c, VrlChangedAttr::Configuration, "hot spare count changed", events);
      startCommand(c, VrlLrcType::Rebuild, VrlDeviceType::PhysicalDisk, spare.rec.compPdId, events);
      break;
    }
  }
}

// ---- Reads ----------------------------------------------------------------------

void SimModel::controllerList(VrlControllerList& out) const {
  std::memset(&out, 0, sizeof out);
  for (const SimController& c : controllers_) out.contrIds[out.count++] = c.id;
}

uint32_t SimModel::volumeList(uint8_t contrId, VrlVolumeList& out) {
  SimController* c = controller(contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  std::memset(&out, 0, sizeof out);
  for (const SimVolume& v : c->volumes) out.vdIndexes[out.count++] = v.rec.vdIndex;
  return VrlStatus::Success;
}

uint32_t SimModel::volumeProps(const VrlVolumeKey& key, VrlVolumeRecord& out) {
  SimController* c = controller(key.contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  SimVolume* v = c->volume(key.vdIndex);
  if (!v) return VrlStatus::InactiveVolume;
  out = v->rec;
  return VrlStatus::Success;
}

uint32_t SimModel::allVolumeProps(uint8_t contrId, VrlAllVolumes& out) {
  SimController* c = controller(contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  std::memset(&out, 0, sizeof out);
  for (const SimVolume& v : c->volumes) out.volumes[out.count++] = v.rec;
  return VrlStatus::Success;
}

uint32_t SimModel::diskProps(const VrlDiskKey& key, VrlPhysDiskRecord& out) {
  SimController* c = controller(key.contrId);
  SimDisk* d = c ? c->disk(key.compPdId) : nullptr;
  if (!d) return VrlStatus::NotFoundOrWrongState;
  out = d->rec;
  return VrlStatus::Success;
}

uint32_t SimModel::allDiskProps(uint8_t contrId, VrlPhysDiskList& out) {
  SimController* c = controller(contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  std::memset(&out, 0, sizeof out);
  for (const SimDisk& d : c->disks) out.disks[out.count++] = d.rec;
  return VrlStatus::Success;
}

uint32_t SimModel::enclosures(uint8_t contrId, VrlEnclosureList& out) {
  SimController* c = controller(contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  std::memset(&out, 0, sizeof out);
  if (c->hasEnclosure) out.enclosures[out.count++] = c->enclosure;
  return VrlStatus::Success;
}

uint32_t SimModel::battery(uint8_t contrId, VrlBatteryRecord& out) {
  SimController* c = controller(contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  out = c->battery;
  return VrlStatus::Success;
}

uint32_t SimModel::lrcStatus(uint8_t contrId, VrlLrcStatusOut& out) {
  SimController* c = controller(contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  std::memset(&out, 0, sizeof out);
  for (const SimLrc& lrc : c->lrcs) {
    if (out.lrcCount == kVrlMaxLrcEntries) break;
    VrlLrcStatusEntry& e = out.entries[out.lrcCount++];
    e.deviceId = lrc.deviceId;
    e.deviceType = lrc.deviceType;
    e.lrcType = lrc.type;
    e.lrcStatus = VrlLrcStatus::Running;
    e.progPercentage = lrc.percent;
  }
  return VrlStatus::Success;
}

uint32_t SimModel::deviceFlags(const VrlDeviceFlagsIn& in, uint32_t& flags) {
  SimController* c = controller(in.contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  flags = 0;
  if (in.deviceType == VrlDeviceType::PhysicalDisk) {
    SimDisk* d = c->disk(in.deviceId);
    if (!d) return VrlStatus::NotFoundOrWrongState;
    const bool foreign = d->rec.raidGroupMember && d->rec.vdIndex == kVrlForeignVolume;
    if (!d->rec.raidGroupMember && !d->rec.hotSpare) flags |= VrlDeviceFlags::PdUnconfigured;
    if (d->rec.hotSpare) flags |= VrlDeviceFlags::PdHotSpare;
    if (d->rec.raidGroupMember && !foreign) flags |= VrlDeviceFlags::PdArrayMember;
    if (foreign) flags |= VrlDeviceFlags::PdForeign;
    SimVolume* v = foreign ? nullptr : c->volume(d->rec.vdIndex);
    if (v && isRedundant(v->rec.RAIDLevel) && d->rec.state == VrlDiskState::Failed &&
        v->rec.state != VrlVolumeState::Failed)
      flags |= VrlDeviceFlags::PdRebuildCandidate;
    return VrlStatus::Success;
  }
  if (in.deviceType == VrlDeviceType::VirtualDisk) {
    SimVolume* v = c->volume(in.deviceId);
    if (!v) return VrlStatus::NotFoundOrWrongState;
    const bool busy = commandRunningOn(*c, VrlDeviceType::VirtualDisk, v->rec.vdIndex);
    if (v->rec.volReserved) flags |= VrlDeviceFlags::VdReserved;
    if (v->rec.bootVolume) flags |= VrlDeviceFlags::VdBootVolume;
    if (busy) flags |= VrlDeviceFlags::VdCommandRunning;
    if (!v->rec.volReserved && !busy && isRedundant(v->rec.RAIDLevel) && v->rec.state == VrlVolumeState::Optimal)
      flags |= VrlDeviceFlags::VdResyncCandidate;
    return VrlStatus::Success;
  }
  return VrlStatus::InvalidArgument;
}

// ---- Configuration ---------------------------------------------------------------

uint32_t SimModel::setControllerProps(const VrlSetContrPropsIn& in, uint32_t& resultMask, Events& events) {
  SimController* c = controller(in.contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  VrlControllerRecord& r = c->rec;
  const VrlControllerRecord before = r;
  namespace M = VrlContrPropsMask;
  if (in.inputMask == 0) {
    // Factory defaults.
    r.autoRebuild = c->defaults.autoRebuild;
    r.spinUpDelay = c->defaults.spinUpDelay;
    r.spinDiskCount = c->defaults.spinDiskCount;
    r.bootVolumeId = c->volume(c->defaults.bootVolumeId) ? c->defaults.bootVolumeId : kVrlNoBootVolume;
    r.optionROMEnabled = c->defaults.opROMEnabled;
    r.optionROMInpEnabled = c->defaults.opROMConsoleEnabled;
    r.cacheMode = c->defaults.cacheModeEnabled;
    resultMask = M::AutoRebuild | M::SpinUpDelay | M::SpinDiskCount | M::BootVolumeId | M::OptionRom |
                 M::UserInputOpRom | M::CacheMode;
  } else {
    const uint16_t mask = in.inputMask;
    if (mask & ~M::All) return VrlStatus::InvalidArgument;
    auto flag = [&](uint16_t bit, uint32_t value) { return !(mask & bit) || value <= 1; };
    if (!flag(M::AutoRebuild, in.autoRebuild) || !flag(M::NcqEnabled, in.NCQEnabled) ||
        !flag(M::CopyBackEnabled, in.copyBackEnabled) || !flag(M::OptionRom, in.OptionROM) ||
        !flag(M::UserInputOpRom, in.UserInputOpROM) || !flag(M::CacheMode, in.cacheModeEnabled) ||
        ((mask & M::MediaScrubRate) && in.mediaScrubRate > 100))
      return VrlStatus::InvalidArgument;
    if ((mask & M::BootVolumeId) && in.bootVolumeId != kVrlNoBootVolume) {
      SimVolume* v = c->volume(in.bootVolumeId);
      if (!v || v->rec.volReserved) return VrlStatus::NotFoundOrWrongState;
    }
    if (mask & M::AutoRebuild) r.autoRebuild = in.autoRebuild;
    if (mask & M::SpinUpDelay) r.spinUpDelay = in.spinUpDelay;
    if (mask & M::SpinDiskCount) r.spinDiskCount = in.spinDiskCount;
    if (mask & M::NcqEnabled) r.NCQEnabled = in.NCQEnabled;
    if (mask & M::BootVolumeId) r.bootVolumeId = in.bootVolumeId;
    if (mask & M::CopyBackEnabled) r.copyBackEnabled = in.copyBackEnabled;
    if (mask & M::MediaScrubRate) r.mediaScrubRate = in.mediaScrubRate;
    if (mask & M::TimeStamp) r.timeStamp = in.timeStamp;
    if (mask & M::OptionRom) r.optionROMEnabled = in.OptionROM;
    if (mask & M::UserInputOpRom) r.optionROMInpEnabled = in.UserInputOpROM;
    if (mask & M::CacheMode) r.cacheMode = in.cacheModeEnabled;
    resultMask = mask;
  }
  refreshDerived(*c);
  if (std::memcmp(&before, &r, sizeof r) != 0) controllerEvent(*c, VrlChangedAttr::Settings, "settings changed", events);
  return VrlStatus::Success;
}

uint32_t SimModel::setVolumeProps(const VrlSetVolumePropsIn& in, uint32_t& resultMask, Events& events) {
  SimController* c = controller(in.contrId);
  SimVolume* v = c ? c->volume(in.vdIndex) : nullptr;
  if (!v) return VrlStatus::NotFoundOrWrongState;
  if (in.changeMask != kVrlVolumeNameChange) return VrlStatus::InvalidArgument;
  const std::string name = readText(in.volumeName, sizeof in.volumeName);
  if (name.empty()) return VrlStatus::InvalidArgument;
  resultMask = kVrlVolumeNameChange;
  if (name != readText(v->rec.volumeName, sizeof v->rec.volumeName)) {
    copyText(v->rec.volumeName, sizeof v->rec.volumeName, name);
    volumeEvent(*c, *v, VrlEventCode::VolumeChanged, VrlChangedAttr::Name, "renamed to " + name, events);
  }
  return VrlStatus::Success;
}

uint32_t SimModel::createVolume(const VrlCreateVolumeIn& in, uint32_t& vdIndex, Events& events) {
  SimController* c = controller(in.contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  const int levelBit = raidLevelBit(in.raidLevel);
  if (levelBit < 0 || !(c->rec.supRAIDLevel & (1u << levelBit))) return VrlStatus::NotSupported;
  if (in.pdCount > kVrlMaxMembersPerVolume || !memberCountFits(in.raidLevel, in.pdCount))
    return VrlStatus::InvalidArgument;
  uint16_t stripe = in.stripeSize;
  if (stripe == 0) {
    for (unsigned bit = 0; bit < 16 && stripe == 0; ++bit)
      if (c->rec.recStripeSize & (1u << bit)) stripe = static_cast<uint16_t>(1u << bit);
  }
  if (stripe == 0 || (stripe & (stripe - 1)) != 0 || !(c->rec.supStripeSize & stripe))
    return VrlStatus::InvalidArgument;
  if (c->volumes.size() >= kVrlMaxVolumesPerController) return VrlStatus::NotPermitted;

  std::vector<SimDisk*> members;
  uint32_t smallest = 0xFFFFFFFF;
  for (unsigned m = 0; m < in.pdCount; ++m) {
    SimDisk* d = c->disk(in.compPdId[m]);
    if (!d) return VrlStatus::NotFoundOrWrongState;
    if (std::find(members.begin(), members.end(), d) != members.end()) return VrlStatus::InvalidArgument;
    if (d->rec.raidGroupMember || d->rec.hotSpare || !isUsableState(d->rec.state))
      return VrlStatus::NotFoundOrWrongState;
    if (!members.empty() && members.front()->rec.driveType != d->rec.driveType) return VrlStatus::NotPermitted;
    members.push_back(d);
    smallest = std::min<uint32_t>(smallest, d->rec.coercedSize);
  }

  SimVolume v;
  VrlVolumeRecord& r = v.rec;
  uint32_t index = 0;
  while (c->volume(index)) ++index;
  r.vdIndex = index;
  r.volumeSetId = static_cast<uint16_t>(index);
  r.volReserved = in.volReserved ? 1 : 0;
  r.wrCacheStatus = c->rec.cacheMode;
  r.NCQStatus = c->rec.NCQEnabled;
  r.pdCount = in.pdCount;
  std::memcpy(r.compPdId, in.compPdId, sizeof r.compPdId);
  r.state = VrlVolumeState::Optimal;
  r.RAIDLevel = in.raidLevel;
  r.deviceId = index;
  r.stripeSize = stripe;
  std::string name = readText(in.volumeName, sizeof in.volumeName);
  copyText(r.volumeName, sizeof r.volumeName, name.empty() ? format("Volume%u", index) : name);
  r.targetId = static_cast<uint16_t>(index);
  copyText(r.vendorIdentification, sizeof r.vendorIdentification, "ORV");
  copyText(r.productIdentification, sizeof r.productIdentification, "Ambrix Volume");
  copyText(r.unitSerialNumber, sizeof r.unitSerialNumber, format("V%02u%05u", c->id, index));
  r.blockLength = 512;
  r.totalBlocks = uint64_t(dataDisks(in.raidLevel, in.pdCount)) * smallest * kBytesPerGiB / r.blockLength;
  r.endBlockAddr = r.totalBlocks - 1;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16];
  std::strftime(date, sizeof date, "%Y%m%d", &local);
  copyText(r.installDate, sizeof r.installDate, date);
  c->volumes.push_back(v);
  refreshDerived(*c);
  vdIndex = index;

  SimVolume& added = *c->volume(index);
  volumeEvent(*c, added, VrlEventCode::VolumeAdded, 0, "created", events);
  for (unsigned m = 0; m < in.pdCount; ++m)
    diskEvent(*c, *c->disk(in.compPdId[m]), VrlEventCode::DiskChanged, VrlChangedAttr::Configuration,
              format("joined virtual disk %u", index), events);
  controllerEvent(*c, VrlChangedAttr::Configuration, "volume count changed", events);
  return VrlStatus::Success;
}

void SimModel::removeVolume(SimController& c, size_t position, Events& events) {
  const SimVolume gone = c.volumes[position];
  c.volumes.erase(c.volumes.begin() + static_cast<long>(position));
  if (c.rec.bootVolumeId == gone.rec.vdIndex) c.rec.bootVolumeId = kVrlNoBootVolume;
  refreshDerived(c);
  volumeEvent(c, gone, VrlEventCode::VolumeRemoved, 0, "deleted", events);
  for (unsigned m = 0; m < memberCount(gone.rec); ++m)
    if (SimDisk* d = c.disk(gone.rec.compPdId[m]))
      diskEvent(c, *d, VrlEventCode::DiskChanged, VrlChangedAttr::Configuration,
                format("left virtual disk %u", gone.rec.vdIndex), events);
}

uint32_t SimModel::deleteVolume(const VrlVolumeKey& in, Events& events) {
  SimController* c = controller(in.contrId);
  SimVolume* v = c ? c->volume(in.vdIndex) : nullptr;
  if (!v) return VrlStatus::NotFoundOrWrongState;
  if (v->rec.bootVolume) return VrlStatus::BootVolumeSet;
  if (!v->rec.volReserved && v->hasPartition) return VrlStatus::PartitionPresent;
  if (commandRunningOn(*c, VrlDeviceType::VirtualDisk, v->rec.vdIndex)) return VrlStatus::NotPermitted;
  for (unsigned m = 0; m < memberCount(v->rec); ++m)
    if (commandRunningOn(*c, VrlDeviceType::PhysicalDisk, v->rec.compPdId[m])) return VrlStatus::NotPermitted;
  removeVolume(*c, static_cast<size_t>(v - c->volumes.data()), events);
  controllerEvent(*c, VrlChangedAttr::Configuration, "volume count changed", events);
  return VrlStatus::Success;
}

uint32_t SimModel::activateVolume(const VrlActivateVolumeIn& in, Events& events) {
  SimController* c = controller(in.contrId);
  SimVolume* v = c ? c->volume(in.vdIndex) : nullptr;
  if (!v) return VrlStatus::NotFoundOrWrongState;
  const uint32_t reserved = in.activate ? 0 : 1;
  if (v->rec.volReserved == reserved) return VrlStatus::NotFoundOrWrongState;
  if (!in.activate) {
    if (v->rec.bootVolume) return VrlStatus::BootVolumeSet;
    if (v->hasPartition) return VrlStatus::PartitionPresent;
    if (commandRunningOn(*c, VrlDeviceType::VirtualDisk, v->rec.vdIndex)) return VrlStatus::NotPermitted;
  }
  v->rec.volReserved = reserved;
  volumeEvent(*c, *v, VrlEventCode::VolumeChanged, VrlChangedAttr::Configuration,
              in.activate ? "activated" : "returned to its array", events);
  return VrlStatus::Success;
}

uint32_t SimModel::resyncVolume(const VrlVolumeKey& in, Events& events) {
  SimController* c = controller(in.contrId);
  SimVolume* v = c ? c->volume(in.vdIndex) : nullptr;
  if (!v) return VrlStatus::NotFoundOrWrongState;
  if (commandRunningOn(*c, VrlDeviceType::VirtualDisk, v->rec.vdIndex)) return VrlStatus::NotPermitted;
  if (v->rec.volReserved || !isRedundant(v->rec.RAIDLevel) || v->rec.state != VrlVolumeState::Optimal)
    return VrlStatus::NotFoundOrWrongState;
  startCommand(*c, VrlLrcType::Resync, VrlDeviceType::VirtualDisk, v->rec.vdIndex, events);
  return VrlStatus::Success;
}

uint32_t SimModel::fastInitVolume(const VrlFastInitIn& in, Events& events) {
  SimController* c = controller(in.contrId);
  SimVolume* v = c ? c->volume(in.vdIndex) : nullptr;
  if (!v) return VrlStatus::NotFoundOrWrongState;
  if (commandRunningOn(*c, VrlDeviceType::VirtualDisk, v->rec.vdIndex)) return VrlStatus::NotPermitted;
  if (v->rec.volReserved || v->rec.state == VrlVolumeState::Failed) return VrlStatus::NotFoundOrWrongState;
  // Mode 0 asks for no initialisation: the controller accepts and has nothing to run.
  if (in.initMode == 0) return VrlStatus::Success;
  startCommand(*c, VrlLrcType::Format, VrlDeviceType::VirtualDisk, v->rec.vdIndex, events);
  return VrlStatus::Success;
}

uint32_t SimModel::rebuildDisk(const VrlDiskKey& in, Events& events) {
  SimController* c = controller(in.contrId);
  SimDisk* d = c ? c->disk(in.compPdId) : nullptr;
  if (!d) return VrlStatus::NotFoundOrWrongState;
  if (commandRunningOn(*c, VrlDeviceType::PhysicalDisk, d->rec.compPdId)) return VrlStatus::NotPermitted;
  SimVolume* v = d->rec.vdIndex == kVrlForeignVolume ? nullptr : c->volume(d->rec.vdIndex);
  if (!v || !isRedundant(v->rec.RAIDLevel) || d->rec.state != VrlDiskState::Failed ||
      v->rec.state == VrlVolumeState::Failed)
    return VrlStatus::InvalidRebuildCandidate;
  d->rec.state = VrlDiskState::Rebuilding;
  diskEvent(*c, *d, VrlEventCode::DiskChanged, VrlChangedAttr::State, "rebuild started", events);
  diskHealthChanged(*c, *d, events);
  startCommand(*c, VrlLrcType::Rebuild, VrlDeviceType::PhysicalDisk, d->rec.compPdId, events);
  return VrlStatus::Success;
}

uint32_t SimModel::hotSpares(const VrlHotSpareIn& in, bool assign, Events& events) {
  SimController* c = controller(in.contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  if (in.pdCount == 0 || in.pdCount > kVrlMaxMembersPerVolume) return VrlStatus::InvalidArgument;
  std::vector<SimDisk*> disks;
  for (unsigned i = 0; i < in.pdCount; ++i) {
    SimDisk* d = c->disk(in.compPdId[i]);
    if (!d) return VrlStatus::NotFoundOrWrongState;
    if (std::find(disks.begin(), disks.end(), d) != disks.end()) return VrlStatus::InvalidArgument;
    const bool usable = assign ? !d->rec.raidGroupMember && !d->rec.hotSpare && isUsableState(d->rec.state)
                               : d->rec.hotSpare != 0;
    if (!usable) return VrlStatus::NotFoundOrWrongState;
    disks.push_back(d);
  }
  const std::vector<uint32_t> protectedBefore = spareProtection(*c);
  for (SimDisk* d : disks) d->rec.hotSpare = assign ? 1 : 0;
  refreshDerived(*c);
  for (SimDisk* d : disks)
    diskEvent(*c, *d, VrlEventCode::DiskChanged, VrlChangedAttr::Configuration,
              assign ? "assigned as hot spare" : "no longer a hot spare", events);
  spareProtectionEvents(*c, protectedBefore, events);
  controllerEvent(*c, VrlChangedAttr::Configuration, "hot spare count changed", events);
  // A degraded volume gets its spare at once.
  if (assign)
    for (SimDisk& d : c->disks)
      if (d.rec.raidGroupMember && d.rec.state == VrlDiskState::Failed) diskHealthChanged(*c, d, events);
  return VrlStatus::Success;
}

uint32_t SimModel::locate(const VrlLocateDeviceIn& in) {
  SimController* c = controller(in.contrId);
  SimDisk* d = c ? c->disk(in.compPdId) : nullptr;
  if (!d) return VrlStatus::NotFoundOrWrongState;
  if (in.locateOpern != kVrlLocateOn && in.locateOpern != kVrlLocateOff) return VrlStatus::InvalidArgument;
  d->rec.locateLedOn = in.locateOpern == kVrlLocateOn ? 1 : 0;
  return VrlStatus::Success;
}

uint32_t SimModel::clearConfiguration(uint8_t contrId, VrlClearConfigOut& out, Events& events) {
  SimController* c = controller(contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  std::memset(&out, 0, sizeof out);
  for (size_t i = c->volumes.size(); i-- > 0;) {
    const SimVolume& v = c->volumes[i];
    bool busy = commandRunningOn(*c, VrlDeviceType::VirtualDisk, v.rec.vdIndex);
    for (unsigned m = 0; m < memberCount(v.rec); ++m)
      busy = busy || commandRunningOn(*c, VrlDeviceType::PhysicalDisk, v.rec.compPdId[m]);
    if (!busy) {
      removeVolume(*c, i, events);
      continue;
    }
    out.vdIndex[out.failedVolCount++] = v.rec.vdIndex;
    for (unsigned m = 0; m < memberCount(v.rec) && out.failedPdCount < kVrlMaxDisksPerController; ++m)
      out.compPdId[out.failedPdCount++] = v.rec.compPdId[m];
  }
  for (SimDisk& d : c->disks) {
    if (!d.rec.hotSpare) continue;
    d.rec.hotSpare = 0;
    diskEvent(*c, d, VrlEventCode::DiskChanged, VrlChangedAttr::Configuration, "no longer a hot spare", events);
  }
  refreshDerived(*c);
  controllerEvent(*c, VrlChangedAttr::Configuration, "configuration cleared", events);
  return VrlStatus::Success;
}

uint32_t SimModel::clearMetadata(const VrlDiskKey& in, Events& events) {
  SimController* c = controller(in.contrId);
  SimDisk* d = c ? c->disk(in.compPdId) : nullptr;
  if (!d) return VrlStatus::NotFoundOrWrongState;
  const bool foreign = d->rec.raidGroupMember && d->rec.vdIndex == kVrlForeignVolume;
  if (d->rec.hotSpare || (d->rec.raidGroupMember && !foreign)) return VrlStatus::NotPermitted;
  if (foreign) {
    d->rec.raidGroupMember = 0;
    d->rec.vdIndex = kVrlNoVolume;
    diskEvent(*c, *d, VrlEventCode::DiskChanged, VrlChangedAttr::Configuration, "metadata cleared", events);
  }
  return VrlStatus::Success;
}

std::string firmwareErrorText(uint32_t code) {
  switch (code) {
    case SimFirmwareError::InvalidCommand: return "Invalid command for the controller's current state";
    case SimFirmwareError::DeviceBusy: return "Device busy, retry later";
    case SimFirmwareError::ImageInvalid: return "Firmware image is not valid";
    case SimFirmwareError::ImageUnreadable: return "Firmware image could not be read";
    case SimFirmwareError::ImageWrongModel: return "Firmware image is meant for another controller model";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "Firmware error 0x%X", code);
      return text;
    }
  }
}

uint32_t SimModel::downloadFirmware(const VrlDownloadFwIn& in, Events& events) {
  SimController* c = controller(in.contrId);
  if (!c) return VrlStatus::NotFoundOrWrongState;
  const std::string path = readText(in.binFilePath, sizeof in.binFilePath);
  if (path.empty()) return VrlStatus::InvalidArgument;
  if (commandRunningOn(*c, VrlDeviceType::Controller, c->id)) return VrlStatus::NotPermitted;
  std::ifstream image(path, std::ios::binary);
  if (!image) return SimFirmwareError::ImageUnreadable;
  // An image starts with the line "VRFW <version> [<model>]".
  std::string line;
  std::getline(image, line);
  std::istringstream header(line);
  std::string magic, version, model;
  header >> magic >> version >> model;
  if (magic != "VRFW" || version.empty() || version.size() > sizeof c->rec.fwVersion) return SimFirmwareError::ImageInvalid;
  if (!model.empty() && model != readText(c->rec.modelNumber, sizeof c->rec.modelNumber)) return SimFirmwareError::ImageWrongModel;
  startCommand(*c, VrlLrcType::FirmwareDownload, VrlDeviceType::Controller, c->id, events, version);
  return VrlStatus::Success;
}

// ---- Control interface ------------------------------------------------------------

std::string SimModel::setProperty(SimObjectKind kind, uint32_t contrId, uint32_t id, const std::string& name,
                                  const std::string& value, bool raiseEvent, Events& events) {
  if (kind == SimObjectKind::Library) {
    char* end = nullptr;
    const unsigned long number = std::strtoul(value.c_str(), &end, 0);
    if (value.empty() || *end != '\0') return name + ": expected a number";
    if (name == "interfaceVersion") settings_.interfaceVersion = static_cast<uint32_t>(number);
    else if (name == "initializeStatus") settings_.initializeStatus = static_cast<uint32_t>(number);
    else if (name == "lrcIntervalMs") settings_.lrcIntervalMs = static_cast<unsigned>(number);
    else if (name == "lrcStep" && number >= 1 && number <= 100) settings_.lrcStep = static_cast<unsigned>(number);
    else return "no library setting \"" + name + "\" (or value out of range)";
    return {};
  }
  SimController* c = controller(contrId);
  if (!c) return "no controller " + std::to_string(contrId);
  ObjectField target;
  std::string error = findObjectField(*c, kind, id, name, target);
  if (!error.empty()) return error;
  SimDisk* disk = kind == SimObjectKind::Disk ? c->disk(id) : nullptr;
  SimVolume* volume = kind == SimObjectKind::Volume ? c->volume(id) : nullptr;
  error = setFieldFromText(target.record, *target.field, value);
  if (!error.empty()) return error;
  if (kind == SimObjectKind::Controller && name == "volumeCount") c->reportedVolumeCount = c->rec.volumeCount;
  refreshDerived(*c);
  if (disk) {
    const bool state = name == "state";
    if (raiseEvent)
      diskEvent(*c, *disk, VrlEventCode::DiskChanged, state ? VrlChangedAttr::State : VrlChangedAttr::Other,
                name + " changed", events);
    if (state) diskHealthChanged(*c, *disk, events);
  } else if (volume) {
    if (raiseEvent)
      volumeEvent(*c, *volume, VrlEventCode::VolumeChanged,
                  name == "state" ? VrlChangedAttr::State : VrlChangedAttr::Other, name + " changed", events);
  } else if (raiseEvent && kind != SimObjectKind::Defaults) {
    controllerEvent(*c, VrlChangedAttr::Other, name + " changed", events);
  }
  return {};
}

std::string SimModel::getProperty(SimObjectKind kind, uint32_t contrId, uint32_t id, const std::string& name,
                                  std::string& value) {
  if (kind == SimObjectKind::Library) {
    if (name == "interfaceVersion") value = std::to_string(settings_.interfaceVersion);
    else if (name == "initializeStatus") value = std::to_string(settings_.initializeStatus);
    else if (name == "lrcIntervalMs") value = std::to_string(settings_.lrcIntervalMs);
    else if (name == "lrcStep") value = std::to_string(settings_.lrcStep);
    else return "no library setting \"" + name + "\"";
    return {};
  }
  SimController* c = controller(contrId);
  if (!c) return "no controller " + std::to_string(contrId);
  ObjectField target;
  const std::string error = findObjectField(*c, kind, id, name, target);
  if (error.empty()) value = getFieldText(target.record, *target.field);
  return error;
}

std::string SimModel::addDisk(uint32_t contrId, const json& desc, Events& events) {
  SimController* c = controller(contrId);
  if (!c) return "no controller " + std::to_string(contrId);
  if (c->disks.size() >= kVrlMaxDisksPerController) return "controller already holds 8 disks";
  // A disk given the id of a lost member rejoins its array; the id is only
  // taken when asked for explicitly.
  SimDisk d;
  json copy = desc.is_null() ? json::object() : desc;
  bool rejoins = false;
  if (copy.is_object() && copy.contains("compPdId") && copy["compPdId"].is_number_unsigned()) {
    const uint32_t wanted = copy["compPdId"].get<uint32_t>();
    for (const SimVolume& v : c->volumes)
      for (unsigned m = 0; m < memberCount(v.rec); ++m) rejoins = rejoins || v.rec.compPdId[m] == wanted;
    if (rejoins && c->disk(wanted)) return "compPdId: already in use";
  }
  std::string error;
  if (rejoins) {
    // Checked against the disks only: the volume still lists the id.
    SimController probe;
    probe.id = c->id;
    probe.disks = c->disks;
    error = loadDisk(copy, probe, static_cast<unsigned>(c->disks.size()), d);
  } else {
    error = loadDisk(copy, *c, static_cast<unsigned>(c->disks.size()), d);
  }
  if (!error.empty()) return error;
  if (rejoins) d.rec.state = VrlDiskState::Rebuilding;
  c->disks.push_back(d);
  refreshDerived(*c);
  SimDisk& added = c->disks.back();
  diskEvent(*c, added, VrlEventCode::DiskAdded, 0, "inserted", events);
  controllerEvent(*c, VrlChangedAttr::Configuration, "disk count changed", events);
  if (rejoins) {
    diskHealthChanged(*c, added, events);
    startCommand(*c, VrlLrcType::Rebuild, VrlDeviceType::PhysicalDisk, added.rec.compPdId, events);
  }
  return {};
}

std::string SimModel::pullDisk(uint32_t contrId, uint32_t compPdId, Events& events) {
  SimController* c = controller(contrId);
  SimDisk* d = c ? c->disk(compPdId) : nullptr;
  if (!d) return "no disk " + std::to_string(compPdId) + " on controller " + std::to_string(contrId);
  SimDisk gone = *d;
  c->disks.erase(c->disks.begin() + (d - c->disks.data()));
  std::vector<VrlLrcEventEntry> aborted;
  for (auto it = c->lrcs.begin(); it != c->lrcs.end();) {
    if (it->deviceType == VrlDeviceType::PhysicalDisk && it->deviceId == compPdId) {
      aborted.push_back(VrlLrcEventEntry{compPdId, static_cast<uint8_t>(it->deviceType), it->type,
                                         VrlLrcStatus::Aborted, it->percent});
      it = c->lrcs.erase(it);
    } else {
      ++it;
    }
  }
  const std::vector<uint32_t> protectedBefore = spareProtection(*c);
  refreshDerived(*c);
  if (!aborted.empty()) appendLrcEvent(*c, aborted, events);
  diskEvent(*c, gone, VrlEventCode::DiskRemoved, 0, "removed", events);
  controllerEvent(*c, VrlChangedAttr::Configuration, "disk count changed", events);
  spareProtectionEvents(*c, protectedBefore, events);
  gone.rec.state = VrlDiskState::Failed;
  diskHealthChanged(*c, gone, events);
  return {};
}

}  // namespace orv::vrlsim

namespace orv::vrlsim {

// ---- Faults and notices -----------------------------------------------------------

namespace {

// Texts of the controller notices, as the controller words them when the
// caller gives none.
std::string noticeText(unsigned contrId, uint32_t code) {
  char text[96];
  switch (code) {
    case VrlEventCode::NotificationLost:
      std::snprintf(text, sizeof text, "Controller %u lost event notifications", contrId);
      break;
    case 13: std::snprintf(text, sizeof text, "Controller %u shut down", contrId); break;
    case 14: case 15: case 16: case 17: case 18:
      std::snprintf(text, sizeof text, "Controller %u state changed (event %u)", contrId, code);
      break;
    default: std::snprintf(text, sizeof text, "Controller %u event %u", contrId, code); break;
  }
  return text;
}

uint32_t noticeSeverity(uint32_t code) {
  switch (code) {
    case VrlEventCode::AlertWithError: return VrlSeverity::Error;
    case VrlEventCode::AlertWithErrorInfo: case VrlEventCode::NotificationLost: case 13: return VrlSeverity::Warning;
    default: return VrlSeverity::Information;
  }
}

}  // namespace

std::string SimModel::failDisk(uint32_t contrId, uint32_t compPdId, Events& events) {
  SimController* c = controller(contrId);
  SimDisk* d = c ? c->disk(compPdId) : nullptr;
  if (!d) return "no disk " + std::to_string(compPdId) + " on controller " + std::to_string(contrId);
  if (d->rec.state == VrlDiskState::Failed) return "disk " + std::to_string(compPdId) + " has already failed";
  d->rec.state = VrlDiskState::Failed;
  const std::string where = format("Physical disk %u-%u ", d->rec.enclId, d->rec.slotId);
  // The alert comes first, as the controller reports the fault before what
  // it did about it.
  VrlEventRecord alert = makeEvent(*c, VrlEventCode::AlertWithError, VrlDeviceType::PhysicalDisk, compPdId,
                                   VrlSeverity::Error, SimAlertError::DiskFailed, where + "failed");
  alert.enclId = d->rec.enclId;
  alert.slotId = d->rec.slotId;
  events.push_back(alert);
  diskEvent(*c, *d, VrlEventCode::DiskChanged, VrlChangedAttr::State, "state changed", events);
  diskHealthChanged(*c, *d, events);
  return {};
}

std::string SimModel::batteryAlert(uint32_t contrId, Events& events) {
  SimController* c = controller(contrId);
  if (!c) return "no controller " + std::to_string(contrId);
  if (c->battery.batteryType == 0) return "controller " + std::to_string(contrId) + " has no battery";
  c->battery.battChargeStatus = 3;  // critical
  c->battery.battPackReplaceNeeded = 1;
  events.push_back(makeEvent(*c, VrlEventCode::AlertWithErrorInfo, VrlDeviceType::Controller, c->id,
                             VrlSeverity::Warning, SimAlertError::BatteryCritical,
                             format("Controller %u battery charge is critical, replace the battery pack", c->id)));
  return {};
}

std::string SimModel::enclosureAlert(uint32_t contrId, Events& events) {
  SimController* c = controller(contrId);
  if (!c) return "no controller " + std::to_string(contrId);
  if (!c->hasEnclosure) return "controller " + std::to_string(contrId) + " has no enclosure";
  VrlEnclosureRecord& e = c->enclosure;
  const unsigned fans = std::min<unsigned>(e.coolingFanCount, kVrlEnclosureGroupStates);
  if (fans == 0) return "the enclosure of controller " + std::to_string(contrId) + " has no cooling fan";
  unsigned fan = 0;
  while (fan + 1 < fans && e.coolingFanState[fan] == kSimElementFailed) ++fan;
  e.coolingFanState[fan] = kSimElementFailed;
  events.push_back(makeEvent(*c, VrlEventCode::AlertWithError, VrlDeviceType::Enclosure, 0, VrlSeverity::Error,
                             SimAlertError::FanFailed, format("Enclosure 0 cooling fan %u failed", fan)));
  return {};
}

std::string SimModel::controllerNotice(uint32_t contrId, uint32_t code, const std::string& description,
                                       Events& events) {
  SimController* c = controller(contrId);
  if (!c) return "no controller " + std::to_string(contrId);
  if (description.size() >= kVrlEventDescriptionSize) return "description longer than 255 characters";
  events.push_back(makeEvent(*c, code, VrlDeviceType::Controller, c->id, noticeSeverity(code), 0,
                             description.empty() ? noticeText(c->id, code) : description));
  return {};
}

}  // namespace orv::vrlsim
