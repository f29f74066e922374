// The configuration and sparing services over the simulated controllers:
// the answers a client gets, what reaches the library, and what is refused
// before anything reaches it.
#include <algorithm>
#include <thread>

#include "CommonFunctions.h"

#include "SimulatedControllers.h"

namespace poolstest {
namespace {

// Controller 0 boots from a RAID 5 volume on three SAS disks, keeps a SAS
// solid-state spare, three free SATA disks and a reserved single-disk array.
// Controller 1 (RAID 0 and 1 only) has a reserved mirror, a volume with a
// partition table and a free disk.
const char* const kTopology = R"({
  "lrcIntervalMs": 3600000,
  "controllers": [
    {"id": 0, "bootVolumeId": 0, "disks": [
       {"compPdId": 0, "slotId": 0, "driveType": 2, "blockDevType": 1, "rawSize": 300, "coercedSize": 299},
       {"compPdId": 1, "slotId": 1, "driveType": 2, "blockDevType": 1, "rawSize": 300, "coercedSize": 299},
       {"compPdId": 2, "slotId": 2, "driveType": 2, "blockDevType": 1, "rawSize": 300, "coercedSize": 299},
       {"compPdId": 3, "slotId": 3, "driveType": 2, "blockDevType": 0, "rawSize": 400, "coercedSize": 399,
        "hotSpare": true},
       {"compPdId": 4, "slotId": 4, "driveType": 1, "blockDevType": 1, "rawSize": 501, "coercedSize": 500},
       {"compPdId": 5, "slotId": 5, "driveType": 1, "blockDevType": 1, "rawSize": 501, "coercedSize": 500},
       {"compPdId": 6, "slotId": 6, "driveType": 1, "blockDevType": 1, "rawSize": 501, "coercedSize": 500},
       {"compPdId": 7, "slotId": 7, "driveType": 1, "blockDevType": 1, "rawSize": 501, "coercedSize": 500}],
     "volumes": [{"vdIndex": 0, "RAIDLevel": 5, "compPdId": [0, 1, 2], "volumeName": "Boot", "volReserved": 0},
                 {"vdIndex": 1, "RAIDLevel": 0, "compPdId": [7], "volumeName": "Spare", "volReserved": 1}]},
    {"id": 1, "supRAIDLevel": 3, "disks": [
       {"compPdId": 0, "slotId": 0, "driveType": 1, "blockDevType": 1, "rawSize": 500, "coercedSize": 499},
       {"compPdId": 1, "slotId": 1, "driveType": 1, "blockDevType": 1, "rawSize": 500, "coercedSize": 499},
       {"compPdId": 2, "slotId": 2, "driveType": 1, "blockDevType": 1, "rawSize": 500, "coercedSize": 499},
       {"compPdId": 3, "slotId": 3, "driveType": 1, "blockDevType": 1, "rawSize": 500, "coercedSize": 499},
       {"compPdId": 4, "slotId": 4, "driveType": 1, "blockDevType": 1, "rawSize": 1000, "coercedSize": 999}],
     "volumes": [{"vdIndex": 0, "RAIDLevel": 1, "compPdId": [0, 1], "volumeName": "Mirror", "volReserved": 1},
                 {"vdIndex": 1, "RAIDLevel": 1, "compPdId": [2, 3], "volumeName": "Data", "volReserved": 0,
                  "hasPartition": true}]}
  ]
})";

// Opcodes whose calls change the configuration.
constexpr uint32_t kConfigurationOpcodes[] = {7, 9, 18, 19, 20, 21, 22, 23, 30, 31, 37};

