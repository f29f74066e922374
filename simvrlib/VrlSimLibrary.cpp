// Entry point of the simulated RAID library and its control interface.
// Every library call runs under one lock around the model; event records
// are queued while that lock is held, so their order is the order of the
// changes, and the pump thread delivers them after the lock is gone.
#include <dlfcn.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "SimControlCommands.h"
#include "SimControlServer.h"
#include "SimEventPump.h"
#include "SimFields.h"
#include "SimModel.h"
#include "VrlRecords.h"
#include "VrlSimControl.h"

#define VRL_EXPORT extern "C" __attribute__((visibility("default")))

VRL_EXPORT uint32_t VrlInvokeMethod(uint32_t opcode, void* in, void* out);

namespace orv::vrlsim {
namespace {

using Clock = std::chrono::steady_clock;
using Events = SimModel::Events;

// Size of each opcode's input record, so that the call log can keep the
// bytes the caller put on the wire.
size_t inputSize(uint32_t opcode) {
  namespace Op = VrlOpcode;
  switch (opcode) {
    case Op::GET_DRIVER_VERSION: case Op::GET_CONTR_PROPS: case Op::CLEAR_CONTR_CONFIG:
    case Op::GET_VD_LIST: case Op::GET_ALL_PD_PROPS: case Op::GET_ALL_ENCLR_PROPS:
    case Op::GET_BATT_PROPS: case Op::GET_ALL_LRC_STATUS: case Op::GET_CONTR_PROPS_DEFAULTS:
      return 1;
    case Op::SET_CONTR_PROPS: return sizeof(VrlSetContrPropsIn);
    case Op::DOWNLOAD_CONTR_FW: return sizeof(VrlDownloadFwIn);
    case Op::GET_VD_PROPS: case Op::DELETE_VOLUME: case Op::RESYNC_VOLUME: return sizeof(VrlVolumeKey);
    case Op::GET_ALL_VD_PROPS: return sizeof(VrlControllerIdArea);
    case Op::SET_VD_PROPS: return sizeof(VrlSetVolumePropsIn);
    case Op::CREATE_VOLUME: return sizeof(VrlCreateVolumeIn);
    case Op::REBUILD_VOLUME: case Op::GET_PD_PROPS: case Op::CLEAR_META_DATA: return sizeof(VrlDiskKey);
    case Op::FAST_INIT_VOLUME: return sizeof(VrlFastInitIn);
    case Op::ACTIVATE_VOLUME: return sizeof(VrlActivateVolumeIn);
    case Op::CREATE_HOT_SPARE: case Op::DELETE_HOT_SPARE: return sizeof(VrlHotSpareIn);
    case Op::LOCATE_DEVICE: return sizeof(VrlLocateDeviceIn);
    case Op::REGISTER_AEN: return sizeof(VrlRegisterAenIn);
    case Op::UNREGISTER_AEN: return 4;
    case Op::GET_FW_ERROR_DTLS: return sizeof(VrlFwErrorIn);
    case Op::GET_DEVICE_FLAGS: return sizeof(VrlDeviceFlagsIn);
    default: return 0;  // no input, or an area the library never reads
  }
}

// Opcodes whose input record starts with the controller id.
bool namesController(uint32_t opcode) {
  return inputSize(opcode) > 0 && opcode != VrlOpcode::REGISTER_AEN && opcode != VrlOpcode::UNREGISTER_AEN &&
         opcode != VrlOpcode::GET_FW_ERROR_DTLS;
}

struct CallRecord {
  uint32_t opcode;
  uint32_t status;
  std::vector<unsigned char> input;
};

struct Failure {
  uint32_t status;
  int32_t remaining;  // < 0: always
};

constexpr size_t kMaxLoggedCalls = 100000;

class Library {
 public:
  ~Library() { closeControl(); }

  uint32_t invoke(uint32_t opcode, void* in, void* out);

