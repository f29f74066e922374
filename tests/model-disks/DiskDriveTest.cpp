#include "CommonFunctions.h"
#include "DiskModelFixture.h"

namespace disktest {
namespace {

constexpr uint32_t kNotFound = 0x10000003;

class DiskDriveTest : public DiskModelTest {
protected:
    CIMInstance disk(const std::string& deviceId) { return withKey(enumerate("ORV_DiskDrive"), "DeviceID", deviceId); }
    static CIMObjectPath diskPath(const std::string& deviceId, uint32_t contrId = 0) {
        return devicePath("ORV_DiskDrive", "DeviceID", deviceId, contrId);
    }
    void locate(const std::string& deviceId, uint16_t value, const PropertyNameList& names = {"LocationIndicator"}) {
        CIMInstance instance;
        instance.addProperty(scalarProperty("LocationIndicator", value, CIM_UINT16));
        framework->modifyInstance(diskPath(deviceId), instance, names);
    }
    uint32_t invoke(const std::string& deviceId, const std::string& method, CIMArgumentList& out) {
        return framework->invokeMethod(diskPath(deviceId), method, CIMArgumentList(), out);
    }
};

TEST_F(DiskDriveTest, DiskStateAndMembershipMapToCimStates) {
    struct Expected {
        const char* deviceId;
        uint16_t operationalStatus, enabledState, configurationStatus;
    };
    // States 0 online, 1 failed, 2 rebuilding, 3 predicted failure, 7 unknown;
    // 0 and 1 array members, 3 a spare, 4 foreign, 5 free.
    const std::vector<Expected> disks{{"0_0", 2, 2, 3},     {"0_1", 6, 3, 3}, {"0_2", 32769, 1, 0},
                                      {"0_3", 32768, 1, 1}, {"0_4", 0, 0, 5}, {"0_5", 2, 2, 0}};
    for (const Expected& expected : disks) {
        SCOPED_TRACE(expected.deviceId);
        expectProperties(disk(expected.deviceId), expected.deviceId,
                         {{"OperationalStatus", expected.operationalStatus, CIM_UINT16_ARRAY},
                          {"EnabledState", expected.enabledState, CIM_UINT16},
                          {"RequestedState", expected.enabledState, CIM_UINT16},
                          {"ConfigurationStatus", expected.configurationStatus, CIM_UINT16}});
    }
}

TEST_F(DiskDriveTest, DiskFactsArePublishedWithTheirCimTypes) {
    // Disk 0_7 is 2^34 blocks of 4096 bytes: the block count alone passes 32
    // bits; disk 0_0 is 300 GiB in 512-byte blocks: the count fits, the bytes do not.
    expectProperties(disk("0_0"), "0_0",
                     {{"SlotNo", 0, CIM_UINT32}, {"Name", "0-0", CIM_STRING}, {"WWN", "5000C5001000ABCD", CIM_STRING},
                      {"SmartFailureCount", 3, CIM_UINT16}, {"SmartFailureFlag", true, CIM_BOOLEAN},
                      {"Warranty", true, CIM_BOOLEAN}, {"LocationIndicator", 2, CIM_UINT16},
                      {"ProductName", "QD300SAS12", CIM_STRING}, {"MaxMediaSize", 322122547200ull / 1000, CIM_UINT64}});
    expectProperties(disk("0_7"), "0_7",
                     {{"EnclosureId", 2, CIM_UINT32}, {"ElementName", "2-6", CIM_STRING},
                      {"Warranty", false, CIM_BOOLEAN}, {"LocationIndicator", 3, CIM_UINT16},
                      {"MaxMediaSize", 70368744177664ull / 1000, CIM_UINT64}, {"DefaultBlockSize", 4096, CIM_UINT64}});
}

TEST_F(DiskDriveTest, LocationIndicatorSendsTheLocateRecord) {
    sim.VrlSimClearCallLog();
    locate("0_3", 2);
    framework->modifyInstance(diskPath("1_0", 1), [] {
        CIMInstance off;
        off.addProperty(scalarProperty<uint16_t>("LocationIndicator", 3, CIM_UINT16));
        return off;
    }(), {"locationindicator"});
    locate("0_5", 2, {});  // no property list: every property the instance carries

    const auto calls = callsOf(VrlOpcode::LOCATE_DEVICE);
    ASSERT_EQ(calls.size(), 3u);
    // u8 contrId at 0, u32 compPdId at 4, u32 4 at 8, u32 locateOpern at 12 (0 on, 1 off).
    EXPECT_EQ(std::make_tuple(calls[0].u8(0), calls[0].u32(4), calls[0].u32(8), calls[0].u32(12)),
              std::make_tuple(uint8_t{0}, 3u, 4u, 0u));
    EXPECT_EQ(std::make_tuple(calls[1].u8(0), calls[1].u32(4), calls[1].u32(12)), std::make_tuple(uint8_t{1}, 0u, 1u));
    EXPECT_EQ(calls[2].u32(4), 5u);
    EXPECT_TRUE(logged("orv::cim::fwf::ORVDiskDrive::modifyInstance :: LocateDevice on 0,3 is sucess "));
}

TEST_F(DiskDriveTest, LocateThatCannotBeCarriedOutFails) {
    sim.VrlSimClearCallLog();
    const std::string name = "orv::cim::fwf::ORVDiskDrive::modifyInstance";
    EXPECT_EQ(failureOf([&] { locate("0_3", 4); }),
              std::make_pair(1, std::string("ON/OFF(2/3) are the possible values")));
    EXPECT_EQ(failureOf([&] { locate("0_3", 2, {"LocationIndicator", "ElementName"}); }),
              std::make_pair(7, name + ":This property is not settable"));
    EXPECT_EQ(failureOf([&] { framework->modifyInstance(diskPath("0_3"), CIMInstance(), {"LocationIndicator"}); }),
              std::make_pair(7, name + ":This property is NULL"));
    EXPECT_TRUE(callsOf(VrlOpcode::LOCATE_DEVICE).empty());

    ASSERT_EQ(0, sim.VrlSimFailOpcode(VrlOpcode::LOCATE_DEVICE, VRLSIM_ANY_CONTROLLER, kNotFound, 1));
    EXPECT_EQ(failureOf([&] { locate("0_3", 2); }),
              std::make_pair(1, CommonFunctions::getErrorDescription(kNotFound)));
    EXPECT_TRUE(logged(name + " :: LocateDevice on 0,3 is Failed "));
}

TEST_F(DiskDriveTest, ReclaimAndRebuildCheckSendTheirRecords) {
    sim.VrlSimClearCallLog();
    CIMArgumentList out;
    EXPECT_EQ(invoke("0_4", "ReclaimPD", out), 0u);
    EXPECT_TRUE(out.empty());
    // The library keeps a spare's metadata.
    const auto [code, message] = failureOf([&] { invoke("0_3", "reclaimpd", out); });

    const auto calls = callsOf(VrlOpcode::CLEAR_META_DATA);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(std::make_pair(calls[0].u8(0), calls[0].u32(4)), std::make_pair(uint8_t{0}, 4u));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(message, CommonFunctions::getErrorDescription(calls[1].status));
    EXPECT_TRUE(logged("orv::cim::fwf::ORVDiskDrive::invokeMethod :: Operation failed, Vrlib returned error : " +
                       std::to_string(static_cast<int>(calls[1].status)) + "."));

    // IsDiskRebuildable asks the disk's flags.
    CIMArgumentList failedMember;
    CIMArgumentList freeDisk;
    EXPECT_EQ(invoke("0_1", "IsDiskRebuildable", failedMember), 0u);
    EXPECT_EQ(invoke("0_5", "IsDiskRebuildable", freeDisk), 0u);
    ASSERT_EQ(failedMember.size(), 1u);
    EXPECT_EQ(failedMember.at(0).getName(), "IsRebuildCandidate");
    EXPECT_EQ(failedMember.at(0).getValue<bool>().getValues(), std::vector<bool>{true});
    ASSERT_EQ(freeDisk.size(), 1u);
    EXPECT_EQ(freeDisk.at(0).getValue<bool>().getValues(), std::vector<bool>{false});

    const auto flags = callsOf(VrlOpcode::GET_DEVICE_FLAGS);
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_EQ(std::make_tuple(flags[0].u8(0), flags[0].u32(4), flags[0].u32(8)),
              std::make_tuple(uint8_t{0}, 1u, VrlDeviceType::PhysicalDisk));

    EXPECT_EQ(failureOf([&] { invoke("0_0", "Format", freeDisk); }).first, 7);
    EXPECT_TRUE(logged("orv::cim::fwf::ORVDiskDrive::invokeMethod :: Method Format not supported on ORV_DiskDrive."));
}

}  // namespace
}  // namespace disktest