// A service of a controller: its class and the prefix of its Name.
CIMObjectPath serviceOf(const std::string& className, const std::string& name, unsigned contrId) {
    return pathOf(className, {{"SystemCreationClassName", "ORV_ControllerComputerSystem"},
                              {"SystemName", "AmbrixController_" + std::to_string(contrId)},
                              {"CreationClassName", className},
                              {"Name", name + std::to_string(contrId)}});
}
CIMObjectPath storageService(unsigned contrId) {
    return serviceOf("ORV_StorageConfigurationService", "StorageConfigurationService_", contrId);
}
CIMObjectPath spareService(unsigned contrId) {
    return serviceOf("ORV_SpareConfigurationService", "SpareConfigService_", contrId);
}
CIMObjectPath pool(const std::string& instanceId) { return pathOf("ORV_ConcreteStoragePool", {{"InstanceID", instanceId}}); }
CIMObjectPath extent(unsigned contrId, const std::string& deviceId) {
    return deviceOf("ORV_StorageExtent", contrId, deviceId);
}
CIMObjectPath volume(unsigned contrId, const std::string& deviceId) {
    return deviceOf("ORV_StorageVolume", contrId, deviceId);
}

CIMProperty ref(const std::string& name, const CIMObjectPath& path) { return scalarProperty(name, path, CIM_REFERENCE); }
CIMProperty refs(const std::string& name, std::vector<CIMObjectPath> paths) {
    return arrayProperty<CIMObjectPath>(name, std::move(paths), CIM_REFERENCE_ARRAY);
}
CIMProperty texts(const std::string& name, std::vector<std::string> values) {
    return arrayProperty<std::string>(name, std::move(values), CIM_STRING_ARRAY);
}
CIMArgumentList args(std::initializer_list<CIMProperty> list) {
    CIMArgumentList in;
    for (const auto& argument : list) in.add(argument);
    return in;
}
CIMProperty raid(const std::string& level, unsigned contrId = 0) {
    return ref("Goal", pathOf("ORV_StorageSetting", {{"InstanceID", "StorageSetting_" + std::to_string(contrId) + "_" + level}}));
}

class ServicesTest : public SimulatedControllers {
protected:
    std::string topology() const override { return kTopology; }

    // The CIM status and text a method raises; code 0 when it answers.
    struct Outcome {
        int code = 0;
        std::string message;
        MethodReply reply;
    };
    Outcome call(const CIMObjectPath& service, const std::string& method, const CIMArgumentList& in) {
        Outcome outcome;
        try {
            outcome.reply = invoke(service, method, in);
        } catch (const CIMException& e) {
            outcome.code = e.getCode();
            outcome.message = e.getMessage();
        }
        return outcome;
    }
    size_t configurationCalls() {
        size_t count = 0;
        for (uint32_t opcode : kConfigurationOpcodes) count += callsOf(opcode).size();
        return count;
    }
    uint64_t freeSpace(const std::string& primordialPool) {
        return value<uint64_t>(get(pathOf("ORV_PrimordialStoragePool", {{"InstanceID", primordialPool}})).at(0),
                               "RemainingManagedSpace");
    }
};

TEST_F(ServicesTest, ServiceWithoutItsNameKeyIsNotFound) {
    CIMObjectPath noName = spareService(0);
    noName.setKeyBindings({stringKey("CreationClassName", "ORV_SpareConfigurationService")});
    EXPECT_EQ(orv::test::failureOf([&] { get(noName); }),
              std::make_pair(6, std::string("Key Property Name not found in object path passed.")));
}

TEST_F(ServicesTest, AutomaticFailOverSwitchesTheControllersAutoRebuildAlone) {
    const CIMObjectPath capabilities =
        pathOf("ORV_SpareConfigurationCapabilities", {{"InstanceID", "StorageConfigurationCapabilities_1"}});
    EXPECT_TRUE(value<bool>(get(capabilities).at(0), "AutomaticFailOver"));
    EXPECT_FALSE(modify(capabilities, "AutomaticFailOver", false, CIM_BOOLEAN));
    const auto sent = callsOf(7);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].input[0], 1u);
    EXPECT_EQ(sent[0].u32(16), 0u) << "autoRebuild";
    EXPECT_EQ(sent[0].u16(48), 1u) << "only the autoRebuild field is applied";

    const auto refused = modify(capabilities, "MaximumSpareStorageExtents", 4u, CIM_UINT32);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->getCode(), 7);
    EXPECT_EQ(refused->getMessage(), "MaximumSpareStorageExtents Property modification not supported for controller.");
    EXPECT_EQ(callsOf(7).size(), 1u);
}