  // Control interface.
  int reset();
  int loadTopologyText(const char* text);
  int setProperty(int kind, uint32_t contrId, uint32_t id, const char* name, const char* value, bool event);
  int getProperty(int kind, uint32_t contrId, uint32_t id, const char* name, char* buffer, uint32_t size);
  int addDisk(uint32_t contrId, const char* diskJson);
  int pullDisk(uint32_t contrId, uint32_t compPdId);
  int failDisk(uint32_t contrId, uint32_t compPdId);
  int batteryAlert(uint32_t contrId);
  int enclosureAlert(uint32_t contrId);
  int controllerEvent(uint32_t contrId, uint32_t code, const char* description);
  int injectEvent(const void* record, uint32_t size);
  int failOpcode(uint32_t opcode, uint32_t contrId, uint32_t status, int32_t times);
  void clearFailures();
  int holdOpcode(uint32_t opcode, bool held);
  uint32_t heldCalls();
  uint32_t callCount();
  int getCall(uint32_t index, uint32_t* opcode, uint32_t* status, void* buffer, uint32_t size, uint32_t* inSize);
  void clearCallLog();
  int advanceCommands();
  int waitEventsDrained(uint32_t timeoutMs);
  int waitIdle(uint32_t timeoutMs);
  uint32_t lastError(char* buffer, uint32_t size);

 private:
  enum class Source { None, File, Inline };

  uint32_t dispatch(uint32_t opcode, void* in, void* out);
  uint32_t initialize(void* in);
  uint32_t shutdown();
  uint32_t registerCallback(void* in, void* out);
  uint32_t unregisterCallback(void* out);
  uint32_t modelCall(uint32_t opcode, void* in, void* out);
  bool takeFailure(uint32_t opcode, const void* in, uint32_t& status);
  void waitWhileHeld(uint32_t opcode);
  void logCall(uint32_t opcode, uint32_t status, std::vector<unsigned char> input);
  std::string loadTopologyForStart();
  void publish(const Events& events);
  // Applies one change to the model under the lock and queues its events.
  template <typename Change>
  int change(Change apply);
  void openControl();
  void closeControl();
  void tick();
  int fail(const std::string& reason);
  // Called with mutex_ held.
  std::chrono::milliseconds interval() { return std::chrono::milliseconds(std::max(1u, model_.settings().lrcIntervalMs)); }

  SimModel model_;

  std::mutex mutex_;  // model_, started_, the topology source
  bool started_ = false;
  bool loaded_ = false;
  Source source_ = Source::None;
  std::string sourcePath_;
  std::string sourceText_;

  std::mutex logMutex_;  // calls_, failures_, lastError_
  std::vector<CallRecord> calls_;
  std::map<std::pair<uint32_t, uint32_t>, Failure> failures_;
  std::string lastError_;

  std::mutex holdMutex_;  // heldOpcodes_, waitingCalls_
  std::condition_variable holdChanged_;
  std::set<uint32_t> heldOpcodes_;
  uint32_t waitingCalls_ = 0;

  SimEventPump pump_;

  // Last, so that it goes first: its thread calls into everything above.
  std::mutex controlMutex_;
  std::unique_ptr<SimControlServer> control_;
};

Library& library() {
  static Library instance;
  return instance;
}

std::string ownDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&VrlInvokeMethod), &info) == 0 || !info.dli_fname) return ".";
  std::string path = info.dli_fname;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool readFile(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  text = content.str();
  return true;
}

uint32_t Library::invoke(uint32_t opcode, void* in, void* out) {
  waitWhileHeld(opcode);
  std::vector<unsigned char> input;
  if (opcode == VrlOpcode::INITIALIZE) {
    const char* const* name = static_cast<const char* const*>(in);
    if (name && *name) input.assign(*name, *name + std::strlen(*name));
  } else if (in) {
    const auto* bytes = static_cast<const unsigned char*>(in);
    input.assign(bytes, bytes + inputSize(opcode));
  }
  uint32_t status = 0;
  if (!takeFailure(opcode, in, status)) status = dispatch(opcode, in, out);
  logCall(opcode, status, std::move(input));
  return status;
}

bool Library::takeFailure(uint32_t opcode, const void* in, uint32_t& status) {
  std::lock_guard<std::mutex> lock(logMutex_);
  if (failures_.empty()) return false;
  auto it = failures_.find({opcode, VRLSIM_ANY_CONTROLLER});
  if (it == failures_.end() && in && namesController(opcode))
    it = failures_.find({opcode, *static_cast<const uint8_t*>(in)});
  if (it == failures_.end()) return false;
  status = it->second.status;
  if (it->second.remaining > 0 && --it->second.remaining == 0) failures_.erase(it);
  return true;
}

