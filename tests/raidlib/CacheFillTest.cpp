#include "RaidLibFixture.h"

namespace raidtest {
namespace {

// Texts fill their field to its full width, so that a reader that runs past
// the field shows.
const char* kDetailedTopology = R"({
  "lrcIntervalMs": 3600000,
  "controllers": [
    {"id": 0, "serialNumber": "ABCDEFGH", "biosVersion": "3.4.7", "productName": "Ambrix 16i SAS X",
     "ports": ["500605B000000001", "500605B0000000A2"], "bootVolumeId": 2, "PCIVendorId": "0x1D6B",
     "timeStamp": 4886718345, "defaults": {"spinUpDelay": 5, "opROMConsoleEnabled": 1},
     "enclosure": {"deviceSlotState": [1, 2, 3, 4], "SASExpanderState": [], "voltSensorState": [9, 10, 11]},
     "battery": {"battSerialNum": "BATSERIAL0000001"},
     "disks": [
       {"compPdId": 0, "slotId": 5, "WWN": "5000C500AABBCCDD", "maxBlockAddress": 5000000001,
        "phySASAddresses": ["5000C50011223301", "5000C50011223302"]},
       {"compPdId": 1, "slotId": 6},
       {"compPdId": 2, "slotId": 7, "hotSpare": true},
       {"compPdId": 3, "slotId": 8},
       {"compPdId": 4, "slotId": 9, "foreign": true}],
     "volumes": [
       {"vdIndex": 2, "RAIDLevel": 1, "compPdId": [1, 0], "volumeName": "V234567890123456789012345678901X",
        "totalBlocks": 5000000000, "endBlockAddr": 4999999999}]},
    {"id": 1, "disks": [{"compPdId": 0}]}
  ]
})";

using CacheFillTest = RaidLibTest;

void expectInts(const PropertyContainer& c, std::initializer_list<std::pair<const char*, VrlInt>> expected) {
    for (const auto& [name, value] : expected) EXPECT_EQ(value, intOf(c, name)) << name;
}

// Which field lands in which property is a table in the fill (and the model
// tests read the ones the classes publish); here full-width texts, the counts
// and lists the fill works out, 64-bit values, and the fields that change
// form on the way.
TEST_F(CacheFillTest, TextsCountsListsAndDefaultsOfEachClass) {
    ASSERT_EQ(0u, start(kDetailedTopology));
    const PropertyContainer c = cached("IOAs", 0);
    expectInts(c, {{"physDiskCount", 5u}, {"hotspareCount", 1u}, {"volumeCount", 1u}, {"enclCount", 1u},
        {"portCount", 2u}, {"PCIVendorId", 0x1D6Bu}, {"defaultSpinUpDelay", 5u}, {"defaultOptionROMConsoleEnabled", 1u}});
    EXPECT_EQ("ABCDEFGH", textOf(c, "serialNumber"));
    EXPECT_EQ("Ambrix 16i SAS X", textOf(c, "productName"));
    EXPECT_EQ("3.4.07", textOf(c, "biosVersion"));
    EXPECT_EQ("500605B000000001;500605B0000000A2", textOf(c, "portSASAdressess"));
    EXPECT_EQ(4886718345ull, u64Of(c, "timeStamp"));

    const PropertyContainer v = cached("volumes", 0, "vdIndex", 2);
    expectInts(v, {{"pdCount", 2u}, {"hsProtected", 1u}, {"bootVolume", 1u}});
    EXPECT_EQ((VrlVector{1, 0}), vectorOf(v, "compPdId"));
    EXPECT_EQ(5000000000ull, u64Of(v, "totalBlocks"));
    EXPECT_EQ(4999999999ull, u64Of(v, "endBlockAddr"));
    EXPECT_EQ("V234567890123456789012345678901X", textOf(v, "volumeName"));

    const PropertyContainer d = cached("physicalDisks", 0, "compPdId", 0);
    expectInts(d, {{"vdIndex", 2u}, {"deviceType", 3u}, {"SASAddressCount", 2u}});
    EXPECT_EQ("5000C50011223301;5000C50011223302", textOf(d, "phySASAddresses"));
    EXPECT_EQ((VrlVector{0x50, 0x00, 0xC5, 0x00, 0xAA, 0xBB, 0xCC, 0xDD}), vectorOf(d, "WWN"));
    EXPECT_EQ(5000000001ull, u64Of(d, "maxBlockAddress"));

    const PropertyContainer e = cached("enclosures", 0, "enclId", 0);
    expectInts(e, {{"deviceSlotCount", 4u}, {"SASExpanderCount", 0u}});
    EXPECT_EQ((VrlVector{1, 2, 3, 4}), vectorOf(e, "deviceSlotState"));
    EXPECT_TRUE(vectorOf(e, "SASExpanderState").empty());
    EXPECT_EQ((VrlVector{9, 10, 11}), vectorOf(e, "voltSensorState"));
    EXPECT_EQ("BATSERIAL0000001", textOf(cached("batteryUnits", 0), "battSerialNum"));
}

