#include "RaidLibFixture.h"

namespace raidtest {
namespace {

using orv::raidlib::changeListNames;

class MethodTest : public RaidLibTest {
protected:
    // A RAID 1 of disks 0 and 1 on controller 1.
    PropertyContainer mirrorRequest(VrlInt volReserved = 0) {
        PropertyContainer in = volumeRequest(1, 1, {0, 1});
        in.insertString("volumeName", "NewMirror");
        in.insertInt("createMode", 2);
        in.insertInt("volReserved", volReserved);
        return in;
    }

    Call lastCall(uint32_t opcode) {
        const auto found = callsOf(opcode);
        EXPECT_FALSE(found.empty()) << "no call of opcode " << opcode;
        return found.empty() ? Call{} : found.back();
    }
};

TEST_F(MethodTest, UnknownNamesAndRefusedCreatesChangeNothing) {
    ASSERT_EQ(0u, start());
    sim.VrlSimClearCallLog();
    PropertyContainer out;
    EXPECT_EQ(0x10000005u, facade.invokeMethod("CreateVolume", mirrorRequest(), out));
    EXPECT_EQ(0x10000005u, facade.invokeMethod("", keysOf(0), out));
    EXPECT_EQ(0u, sim.VrlSimCallCount());

    PropertyContainer request = mirrorRequest();
    request.updateProperty(orv::raidlib::IntProperty("raidLevel", orv::raidlib::VRLCINT, 7), false, false);
    EXPECT_EQ(0x10000005u, facade.invokeMethod("createVolume", request, out));
    EXPECT_TRUE(logged("Volume Creation Failed"));
    EXPECT_FALSE(has(out, "vdIndex"));
    EXPECT_TRUE(objectsOf("volumes", 1).empty());
}

TEST_F(MethodTest, CreateVolumePutsTheRecordOnTheWireAndUpdatesTheCacheOnce) {
    ASSERT_EQ(0u, start());
    RecordingObserver observer;
    attach(observer);
    PropertyContainer out;
    ASSERT_EQ(0u, facade.invokeMethod("createVolume", mirrorRequest(), out));
    const Call call = lastCall(VrlOpcode::CREATE_VOLUME);
    EXPECT_EQ(1u, call.u8(0));
    EXPECT_EQ("NewMirror", call.text(8, 32));
    EXPECT_EQ(0u, call.u32(44));
    EXPECT_EQ(1u, call.u32(48));
    EXPECT_EQ(2u, call.u32(76));
    EXPECT_EQ(0u, call.u32(80));
    EXPECT_EQ(0u, intOf(out, "vdIndex"));
    EXPECT_TRUE(logged("Volume Creation Succeeded"));

    drain();
    // Which events the method brings, and how often, the event tests check.
    const auto added = eventsOf(observer.events(), 1);
    ASSERT_EQ(1u, added.size());
    EXPECT_EQ("Config Change Notification,  New VD=0 is added", textOf(added[0], "description"));
    EXPECT_EQ(1u, objectsOf("volumes", 1).size());
    EXPECT_TRUE(logged("ERROR[268435486]--addOrDeleteObjectInstance() Failed"));
    const PropertyContainer volume = cached("volumes", 1, "vdIndex", 0);
    EXPECT_EQ("NewMirror", textOf(volume, "volumeName"));
    EXPECT_EQ((VrlVector{0, 1}), vectorOf(volume, "compPdId"));
    EXPECT_EQ(1u, intOf(cached("IOAs", 1), "volumeCount"));
    for (VrlInt disk : {0u, 1u}) {
        const PropertyContainer member = cached("physicalDisks", 1, "compPdId", disk);
        EXPECT_EQ(3u, intOf(member, "pdConfig"));
        EXPECT_EQ(0u, intOf(member, "vdIndex"));
    }
    EXPECT_EQ(0u, intOf(cached("physicalDisks", 1, "compPdId", 2), "pdConfig"));
}

// A reserved mirror is activated, reserved again and deleted; the events
// tell the reserved flag as it stands.
TEST_F(MethodTest, ActivateAndDeleteTellTheReservedFlagAndFreeTheMembers) {
    ASSERT_EQ(0u, start());
    PropertyContainer created;
    ASSERT_EQ(0u, facade.invokeMethod("createVolume", mirrorRequest(1), created));
    ASSERT_EQ(1u, intOf(cached("volumes", 1, "vdIndex", 0), "volReserved"));
    RecordingObserver observer;
    attach(observer);

    PropertyContainer in = keysOf(1, "vdIndex", 0);
    PropertyContainer activate = in, out;
    activate.insertInt("activate", 1);
    ASSERT_EQ(0u, facade.invokeMethod("activateVolume", activate, out));
    EXPECT_EQ(1u, lastCall(VrlOpcode::ACTIVATE_VOLUME).u32(8));
    drain();
    const auto changed = eventsOf(observer.events(), 9);
    ASSERT_EQ(1u, changed.size());
    EXPECT_EQ(0u, intOf(changed[0], "volReserved"));
    EXPECT_EQ("volReserved", textOf(changed[0], "changeList"));
    EXPECT_EQ(0u, intOf(cached("volumes", 1, "vdIndex", 0), "volReserved"));
    EXPECT_EQ(0x10000003u, facade.invokeMethod("activateVolume", activate, out));  // already active
    EXPECT_TRUE(logged("pfVrlInvokeMethod(ACTIVATE_VOLUME) Failed"));
    activate.updateProperty(orv::raidlib::IntProperty("activate", orv::raidlib::VRLCINT, 0), false, false);
    ASSERT_EQ(0u, facade.invokeMethod("activateVolume", activate, out));

    ASSERT_EQ(0u, facade.invokeMethod("deleteVolume", in, out));
    const Call call = lastCall(VrlOpcode::DELETE_VOLUME);
    EXPECT_EQ(1u, call.u8(0));
    EXPECT_EQ(0u, call.u32(4));
    EXPECT_TRUE(logged("Volume Deletion Succeeded"));
    EXPECT_TRUE(logged("Config Change Notification, Existing PD=(1-0) RAID group membership flag changed from 1 to 0"));
    drain();
    const auto removed = eventsOf(observer.events(), 4);
    ASSERT_EQ(1u, removed.size());
    EXPECT_EQ(1u, intOf(removed[0], "volReserved"));
    EXPECT_EQ("Config Change Notification, Existing VD=0 is removed", textOf(removed[0], "description"));
    EXPECT_TRUE(objectsOf("volumes", 1).empty());
    EXPECT_EQ(0u, intOf(cached("IOAs", 1), "volumeCount"));
    for (VrlInt disk : {0u, 1u}) {
        const PropertyContainer member = cached("physicalDisks", 1, "compPdId", disk);
        EXPECT_EQ(0u, intOf(member, "pdConfig"));
        EXPECT_EQ(0xFFFFFFFFu, intOf(member, "vdIndex"));
    }
}

TEST_F(MethodTest, DeleteVolumeRefusedByTheLibraryChangesNothing) {
    ASSERT_EQ(0u, start());
    PropertyContainer in = keysOf(0, "vdIndex", 0);  // the boot volume
    PropertyContainer out;
    EXPECT_EQ(0x1000000Eu, facade.invokeMethod("deleteVolume", in, out));
    EXPECT_TRUE(logged("Volume deletion Failed"));
    EXPECT_EQ(1u, objectsOf("volumes", 0).size());

    PropertyContainer missing = keysOf(0, "vdIndex", 5);
    EXPECT_EQ(0x1000000Au, facade.invokeMethod("deleteVolume", missing, out));
    EXPECT_TRUE(logged("Get Volume properites Failed"));
}

// Records the CIM classes also send (controller settings, renames, locate,
// firmware, rebuild, metadata) are checked from the client's side in their
// model tests; here the fields no client request reaches.
TEST_F(MethodTest, SettingsMethodsPutTheirFieldsAtTheirOffsets) {
    ASSERT_EQ(0u, start());
    PropertyContainer out;

    PropertyContainer settings = keysOf(0);
    settings.insertInt("inputMask", 0xE0);
    settings.insertU64("timeStamp", 0x1122334455ull);
    settings.insertInt("cacheModeEnabled", 0x31323334);
    ASSERT_EQ(0u, facade.invokeMethod("setContrProps", settings, out));
    Call call = lastCall(VrlOpcode::SET_CONTR_PROPS);
    EXPECT_EQ(0x1122334455ull, call.u64(8));
    EXPECT_EQ(0x31323334u, call.u32(40));
    EXPECT_TRUE(has(out, "resultMask"));

    PropertyContainer init = keysOf(0, "vdIndex", 0);
    init.insertInt("initMode", 3);
    facade.invokeMethod("fastInitVolume", init, out);
    call = lastCall(VrlOpcode::FAST_INIT_VOLUME);
    EXPECT_EQ(0u, call.u32(4));
    EXPECT_EQ(3u, call.u32(8));

    EXPECT_NE(0u, facade.invokeMethod("rebuildVolume", keysOf(0, "compPdId", 2), out));
    EXPECT_TRUE(logged("pfVrlInvokeMethod(REBUILD_VOLUME) Failed"));
}

TEST_F(MethodTest, ClearConfigurationNamesWhatItCouldNotClear) {
    // Volume 5 is being resynchronised, so it and its disks stay.
    ASSERT_EQ(0u, start(R"({"lrcIntervalMs": 3600000, "controllers": [{"id": 0,
        "disks": [{"compPdId": 0}, {"compPdId": 6}, {"compPdId": 7}, {"compPdId": 2, "hotSpare": true}],
        "volumes": [{"vdIndex": 5, "RAIDLevel": 1, "compPdId": [6, 7]}, {"vdIndex": 1, "RAIDLevel": 0,
                     "compPdId": [0]}]}]})"));
    PropertyContainer resync = keysOf(0, "vdIndex", 5);
    PropertyContainer ignored;
    ASSERT_EQ(0u, facade.invokeMethod("resyncVolume", resync, ignored));
    PropertyContainer cleared;
    ASSERT_EQ(0u, facade.invokeMethod("clearConfiguration", keysOf(0), cleared));
    EXPECT_EQ(2u, intOf(cleared, "failedPdCount"));
    EXPECT_EQ((VrlVector{6, 7}), vectorOf(cleared, "compPdId"));
    EXPECT_EQ(1u, intOf(cleared, "failedVolCount"));
    EXPECT_EQ((VrlVector{5}), vectorOf(cleared, "vdIndex"));
}

}  // namespace
}  // namespace raidtest
