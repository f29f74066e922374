// Loads the simulated library by path, as the provider does, and collects
// the events it delivers.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimControl.h"

namespace simtest {

// The library loaded once for the whole program, as the provider loads it.
inline orv::test::SimControl& simLibrary() {
  static orv::test::SimControl library = [] {
    orv::test::SimControl opened;
    if (!opened.open(VRLIB_PATH)) throw std::runtime_error(dlerror());
    return opened;
  }();
  return library;
}

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

 private:
  std::mutex mutex_;
  std::vector<VrlEventRecord> events_;
  std::vector<std::thread::id> threads_;
  std::function<void(const VrlEventRecord&)> hook_;
};

extern "C" inline void recordEvent(const VrlEventRecord* record) { EventLog::get().add(*record); }

template <typename T = uint32_t>
T at(const void* record, size_t offset) {
  T value;
  std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
  return value;
}
inline uint32_t u32At(const void* record, size_t offset) { return at<uint32_t>(record, offset); }
inline uint8_t u8At(const void* record, size_t offset) { return at<uint8_t>(record, offset); }
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
  orv::test::SimControl& sim = simLibrary();

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
