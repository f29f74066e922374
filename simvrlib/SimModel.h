// The simulated controllers: their records, their configuration rules and
// the events that each change raises. Not thread-safe by itself; the
// library serialises every call under one lock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "VrlRecords.h"

namespace orv::vrlsim {

// Firmware error codes that the simulated controllers report.
namespace SimFirmwareError {
constexpr uint32_t InvalidCommand = 0x0001;
constexpr uint32_t DeviceBusy = 0x0002;
constexpr uint32_t ImageInvalid = 0x2001;
constexpr uint32_t ImageUnreadable = 0x2002;
constexpr uint32_t ImageWrongModel = 0x2003;
}  // namespace SimFirmwareError

// External error numbers that the simulated controllers put in their alerts
// (the low byte of the event's changedAttr field).
namespace SimAlertError {
constexpr uint32_t DiskFailed = 0x11;
constexpr uint32_t BatteryCritical = 0x21;
constexpr uint32_t FanFailed = 0x31;
}  // namespace SimAlertError

// State of an enclosure element as the simulated enclosure reports it.
constexpr uint32_t kSimElementFailed = 1;

// Text of a firmware error code; unnamed codes get a generic text.
std::string firmwareErrorText(uint32_t code);

struct SimDisk {
  VrlPhysDiskRecord rec{};
};

struct SimVolume {
  VrlVolumeRecord rec{};
  bool hasPartition = false;  // a partition table keeps the volume from being returned
};

struct SimLrc {
  uint8_t type = 0;
  uint32_t deviceType = 0;
  uint32_t deviceId = 0;
  uint8_t percent = 0;
  std::string newFirmware;  // firmware download: version installed at completion
};

struct SimController {
  VrlControllerRecord rec{};
  VrlContrDefaults defaults{};
  VrlVersionRecord driver{};
  std::vector<SimDisk> disks;
  std::vector<SimVolume> volumes;
  bool hasEnclosure = false;
  VrlEnclosureRecord enclosure{};
  VrlBatteryRecord battery{};
  std::vector<SimLrc> lrcs;
  uint8_t id = 0;
  // A volume count the controller record reports instead of the real one,
  // set through the control interface to imitate firmware that miscounts.
  int reportedVolumeCount = -1;

  SimDisk* disk(uint32_t compPdId);
  SimVolume* volume(uint32_t vdIndex);
};

struct SimSettings {
  uint32_t interfaceVersion = kVrlInterfaceVersion;
  uint32_t initializeStatus = VrlStatus::Success;
  unsigned lrcIntervalMs = 1000;
  unsigned lrcStep = 10;
  VrlVersionRecord libraryVersion{};
};

// Kinds of object that the control interface addresses.
enum class SimObjectKind { Library = 0, Controller = 1, Disk = 2, Volume = 3, Enclosure = 4, Battery = 5, Defaults = 6 };

class SimModel {
 public:
  using Events = std::vector<VrlEventRecord>;

  // Replaces the whole state with the topology; on error the state is
  // unchanged and the reason is returned.
  std::string load(const nlohmann::json& topology);
  void clear();

  SimSettings& settings() { return settings_; }
  SimController* controller(uint32_t contrId);
  const std::vector<SimController>& controllers() const { return controllers_; }
  bool anyCommandRunning() const;

  // Reads.
  void controllerList(VrlControllerList& out) const;
  uint32_t volumeList(uint8_t contrId, VrlVolumeList& out);
  uint32_t volumeProps(const VrlVolumeKey& key, VrlVolumeRecord& out);
  uint32_t allVolumeProps(uint8_t contrId, VrlAllVolumes& out);
  uint32_t diskProps(const VrlDiskKey& key, VrlPhysDiskRecord& out);
  uint32_t allDiskProps(uint8_t contrId, VrlPhysDiskList& out);
  uint32_t enclosures(uint8_t contrId, VrlEnclosureList& out);
  uint32_t battery(uint8_t contrId, VrlBatteryRecord& out);
  uint32_t lrcStatus(uint8_t contrId, VrlLrcStatusOut& out);
  uint32_t deviceFlags(const VrlDeviceFlagsIn& in, uint32_t& flags);

