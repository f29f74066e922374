// Long-running commands: progress events, status queries and what changes
// when they complete.
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
  void runCommandsOnTheirOwn() {
    ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_LIBRARY, 0, 0, "lrcStep", "50", 0));
    ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_LIBRARY, 0, 0, "lrcIntervalMs", "5", 0));
  }
};

TEST_F(LongRunningCommand, RebuildOfAFailedMemberReportsProgressAndRestoresTheVolume) {
  ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_CONTROLLER, 0, 0, "autoRebuild", "0", 0));
  ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_LIBRARY, 0, 0, "lrcStep", "25", 0));
  ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_DISK, 0, 1, "state", "1", 1));
  EXPECT_EQ(std::to_string(VrlVolumeState::Degraded), sim.property(VRLSIM_VOLUME, 0, 0, "state"));
  EXPECT_EQ((std::vector<uint32_t>{VrlEventCode::DiskChanged, VrlEventCode::VolumeChanged}),
            eventCodes(drainedEvents()));

  VrlDeviceFlagsIn query{0, {}, 1, VrlDeviceType::PhysicalDisk};
  uint32_t flags = 0;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::GET_DEVICE_FLAGS, &query, &flags));
  EXPECT_TRUE(flags & VrlDeviceFlags::PdRebuildCandidate);

  VrlDiskKey disk{0, {}, 1};
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::REBUILD_VOLUME, &disk, nullptr));
  EXPECT_EQ(VrlStatus::NotPermitted, call(VrlOpcode::REBUILD_VOLUME, &disk, nullptr));
  EXPECT_EQ(std::to_string(VrlVolumeState::Rebuilding), sim.property(VRLSIM_VOLUME, 0, 0, "state"));
  ASSERT_EQ(0, sim.VrlSimAdvanceCommands());

  uint8_t contrId = 0;
  VrlLrcStatusOut status{};
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::GET_ALL_LRC_STATUS, &contrId, &status));
  ASSERT_EQ(1, status.lrcCount);
  EXPECT_EQ(1u, status.entries[0].deviceId);
  EXPECT_EQ(VrlDeviceType::PhysicalDisk, status.entries[0].deviceType);
  EXPECT_EQ(VrlLrcType::Rebuild, status.entries[0].lrcType);
  EXPECT_EQ(VrlLrcStatus::Running, status.entries[0].lrcStatus);
  EXPECT_EQ(25, status.entries[0].progPercentage);

  ASSERT_EQ(0, sim.VrlSimWaitEventsDrained(5000));
  EventLog::get().clear();
  for (int i = 0; i < 3; ++i) ASSERT_EQ(0, sim.VrlSimAdvanceCommands());
  std::vector<VrlEventRecord> events = drainedEvents();
  ASSERT_EQ((std::vector<uint32_t>{VrlEventCode::LrcProgress, VrlEventCode::LrcProgress, VrlEventCode::LrcProgress,
                                   VrlEventCode::DiskChanged, VrlEventCode::VolumeChanged}),
            eventCodes(events));
  EXPECT_EQ(50, events[0].lrcEntries[0].progPercentage);
  EXPECT_EQ(100, events[2].lrcEntries[0].progPercentage);
  EXPECT_EQ(VrlLrcStatus::Completed, events[2].lrcEntries[0].lrcStatus);
  EXPECT_EQ("0", sim.property(VRLSIM_DISK, 0, 1, "state"));
  EXPECT_EQ("0", sim.property(VRLSIM_VOLUME, 0, 0, "state"));
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::GET_ALL_LRC_STATUS, &contrId, &status));
  EXPECT_EQ(0, status.lrcCount);
}

TEST_F(LongRunningCommand, PulledMemberIsReplacedByTheHotSpareOnItsOwn) {
  runCommandsOnTheirOwn();
  ASSERT_EQ(0, sim.VrlSimPullDisk(0, 2)) << sim.lastError();
  ASSERT_EQ(0, sim.VrlSimWaitIdle(5000));

  EXPECT_EQ("0,1,3", sim.property(VRLSIM_VOLUME, 0, 0, "compPdId"));
  EXPECT_EQ("0", sim.property(VRLSIM_VOLUME, 0, 0, "state"));
  EXPECT_EQ("0", sim.property(VRLSIM_CONTROLLER, 0, 0, "hotspareCount"));
  EXPECT_EQ("0", sim.property(VRLSIM_VOLUME, 0, 0, "hsProtected"));
  std::vector<VrlEventRecord> events = drainedEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(VrlEventCode::DiskRemoved, events[0].eventCode);
  EXPECT_EQ(2u, events[0].deviceId);
  std::vector<VrlLrcEventEntry> entries = progress();
  ASSERT_EQ(3u, entries.size());
  EXPECT_EQ(3u, entries[0].deviceId);
  EXPECT_EQ(0, entries[0].progPercentage);
  EXPECT_EQ(50, entries[1].progPercentage);
  EXPECT_EQ(100, entries[2].progPercentage);
}

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
