// Start-up, shut-down, topology selection and the statuses of bad input.

#include "SimLibraryFixture.h"

namespace simtest {
namespace {

using Lifecycle = SimTest;

TEST_F(Lifecycle, CallsBeforeInitializeAreRefused) {
  uint32_t version = 0;
  EXPECT_EQ(VrlStatus::NotPermitted, call(VrlOpcode::GET_INTERFACE_VERSION, nullptr, &version));
  EXPECT_EQ(VrlStatus::NotPermitted, call(VrlOpcode::SHUTDOWN, nullptr, nullptr));
  EXPECT_EQ(VrlStatus::InvalidArgument, call(VrlOpcode::INITIALIZE, nullptr, nullptr));

  ASSERT_EQ(VrlStatus::Success, initialize());
  ASSERT_EQ(VrlStatus::Success, call(VrlOpcode::GET_INTERFACE_VERSION, nullptr, &version));
  EXPECT_EQ(kVrlInterfaceVersion, version);
  EXPECT_EQ(VrlStatus::Success, call(VrlOpcode::SHUTDOWN, nullptr, nullptr));
  EXPECT_EQ(VrlStatus::NotPermitted, call(VrlOpcode::GET_INTERFACE_VERSION, nullptr, &version));
}

TEST_F(Lifecycle, BadOrMissingTopologyFileMakesTheLibraryUnusable) {
  setenv("ORV_VRLIB_TOPOLOGY", "/nonexistent/topology.json", 1);
  EXPECT_EQ(VrlStatus::LibraryUnusable, initialize());
  EXPECT_NE(std::string::npos, sim.lastError().find("/nonexistent/topology.json"));

  EXPECT_EQ(-1, sim.VrlSimLoadTopologyText(R"({"controllers": [{"disks": [{"slotID": 1}]}]})"));
  EXPECT_NE(std::string::npos, sim.lastError().find("unknown key \"slotID\""));
  EXPECT_EQ(-1, sim.VrlSimLoadTopologyText(R"({"controllers": [{"volumes": [{"RAIDLevel": 5, "compPdId": [0]}]}]})"));
  EXPECT_NE(std::string::npos, sim.lastError().find("volume 0"));
}

using BadInput = SimTest;

TEST_F(BadInput, ReadsAnswerTheContractStatuses) {
  start();
  // A missing volume's status shows through the binding's delete.
  VrlVolumeKey key{9, {}, 5};
  VrlVolumeRecord volume{};
  EXPECT_EQ(VrlStatus::NotFoundOrWrongState, call(VrlOpcode::GET_VD_PROPS, &key, &volume));
  EXPECT_EQ(VrlStatus::InvalidArgument, call(VrlOpcode::GET_VD_PROPS, nullptr, &volume));
  EXPECT_EQ(VrlStatus::InvalidArgument, call(VrlOpcode::GET_VD_PROPS, &key, nullptr));
  uint8_t contrId = 9;
  VrlControllerRecord controller{};
  EXPECT_EQ(VrlStatus::NotFoundOrWrongState, call(VrlOpcode::GET_CONTR_PROPS, &contrId, &controller));
  VrlDiskKey disk{0, {}, 42};
  VrlPhysDiskRecord record{};
  EXPECT_EQ(VrlStatus::NotFoundOrWrongState, call(VrlOpcode::GET_PD_PROPS, &disk, &record));
  EXPECT_EQ(VrlStatus::NotSupported, call(4, &contrId, &controller));
  VrlDeviceFlagsIn flags{0, {}, 0, 9};
  uint32_t answer = 0;
  EXPECT_EQ(VrlStatus::InvalidArgument, call(VrlOpcode::GET_DEVICE_FLAGS, &flags, &answer));
}

TEST_F(BadInput, NullPointersAreRefusedForEveryOpcode) {
  start();
  for (uint32_t opcode = 2; opcode < 64; ++opcode) {
    if (opcode == VrlOpcode::UNREGISTER_AEN) continue;  // takes no required pointer
    const uint32_t status = call(opcode, nullptr, nullptr);
    EXPECT_TRUE(status == VrlStatus::InvalidArgument || status == VrlStatus::NotSupported)
        << "opcode " << opcode << " answered " << std::hex << status;
  }
  // Records of zeros name controller 0, disk 0, volume 0 and so on; every
  // opcode copes with them (the sanitizer builds catch stray accesses).
  for (uint32_t opcode = 2; opcode < 64; ++opcode) {
    if (opcode == VrlOpcode::REGISTER_AEN) continue;  // would register a null callback
    std::vector<unsigned char> in(4096, 0), out(8192, 0);
    call(opcode, in.data(), out.data());
  }
  uint32_t version = 0;
  EXPECT_EQ(VrlStatus::Success, call(VrlOpcode::GET_INTERFACE_VERSION, nullptr, &version));
}

TEST_F(BadInput, ConfigurationRefusesWrongDisksLevelsAndStates) {
  start();
  VrlCreateVolumeIn create{};
  create.raidLevel = 5;
  create.stripeSize = 64;
  create.pdCount = 2;
  create.compPdId[0] = 4;
  create.compPdId[1] = 3;
  VrlCreateVolumeOut out{};
  EXPECT_EQ(VrlStatus::InvalidArgument, call(VrlOpcode::CREATE_VOLUME, &create, &out));  // too few for RAID 5
  create.raidLevel = 1;
  EXPECT_EQ(VrlStatus::NotFoundOrWrongState, call(VrlOpcode::CREATE_VOLUME, &create, &out));  // 3 is a spare
  create.compPdId[1] = 0;
  EXPECT_EQ(VrlStatus::NotFoundOrWrongState, call(VrlOpcode::CREATE_VOLUME, &create, &out));  // 0 is in use
  create.stripeSize = 48;
  EXPECT_EQ(VrlStatus::InvalidArgument, call(VrlOpcode::CREATE_VOLUME, &create, &out));

  VrlHotSpareIn spares{};
  EXPECT_EQ(VrlStatus::InvalidArgument, call(VrlOpcode::CREATE_HOT_SPARE, &spares, nullptr));
  spares.pdCount = 1;
  spares.compPdId[0] = 0;
  EXPECT_EQ(VrlStatus::NotFoundOrWrongState, call(VrlOpcode::CREATE_HOT_SPARE, &spares, nullptr));

  VrlDiskKey healthy{0, {}, 1};
  EXPECT_EQ(VrlStatus::InvalidRebuildCandidate, call(VrlOpcode::REBUILD_VOLUME, &healthy, nullptr));
  EXPECT_EQ(VrlStatus::NotPermitted, call(VrlOpcode::CLEAR_META_DATA, &healthy, nullptr));

  // The boot volume's, an unknown level's and an active volume's refusals
  // show through the binding's method tests.
  VrlActivateVolumeIn deactivate{0, {}, 0, 0};
  ASSERT_EQ(0, sim.VrlSimLoadTopologyText(R"({"controllers": [{"disks": [{}, {}],
      "volumes": [{"RAIDLevel": 1, "compPdId": [0, 1], "hasPartition": true}]}]})"));
  EXPECT_EQ(VrlStatus::PartitionPresent, call(VrlOpcode::ACTIVATE_VOLUME, &deactivate, nullptr));

  VrlSetContrPropsIn settings{};
  settings.inputMask = VrlContrPropsMask::AutoRebuild;
  settings.autoRebuild = 7;
  uint32_t mask = 0;
  EXPECT_EQ(VrlStatus::InvalidArgument, call(VrlOpcode::SET_CONTR_PROPS, &settings, &mask));
  EXPECT_TRUE(drainedEvents().empty());  // nothing changed, nothing announced
}

}  // namespace
}  // namespace simtest