TEST_F(ServicesTest, PoolFromAPrimordialPoolTakesTheDisksAUserSettingNeeds) {
    const MethodReply setting = invoke(
        pathOf("ORV_PrimordialPoolCapabilities", {{"InstanceID", "0_SATA_Rotating"}}), "CreateSetting");
    const auto goalPath = argument<CIMObjectPath>(setting, "NewSetting");
    ASSERT_EQ(goalPath.size(), 1u);
    Outcome created = call(storageService(0), "CreateOrModifyStoragePool",
                           args({texts("InPools", {"0_SATA_Rotating"}), ref("Goal", goalPath[0]),
                                 scalarProperty<uint64_t>("Size", 400 * GiB, CIM_UINT64)}));
    ASSERT_EQ(created.code, 0) << created.message;
    const auto sent = callsOf(18);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].u16(2), 128u) << "the setting's 131,072-byte stripe depth, in KiB";
    EXPECT_EQ(sent[0].u32(4), 1u) << "the setting's RAID 1";
    EXPECT_EQ(sent[0].input[40], 2u) << "a mirror of two of the three free disks";
}

// Every row is refused before anything reaches the library. The type checks
// share one reader, so one ill-typed argument per method stands for the rest.
TEST_F(ServicesTest, BadRequestsAreRefusedWithTheirOwnCodeAndText) {
    struct Row {
        const char* what;
        CIMObjectPath service;
        const char* method;
        CIMArgumentList in;
        int code;
        std::string message;
    };
    const CIMObjectPath s0 = storageService(0);
    const CIMObjectPath p0 = spareService(0);
    const CIMProperty inPool = ref("InPool", pool("0_1"));
    const CIMProperty primordial = ref("InPool", pathOf("ORV_PrimordialStoragePool", {{"InstanceID", "0_SAS_SSD"}}));
    const CIMProperty redundancy = ref("RedundancySet", pathOf("ORV_StorageRedundancySet", {{"InstanceID", "0_SAS_SSD"}}));
    const std::vector<Row> rows = {
        {"element type", s0, "CreateOrModifyElementFromStoragePool",
         args({inPool, scalarProperty<uint16_t>("ElementType", 3, CIM_UINT16)}), 5, "User passed Invalid ElementType 3"},
        {"modification", s0, "CreateOrModifyElementFromStoragePool", args({inPool, ref("TheElement", volume(0, "0_0"))}),
         5, "Modification of LogicalElement is not Supported"},
        {"pool with its volume", s0, "CreateOrModifyElementFromStoragePool", args({ref("InPool", pool("0_0"))}), 6,
         "Volume already exist in this array"},
        {"pool of controller 1", s0, "CreateOrModifyElementFromStoragePool", args({ref("InPool", pool("1_0"))}), 5,
         "ORV_StorageConfiguration and Array passed are not Matching"},
        {"Size type", s0, "CreateOrModifyElementFromStoragePool",
         args({inPool, scalarProperty<uint32_t>("Size", 1, CIM_UINT32)}), 5,
         "User passed \"Size\" is Invalid data type.UINT64 is expected"},
        {"initializationMode type", s0, "CreateOrModifyElementFromStoragePool",
         args({inPool, scalarProperty<uint16_t>("initializationMode", 1, CIM_UINT16)}), 5,
         "User passed \"initilizationMode\" is Invalid data type.Boolean is expected"},
        {"no TheElement", s0, "ReturnToStoragePool", args({}), 5, "User passed NULL TheElement "},
        {"TheElement type", s0, "ReturnToStoragePool", args({scalarProperty<std::string>("TheElement", "0_0", CIM_STRING)}),
         5, "User passed \"TheElement\" is Invalid data type.REFERENCE is expected"},
        {"pool with its volume", s0, "DeleteStoragePool", args({ref("Pool", pool("0_0"))}), 4,
         "Volume exist in Pool.First delete this volume to delete pool"},
        {"pool of controller 1", s0, "DeleteStoragePool", args({ref("Pool", pool("1_0"))}), 5,
         "User passed array which is not belonging to 0"},
        {"RAID10 goal", s0, "CreateOrModifyStoragePool", args({texts("InExtents", {"0_4", "0_5"}), raid("RAID10")}), 5,
         "User passed Invalid Goal"},
        {"no goal", s0, "CreateOrModifyStoragePool", args({texts("InExtents", {"0_4", "0_5"})}), 5,
         "User passed NULL Goal"},
        {"no disks", s0, "CreateOrModifyStoragePool", args({raid("RAID1")}), 5, "User passed InExtents and InPools NULL"},
        {"disk of controller 1", s0, "CreateOrModifyStoragePool", args({texts("InExtents", {"0_4", "1_4"}), raid("RAID1")}),
         5, "User passed disk which is not belonging to 0"},
        {"disk in an array", s0, "CreateOrModifyStoragePool", args({texts("InExtents", {"0_4", "0_7"}), raid("RAID1")}), 5,
         "User passed disk which is already configured.0_7"},
        {"extent text", s0, "CreateOrModifyStoragePool", args({texts("InExtents", {"disk4"}), raid("RAID1")}), 5,
         "InExtent String is invalid"},
        {"pool of controller 1", s0, "CreateOrModifyStoragePool", args({texts("InPools", {"1_SATA_Rotating"}), raid("RAID1")}),
         5, "InPool String is invalid"},
        {"InExtents type", s0, "CreateOrModifyStoragePool",
         args({scalarProperty<std::string>("InExtents", "0_4", CIM_STRING), raid("RAID1")}), 5,
         "User passed InExtents is Invalid data type.String array is expected"},
        {"stripeSize type", s0, "CreateOrModifyStoragePool",
         args({texts("InExtents", {"0_4", "0_5"}), raid("RAID1"), scalarProperty<uint16_t>("stripeSize", 64, CIM_UINT16)}),
         5, "User passed \"stripeSize\" is Invalid data type.Uint32 is expected"},
        {"too little space", s0, "CreateOrModifyStoragePool",
         args({texts("InPools", {"0_SATA_Rotating"}), raid("RAID1"), scalarProperty<uint64_t>("Size", 501 * GiB, CIM_UINT64)}),
         5, "Not enough free space"},

        {"extent of controller 1", p0, "AssignSpares", args({refs("InExtents", {extent(1, "1_4")}), primordial, redundancy}), 4,
         "Invalid Parameter, Extent Controller ID : 1,                     Service Controller ID : 0 does not match"},
        {"extent of controller 1", p0, "UnassignSpares", args({refs("InExtents", {extent(1, "1_4")}), primordial}), 5,
         "Invalid Parameter, Extent Controller ID : 1,                 Service Controller ID : 0 does not match"},
        {"extent of controller 1", p0, "CheckParityConsistency", args({ref("Target", extent(1, "1_2"))}), 5,
         "Storage Extent Controller id : 1, Service Controller id : 0, do not match."},
        {"same disk twice", p0, "AssignSpares",
         args({refs("InExtents", {extent(0, "0_4"), extent(0, "0_4")}), primordial, redundancy}), 2,
         "Extent 4 passed invalid, already in use."},
        {"no extents", p0, "AssignSpares", args({primordial, redundancy}), 5, "User passed NULL InExtents"},
        {"no target", p0, "RebuildStorageExtent", args({}), 5, "User passed NULL Target."},
        {"single extent", p0, "AssignSpares", args({ref("InExtents", extent(0, "0_4")), primordial, redundancy}), 4,
         "User passed Invalid data type for InExtents.ObjectPath array is expected"},
        {"target as text", p0, "CheckParityConsistency", args({scalarProperty<std::string>("Target", "0_1", CIM_STRING)}),
         4, "User passed Invalid data type for Target.ObjectPath is expected"},
        {"volume as target", p0, "RebuildStorageExtent", args({ref("Target", volume(0, "0_0"))}), 5,
         "Parameter Target invalid, ORV_StorageVolume passed, ORV_StorageExtent expected."},
        {"extent without DeviceID", p0, "CheckParityConsistency",
         args({ref("Target", pathOf("ORV_StorageExtent", {{"SystemName", "AmbrixController_0"}}))}), 23,
         "Invalid Extent object passes, Key property DeviceID missing."},
        {"extent without keys", p0, "AssignSpares",
         args({refs("InExtents", {pathOf("ORV_StorageExtent")}), primordial, redundancy}), 4,
         "Invalid Storage Extents Passed."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.method) + ": " + row.what);
        const Outcome outcome = call(row.service, row.method, row.in);
        EXPECT_EQ(outcome.code, row.code);
        EXPECT_EQ(outcome.message, row.message);
    }
    EXPECT_EQ(configurationCalls(), 0u);
}