// The provider's own objects (jobs) are written through the facade; the
// hardware classes only by the fill and the events. Look-ups by key answer
// the first object whose keys match, also after the list changed, and also
// for an object whose id is not a number (it matches on its controller).
TEST_F(CacheFillTest, OnlyJobsAreWritableAndLookUpsFollowTheList) {
    ASSERT_EQ(0u, start(twoControllerTopology()));
    auto job = [](VrlInt contrId, VrlInt jobId, VrlInt state = 1) {
        PropertyContainer c = keysOf(contrId, "jobId", jobId);
        c.insertInt("state", state);
        return c;
    };
    auto stateOf = [&](const PropertyContainer& keys) -> VrlInt {
        PropertyContainer found;
        return facade.getObjectInstance("RunningJobObject", keys, found) == 0 ? intOf(found, "state") : 0;
    };
    const PropertyContainer controller0 = keysOf(0);
    PropertyContainer newState;
    newState.insertInt("state", 4);
    newState.insertInt("percent", 50);
    for (const char* hardware : {"volumes", "IOAs"}) {
        SCOPED_TRACE(hardware);
        const size_t before = objects(hardware).size();
        EXPECT_EQ(0x10000005u, facade.addObjectInstance(hardware, job(0, 9)));
        EXPECT_EQ(0x10000005u, facade.modifyObjectInstance(hardware, controller0, newState));
        EXPECT_EQ(0x10000005u, facade.deleteObjectInstance(hardware, controller0));
        EXPECT_EQ(before, objects(hardware).size());
    }
    EXPECT_FALSE(has(cached("IOAs", 0), "percent"));
    EXPECT_EQ(0x10000003u, facade.modifyObjectInstance("RunningJobObject", controller0, newState));

    for (const PropertyContainer& j : {job(0, 1, 1), job(0, 2, 2), job(0, 3, 3), job(1, 5)})
        ASSERT_EQ(0u, facade.addObjectInstance("RunningJobObject", j));
    EXPECT_EQ(0u, facade.addObjectInstance("RunningJobObject", job(0, 1)));  // already there: kept once
    EXPECT_EQ(4u, objects("RunningJobObject").size());
    EXPECT_EQ(2u, stateOf(job(0, 2, 0)));
    EXPECT_EQ(1u, stateOf(controller0));
    ASSERT_EQ(0u, facade.deleteObjectInstance("RunningJobObject", job(0, 2, 0)));
    EXPECT_EQ(0u, stateOf(job(0, 2, 0)));
    ASSERT_EQ(0u, facade.addObjectInstance("RunningJobObject", job(0, 2, 7)));
    EXPECT_EQ(7u, stateOf(job(0, 2, 0)));
    EXPECT_EQ(3u, stateOf(job(0, 3, 0)));
    // A modification by the controller's key alone reaches each of its jobs.
    ASSERT_EQ(0u, facade.modifyObjectInstance("RunningJobObject", controller0, newState));
    for (const PropertyContainer& j : objects("RunningJobObject"))
        EXPECT_EQ(intOf(j, "contrId", true) == 0 ? 4u : 1u, intOf(j, "state"));

    PropertyContainer named = keysOf(2);
    named.insertString("jobId", "first", true);
    named.insertInt("state", 9);
    ASSERT_EQ(0u, facade.addObjectInstance("RunningJobObject", named));
    EXPECT_EQ(9u, stateOf(job(2, 4, 0)));
    EXPECT_EQ(0u, stateOf(job(3, 4, 0)));
}