void Library::logCall(uint32_t opcode, uint32_t status, std::vector<unsigned char> input) {
  std::lock_guard<std::mutex> lock(logMutex_);
  if (calls_.size() >= kMaxLoggedCalls) calls_.erase(calls_.begin(), calls_.begin() + kMaxLoggedCalls / 2);
  // A test that drives the library through a server in another process
  // reads the calls from this file.
  static const char* const callLogFile = std::getenv("ORV_VRLIB_CALL_LOG");
  if (callLogFile && *callLogFile && opcode != VrlOpcode::INITIALIZE) {
    if (std::FILE* file = std::fopen(callLogFile, "a")) {
      std::fprintf(file, "%u %u ", opcode, status);
      for (unsigned char byte : input) std::fprintf(file, "%02x", byte);
      std::fprintf(file, "\n");
      std::fclose(file);
    }
  }
  calls_.push_back(CallRecord{opcode, status, std::move(input)});
}

uint32_t Library::dispatch(uint32_t opcode, void* in, void* out) {
  switch (opcode) {
    case VrlOpcode::INITIALIZE: return initialize(in);
    case VrlOpcode::SHUTDOWN: return shutdown();
    case VrlOpcode::REGISTER_AEN: return registerCallback(in, out);
    case VrlOpcode::UNREGISTER_AEN: return unregisterCallback(out);
    default: return modelCall(opcode, in, out);
  }
}

std::string Library::loadTopologyForStart() {
  if (source_ == Source::Inline) return {};
  std::string path, text;
  const char* configured = std::getenv("ORV_VRLIB_TOPOLOGY");
  if (configured && *configured) {
    path = configured;
    if (!readFile(path, text)) return "cannot read topology file " + path;
  } else {
    path = ownDirectory() + "/VRLib.topology.json";
    if (!readFile(path, text)) {
      path.clear();  // no file beside the library: no controllers
      text = "{}";
    }
  }
  // An unchanged topology keeps the configuration made since it was read,
  // as a restarted controller keeps its arrays.
  if (loaded_ && source_ == Source::File && path == sourcePath_ && text == sourceText_) return {};
  nlohmann::json topology = nlohmann::json::parse(text, nullptr, false);
  if (topology.is_discarded()) return "topology " + path + ": not valid JSON";
  std::string error = model_.load(topology);
  if (!error.empty()) return "topology " + path + ": " + error;
  loaded_ = true;
  source_ = Source::File;
  sourcePath_ = path;
  sourceText_ = text;
  return {};
}

uint32_t Library::initialize(void* in) {
  const char* const* name = static_cast<const char* const*>(in);
  if (!name || !*name) return VrlStatus::InvalidArgument;
  std::chrono::milliseconds tickInterval;
  uint32_t status;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_) return VrlStatus::Success;
    const std::string error = loadTopologyForStart();
    if (!error.empty()) {
      std::fprintf(stderr, "VRLib: %s\n", error.c_str());
      fail(error);
      return VrlStatus::LibraryUnusable;
    }
    status = model_.settings().initializeStatus;
    if (status != VrlStatus::Success && status != VrlStatus::NotFoundOrWrongState) return status;
    started_ = true;
    tickInterval = interval();
  }
  pump_.start([this] { tick(); }, tickInterval);
  openControl();
  return status;
}

uint32_t Library::shutdown() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_) return VrlStatus::NotPermitted;
    started_ = false;
  }
  // A restart from inside the event callback keeps the registration and the
  // control socket, as the caller expects events to go on after it; any
  // other stop forgets the registration and closes the socket.
  const bool restart = pump_.onPumpThread();
  if (!restart) pump_.setCallback(nullptr);
  pump_.stop();
  if (!restart) closeControl();
  return VrlStatus::Success;
}