TEST_F(ServicesTest, LibraryRefusalsCarryTheLibrarysDescription) {
    Outcome boot = call(storageService(0), "ReturnToStoragePool", args({ref("TheElement", volume(0, "0_0"))}));
    EXPECT_EQ(boot.code, 6);
    EXPECT_EQ(boot.message, CommonFunctions::getErrorDescription(0x1000000E));
    EXPECT_TRUE(logged("Volume set as BOOT Volume"));
    Outcome partition = call(storageService(1), "ReturnToStoragePool", args({ref("TheElement", volume(1, "1_1"))}));
    EXPECT_EQ(partition.code, 6);
    EXPECT_EQ(partition.message, CommonFunctions::getErrorDescription(0x1000000D));
    EXPECT_FALSE(get(volume(1, "1_1")).empty());

    sim.VrlSimFailOpcode(9, VRLSIM_ANY_CONTROLLER, 0x10000000, 1);
    Outcome cleared = call(storageService(0), "ClearConfiguration", {});
    EXPECT_EQ(cleared.code, 4);
    EXPECT_EQ(cleared.message, CommonFunctions::getErrorDescription(0x10000000));
    EXPECT_FALSE(get(volume(0, "0_0")).empty());
    Outcome clearedOne = call(storageService(1), "ClearConfiguration", {});
    ASSERT_EQ(clearedOne.code, 0) << clearedOne.message;
    EXPECT_EQ(names("ORV_ConcreteStoragePool"), (std::vector<std::string>{"InstanceID=0_0", "InstanceID=0_1"}));

    sim.VrlSimFailOpcode(7, VRLSIM_ANY_CONTROLLER, 0x10000000, 1);
    EXPECT_EQ(call(storageService(0), "SetFactoryDefaults", {}).reply.result, 2u);
    EXPECT_EQ(call(storageService(0), "SetFactoryDefaults", {}).reply.result, 0u);
    EXPECT_EQ(callsOf(7).back().u16(48), 0u) << "no field selected: the factory values";

    const size_t before = configurationCalls();
    EXPECT_EQ(call(storageService(0), "VDInitialization", {}).reply.result, 1u);
    EXPECT_EQ(call(spareService(0), "RepairParity", {}).reply.result, 1u);
    EXPECT_EQ(configurationCalls(), before);
}

