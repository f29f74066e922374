// Delivery of events on the library's own thread, in order and never after
// a stop. Calls from many threads at once are the binding's concurrency
// tests', which drive the library from its event, control and request
// threads together.
#include <atomic>

#include "SimLibraryFixture.h"

namespace simtest {
namespace {

class EventDelivery : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    start();
  }
  void renameVolume(const char* name) {
    VrlSetVolumePropsIn rename{};
    rename.changeMask = kVrlVolumeNameChange;
    std::memcpy(rename.volumeName, name, std::strlen(name));
    uint32_t mask = 0;
    ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::SET_VD_PROPS, &rename, &mask));
  }
};

TEST_F(EventDelivery, EventsKeepTheirOrderOnOneThread) {
  for (int i = 0; i < 20; ++i) renameVolume(("Name" + std::to_string(i)).c_str());
  std::vector<VrlEventRecord> events = drainedEvents();
  ASSERT_EQ(20u, events.size());
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ("Virtual disk 0 renamed to Name" + std::to_string(i), std::string(events[i].description));
  std::vector<std::thread::id> threads = EventLog::get().threads();
  for (const std::thread::id& thread : threads) EXPECT_EQ(threads[0], thread);
}

TEST_F(EventDelivery, UnregisterAndShutdownStopDelivery) {
  uint32_t area = 0;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::UNREGISTER_AEN, &area, &area));
  renameVolume("Unheard");
  EXPECT_EQ(0, sim.VrlSimWaitEventsDrained(5000));
  EXPECT_TRUE(EventLog::get().events().empty());

  // A slow callback still running when SHUTDOWN is asked for finishes
  // before SHUTDOWN returns, and nothing follows it.
  VrlRegisterAenIn registration{};
  registration.callbackAddress = reinterpret_cast<uintptr_t>(&recordEvent);
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::REGISTER_AEN, &registration, &area));
  std::atomic<bool> inCallback{false};
  std::atomic<bool> callbackDone{false};
  EventLog::get().setHook([&](const VrlEventRecord&) {
    inCallback = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    callbackDone = true;
  });
  renameVolume("First");
  renameVolume("Second");
  while (!inCallback) std::this_thread::yield();
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::SHUTDOWN, nullptr, nullptr));
  EXPECT_TRUE(callbackDone);
  const size_t delivered = EventLog::get().events().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(delivered, EventLog::get().events().size());
  EXPECT_EQ(1u, delivered);
}

}  // namespace
}  // namespace simtest