// The installation asks for a control socket through the environment or,
// where the CIM server rewrites a provider's environment, through the file
// VRLib.control beside the library: its first line is the socket's path,
// relative to the library's folder unless absolute.
std::string controlSocketPath() {
  const char* configured = std::getenv("ORV_VRLIB_CONTROL_SOCKET");
  if (configured && *configured) return configured;
  std::string text;
  if (!readFile(ownDirectory() + "/VRLib.control", text)) return {};
  std::string path = text.substr(0, text.find('\n'));
  while (!path.empty() && (path.back() == '\r' || path.back() == ' ' || path.back() == '\t')) path.pop_back();
  if (!path.empty() && path[0] != '/') path = ownDirectory() + "/" + path;
  return path;
}

void Library::openControl() {
  std::lock_guard<std::mutex> lock(controlMutex_);
  if (control_) return;
  const std::string path = controlSocketPath();
  if (path.empty()) return;
  std::string error;
  control_ = SimControlServer::open(path, handleControlRequest, error);
  if (!control_) std::fprintf(stderr, "VRLib: no control socket: %s\n", error.c_str());
}

void Library::closeControl() {
  std::unique_ptr<SimControlServer> closing;
  {
    std::lock_guard<std::mutex> lock(controlMutex_);
    closing = std::move(control_);
  }
  // Joined without the lock: a request in progress may need the library.
  closing.reset();
}

uint32_t Library::registerCallback(void* in, void* out) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_) return VrlStatus::NotPermitted;
  }
  const auto* registration = static_cast<const VrlRegisterAenIn*>(in);
  if (!registration || registration->callbackAddress == 0) return VrlStatus::InvalidArgument;
  pump_.setCallback(reinterpret_cast<VrlEventCallback>(static_cast<uintptr_t>(registration->callbackAddress)));
  if (out) std::memset(out, 0, 4);
  return VrlStatus::Success;
}

uint32_t Library::unregisterCallback(void* out) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_) return VrlStatus::NotPermitted;
  }
  pump_.setCallback(nullptr);
  if (out) std::memset(out, 0, 4);
  return VrlStatus::Success;
}

// A controller marks the property events that follow from a change an
// application asked for: that application knows the change already, so an
// event that finds nothing new for it may be dropped. Changes the hardware
// makes on its own (failures, pulled disks, finished commands) stay unmarked.
void markAsRequested(SimModel::Events& events) {
  for (VrlEventRecord& event : events) {
    const uint32_t code = event.eventCode;
    if (code == VrlEventCode::ControllerChanged || code == VrlEventCode::VolumeChanged ||
        code == VrlEventCode::DiskChanged)
      event.changedAttr = VrlChangedAttr::Redundant;
  }
}

template <typename Record>
Record& as(void* pointer) {
  return *static_cast<Record*>(pointer);
}