// A failing optional step leaves out only what it would have read.
TEST_F(CacheFillTest, OptionalStepsThatFailLeaveTheRestCached) {
    struct Step {
        uint32_t opcode;
        uint32_t status;
        bool errorLogged;  // an absent volume is no error
        const char* className;
        size_t volumes;
    };
    const Step steps[] = {
        {VrlOpcode::GET_VD_PROPS, 0x1000000A, false, "volumes", 0},
        {VrlOpcode::GET_ALL_ENCLR_PROPS, 0x10000004, true, "enclosures", 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.className);
        installLibrary(twoControllerTopology());
        sim.VrlSimFailOpcode(step.opcode, 0, step.status, 1);
        ASSERT_EQ(0u, facade.initialize("SMIS"));
        EXPECT_EQ(step.errorLogged, logged("ERROR : pfVrlInvokeMethod(GET_VD_PROPS) failed") ||
                                        logged("ERROR : pfVrlInvokeMethod(GET_ALL_ENCLR_PROPS) failed"));
        EXPECT_TRUE(objectsOf(step.className, 0).empty());
        EXPECT_EQ(step.volumes, objectsOf("volumes", 0).size());
        EXPECT_EQ(1u, objectsOf("IOAs", 0).size());
        EXPECT_EQ(5u, objectsOf("physicalDisks", 0).size());
        EXPECT_EQ(1u, objectsOf("batteryUnits", 0).size());
        TearDown();
        SetUp();
    }

    installLibrary(twoControllerTopology());
    sim.VrlSimFailOpcode(VrlOpcode::GET_CONTR_PROPS_DEFAULTS, 0, 0x10000004, 1);
    ASSERT_EQ(0u, facade.initialize("SMIS"));
    EXPECT_TRUE(logged("pfVrlInvokeMethod(GET_CONTR_PROPS_DEFAULTS) Failed"));
    EXPECT_FALSE(has(cached("IOAs", 0), "defaultAutoRebuild"));
    EXPECT_FALSE(has(cached("IOAs", 0), "defaultCacheModeEnabled"));
    EXPECT_TRUE(has(cached("IOAs", 1), "defaultAutoRebuild"));
}

TEST_F(CacheFillTest, FailingSecondControllerEmptiesTheWholeCache) {
    installLibrary(twoControllerTopology());
    sim.VrlSimFailOpcode(VrlOpcode::GET_ALL_PD_PROPS, 1, 0x10000004, 1);
    EXPECT_EQ(0x10000004u, facade.initialize("SMIS"));
    EXPECT_TRUE(logged("ERROR : pfVrlInvokeMethod(GET_ALL_PD_PROPS) failed"));
    EXPECT_TRUE(logged("C_error: Failed to initialize cache for controller <1>"));
    EXPECT_TRUE(objects("IOAs").empty());
    EXPECT_TRUE(objects("volumes").empty());
    EXPECT_TRUE(objects("physicalDisks").empty());
    EXPECT_TRUE(objects("batteryUnits").empty());
}

TEST_F(CacheFillTest, EachRequiredStepFailsTheController) {
    struct Step {
        uint32_t opcode;
        const char* message;
    };
    const Step steps[] = {
        {VrlOpcode::GET_CONTR_PROPS, "C_error: Failed to get Controller <0> Properties"},
        {VrlOpcode::GET_VD_LIST, "ERROR : pfVrlInvokeMethod(GET_VD_LIST) failed"},
        {VrlOpcode::GET_VD_PROPS, "ERROR : pfVrlInvokeMethod(GET_VD_PROPS) failed"},
        {VrlOpcode::GET_BATT_PROPS, "ERROR : pfVrlInvokeMethod(GET_BATT_PROPS) failed"},
    };
    ASSERT_EQ(0u, start());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.message);
        sim.VrlSimFailOpcode(step.opcode, 0, 0x10000006, 1);
        EXPECT_EQ(0x10000006u, facade.initializeCache());
        EXPECT_TRUE(logged(step.message));
        EXPECT_TRUE(logged("EXIT __ initializeCache(contr<0>) __"));
        EXPECT_TRUE(objects("IOAs").empty());
    }
}

TEST_F(CacheFillTest, OversizedCountsAreCutToTheRecord) {
    ASSERT_EQ(0u, start());
    RecordingObserver observer;
    attach(observer);
    setProperty(VRLSIM_DISK, 0, 4, "SASAddressCount", "9", false);
    setProperty(VRLSIM_ENCLOSURE, 0, 0, "powerSupplyCount", "9", false);
    inject(eventRecord(VrlEventCode::NotificationLost, 0, VrlDeviceType::Controller, 0));
    drain();
    EXPECT_TRUE(logged("DEBUG__: Event <11> Controller Specific Cache refresh required"));
    const PropertyContainer disk = cached("physicalDisks", 0, "compPdId", 4);
    EXPECT_EQ(2u, intOf(disk, "SASAddressCount"));
    const std::string addresses = textOf(disk, "phySASAddresses");
    EXPECT_EQ(1, std::count(addresses.begin(), addresses.end(), ';'));
    EXPECT_EQ(4u, vectorOf(cached("enclosures", 0, "enclId", 0), "powerSupplyState").size());
    EXPECT_TRUE(logged("VRLib record: disk SAS address count 9 exceeds the 2 entries of the record, using 2"));
    EXPECT_TRUE(logged("VRLib record: powerSupply count 9 exceeds the 4 entries of the record, using 4"));
}

}  // namespace
}  // namespace raidtest
