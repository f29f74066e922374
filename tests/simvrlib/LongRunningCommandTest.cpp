// Long-running commands: their progress events, and what a running one
// blocks until it completes.
#include "SimLibraryFixture.h"

namespace simtest {
namespace {

class LongRunningCommand : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    start();
  }
  // Progress entries of all LRC events so far, in order.
  std::vector<VrlLrcEventEntry> progress() {
    std::vector<VrlLrcEventEntry> entries;
    for (const VrlEventRecord& e : drainedEvents())
      if (e.eventCode == VrlEventCode::LrcProgress)
        entries.insert(entries.end(), e.lrcEntries, e.lrcEntries + e.changedAttr);
    return entries;
  }
};

TEST_F(LongRunningCommand, ResyncBlocksSecondCommandUntilDone) {
  VrlVolumeKey volume{0, {}, 0};
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::RESYNC_VOLUME, &volume, nullptr));
  EXPECT_EQ(VrlStatus::NotPermitted, call(VrlOpcode::RESYNC_VOLUME, &volume, nullptr));
  VrlFastInitIn init{0, {}, 0, 1};
  EXPECT_EQ(VrlStatus::NotPermitted, call(VrlOpcode::FAST_INIT_VOLUME, &init, nullptr));
  VrlDeviceFlagsIn query{0, {}, 0, VrlDeviceType::VirtualDisk};
  uint32_t flags = 0;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::GET_DEVICE_FLAGS, &query, &flags));
  EXPECT_EQ(VrlDeviceFlags::VdBootVolume | VrlDeviceFlags::VdCommandRunning, flags);

  for (int i = 0; i < 10; ++i) ASSERT_EQ(0, sim.VrlSimAdvanceCommands());
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::GET_DEVICE_FLAGS, &query, &flags));
  EXPECT_EQ(VrlDeviceFlags::VdBootVolume | VrlDeviceFlags::VdResyncCandidate, flags);
  std::vector<VrlLrcEventEntry> entries = progress();
  ASSERT_EQ(11u, entries.size());
  EXPECT_EQ(VrlLrcType::Resync, entries.back().lrcType);
  EXPECT_EQ(VrlLrcStatus::Completed, entries.back().lrcStatus);
  EXPECT_EQ(VrlStatus::Success, call(VrlOpcode::FAST_INIT_VOLUME, &init, nullptr));
}

}  // namespace
}  // namespace simtest