uint32_t Library::modelCall(uint32_t opcode, void* in, void* out) {
  namespace Op = VrlOpcode;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!started_) return VrlStatus::NotPermitted;
  const bool needsIn = inputSize(opcode) > 0;
  if (needsIn && !in) return VrlStatus::InvalidArgument;
  const uint8_t contrId = in ? *static_cast<const uint8_t*>(in) : 0;
  Events events;
  uint32_t status = VrlStatus::NotSupported;
  // Out records that every answer needs; the rest may be null.
  auto needOut = [&] { return out != nullptr; };
  switch (opcode) {
    case Op::GET_INTERFACE_VERSION:
      if (!needOut()) return VrlStatus::InvalidArgument;
      as<uint32_t>(out) = model_.settings().interfaceVersion;
      return VrlStatus::Success;
    case Op::GET_VERSION:
      if (!needOut()) return VrlStatus::InvalidArgument;
      as<VrlVersionRecord>(out) = model_.settings().libraryVersion;
      return VrlStatus::Success;
    case Op::GET_DRIVER_VERSION: {
      if (!needOut()) return VrlStatus::InvalidArgument;
      SimController* c = model_.controller(contrId);
      if (!c) return VrlStatus::NotFoundOrWrongState;
      as<VrlVersionRecord>(out) = c->driver;
      return VrlStatus::Success;
    }
    case Op::GET_CONTR_LIST:
      if (!needOut()) return VrlStatus::InvalidArgument;
      model_.controllerList(as<VrlControllerList>(out));
      return as<VrlControllerList>(out).count ? VrlStatus::Success : VrlStatus::NotFoundOrWrongState;
    case Op::GET_CONTR_PROPS: {
      if (!needOut()) return VrlStatus::InvalidArgument;
      SimController* c = model_.controller(contrId);
      if (!c) return VrlStatus::NotFoundOrWrongState;
      as<VrlControllerRecord>(out) = c->rec;
      return VrlStatus::Success;
    }
    case Op::GET_CONTR_PROPS_DEFAULTS: {
      if (!needOut()) return VrlStatus::InvalidArgument;
      SimController* c = model_.controller(contrId);
      if (!c) return VrlStatus::NotFoundOrWrongState;
      as<VrlContrDefaults>(out) = c->defaults;
      return VrlStatus::Success;
    }
    case Op::GET_VD_LIST:
      return needOut() ? model_.volumeList(contrId, as<VrlVolumeList>(out)) : VrlStatus::InvalidArgument;
    case Op::GET_VD_PROPS:
      return needOut() ? model_.volumeProps(as<VrlVolumeKey>(in), as<VrlVolumeRecord>(out))
                       : VrlStatus::InvalidArgument;
    case Op::GET_ALL_VD_PROPS:
      return needOut() ? model_.allVolumeProps(contrId, as<VrlAllVolumes>(out)) : VrlStatus::InvalidArgument;
    case Op::GET_PD_PROPS:
      return needOut() ? model_.diskProps(as<VrlDiskKey>(in), as<VrlPhysDiskRecord>(out))
                       : VrlStatus::InvalidArgument;
    case Op::GET_ALL_PD_PROPS:
      return needOut() ? model_.allDiskProps(contrId, as<VrlPhysDiskList>(out)) : VrlStatus::InvalidArgument;
    case Op::GET_ALL_ENCLR_PROPS:
      return needOut() ? model_.enclosures(contrId, as<VrlEnclosureList>(out)) : VrlStatus::InvalidArgument;
    case Op::GET_BATT_PROPS:
      return needOut() ? model_.battery(contrId, as<VrlBatteryRecord>(out)) : VrlStatus::InvalidArgument;
    case Op::GET_ALL_LRC_STATUS:
      return needOut() ? model_.lrcStatus(contrId, as<VrlLrcStatusOut>(out)) : VrlStatus::InvalidArgument;
    case Op::GET_DEVICE_FLAGS:
      return needOut() ? model_.deviceFlags(as<VrlDeviceFlagsIn>(in), as<uint32_t>(out))
                       : VrlStatus::InvalidArgument;
    case Op::GET_FW_ERROR_DTLS: {
      if (!needOut()) return VrlStatus::InvalidArgument;
      VrlFwErrorOut& text = as<VrlFwErrorOut>(out);
      std::memset(&text, 0, sizeof text);
      copyText(text.fwErrorDesc, sizeof text.fwErrorDesc - 1, firmwareErrorText(as<VrlFwErrorIn>(in).fwErrorCode));
      return VrlStatus::Success;
    }
    case Op::SET_CONTR_PROPS: {
      if (!needOut()) return VrlStatus::InvalidArgument;
      uint32_t mask = 0;
      status = model_.setControllerProps(as<VrlSetContrPropsIn>(in), mask, events);
      if (status == VrlStatus::Success) as<uint32_t>(out) = mask;
      break;
    }
    case Op::SET_VD_PROPS: {
      if (!needOut()) return VrlStatus::InvalidArgument;
      uint32_t mask = 0;
      status = model_.setVolumeProps(as<VrlSetVolumePropsIn>(in), mask, events);
      if (status == VrlStatus::Success) as<uint32_t>(out) = mask;
      break;
    }
    case Op::CREATE_VOLUME: {
      if (!needOut()) return VrlStatus::InvalidArgument;
      uint32_t index = 0;
      status = model_.createVolume(as<VrlCreateVolumeIn>(in), index, events);
      if (status == VrlStatus::Success) as<VrlCreateVolumeOut>(out).vdIndex = index;
      break;
    }
    case Op::DELETE_VOLUME: status = model_.deleteVolume(as<VrlVolumeKey>(in), events); break;
    case Op::ACTIVATE_VOLUME: status = model_.activateVolume(as<VrlActivateVolumeIn>(in), events); break;
    case Op::RESYNC_VOLUME: status = model_.resyncVolume(as<VrlVolumeKey>(in), events); break;
    case Op::REBUILD_VOLUME: status = model_.rebuildDisk(as<VrlDiskKey>(in), events); break;
    case Op::FAST_INIT_VOLUME: status = model_.fastInitVolume(as<VrlFastInitIn>(in), events); break;
    case Op::CREATE_HOT_SPARE: status = model_.hotSpares(as<VrlHotSpareIn>(in), true, events); break;
    case Op::DELETE_HOT_SPARE: status = model_.hotSpares(as<VrlHotSpareIn>(in), false, events); break;
    case Op::LOCATE_DEVICE: status = model_.locate(as<VrlLocateDeviceIn>(in)); break;
    case Op::CLEAR_META_DATA: status = model_.clearMetadata(as<VrlDiskKey>(in), events); break;
    case Op::DOWNLOAD_CONTR_FW: status = model_.downloadFirmware(as<VrlDownloadFwIn>(in), events); break;
    case Op::CLEAR_CONTR_CONFIG:
      if (!needOut()) return VrlStatus::InvalidArgument;
      status = model_.clearConfiguration(contrId, as<VrlClearConfigOut>(out), events);
      break;
    default:
      return VrlStatus::NotSupported;
  }
  markAsRequested(events);
  publish(events);
  return status;
}

