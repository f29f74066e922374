// The control interface that tests use to steer the simulated hardware.
#include "SimLibraryFixture.h"

namespace simtest {
namespace {

class ControlInterface : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    start();
  }
  uint32_t readController(uint8_t contrId) {
    VrlControllerRecord record{};
    return call(VrlOpcode::GET_CONTR_PROPS, &contrId, &record);
  }
};

TEST_F(ControlInterface, FailureInjectionOnceAlwaysPerControllerAndCleared) {
  ASSERT_EQ(0, sim.VrlSimFailOpcode(VrlOpcode::GET_CONTR_PROPS, VRLSIM_ANY_CONTROLLER, 0x10000009, 1));
  EXPECT_EQ(0x10000009u, readController(0));
  EXPECT_EQ(VrlStatus::Success, readController(0));

  ASSERT_EQ(0, sim.VrlSimFailOpcode(VrlOpcode::GET_CONTR_PROPS, 1, VrlStatus::ControllerError, -1));
  EXPECT_EQ(VrlStatus::Success, readController(0));
  EXPECT_EQ(VrlStatus::ControllerError, readController(1));
  EXPECT_EQ(VrlStatus::ControllerError, readController(1));
  ASSERT_EQ(0, sim.VrlSimFailOpcode(VrlOpcode::GET_CONTR_PROPS, 1, 0, 0));
  EXPECT_EQ(VrlStatus::Success, readController(1));

  // A refused change has no effect.
  ASSERT_EQ(0, sim.VrlSimFailOpcode(VrlOpcode::DELETE_HOT_SPARE, VRLSIM_ANY_CONTROLLER, 0x77, -1));
  VrlHotSpareIn spare{};
  spare.pdCount = 1;
  spare.compPdId[0] = 3;
  EXPECT_EQ(0x77u, call(VrlOpcode::DELETE_HOT_SPARE, &spare, nullptr));
  EXPECT_EQ("1", sim.property(VRLSIM_DISK, 0, 3, "hotSpare"));
  sim.VrlSimClearFailures();
  EXPECT_EQ(VrlStatus::Success, call(VrlOpcode::DELETE_HOT_SPARE, &spare, nullptr));
}

TEST_F(ControlInterface, CallLogKeepsOpcodesStatusesAndInputBytes) {
  sim.VrlSimClearCallLog();
  VrlSetContrPropsIn settings{};
  settings.contrId = 1;
  settings.inputMask = VrlContrPropsMask::AutoRebuild | VrlContrPropsMask::CacheMode;
  settings.cacheModeEnabled = 1;
  uint32_t mask = 0;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::SET_CONTR_PROPS, &settings, &mask));
  VrlVolumeKey missing{0, {}, 6};
  VrlVolumeRecord volume{};
  call(VrlOpcode::GET_VD_PROPS, &missing, &volume);

  ASSERT_EQ(2u, sim.VrlSimCallCount());
  uint32_t opcode = 0, status = 0, size = 0;
  unsigned char bytes[64] = {};
  ASSERT_EQ(0, sim.VrlSimGetCall(0, &opcode, &status, bytes, sizeof bytes, &size));
  EXPECT_EQ(VrlOpcode::SET_CONTR_PROPS, opcode);
  EXPECT_EQ(VrlStatus::Success, status);
  EXPECT_EQ(sizeof(VrlSetContrPropsIn), size);
  EXPECT_EQ(1, bytes[0]);
  EXPECT_EQ(0x401, u16At(bytes, 48));
  EXPECT_EQ(1u, u32At(bytes, 40));
  ASSERT_EQ(0, sim.VrlSimGetCall(1, &opcode, &status, bytes, sizeof bytes, &size));
  EXPECT_EQ(VrlOpcode::GET_VD_PROPS, opcode);
  EXPECT_EQ(VrlStatus::InactiveVolume, status);
  EXPECT_EQ(6u, u32At(bytes, 4));
  EXPECT_EQ(-1, sim.VrlSimGetCall(2, &opcode, &status, bytes, sizeof bytes, &size));

  sim.VrlSimReset();
  initialize();
  ASSERT_EQ(0, sim.VrlSimGetCall(0, &opcode, &status, bytes, sizeof bytes, &size));
  EXPECT_EQ(VrlOpcode::INITIALIZE, opcode);
  EXPECT_EQ("SMIS", std::string(reinterpret_cast<char*>(bytes), size));
}