  // Configuration.
  uint32_t setControllerProps(const VrlSetContrPropsIn& in, uint32_t& resultMask, Events& events);
  uint32_t setVolumeProps(const VrlSetVolumePropsIn& in, uint32_t& resultMask, Events& events);
  uint32_t createVolume(const VrlCreateVolumeIn& in, uint32_t& vdIndex, Events& events);
  uint32_t deleteVolume(const VrlVolumeKey& in, Events& events);
  uint32_t activateVolume(const VrlActivateVolumeIn& in, Events& events);
  uint32_t resyncVolume(const VrlVolumeKey& in, Events& events);
  uint32_t rebuildDisk(const VrlDiskKey& in, Events& events);
  uint32_t fastInitVolume(const VrlFastInitIn& in, Events& events);
  uint32_t hotSpares(const VrlHotSpareIn& in, bool assign, Events& events);
  uint32_t locate(const VrlLocateDeviceIn& in);
  uint32_t clearConfiguration(uint8_t contrId, VrlClearConfigOut& out, Events& events);
  uint32_t clearMetadata(const VrlDiskKey& in, Events& events);
  uint32_t downloadFirmware(const VrlDownloadFwIn& in, Events& events);

  // Moves every running command on by one step; finished ones take effect.
  void advanceCommands(Events& events);

  // Control interface.
  std::string setProperty(SimObjectKind kind, uint32_t contrId, uint32_t id, const std::string& name,
                          const std::string& value, bool raiseEvent, Events& events);
  std::string getProperty(SimObjectKind kind, uint32_t contrId, uint32_t id, const std::string& name,
                          std::string& value);
  std::string addDisk(uint32_t contrId, const nlohmann::json& disk, Events& events);
  std::string pullDisk(uint32_t contrId, uint32_t compPdId, Events& events);
  // Hardware faults: each raises its alert and the changes that follow.
  std::string failDisk(uint32_t contrId, uint32_t compPdId, Events& events);
  std::string batteryAlert(uint32_t contrId, Events& events);
  std::string enclosureAlert(uint32_t contrId, Events& events);
  // An event of any code about the controller itself; an empty description
  // gets the usual text for the code.
  std::string controllerNotice(uint32_t contrId, uint32_t code, const std::string& description, Events& events);

  VrlEventRecord makeEvent(const SimController& c, uint32_t code, uint32_t deviceType, uint32_t deviceId,
                           uint32_t severity, uint32_t changedAttr, const std::string& description);

 private:
  std::string loadController(const nlohmann::json& desc, unsigned position, SimController& c);
  std::string loadDisk(const nlohmann::json& desc, SimController& c, unsigned position, SimDisk& d);
  std::string loadVolume(const nlohmann::json& desc, SimController& c, SimVolume& v);
  void refreshDerived(SimController& c);
  void diskEvent(SimController& c, const SimDisk& d, uint32_t code, uint32_t changedAttr,
                 const std::string& what, Events& events);
  void volumeEvent(SimController& c, const SimVolume& v, uint32_t code, uint32_t changedAttr,
                   const std::string& what, Events& events);
  void controllerEvent(SimController& c, uint32_t changedAttr, const std::string& what, Events& events);
  // A "spare protection changed" event for each volume whose hsProtected
  // differs from `before` (taken in the same volume order).
  void spareProtectionEvents(SimController& c, const std::vector<uint32_t>& before, Events& events);
  bool commandRunningOn(const SimController& c, uint32_t deviceType, uint32_t deviceId) const;
  void startCommand(SimController& c, uint8_t type, uint32_t deviceType, uint32_t deviceId, Events& events,
                    const std::string& newFirmware = {});
  void finishCommand(SimController& c, const SimLrc& lrc, Events& events);
  void appendLrcEvent(SimController& c, const std::vector<VrlLrcEventEntry>& entries, Events& events);
  void diskHealthChanged(SimController& c, SimDisk& d, Events& events);
  void removeVolume(SimController& c, size_t position, Events& events);

  SimSettings settings_;
  std::vector<SimController> controllers_;
  uint32_t nextEventId_ = 1;
};

}  // namespace orv::vrlsim