void Library::publish(const Events& events) {
  for (const VrlEventRecord& event : events) pump_.post(event);
}

void Library::tick() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!started_ || !model_.anyCommandRunning()) return;
  Events events;
  model_.advanceCommands(events);
  publish(events);
}

int Library::fail(const std::string& reason) {
  std::lock_guard<std::mutex> lock(logMutex_);
  lastError_ = reason;
  return -1;
}

// ---- Control interface --------------------------------------------------------

int Library::reset() {
  shutdown();
  pump_.setCallback(nullptr);
  pump_.stop();
  closeControl();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    model_.clear();
    loaded_ = false;
    source_ = Source::None;
    sourcePath_.clear();
    sourceText_.clear();
  }
  {
    std::lock_guard<std::mutex> lock(holdMutex_);
    heldOpcodes_.clear();
  }
  holdChanged_.notify_all();
  std::lock_guard<std::mutex> lock(logMutex_);
  calls_.clear();
  failures_.clear();
  lastError_.clear();
  return 0;
}

int Library::loadTopologyText(const char* text) {
  if (!text) return fail("no topology text");
  nlohmann::json topology = nlohmann::json::parse(text, nullptr, false);
  if (topology.is_discarded()) return fail("topology text is not valid JSON");
  std::chrono::milliseconds tickInterval;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string error = model_.load(topology);
    if (!error.empty()) return fail(error);
    loaded_ = true;
    source_ = Source::Inline;
    tickInterval = interval();
  }
  pump_.setInterval(tickInterval);
  return 0;
}

int Library::setProperty(int kind, uint32_t contrId, uint32_t id, const char* name, const char* value, bool event) {
  if (!name || !value) return fail("name and value are required");
  if (kind < 0 || kind > static_cast<int>(SimObjectKind::Defaults)) return fail("unknown object kind");
  std::chrono::milliseconds tickInterval;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Events events;
    const std::string error =
        model_.setProperty(static_cast<SimObjectKind>(kind), contrId, id, name, value, event, events);
    if (!error.empty()) return fail(error);
    publish(events);
    tickInterval = interval();
  }
  pump_.setInterval(tickInterval);
  return 0;
}

int Library::getProperty(int kind, uint32_t contrId, uint32_t id, const char* name, char* buffer, uint32_t size) {
  if (!name || !buffer || size == 0) return fail("name and buffer are required");
  if (kind < 0 || kind > static_cast<int>(SimObjectKind::Defaults)) return fail("unknown object kind");
  std::string value;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string error = model_.getProperty(static_cast<SimObjectKind>(kind), contrId, id, name, value);
    if (!error.empty()) return fail(error);
  }
  if (value.size() >= size) return fail("buffer too small");
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  return 0;
}

template <typename Change>
int Library::change(Change apply) {
  std::lock_guard<std::mutex> lock(mutex_);
  Events events;
  const std::string error = apply(events);
  if (!error.empty()) return fail(error);
  publish(events);
  return 0;
}

