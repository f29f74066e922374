// The controller as a computer system: how a request names one controller,
// the decoding of its capability bits, and a modification of its settings as
// the library receives it.
#include "ControllerModelFixture.h"

namespace controllertest {
namespace {

constexpr const char* kController = "ORV_ControllerComputerSystem";

class ControllerSystemTest : public ControllerModelTest {
protected:
    void modify(const std::string& name, const std::vector<CIMProperty>& properties,
                const std::vector<std::string>& propertyNames) {
        CIMInstance instance;
        for (const auto& property : properties) instance.addProperty(property);
        const CIMObjectPath path = pathOf(kController, {{"Name", name}});
        orv::test::pluginFor(path).modifyInstance(path, instance, propertyNames);
    }
    static CIMProperty number(const char* name, uint32_t value) { return scalarProperty(name, value, CIM_UINT32); }
    static CIMProperty flag(const char* name, bool value) { return scalarProperty(name, value, CIM_BOOLEAN); }
};

TEST_F(ControllerSystemTest, GetTakesTheNumberAfterTheUnderscoreAndDecodesCapabilities) {
    start();
    const CIMObjectPathList names = namesOf(kController);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(keyText(names[1], "Name"), "AmbrixController_2");

    expectProperties(getOne(kController, "Name", "AmbrixController_2"), "controller 2",
                     {{"CacheMemory", 256}, {"SystemName", thisHost()}});
    // Without an underscore the whole text is the number field: controller 0.
    EXPECT_EQ(propertyText(getOne(kController, "Name", "AmbrixController"), "Name"), "AmbrixController_0");
    // A controller the library does not know is no instance, and no error.
    EXPECT_TRUE(get(pathOf(kController, {{"Name", "AmbrixController_7"}})).empty());
    EXPECT_TRUE(get(pathOf(kController, {{"CreationClassName", kController}})).empty());

    // Capability bits become sizes and levels. Controller 0: stripe bits 0x3C0, recommended 0x30, levels 0x07; controller 2: 0x0C, 0, 0x0F.
    expectProperties(getOne(kController, "Name", "AmbrixController_0"), "controller 0",
                     {{"SupportedStripeSizes", "64,128,256,512"}, {"RecommendedStripeSize", 16},
                      {"SupportedRAIDLevels", "0,1,5"}});
    expectProperties(getOne(kController, "Name", "AmbrixController_2"), "controller 2",
                     {{"SupportedStripeSizes", "4,8"}, {"RecommendedStripeSize", 0},
                      {"SupportedRAIDLevels", "0,1,5,6"}});
}

TEST_F(ControllerSystemTest, ModificationSendsTheMaskAndFieldsOfTheListedSettings) {
    start();
    sim.VrlSimClearCallLog();
    modify("AmbrixController_2", {number("AutoRebuild", 1), flag("CacheEnabled", true)},
           {"autorebuild", "CacheEnabled"});  // CIM names in any case
    auto sent = callsOf(VrlOpcode::SET_CONTR_PROPS);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].u8(0), 2);
    EXPECT_EQ(sent[0].u16(48), 0x401);
    EXPECT_EQ(sent[0].u32(16), 1u);  // autoRebuild
    EXPECT_EQ(sent[0].u32(40), 1u);  // cacheModeEnabled

    sim.VrlSimClearCallLog();
    modify("AmbrixController_0",
           {number("SpinUpDelay", 6), number("SpinDiskCount", 4), flag("NCQStatus", true), number("BootVolumeId", 0xFF),
            number("MediaSrubRate", 30), number("CopyBackEnabled", 1), flag("OptionROMEnabled", true),
            flag("OptionROMInputEnabled", false)},
           {"SpinUpDelay", "SpinDiskCount", "NCQStatus", "BootVolumeId", "MediaSrubRate", "CopyBackEnabled",
            "OptionROMEnabled", "OptionROMInputEnabled"});
    sent = callsOf(VrlOpcode::SET_CONTR_PROPS);
    ASSERT_EQ(sent.size(), 1u);
    const raidtest::Call& record = sent[0];
    EXPECT_EQ(record.u8(0), 0);
    EXPECT_EQ(record.u16(48), 0x37E);
    EXPECT_EQ(record.u8(20), 6);     // spinUpDelay
    EXPECT_EQ(record.u8(21), 4);     // spinDiskCount
    EXPECT_EQ(record.u32(24), 1u);   // NCQEnabled
    EXPECT_EQ(record.u8(28), 0xFF);  // bootVolumeId: none
    EXPECT_EQ(record.u8(29), 30);    // mediaScrubRate
    EXPECT_EQ(record.u32(32), 1u);   // copyBackEnabled
    EXPECT_EQ(record.u32(36), 1u);   // OptionROM
    EXPECT_EQ(record.u32(44), 0u);   // UserInputOpROM
    EXPECT_EQ(record.u32(16), 0u);   // autoRebuild, not listed
}

TEST_F(ControllerSystemTest, ModificationRefusedBeforeAnythingIsSent) {
    start();
    sim.VrlSimClearCallLog();
    const std::vector<std::string> nine = {"AutoRebuild",     "SpinUpDelay",   "SpinDiskCount",
                                           "NCQStatus",       "BootVolumeId",  "CopyBackEnabled",
                                           "MediaSrubRate",   "CacheEnabled",  "OptionROMEnabled"};
    expectRefused([&] { modify("AmbrixController_0", {}, nine); }, 4,
                  "9 properties cannot be modified for ORV_ControllerComputerSystem");
    EXPECT_TRUE(logged("9 properties cannot be modified for ORV_ControllerComputerSystem"));
    expectRefused(
        [&] {
            modify("AmbrixController_0", {number("AutoRebuild", 1), number("RebuildMode", 1)},
                   {"AutoRebuild", "RebuildMode"});
        },
        7, "RebuildMode Property modification not supported for controller.");
    expectRefused([&] { modify("AmbrixController_0", {number("AutoRebuild", 1)}, {"AutoRebuild", "SpinUpDelay"}); },
                  4, "Failed to retrieve value for SpinUpDelay from instance passed.");
    modify("AmbrixController_0", {number("AutoRebuild", 1)}, {});  // nothing to change
    EXPECT_TRUE(callsOf(VrlOpcode::SET_CONTR_PROPS).empty());

    ASSERT_EQ(0, sim.VrlSimFailOpcode(VrlOpcode::SET_CONTR_PROPS, VRLSIM_ANY_CONTROLLER, 0x10000005, 1));
    expectRefused([&] { modify("AmbrixController_2", {number("AutoRebuild", 0)}, {"AutoRebuild"}); }, 1,
                  CommonFunctions::getErrorDescription(0x10000005));
}

}  // namespace
}  // namespace controllertest
