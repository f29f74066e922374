// Pools, arrays and settings over the simulated controllers: what a client
// sees, what the provider sends to the library, and what it refuses.
#include <set>
#include <thread>

#include "SimulatedControllers.h"

namespace poolstest {
namespace {

// Controller 0: a RAID 5 volume on three SAS disks, a SAS solid-state spare,
// a free SATA solid-state disk and two free SATA rotating disks, one of them
// far larger than 32 bits of bytes. Controller 1 supports RAID 0 and 1 only
// and has a reserved mirror of two SATA disks and a third, free disk.
const char* const kTopology = R"({
  "lrcIntervalMs": 3600000,
  "controllers": [
    {"id": 0, "disks": [
       {"compPdId": 0, "slotId": 0, "driveType": 2, "blockDevType": 1, "rawSize": 300, "coercedSize": 299},
       {"compPdId": 1, "slotId": 1, "driveType": 2, "blockDevType": 1, "rawSize": 300, "coercedSize": 299},
       {"compPdId": 2, "slotId": 2, "driveType": 2, "blockDevType": 1, "rawSize": 300, "coercedSize": 299},
       {"compPdId": 3, "slotId": 3, "driveType": 2, "blockDevType": 0, "rawSize": 400, "coercedSize": 399,
        "hotSpare": true},
       {"compPdId": 4, "slotId": 4, "driveType": 1, "blockDevType": 0, "rawSize": 240, "coercedSize": 239},
       {"compPdId": 5, "slotId": 5, "driveType": 1, "blockDevType": 1, "rawSize": 60001, "coercedSize": 60000},
       {"compPdId": 6, "slotId": 6, "driveType": 1, "blockDevType": 1, "rawSize": 501, "coercedSize": 500}],
     "volumes": [{"vdIndex": 0, "RAIDLevel": 5, "compPdId": [0, 1, 2], "stripeSize": 64, "volumeName": "DataVol",
                  "volReserved": 0}]},
    {"id": 1, "supRAIDLevel": 3, "disks": [
       {"compPdId": 0, "slotId": 0, "driveType": 1, "blockDevType": 1, "rawSize": 500, "coercedSize": 499},
       {"compPdId": 1, "slotId": 1, "driveType": 1, "blockDevType": 1, "rawSize": 500, "coercedSize": 499},
       {"compPdId": 2, "slotId": 2, "driveType": 1, "blockDevType": 1, "rawSize": 1000, "coercedSize": 999}],
     "volumes": [{"vdIndex": 0, "RAIDLevel": 1, "compPdId": [0, 1], "stripeSize": 128, "volumeName": "MirrorArray",
                  "volReserved": 1}]}
  ]
})";

constexpr uint32_t kSetVolumeProps = 17;
constexpr uint32_t kGetDeviceFlags = 56;

class PoolsSimulatedTest : public SimulatedControllers {
protected:
    std::string topology() const override { return kTopology; }

    std::pair<uint64_t, uint64_t> capacity(const std::string& instanceId) {
        const CIMInstanceList found = get(pathOf("ORV_PrimordialStoragePool", {{"InstanceID", instanceId}}));
        if (found.size() != 1) {
            ADD_FAILURE() << instanceId;
            return {};
        }
        return {value<uint64_t>(found[0], "TotalManagedSpace"), value<uint64_t>(found[0], "RemainingManagedSpace")};
    }
};