int Library::addDisk(uint32_t contrId, const char* diskJson) {
  nlohmann::json disk = nlohmann::json::parse(diskJson ? diskJson : "{}", nullptr, false);
  if (disk.is_discarded()) return fail("disk description is not valid JSON");
  return change([&](Events& events) { return model_.addDisk(contrId, disk, events); });
}

int Library::pullDisk(uint32_t contrId, uint32_t compPdId) {
  return change([&](Events& events) { return model_.pullDisk(contrId, compPdId, events); });
}

int Library::failDisk(uint32_t contrId, uint32_t compPdId) {
  return change([&](Events& events) { return model_.failDisk(contrId, compPdId, events); });
}

int Library::batteryAlert(uint32_t contrId) {
  return change([&](Events& events) { return model_.batteryAlert(contrId, events); });
}

int Library::enclosureAlert(uint32_t contrId) {
  return change([&](Events& events) { return model_.enclosureAlert(contrId, events); });
}

int Library::controllerEvent(uint32_t contrId, uint32_t code, const char* description) {
  return change([&](Events& events) {
    return model_.controllerNotice(contrId, code, description ? description : "", events);
  });
}

int Library::injectEvent(const void* record, uint32_t size) {
  if (!record || size == 0) return fail("no event record");
  VrlEventRecord event;
  std::memset(&event, 0, sizeof event);
  std::memcpy(&event, record, std::min<size_t>(size, sizeof event));
  std::lock_guard<std::mutex> lock(mutex_);
  if (!started_) return fail("the library is not started");
  pump_.post(event);
  return 0;
}

int Library::failOpcode(uint32_t opcode, uint32_t contrId, uint32_t status, int32_t times) {
  std::lock_guard<std::mutex> lock(logMutex_);
  if (times == 0) failures_.erase({opcode, contrId});
  else failures_[{opcode, contrId}] = Failure{status, times};
  return 0;
}

void Library::clearFailures() {
  std::lock_guard<std::mutex> lock(logMutex_);
  failures_.clear();
}

void Library::waitWhileHeld(uint32_t opcode) {
  std::unique_lock<std::mutex> lock(holdMutex_);
  if (!heldOpcodes_.count(opcode)) return;
  ++waitingCalls_;
  holdChanged_.notify_all();
  holdChanged_.wait(lock, [&] { return !heldOpcodes_.count(opcode); });
  --waitingCalls_;
}

int Library::holdOpcode(uint32_t opcode, bool held) {
  {
    std::lock_guard<std::mutex> lock(holdMutex_);
    if (held) heldOpcodes_.insert(opcode);
    else heldOpcodes_.erase(opcode);
  }
  holdChanged_.notify_all();
  return 0;
}

uint32_t Library::heldCalls() {
  std::lock_guard<std::mutex> lock(holdMutex_);
  return waitingCalls_;
}

uint32_t Library::callCount() {
  std::lock_guard<std::mutex> lock(logMutex_);
  return static_cast<uint32_t>(calls_.size());
}

int Library::getCall(uint32_t index, uint32_t* opcode, uint32_t* status, void* buffer, uint32_t size,
                     uint32_t* inSize) {
  std::lock_guard<std::mutex> lock(logMutex_);
  if (index >= calls_.size()) {
    lastError_ = "no call " + std::to_string(index);
    return -1;
  }
  const CallRecord& call = calls_[index];
  if (opcode) *opcode = call.opcode;
  if (status) *status = call.status;
  if (inSize) *inSize = static_cast<uint32_t>(call.input.size());
  if (buffer && size && !call.input.empty())
    std::memcpy(buffer, call.input.data(), std::min<size_t>(size, call.input.size()));
  return 0;
}

void Library::clearCallLog() {
  std::lock_guard<std::mutex> lock(logMutex_);
  calls_.clear();
}

int Library::advanceCommands() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!started_) return fail("the library is not started");
  Events events;
  model_.advanceCommands(events);
  publish(events);
  return 0;
}

int Library::waitEventsDrained(uint32_t timeoutMs) {
  return pump_.waitDrained(std::chrono::milliseconds(timeoutMs)) ? 0 : fail("events still pending");
}

