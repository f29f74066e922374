// Cases the simulated controllers cannot make: states and RAID levels they
// refuse and library objects lacking properties. The framework runs over a
// RAID library that answers from tables.
#include "FrameworkTestSupport.h"
#include "PoolsTestSupport.h"
#include "ProviderPluginCatalogue.h"

namespace poolstest {
namespace {

using orv::raidlib::PropertyContainer;

class PoolsFakeLibraryTest : public orv::test::FrameworkTest {
protected:
    void start() { ASSERT_TRUE(startFramework(providerPluginCatalogue(), 0)); }

    PropertyContainer& addVolume(uint32_t contrId, uint32_t vdIndex, uint32_t raidLevel, uint32_t state,
                                 std::vector<uint32_t> members = {0, 1, 2}) {
        PropertyContainer volume;
        volume.insertInt("contrId", contrId, true);
        volume.insertInt("vdIndex", vdIndex, true);
        volume.insertInt("volReserved", 0);
        volume.insertVector("compPdId", std::move(members));
        volume.insertInt("state", state);
        volume.insertInt("RAIDLevel", raidLevel);
        volume.insertInt("stripeSize", 64);
        volume.insertU64("totalBlocks", 1ull << 33);
        volume.insertInt("blockLength", 4096);
        volume.insertString("volumeName", "Vol" + std::to_string(vdIndex));
        library.storageClasses["volumes"].push_back(std::move(volume));
        return library.storageClasses["volumes"].back();
    }
    PropertyContainer& addDisk(uint32_t contrId, uint32_t compPdId, uint32_t driveType, uint32_t blockDevType,
                               uint32_t pdConfig, uint32_t coercedSize) {
        PropertyContainer disk;
        disk.insertInt("contrId", contrId, true);
        disk.insertInt("compPdId", compPdId, true);
        disk.insertInt("pdConfig", pdConfig);
        disk.insertInt("coercedSize", coercedSize);
        disk.insertInt("state", 0);
        disk.insertInt("driveType", driveType);
        disk.insertInt("blockDevType", blockDevType);
        library.storageClasses["physicalDisks"].push_back(std::move(disk));
        return library.storageClasses["physicalDisks"].back();
    }
    CIMInstance volumeNamed(const std::string& className, const std::string& id) {
        const bool pooled = className != "ORV_StorageVolume" && className != "ORV_CompositeExtent";
        return withKey(enumerate(className), pooled ? "InstanceID" : "DeviceID", id);
    }
};

// The state decides the statuses, the level the redundancy and the name of
// the array's setting and capabilities; levels outside the table claim none.
TEST_F(PoolsFakeLibraryTest, VolumeStatesAndRaidLevelsMapToTheirCimValues) {
    library.addController(0);
    struct Row {
        uint32_t level, state;
        uint16_t operational, extent, data, package;
        bool protectedAgainstOneFailure;
        const char* name;
    };
    const std::vector<Row> rows{{0, 0, 2, 2, 1, 0, false, "RAID0"}, {1, 1, 3, 2, 2, 1, true, "RAID1"},
                                {5, 2, 1, 11, 1, 1, true, "RAID5"}, {6, 3, 6, 2, 1, 2, true, "RAID6"},
                                {10, 4, 0, 2, 0, 0, false, "Unknown"}};
    for (uint32_t index = 0; index < rows.size(); ++index) addVolume(0, index, rows[index].level, rows[index].state);
    start();
    for (uint32_t index = 0; index < rows.size(); ++index) {
        const Row& row = rows[index];
        const std::string id = "0_" + std::to_string(index);
        SCOPED_TRACE(row.name);
        for (const char* className : {"ORV_StorageVolume", "ORV_CompositeExtent"}) {
            expectProperties(volumeNamed(className, id), className,
                             {{"OperationalStatus", row.operational}, {"ExtentStatus", row.extent},
                              {"DataRedundancy", row.data}, {"PackageRedundancy", row.package},
                              {"NoSinglePointOfFailure", row.protectedAgainstOneFailure}});
        }
        expectProperties(volumeNamed("ORV_ConcreteStoragePool", id), "pool", {{"OperationalStatus", row.operational}});
        for (const char* className : {"ORV_FixedStorageSetting", "ORV_ConcretePoolCapabilities"})
            expectProperties(volumeNamed(className, id), className, {{"ElementName", row.name}});
    }
    expectProperties(volumeNamed("ORV_FixedStorageSetting", "0_4"), "unknown level", {{"DataRedundancyGoal", kAbsent}});
    expectProperties(volumeNamed("ORV_FixedStorageSetting", "0_3"), "RAID 6", {{"PackageRedundancyGoal", 2}});
}

TEST_F(PoolsFakeLibraryTest, UnreadablePropertiesAreLeftOutAlone) {
    library.addController(0);
    PropertyContainer& volume = addVolume(0, 0, 5, 1);
    volume.removeProperty("state", false);
    volume.removeProperty("RAIDLevel", false);
    addDisk(0, 0, 1, 1, 0, 100).removeProperty("coercedSize", false);
    addDisk(0, 1, 1, 1, 0, 200).removeProperty("pdConfig", false);
    addDisk(0, 2, 1, 1, 0, 300);
    start();

    expectProperties(volumeNamed("ORV_StorageVolume", "0_0"), "volume without state",
                     {{"OperationalStatus", kAbsent}, {"ExtentStatus", kAbsent}, {"State", kAbsent},
                      {"RAIDLevel", kAbsent}, {"DataRedundancy", kAbsent}, {"ElementName", "Vol0"},
                      {"Size", 1ull << 45}, {"Type", 1}});
    EXPECT_TRUE(logged("getPropertyValue(VrlVolume::state) failed"));
    EXPECT_FALSE(has(volumeNamed("ORV_CompositeExtent", "0_0"), "ExtentStripeLength"));
    EXPECT_TRUE(logged("orv::cim::fwf::ORVCompositeExtent::getNonKeyAttributes :: Failed to retrieve "
                       "VrlVolume::RAIDLevel."));

    // A disk without a size adds nothing; one without a configuration is
    // taken for configured.
    expectProperties(withKey(enumerate("ORV_PrimordialStoragePool"), "InstanceID", "0_SATA_Rotating"), "pool",
                     {{"TotalManagedSpace", 500 * GiB}, {"RemainingManagedSpace", 300 * GiB}});
    EXPECT_TRUE(logged("getPropertyValue(VrlPhysDisk::coercedSize) failed"));
    EXPECT_FALSE(has(volumeNamed("ORV_ConcreteStoragePool", "0_0"), "OperationalStatus"))
        << "the pool has no status either";
}

TEST_F(PoolsFakeLibraryTest, UnreadableKeys) {
    library.addController(0);
    addVolume(0, 0, 5, 0);
    addVolume(0, 1, 5, 0).removeProperty("vdIndex", true);
    addDisk(0, 0, 2, 1, 3, 100);
    addDisk(0, 1, 2, 1, 0, 100).removeProperty("compPdId", true);
    start();
    // An array that cannot be named is left out of every class built on arrays.
    for (const char* className : {"ORV_StorageVolume", "ORV_ConcreteStoragePool", "ORV_CompositeExtent",
                                  "ORV_ConcretePoolCapabilities", "ORV_FixedStorageSetting"}) {
        EXPECT_EQ(enumerate(className).size(), 1u) << className;
    }
    EXPECT_TRUE(logged("getPropertyValue(VrlVolume::vdIndex) failed"));
    EXPECT_EQ(failureOf([] { enumerate("ORV_StorageExtent"); }),
              std::make_pair(1, std::string("orv::cim::fwf::ORVStorageExtent::getKeyAttributes ::compPdId Property "
                                            "retrieval failed.")));
    EXPECT_TRUE(logged("getPropertyValue(VrlPhysDisk::compPdId) failed"));
}

TEST_F(PoolsFakeLibraryTest, RedundancySetFollowsTheWorstArrayOfItsDisks) {
    library.addController(0);
    addDisk(0, 0, 2, 1, 3, 100);
    addDisk(0, 1, 2, 1, 3, 100);
    addDisk(0, 2, 1, 0, 3, 100);
    addDisk(0, 3, 1, 0, 3, 100);
    addVolume(0, 0, 1, 2, {0, 1});
    addVolume(0, 1, 1, 3, {2, 3});
    start();
    const CIMInstanceList sets = enumerate("ORV_StorageRedundancySet");
    for (const auto& [set, status] :
         {std::pair<const char*, int>{"0_SAS_Rotating", 3}, {"0_SATA_SSD", 4}, {"0_SAS_SSD", 2}})
        expectProperties(withKey(sets, "InstanceID", set), set, {{"RedundancyStatus", status}});
}

TEST_F(PoolsFakeLibraryTest, CreateSettingThatCannotBeKeptAnswersFailed) {
    library.addController(0);
    start();
    const MethodReply reply =
        invoke(pathOf("ORV_PrimordialPoolCapabilities", {{"InstanceID", "0_SAS_SSD"}}), "CreateSetting");
    EXPECT_EQ(reply.result, 4u);
    EXPECT_EQ(reply.out.find("NewSetting"), nullptr);
    EXPECT_TRUE(logged("The Adding of object to cache failed"));
}

}  // namespace
}  // namespace poolstest