TEST_F(PoolsSimulatedTest, FourPrimordialPoolsPerControllerWithSixtyFourBitCapacities) {
    EXPECT_EQ(names("ORV_PrimordialStoragePool"),
              (std::vector<std::string>{"InstanceID=0_SATA_Rotating", "InstanceID=0_SATA_SSD",
                                        "InstanceID=0_SAS_Rotating", "InstanceID=0_SAS_SSD",
                                        "InstanceID=1_SATA_Rotating", "InstanceID=1_SATA_SSD",
                                        "InstanceID=1_SAS_Rotating", "InstanceID=1_SAS_SSD"}));
    EXPECT_EQ(capacity("0_SATA_Rotating"), std::make_pair(60500 * GiB, 60500 * GiB));
    EXPECT_EQ(capacity("0_SATA_SSD"), std::make_pair(239 * GiB, 239 * GiB));
    EXPECT_EQ(capacity("0_SAS_Rotating"), std::make_pair(897 * GiB, uint64_t{0})) << "array members are not free";
    EXPECT_EQ(capacity("0_SAS_SSD"), std::make_pair(399 * GiB, uint64_t{0})) << "a spare is not free";
    EXPECT_EQ(capacity("1_SATA_Rotating"), std::make_pair(1997 * GiB, 999 * GiB)) << "a reserved array's disks";
    EXPECT_EQ(capacity("1_SAS_SSD"), std::make_pair(uint64_t{0}, uint64_t{0}));

    const CIMInstance pool = get(pathOf("ORV_PrimordialStoragePool", {{"InstanceID", "0_SATA_SSD"}})).at(0);
    EXPECT_TRUE(value<bool>(pool, "Primordial"));

    // A disk that joins an array leaves the free space but not the total.
    orv::raidlib::PropertyContainer in = raidtest::volumeRequest(0, 0, {6}), out;
    in.insertString("volumeName", "Scratch");
    in.insertInt("createMode", 1);
    in.insertInt("volReserved", 1);
    ASSERT_EQ(library().invokeMethod("createVolume", in, out), 0u);
    EXPECT_EQ(capacity("0_SATA_Rotating"), std::make_pair(60500 * GiB, 60000 * GiB));
}

TEST_F(PoolsSimulatedTest, ArraysAsPoolsVolumesAndCompositeExtents) {
    // The reserved mirror is a pool without a volume.
    EXPECT_EQ(enumerate("ORV_StorageVolume").size(), 1u);
    EXPECT_EQ(names("ORV_CompositeExtent").size(), 2u);
    EXPECT_EQ(names("ORV_ConcreteStoragePool"), (std::vector<std::string>{"InstanceID=0_0", "InstanceID=1_0"}));

    const CIMInstanceList pools = enumerate("ORV_ConcreteStoragePool");
    expectProperties(withKey(pools, "InstanceID", "0_0"), "RAID 5 pool",
                     {{"TotalManagedSpace", 598 * GiB}, {"RemainingManagedSpace", 0}, {"SpaceConsumed", 897 * GiB},
                      {"ElementName", "DataVol"}, {"OperationalStatus", "2"}, {"Primordial", false}});
    expectProperties(withKey(pools, "InstanceID", "1_0"), "reserved mirror pool",
                     {{"TotalManagedSpace", 499 * GiB}, {"RemainingManagedSpace", 499 * GiB}});
    expectProperties(get(deviceOf("ORV_StorageVolume", 0, "0_0")).at(0), "RAID 5 volume",
                     {{"Size", 598 * GiB}, {"NumberOfBlocks", 598 * GiB / 512}, {"BlockSize", 512},
                      {"RAIDLevel", 5}, {"DataRedundancy", 1}, {"PackageRedundancy", 1},
                      {"NoSinglePointOfFailure", true}, {"HotSpareProtected", true}});
    expectProperties(get(deviceOf("ORV_CompositeExtent", 0, "0_0")).at(0), "RAID 5 extent",
                     {{"ExtentStripeLength", 3}});
    // A mirror stripes over one member.
    expectProperties(get(deviceOf("ORV_CompositeExtent", 1, "1_0")).at(0), "mirror extent",
                     {{"ExtentStripeLength", 1}});
    expectProperties(get(deviceOf("ORV_StorageExtent", 0, "0_5")).at(0), "free disk extent",
                     {{"Capacity", 60001 * GiB}, {"ConsumableBlocks", 60000 * GiB / 512}, {"Primordial", true}});
    expectProperties(get(deviceOf("ORV_StorageExtent", 0, "0_0")).at(0), "member disk extent",
                     {{"Primordial", false}});
    expectProperties(get(deviceOf("ORV_StorageExtent", 0, "0_3")).at(0), "spare disk extent",
                     {{"HotSpareFlag", true}});
}

