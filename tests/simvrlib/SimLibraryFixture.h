// Loads the simulated library by path, as the provider does, and collects
// the events it delivers.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "VrlRecords.h"
#include "VrlSimControl.h"

namespace simtest {

struct SimLibrary {
  void* handle = nullptr;
  VrlInvokeMethodFn invoke = nullptr;
#define SIM_FUNCTION(name) decltype(&::name) name = nullptr;
  SIM_FUNCTION(VrlSimReset)
  SIM_FUNCTION(VrlSimLoadTopologyText)
  SIM_FUNCTION(VrlSimSetProperty)
  SIM_FUNCTION(VrlSimGetProperty)
  SIM_FUNCTION(VrlSimAddDisk)
  SIM_FUNCTION(VrlSimPullDisk)
  SIM_FUNCTION(VrlSimInjectEvent)
  SIM_FUNCTION(VrlSimFailOpcode)
  SIM_FUNCTION(VrlSimClearFailures)
  SIM_FUNCTION(VrlSimCallCount)
  SIM_FUNCTION(VrlSimGetCall)
  SIM_FUNCTION(VrlSimClearCallLog)
  SIM_FUNCTION(VrlSimAdvanceCommands)
  SIM_FUNCTION(VrlSimWaitEventsDrained)
  SIM_FUNCTION(VrlSimWaitIdle)
  SIM_FUNCTION(VrlSimLastError)
#undef SIM_FUNCTION

  static SimLibrary& get() {
    static SimLibrary library = load();
    return library;
  }

  std::string lastError() const {
    char text[256];
    VrlSimLastError(text, sizeof text);
    return text;
  }

  std::string property(int kind, uint32_t contrId, uint32_t id, const char* name) const {
    char value[256] = {};
    if (VrlSimGetProperty(kind, contrId, id, name, value, sizeof value) != 0) return "<" + lastError() + ">";
    return value;
  }

 private:
  static SimLibrary load() {
    SimLibrary l;
    l.handle = dlopen(VRLIB_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!l.handle) throw std::runtime_error(dlerror());
    l.invoke = reinterpret_cast<VrlInvokeMethodFn>(dlsym(l.handle, "VrlInvokeMethod"));
#define SIM_RESOLVE(name) l.name = reinterpret_cast<decltype(l.name)>(dlsym(l.handle, #name));
    SIM_RESOLVE(VrlSimReset)
    SIM_RESOLVE(VrlSimLoadTopologyText)
    SIM_RESOLVE(VrlSimSetProperty)
    SIM_RESOLVE(VrlSimGetProperty)
    SIM_RESOLVE(VrlSimAddDisk)
    SIM_RESOLVE(VrlSimPullDisk)
    SIM_RESOLVE(VrlSimInjectEvent)
    SIM_RESOLVE(VrlSimFailOpcode)
    SIM_RESOLVE(VrlSimClearFailures)
    SIM_RESOLVE(VrlSimCallCount)
    SIM_RESOLVE(VrlSimGetCall)
    SIM_RESOLVE(VrlSimClearCallLog)
    SIM_RESOLVE(VrlSimAdvanceCommands)
    SIM_RESOLVE(VrlSimWaitEventsDrained)
    SIM_RESOLVE(VrlSimWaitIdle)
    SIM_RESOLVE(VrlSimLastError)
#undef SIM_RESOLVE
    return l;
  }
};

// Events as the callback saw them, with the thread that delivered each.
class EventLog {
 public:
  static EventLog& get() {
    static EventLog log;
    return log;
  }
  void add(const VrlEventRecord& record) {
    std::function<void(const VrlEventRecord&)> hook;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(record);
      threads_.push_back(std::this_thread::get_id());
      hook = hook_;
    }
    if (hook) hook(record);
    changed_.notify_all();
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
    threads_.clear();
    hook_ = nullptr;
  }
  std::vector<VrlEventRecord> events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  std::vector<std::thread::id> threads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
  }
  // Runs inside the callback, on the library's thread.
  void setHook(std::function<void(const VrlEventRecord&)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    hook_ = std::move(hook);
  }
  bool waitForCount(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<VrlEventRecord> events_;
  std::vector<std::thread::id> threads_;
  std::function<void(const VrlEventRecord&)> hook_;
};

extern "C" inline void recordEvent(const VrlEventRecord* record) { EventLog::get().add(*record); }

inline uint32_t u32At(const void* record, size_t offset) {
  uint32_t value;
  std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, 4);
  return value;
}
inline uint16_t u16At(const void* record, size_t offset) {
  uint16_t value;
  std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, 2);
  return value;
}
inline uint8_t u8At(const void* record, size_t offset) { return static_cast<const unsigned char*>(record)[offset]; }
inline std::string textAt(const void* record, size_t offset, size_t width) {
  const char* at = static_cast<const char*>(record) + offset;
  return std::string(at, strnlen(at, width));
}

inline std::vector<uint32_t> eventCodes(const std::vector<VrlEventRecord>& events) {
  std::vector<uint32_t> codes;
  for (const VrlEventRecord& e : events) codes.push_back(e.eventCode);
  return codes;
}

class SimTest : public ::testing::Test {
 protected:
  SimLibrary& sim = SimLibrary::get();

  void SetUp() override {
    unsetenv("ORV_VRLIB_TOPOLOGY");
    sim.VrlSimReset();
    EventLog::get().clear();
  }
  void TearDown() override {
    sim.VrlSimReset();
    EventLog::get().clear();
  }

  uint32_t call(uint32_t opcode, void* in, void* out) { return sim.invoke(opcode, in, out); }

  uint32_t initialize() {
    const char* name = "SMIS";
    return call(VrlOpcode::INITIALIZE, &name, nullptr);
  }

  // Starts the library on the given topology (or the one beside it), with
  // long-running commands stepped only by hand, and registers the callback.
  void start(const char* topology = nullptr) {
    if (topology) {
      ASSERT_EQ(0, sim.VrlSimLoadTopologyText(topology)) << sim.lastError();
    }
    ASSERT_EQ(VrlStatus::Success, initialize());
    ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_LIBRARY, 0, 0, "lrcIntervalMs", "3600000", 0));
    VrlRegisterAenIn registration{};
    registration.callbackAddress = reinterpret_cast<uintptr_t>(&recordEvent);
    uint32_t answer = 1;
    ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::REGISTER_AEN, &registration, &answer));
  }

  // Events delivered so far, once the queue is empty.
  std::vector<VrlEventRecord> drainedEvents() {
    EXPECT_EQ(0, sim.VrlSimWaitEventsDrained(5000));
    return EventLog::get().events();
  }
};

}  // namespace simtest