TEST_F(ServicesTest, SparingMethodsSendTheDiskAndTheArrayTheyMust) {
    const CIMProperty primordial = ref("InPool", pathOf("ORV_PrimordialStoragePool", {{"InstanceID", "0_SATA_Rotating"}}));
    const CIMProperty redundancy =
        ref("RedundancySet", pathOf("ORV_StorageRedundancySet", {{"InstanceID", "0_SATA_Rotating"}}));
    Outcome assigned =
        call(spareService(0), "AssignSpares", args({refs("InExtents", {extent(0, "0_6")}), primordial, redundancy}));
    ASSERT_EQ(assigned.code, 0) << assigned.message;
    ASSERT_EQ(callsOf(30).size(), 1u);
    EXPECT_EQ(callsOf(30)[0].u16(4), 1u);
    EXPECT_EQ(callsOf(30)[0].u32(8), 6u);
    // With the listener attached the spare flag reaches the cache by the library's event.
    ASSERT_EQ(0, sim.VrlSimWaitEventsDrained(5000));
    EXPECT_TRUE(value<bool>(get(extent(0, "0_6")).at(0), "HotSpareFlag"));
    Outcome unassigned = call(spareService(0), "unassignspares", args({refs("InExtents", {extent(0, "0_6")}), primordial}));
    ASSERT_EQ(unassigned.code, 0) << unassigned.message;
    EXPECT_EQ(callsOf(31).at(0).u32(8), 6u);
    ASSERT_EQ(0, sim.VrlSimWaitEventsDrained(5000));
    EXPECT_FALSE(value<bool>(get(extent(0, "0_6")).at(0), "HotSpareFlag"));

    Outcome parity = call(spareService(1), "CheckParityConsistency", args({ref("Target", extent(1, "1_3"))}));
    ASSERT_EQ(parity.code, 0) << parity.message;
    EXPECT_EQ(callsOf(20).at(0).u32(4), 1u) << "the array disk 3 belongs to";

    ASSERT_EQ(0, sim.VrlSimSetProperty(VRLSIM_DISK, 1, 2, "state", "1", 0));
    Outcome rebuilt = call(spareService(1), "RebuildStorageExtent", args({ref("Target", extent(1, "1_2"))}));
    ASSERT_EQ(rebuilt.code, 0) << rebuilt.message;
    EXPECT_EQ(callsOf(21).at(0).input[0], 1u);
    EXPECT_EQ(callsOf(21).at(0).u32(4), 2u);
    Outcome refused = call(spareService(1), "RebuildStorageExtent", args({ref("Target", extent(1, "1_4"))}));
    EXPECT_EQ(refused.code, 4);
    EXPECT_TRUE(logged("Operation rebuildVolume failed, Vrlib returned error " + std::to_string(callsOf(21).back().status)));
}