TEST_F(PoolsSimulatedTest, RenamingAnArraySendsOneVolumePropertiesRecord) {
    sim.VrlSimClearCallLog();
    EXPECT_FALSE(modify(pathOf("ORV_ConcreteStoragePool", {{"InstanceID", "1_0"}}), "ElementName",
                        std::string("Mirror2"), CIM_STRING));
    // CIM names do not depend on case.
    EXPECT_FALSE(modify(deviceOf("ORV_StorageVolume", 0, "0_0"), "ElementName", std::string("Data2"), CIM_STRING,
                        {"elementNAME"}));
    const auto records = callsOf(kSetVolumeProps);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].u8(0), 1);
    EXPECT_EQ(records[0].u32(4), 0u);
    EXPECT_EQ(records[0].u16(8), 1u) << "the name-change mask";
    EXPECT_EQ(records[0].text(10, 32), "Mirror2");
    EXPECT_EQ(records[1].u8(0), 0);
    EXPECT_EQ(records[1].text(10, 32), "Data2");

    // Refusals send nothing.
    sim.VrlSimClearCallLog();
    auto refused = modify(deviceOf("ORV_StorageVolume", 0, "0_0"), "StripeUnitSize", uint32_t{128}, CIM_UINT32);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->getCode(), 7);
    EXPECT_EQ(refused->getMessage(), "StripeUnitSize Property modification not supported for controller.");
    refused = modify(pathOf("ORV_ConcreteStoragePool", {{"InstanceID", "0_0"}}), "Caption", std::string("x"),
                     CIM_STRING, {"ElementName"});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->getCode(), 4);
    EXPECT_TRUE(logged("Failed to retrieve value for ElementName,                    from instance passed."));
    EXPECT_TRUE(callsOf(kSetVolumeProps).empty());

    ASSERT_EQ(sim.VrlSimFailOpcode(kSetVolumeProps, VRLSIM_ANY_CONTROLLER, 0x10000003, 1), 0);
    refused = modify(deviceOf("ORV_StorageVolume", 0, "0_0"), "ElementName", std::string("Data3"), CIM_STRING);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->getCode(), 1);
    EXPECT_NE(refused->getMessage().find("(268435459)"), std::string::npos) << refused->getMessage();
}

TEST_F(PoolsSimulatedTest, ArrayMethods) {
    const CIMObjectPath raid5 = pathOf("ORV_ConcreteStoragePool", {{"InstanceID", "0_0"}});
    const CIMObjectPath mirror = pathOf("ORV_ConcreteStoragePool", {{"InstanceID", "1_0"}});
    MethodReply reply = invoke(raid5, "getSupportedSizeRange");
    EXPECT_EQ(argument<uint64_t>(reply, "MaximumVolumeSize"), std::vector<uint64_t>{0});
    EXPECT_EQ(argument<uint64_t>(reply, "MinimumVolumeSize"), std::vector<uint64_t>{0});
    EXPECT_EQ(argument<uint64_t>(reply, "VolumeSizeDivisor"), std::vector<uint64_t>{0});
    reply = invoke(mirror, "GetSupportedSizes");
    EXPECT_EQ(argument<uint64_t>(reply, "Sizes"), std::vector<uint64_t>{499 * GiB});

    sim.VrlSimClearCallLog();
    reply = invoke(deviceOf("ORV_StorageVolume", 0, "0_0"), "isvolumeresyncable");
    EXPECT_EQ(reply.result, 0u);
    EXPECT_EQ(argument<bool>(reply, "IsReSyncCandidate"), std::vector<bool>{true}) << "an optimal RAID 5 volume";
    reply = invoke(mirror, "IsVolumeResyncable");
    EXPECT_EQ(argument<bool>(reply, "IsReSyncCandidate"), std::vector<bool>{false}) << "a reserved array";
    const auto flags = callsOf(kGetDeviceFlags);
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_EQ(flags[1].u8(0), 1);
    EXPECT_EQ(flags[1].u32(8), 4u) << "asked as a volume";

    EXPECT_EQ(failureOf([&] { invoke(raid5, "Expand"); }),
              std::make_pair(16, std::string("orv::cim::fwf::ORVConcreteStoragePool::invokeMethod :: Method Expand "
                                             "not supported on ORV_ConcreteStoragePool.")));
}

