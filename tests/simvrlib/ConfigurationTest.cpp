// Configuration operations: their effect on the records and the events
// that announce it.
#include "SimLibraryFixture.h"

namespace simtest {
namespace {

class Configuration : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    start();
  }
  VrlPhysDiskRecord disk(uint8_t contrId, uint32_t id) {
    VrlDiskKey key{contrId, {}, id};
    VrlPhysDiskRecord record{};
    EXPECT_EQ(VrlStatus::Success, call(VrlOpcode::GET_PD_PROPS, &key, &record));
    return record;
  }
  VrlControllerRecord controller(uint8_t contrId) {
    VrlControllerRecord record{};
    EXPECT_EQ(VrlStatus::Success, call(VrlOpcode::GET_CONTR_PROPS, &contrId, &record));
    return record;
  }
};

TEST_F(Configuration, CreateAndDeleteVolumeUpdateRecordsAndRaiseEvents) {
  VrlCreateVolumeIn create{};
  create.contrId = 1;
  create.raidLevel = 0;
  create.pdCount = 1;
  create.compPdId[0] = 2;
  create.volReserved = 1;
  std::memcpy(create.volumeName, "Scratch", 7);
  VrlCreateVolumeOut out{99};
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::CREATE_VOLUME, &create, &out));
  EXPECT_EQ(1u, out.vdIndex);  // index 0 holds the mirror

  VrlVolumeKey key{1, {}, 1};
  VrlVolumeRecord volume{};
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::GET_VD_PROPS, &key, &volume));
  EXPECT_STREQ("Scratch", volume.volumeName);
  EXPECT_EQ(1u, volume.volReserved);
  EXPECT_EQ(64, volume.stripeSize);  // the controller recommends 64 KiB when none is asked for
  EXPECT_EQ(1u, disk(1, 2).raidGroupMember);
  EXPECT_EQ(1u, disk(1, 2).vdIndex);
  EXPECT_EQ(2, controller(1).volumeCount);

  std::vector<VrlEventRecord> events = drainedEvents();
  ASSERT_EQ((std::vector<uint32_t>{VrlEventCode::VolumeAdded, VrlEventCode::DiskChanged,
                                   VrlEventCode::ControllerChanged}),
            eventCodes(events));
  EXPECT_EQ(1, events[0].contrId);
  EXPECT_EQ(VrlDeviceType::VirtualDisk, events[0].deviceType);
  EXPECT_EQ(1u, events[0].deviceId);
  EXPECT_STREQ("Virtual disk 1 created", events[0].description);
  EXPECT_EQ(2u, events[1].deviceId);
  EXPECT_EQ(2, events[1].slotId);
  EXPECT_EQ(VrlChangedAttr::Redundant, events[1].changedAttr);  // the follow-up of a requested change
  EXPECT_LT(events[0].snmpEvtId, events[1].snmpEvtId);

  EventLog::get().clear();
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::DELETE_VOLUME, &key, nullptr));
  EXPECT_EQ(VrlStatus::InactiveVolume, call(VrlOpcode::GET_VD_PROPS, &key, &volume));
  EXPECT_EQ(kVrlNoVolume, disk(1, 2).vdIndex);
  EXPECT_EQ((std::vector<uint32_t>{VrlEventCode::VolumeRemoved, VrlEventCode::DiskChanged,
                                   VrlEventCode::ControllerChanged}),
            eventCodes(drainedEvents()));
}

TEST_F(Configuration, ActivateAndRenameChangeTheVolume) {
  VrlActivateVolumeIn activate{1, {}, 0, 1};
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::ACTIVATE_VOLUME, &activate, nullptr));
  VrlSetVolumePropsIn rename{};
  rename.contrId = 1;
  rename.changeMask = kVrlVolumeNameChange;
  std::memset(rename.volumeName, 'x', sizeof rename.volumeName);  // full width, no terminator
  uint32_t mask = 0;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::SET_VD_PROPS, &rename, &mask));
  EXPECT_EQ(kVrlVolumeNameChange, mask);
  EXPECT_EQ("0", sim.property(VRLSIM_VOLUME, 1, 0, "volReserved"));
  EXPECT_EQ(std::string(32, 'x'), sim.property(VRLSIM_VOLUME, 1, 0, "volumeName"));
  std::vector<VrlEventRecord> events = drainedEvents();
  ASSERT_EQ((std::vector<uint32_t>{VrlEventCode::VolumeChanged, VrlEventCode::VolumeChanged}), eventCodes(events));
  EXPECT_EQ(VrlChangedAttr::Redundant, events[0].changedAttr);
  EXPECT_EQ(VrlChangedAttr::Redundant, events[1].changedAttr);
}