// Two clients build pools from overlapping disks at once: the library takes
// one, refuses the other, and the cache ends as a fresh fill would.
TEST_F(ServicesTest, ConcurrentOverlappingPoolsCreateExactlyOne) {
    Outcome first, second;
    std::thread a([&] { first = call(storageService(0), "CreateOrModifyStoragePool",
                                     args({texts("InExtents", {"0_4", "0_5"}), raid("RAID1")})); });
    std::thread b([&] { second = call(storageService(0), "CreateOrModifyStoragePool",
                                      args({texts("InExtents", {"0_5", "0_6"}), raid("RAID1")})); });
    a.join();
    b.join();
    EXPECT_EQ((first.code == 0) + (second.code == 0), 1) << first.message << " / " << second.message;
    const int refusedCode = first.code == 0 ? second.code : first.code;
    EXPECT_TRUE(refusedCode == 4 || refusedCode == 5) << refusedCode;
    ASSERT_EQ(0, sim.VrlSimWaitEventsDrained(5000));

    auto cached = names("ORV_ConcreteStoragePool");
    std::sort(cached.begin(), cached.end());
    const auto cachedFree = freeSpace("0_SATA_Rotating");
    // A restarted provider reads everything afresh from the library, which
    // keeps its configuration across the restart.
    FrameworkFacade::destroyInstance();
    ASSERT_TRUE(FrameworkFacade::getInstance()->initialize());
    auto filled = names("ORV_ConcreteStoragePool");
    std::sort(filled.begin(), filled.end());
    EXPECT_EQ(filled, cached);
    EXPECT_EQ(freeSpace("0_SATA_Rotating"), cachedFree);
}

}  // namespace
}  // namespace poolstest