TEST_F(PoolsSimulatedTest, PrimordialPoolOffersFreeDisksAndSizesForAGoal) {
    const CIMObjectPath sata = pathOf("ORV_PrimordialStoragePool", {{"InstanceID", "0_SATA_Rotating"}});
    MethodReply reply = invoke(sata, "GetAvailableExtents", goal("ORV_StorageSetting", "StorageSetting_0_RAID1"));
    const auto extents = argument<CIMObjectPath>(reply, "AvailableExtents");
    ASSERT_EQ(extents.size(), 2u);
    EXPECT_EQ(extents[0].getClassName(), "ORV_StorageExtent");
    EXPECT_EQ(extents[0].getKeyBinding("DeviceID").getValue<std::string>().at(0), "0_5");
    EXPECT_EQ(extents[1].getKeyBinding("DeviceID").getValue<std::string>().at(0), "0_6");
    EXPECT_EQ(get(extents[1]).size(), 1u) << "the references name real extents";
    reply = invoke(sata, "GetAvailableExtents", goal("ORV_StorageSetting", "StorageSetting_0_RAID5"));
    EXPECT_TRUE(argument<CIMObjectPath>(reply, "AvailableExtents").empty()) << "two disks make no RAID 5";

    reply = invoke(sata, "GetSupportedSizeRange", goal("ORV_StorageSetting", "StorageSetting_0_RAID0"));
    EXPECT_EQ(argument<uint64_t>(reply, "MinimumVolumeSize"), std::vector<uint64_t>{500 * GiB});
    EXPECT_EQ(argument<uint64_t>(reply, "MaximumVolumeSize"), std::vector<uint64_t>{1000 * GiB});
    EXPECT_EQ(argument<uint64_t>(reply, "VolumeSizeDivisor"), std::vector<uint64_t>{500 * GiB});
    reply = invoke(sata, "GETSUPPORTEDSIZES", goal("ORV_StorageSetting", "StorageSetting_0_RAID1"));
    EXPECT_EQ(argument<uint64_t>(reply, "Sizes"), std::vector<uint64_t>{500 * GiB});

    for (const auto& setting : {std::pair<std::string, std::string>{"ORV_StorageSetting", "StorageSetting_0_RAID10"},
                                {"ORV_FixedStorageSetting", "0_0"},
                                {"ORV_UserGeneratedSetting", "UserGeneratedSetting_77"}}) {
        EXPECT_EQ(failureOf([&] { invoke(sata, "GetSupportedSizeRange", goal(setting.first, setting.second)); }),
                  std::make_pair(4, std::string("User passed Invalid Goal")))
            << setting.second;
    }
    EXPECT_EQ(failureOf([&] { invoke(sata, "CreateOrModifyStoragePool"); }),
              std::make_pair(16, std::string("Method Not Supported")));
}

// Five SATA rotating disks in no array: failed, predicted to fail, two online
// and a spare. Only the two online disks may go into a new array, while the
// remaining space still counts every disk that is neither member nor spare.
class UnusableDisksTest : public SimulatedControllers {
protected:
    std::string topology() const override {
        return R"({"lrcIntervalMs": 3600000, "controllers": [{"id": 0, "disks": [
          {"compPdId": 0, "slotId": 0, "driveType": 1, "blockDevType": 1, "rawSize": 429, "coercedSize": 428, "state": 1},
          {"compPdId": 1, "slotId": 1, "driveType": 1, "blockDevType": 1, "rawSize": 429, "coercedSize": 428, "state": 3},
          {"compPdId": 2, "slotId": 2, "driveType": 1, "blockDevType": 1, "rawSize": 201, "coercedSize": 200},
          {"compPdId": 3, "slotId": 3, "driveType": 1, "blockDevType": 1, "rawSize": 301, "coercedSize": 300},
          {"compPdId": 4, "slotId": 4, "driveType": 1, "blockDevType": 1, "rawSize": 501, "coercedSize": 500,
           "hotSpare": true}]}]})";
    }
};