TEST_F(Configuration, ControllerSettingsApplyOnlyMaskedFieldsAndDefaultsRestore) {
  VrlSetContrPropsIn settings{};
  settings.inputMask = VrlContrPropsMask::SpinUpDelay | VrlContrPropsMask::CacheMode;
  settings.spinUpDelay = 9;
  settings.cacheModeEnabled = 0;
  settings.autoRebuild = 0;  // not in the mask
  settings.mediaScrubRate = 99;
  uint32_t resultMask = 0;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::SET_CONTR_PROPS, &settings, &resultMask));
  EXPECT_EQ(settings.inputMask, resultMask);
  VrlControllerRecord c = controller(0);
  EXPECT_EQ(9, c.spinUpDelay);
  EXPECT_EQ(0u, c.cacheMode);
  EXPECT_EQ(1u, c.autoRebuild);
  EXPECT_EQ(30, c.mediaScrubRate);
  std::vector<VrlEventRecord> events = drainedEvents();
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ(VrlEventCode::ControllerChanged, events[0].eventCode);
  EXPECT_EQ(VrlDeviceType::Controller, events[0].deviceType);

  settings.inputMask = 0;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::SET_CONTR_PROPS, &settings, &resultMask));
  c = controller(0);
  EXPECT_EQ(2, c.spinUpDelay);
  EXPECT_EQ(1u, c.cacheMode);
  EXPECT_EQ(kVrlNoBootVolume, c.bootVolumeId);  // factory default
  EXPECT_EQ("0", sim.property(VRLSIM_VOLUME, 0, 0, "bootVolume"));
}

TEST_F(Configuration, HotSparesProtectRedundantVolumes) {
  VrlHotSpareIn spares{};
  spares.pdCount = 1;
  spares.compPdId[0] = 3;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::DELETE_HOT_SPARE, &spares, nullptr));
  EXPECT_EQ(0u, disk(0, 3).hotSpare);
  EXPECT_EQ("0", sim.property(VRLSIM_VOLUME, 0, 0, "hsProtected"));
  EXPECT_EQ(0, controller(0).hotspareCount);
  EXPECT_EQ((std::vector<uint32_t>{VrlEventCode::DiskChanged, VrlEventCode::VolumeChanged,
                                   VrlEventCode::ControllerChanged}),
            eventCodes(drainedEvents()));

  spares.compPdId[0] = 4;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::CREATE_HOT_SPARE, &spares, nullptr));
  EXPECT_EQ(1u, disk(0, 4).hotSpare);
  EXPECT_EQ("1", sim.property(VRLSIM_VOLUME, 0, 0, "hsProtected"));
  VrlDeviceFlagsIn query{0, {}, 4, VrlDeviceType::PhysicalDisk};
  uint32_t flags = 0;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::GET_DEVICE_FLAGS, &query, &flags));
  EXPECT_EQ(VrlDeviceFlags::PdHotSpare, flags);
}

TEST_F(Configuration, ClearConfigurationLocateAndForeignMetadata) {
  VrlLocateDeviceIn locate{0, {}, 4, 4, kVrlLocateOn};
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::LOCATE_DEVICE, &locate, nullptr));
  EXPECT_EQ(1u, disk(0, 4).locateLedOn);

  uint8_t contrId = 0;
  VrlClearConfigOut cleared{};
  cleared.failedVolCount = 9;
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::CLEAR_CONTR_CONFIG, &contrId, &cleared));
  EXPECT_EQ(0, cleared.failedVolCount);
  EXPECT_EQ(0, cleared.failedPdCount);
  VrlControllerRecord c = controller(0);
  EXPECT_EQ(0, c.volumeCount);
  EXPECT_EQ(0, c.hotspareCount);
  EXPECT_EQ(kVrlNoBootVolume, c.bootVolumeId);
  EXPECT_EQ(0u, disk(0, 0).raidGroupMember);

  ASSERT_EQ(0, sim.VrlSimAddDisk(0, R"({"compPdId": 9, "foreign": true})")) << sim.lastError();
  EXPECT_EQ(kVrlForeignVolume, disk(0, 9).vdIndex);
  VrlDiskKey key{0, {}, 9};
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::CLEAR_META_DATA, &key, nullptr));
  EXPECT_EQ(0u, disk(0, 9).raidGroupMember);
  EXPECT_EQ(kVrlNoVolume, disk(0, 9).vdIndex);
}

}  // namespace
}  // namespace simtest