TEST_F(ControlInterface, PropertiesByNameWithOptionalEvent) {
  ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_DISK, 0, 4, "PFAErrorCount", "3", 0));
  ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_DISK, 0, 4, "WWN", "5000C500ABCDEF01", 1));
  ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_CONTROLLER, 1, 0, "productName", "Renamed card", 1));
  VrlDiskKey key{0, {}, 4};
  VrlPhysDiskRecord disk{};
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::GET_PD_PROPS, &key, &disk));
  EXPECT_EQ(3, disk.PFAErrorCount);
  EXPECT_EQ(0xAB, disk.WWN[4]);
  EXPECT_EQ("5000C500ABCDEF01", sim.property(VRLSIM_DISK, 0, 4, "WWN"));
  EXPECT_EQ("2.1.5", sim.property(VRLSIM_CONTROLLER, 0, 0, "biosVersion"));
  std::vector<VrlEventRecord> events = drainedEvents();
  ASSERT_EQ((std::vector<uint32_t>{VrlEventCode::DiskChanged, VrlEventCode::ControllerChanged}), eventCodes(events));
  EXPECT_EQ(4u, events[0].deviceId);
  EXPECT_EQ(1, events[1].contrId);

  EXPECT_EQ(-1, sim.VrlSimSetProperty(VRLSIM_DISK, 0, 4, "noSuchField", "1", 0));
  EXPECT_NE(std::string::npos, sim.lastError().find("noSuchField"));
  EXPECT_EQ(-1, sim.VrlSimSetProperty(VRLSIM_CONTROLLER, 0, 0, "productName", std::string(17, 'p').c_str(), 0));
  EXPECT_EQ(-1, sim.VrlSimSetProperty(VRLSIM_DISK, 0, 4, "PFAFlag", "256", 0));
  EXPECT_EQ(-1, sim.VrlSimSetProperty(VRLSIM_ENCLOSURE, 1, 0, "serialNumber", "X", 0));
  EXPECT_EQ(-1, sim.VrlSimSetProperty(VRLSIM_VOLUME, 0, 5, "state", "1", 0));
}

TEST_F(ControlInterface, AddedAndPulledDisksRaiseTheirEvents) {
  ASSERT_EQ(0, sim.VrlSimAddDisk(1, R"({"driveType": 1, "blockDevType": 0, "slotId": 5})")) << sim.lastError();
  EXPECT_EQ("4", sim.property(VRLSIM_CONTROLLER, 1, 0, "physDiskCount"));
  ASSERT_EQ(0, sim.VrlSimPullDisk(1, 3));
  EXPECT_EQ("3", sim.property(VRLSIM_CONTROLLER, 1, 0, "physDiskCount"));
  std::vector<VrlEventRecord> events = drainedEvents();
  ASSERT_EQ((std::vector<uint32_t>{VrlEventCode::DiskAdded, VrlEventCode::ControllerChanged, VrlEventCode::DiskRemoved,
                                   VrlEventCode::ControllerChanged}),
            eventCodes(events));
  EXPECT_EQ(3u, events[0].deviceId);
  EXPECT_EQ(5, events[0].slotId);
  EXPECT_EQ(3u, events[2].deviceId);

  EXPECT_EQ(-1, sim.VrlSimPullDisk(1, 3));
  EXPECT_EQ(-1, sim.VrlSimAddDisk(1, R"({"compPdId": 0})"));
  EXPECT_EQ(-1, sim.VrlSimAddDisk(1, "{not json"));
}

TEST_F(ControlInterface, ResetRestoresTheTopologyAndForgetsTheCallback) {
  ASSERT_EQ(0, sim.VrlSimPullDisk(0, 4));
  ASSERT_EQ(0, sim.VrlSimWaitEventsDrained(5000));
  sim.VrlSimReset();
  EventLog::get().clear();
  ASSERT_EQ(VrlStatus::Success, initialize());
  EXPECT_EQ("5", sim.property(VRLSIM_CONTROLLER, 0, 0, "physDiskCount"));
  ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_CONTROLLER, 0, 0, "productName", "Quiet", 1));
  EXPECT_EQ(0, sim.VrlSimWaitEventsDrained(5000));
  EXPECT_TRUE(EventLog::get().events().empty());
}

}  // namespace
}  // namespace simtest