TEST_F(UnusableDisksTest, FailedPredictedAndSpareDisksAreNotOfferedForANewArray) {
    const CIMObjectPath pool = pathOf("ORV_PrimordialStoragePool", {{"InstanceID", "0_SATA_Rotating"}});
    std::vector<std::string> offered;
    for (const auto& extent : argument<CIMObjectPath>(invoke(pool, "GetAvailableExtents"), "AvailableExtents"))
        offered.push_back(extent.getKeyBinding("DeviceID").getValue<std::string>().at(0));
    EXPECT_EQ(offered, (std::vector<std::string>{"0_2", "0_3"}));
    const auto raid1 = goal("ORV_StorageSetting", "StorageSetting_0_RAID1");
    EXPECT_EQ(argument<uint64_t>(invoke(pool, "GetSupportedSizes", raid1), "Sizes"), std::vector<uint64_t>{200 * GiB});
    EXPECT_EQ(argument<uint64_t>(invoke(pool, "GetSupportedSizeRange", raid1), "MaximumVolumeSize"),
              std::vector<uint64_t>{200 * GiB});
    EXPECT_EQ(value<uint64_t>(get(pool).at(0), "RemainingManagedSpace"), (428 + 428 + 200 + 300) * GiB);
}

TEST_F(PoolsSimulatedTest, FixedSettingsFollowTheSupportedLevels) {
    EXPECT_EQ(names("ORV_StorageSetting"),
              (std::vector<std::string>{"InstanceID=StorageSetting_0_RAID0", "InstanceID=StorageSetting_0_RAID1",
                                        "InstanceID=StorageSetting_0_RAID5", "InstanceID=StorageSetting_0_RAID6",
                                        "InstanceID=StorageSetting_1_RAID0", "InstanceID=StorageSetting_1_RAID1"}));
    expectProperties(get(pathOf("ORV_StorageSetting", {{"InstanceID", "StorageSetting_0_RAID5"}})).at(0), "RAID 5",
                     {{"ElementName", "RAID5"}});
    expectProperties(get(pathOf("ORV_StorageSetting", {{"InstanceID", "StorageSetting_0_RAID6"}})).at(0), "RAID 6",
                     {{"PackageRedundancyMax", 2}, {"ExtentStripeLengthMin", 4}});
    EXPECT_TRUE(get(pathOf("ORV_StorageSetting", {{"InstanceID", "StorageSetting_1_RAID5"}})).empty());

    // The setting of an existing array.
    expectProperties(get(pathOf("ORV_FixedStorageSetting", {{"InstanceID", "0_0"}})).at(0), "array setting",
                     {{"ElementName", "RAID5"}, {"UserDataStripeDepth", 65536}, {"ExtentStripeLength", 3},
                      {"SpareProtected", true}});
    EXPECT_EQ(failureOf([&] { get(pathOf("ORV_FixedStorageSetting", {{"InstanceID", "0_7"}})); }).second,
              "Failed to retrieve array instance.");
    EXPECT_TRUE(logged("ControllerID : 0 and VolumeID : 7 as retrieved from InstanceID"));

    const MethodReply reply = invoke(pathOf("ORV_ConcretePoolCapabilities", {{"InstanceID", "1_0"}}), "CreateSetting");
    const auto setting = argument<CIMObjectPath>(reply, "NewSetting");
    ASSERT_EQ(setting.size(), 1u);
    EXPECT_EQ(get(setting[0]).size(), 1u);
    EXPECT_EQ(value<std::string>(get(setting[0]).at(0), "ElementName"), "RAID1");
}