int Library::waitIdle(uint32_t timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    bool running;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      running = started_ && model_.anyCommandRunning();
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (!running && pump_.waitDrained(std::max(left, std::chrono::milliseconds(0)))) return 0;
    if (Clock::now() >= deadline) return fail("commands or events still pending");
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

uint32_t Library::lastError(char* buffer, uint32_t size) {
  std::lock_guard<std::mutex> lock(logMutex_);
  if (buffer && size) {
    const size_t length = std::min<size_t>(size - 1, lastError_.size());
    std::memcpy(buffer, lastError_.data(), length);
    buffer[length] = '\0';
  }
  return static_cast<uint32_t>(lastError_.size());
}

}  // namespace
}  // namespace orv::vrlsim

using orv::vrlsim::library;

VRL_EXPORT uint32_t VrlInvokeMethod(uint32_t opcode, void* in, void* out) { return library().invoke(opcode, in, out); }

VRL_EXPORT int VrlSimReset(void) { return library().reset(); }
VRL_EXPORT int VrlSimLoadTopologyText(const char* json) { return library().loadTopologyText(json); }
VRL_EXPORT int VrlSimSetProperty(int kind, uint32_t contrId, uint32_t id, const char* name, const char* value,
                                 int raiseEvent) {
  return library().setProperty(kind, contrId, id, name, value, raiseEvent != 0);
}
VRL_EXPORT int VrlSimGetProperty(int kind, uint32_t contrId, uint32_t id, const char* name, char* buffer,
                                 uint32_t bufferSize) {
  return library().getProperty(kind, contrId, id, name, buffer, bufferSize);
}
VRL_EXPORT int VrlSimAddDisk(uint32_t contrId, const char* diskJson) { return library().addDisk(contrId, diskJson); }
VRL_EXPORT int VrlSimPullDisk(uint32_t contrId, uint32_t compPdId) { return library().pullDisk(contrId, compPdId); }
VRL_EXPORT int VrlSimFailDisk(uint32_t contrId, uint32_t compPdId) { return library().failDisk(contrId, compPdId); }
VRL_EXPORT int VrlSimBatteryAlert(uint32_t contrId) { return library().batteryAlert(contrId); }
VRL_EXPORT int VrlSimEnclosureAlert(uint32_t contrId) { return library().enclosureAlert(contrId); }
VRL_EXPORT int VrlSimControllerEvent(uint32_t contrId, uint32_t eventCode, const char* description) {
  return library().controllerEvent(contrId, eventCode, description);
}
VRL_EXPORT int VrlSimInjectEvent(const void* record, uint32_t size) { return library().injectEvent(record, size); }
VRL_EXPORT int VrlSimFailOpcode(uint32_t opcode, uint32_t contrId, uint32_t status, int32_t times) {
  return library().failOpcode(opcode, contrId, status, times);
}
VRL_EXPORT void VrlSimClearFailures(void) { library().clearFailures(); }
VRL_EXPORT int VrlSimHoldOpcode(uint32_t opcode, int held) { return library().holdOpcode(opcode, held != 0); }
VRL_EXPORT uint32_t VrlSimHeldCalls(void) { return library().heldCalls(); }
VRL_EXPORT uint32_t VrlSimCallCount(void) { return library().callCount(); }
VRL_EXPORT int VrlSimGetCall(uint32_t index, uint32_t* opcode, uint32_t* status, void* inBuffer, uint32_t bufferSize,
                             uint32_t* inSize) {
  return library().getCall(index, opcode, status, inBuffer, bufferSize, inSize);
}
VRL_EXPORT void VrlSimClearCallLog(void) { library().clearCallLog(); }
VRL_EXPORT int VrlSimAdvanceCommands(void) { return library().advanceCommands(); }
VRL_EXPORT int VrlSimWaitEventsDrained(uint32_t timeoutMs) { return library().waitEventsDrained(timeoutMs); }
VRL_EXPORT int VrlSimWaitIdle(uint32_t timeoutMs) { return library().waitIdle(timeoutMs); }
VRL_EXPORT uint32_t VrlSimLastError(char* buffer, uint32_t bufferSize) {
  return library().lastError(buffer, bufferSize);
}