TEST_F(PoolsSimulatedTest, UserSettingsAreMadeChangedWithinBoundsAndUsableAsGoal) {
    const CIMObjectPath capabilities = pathOf("ORV_PrimordialPoolCapabilities", {{"InstanceID", "1_SATA_Rotating"}});
    const auto created = argument<CIMObjectPath>(invoke(capabilities, "CreateSetting"), "NewSetting");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].getClassName(), "ORV_UserGeneratedSetting");
    const auto second = argument<CIMObjectPath>(invoke(capabilities, "CreateSetting"), "NewSetting");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NE(second[0].getKeyBinding("InstanceID").getValue<std::string>(),
              created[0].getKeyBinding("InstanceID").getValue<std::string>());
    EXPECT_EQ(enumerate("ORV_UserGeneratedSetting").size(), 2u);

    expectProperties(get(created[0]).at(0), "new setting", {{"ElementName", "RAID1"}, {"UserDataStripeDepth", 131072}});

    auto refused = modify(created[0], "UserDataStripeDepth", uint64_t{2048}, CIM_UINT64);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->getCode(), 7);
    EXPECT_EQ(refused->getMessage(), "UserDataStripeDepth should be between 4096 and 33554432");
    EXPECT_TRUE(logged("UserDataStripeDepth should be between 4096 ans 33554432"));
    refused = modify(created[0], "UserDataStripeDepth", uint64_t{33554433}, CIM_UINT64);
    ASSERT_TRUE(refused);
    refused = modify(created[0], "ParityLayout", uint16_t{2}, CIM_UINT16);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->getMessage(), "ParityLayout Property modification not supported.");
    EXPECT_EQ(value<uint64_t>(get(created[0]).at(0), "UserDataStripeDepth"), 131072u) << "nothing was kept";

    EXPECT_FALSE(modify(created[0], "UserDataStripeDepth", uint64_t{33554432}, CIM_UINT64));
    EXPECT_FALSE(modify(created[0], "ElementName", std::string("RAID0"), CIM_STRING));
    expectProperties(withKey(enumerate("ORV_UserGeneratedSetting"), "InstanceID",
                             created[0].getKeyBinding("InstanceID").getValue<std::string>().at(0)),
                     "changed setting",
                     {{"ElementName", "RAID0"}, {"Description", "RAID 0"}, {"UserDataStripeDepth", 33554432},
                      {"NoSinglePointOfFailure", false}});

    // Its level is read from the name.
    CIMArgumentList in;
    in.add(scalarProperty("Goal", created[0], CIM_REFERENCE));
    const MethodReply reply =
        invoke(pathOf("ORV_PrimordialStoragePool", {{"InstanceID", "1_SATA_Rotating"}}), "GetSupportedSizes", in);
    EXPECT_EQ(argument<uint64_t>(reply, "Sizes"), std::vector<uint64_t>{999 * GiB});
}

TEST_F(PoolsSimulatedTest, ConcurrentCreateSettingGivesDistinctSettings) {
    const CIMObjectPath capabilities = pathOf("ORV_PrimordialPoolCapabilities", {{"InstanceID", "0_SAS_SSD"}});
    std::vector<std::vector<std::string>> made(4);
    std::vector<std::thread> threads;
    for (auto& ids : made) {
        threads.emplace_back([&] {
            for (int round = 0; round < 5; ++round) {
                for (const auto& path : argument<CIMObjectPath>(invoke(capabilities, "CreateSetting"), "NewSetting")) {
                    ids.push_back(path.getKeyBinding("InstanceID").getValue<std::string>().at(0));
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    std::set<std::string> distinct;
    for (const auto& ids : made) distinct.insert(ids.begin(), ids.end());
    EXPECT_EQ(distinct.size(), 20u);
    EXPECT_EQ(enumerate("ORV_UserGeneratedSetting").size(), 20u);
}

TEST_F(PoolsSimulatedTest, CapabilitiesAndRedundancySets) {
    // Controller 1 supports RAID 1 but not RAID 6; the parity layout follows this class's map.
    expectProperties(get(pathOf("ORV_PrimordialPoolCapabilities", {{"InstanceID", "1_SATA_Rotating"}})).at(0),
                     "RAID 0/1 capabilities",
                     {{"DataRedundancyMax", 2}, {"PackageRedundancyMax", 1}, {"ParityLayoutDefault", kAbsent}});
    expectProperties(get(pathOf("ORV_PrimordialPoolCapabilities", {{"InstanceID", "0_SAS_Rotating"}})).at(0),
                     "RAID 5 capabilities", {{"ParityLayoutDefault", 3}});
    expectProperties(get(pathOf("ORV_ConcretePoolCapabilities", {{"InstanceID", "0_0"}})).at(0),
                     "array capabilities", {{"UserDataStripeDepthDefault", 65536}, {"ParityLayout", 2}});

    const CIMInstanceList sets = enumerate("ORV_StorageRedundancySet");
    ASSERT_EQ(sets.size(), 8u);
    expectProperties(withKey(sets, "InstanceID", "0_SAS_Rotating"), "redundancy set",
                     {{"RedundancyStatus", 2}, {"TypeOfSet", "4"}});
}

}  // namespace
}  // namespace poolstest
