// What belongs to each controller besides the system itself: one instance of
// every class per controller, and the values card, product, target port, battery and
// software identities take from the library.
#include "ControllerModelFixture.h"

namespace controllertest {
namespace {

class ControllerElementsTest : public ControllerModelTest {};

// Controller 2 is the second of two: each class names it by its number, not
// its position, and that name leads a get to this instance only.
TEST_F(ControllerElementsTest, EachClassHasOneInstancePerControllerNamedByItsNumber) {
    start();
    for (const char* className :
         {"ORV_ControllerComputerSystem", "ORV_Card", "ORV_Product", "ORV_PortController", "ORV_DATargetPort",
          "ORV_SCSIProtocolController", "ORV_FirmwareSoftwareIdentity", "ORV_BiosSoftwareIdentity",
          "ORV_SoftwareInstallationService", "ORV_SoftwareInstallationServiceCapabilities"}) {
        SCOPED_TRACE(className);
        const CIMObjectPathList names = namesOf(className);
        ASSERT_EQ(names.size(), 2u);
        bool namesTwo = false;
        for (const auto& key : names[1].getKeyBindings()) {
            const std::string value = keyText(names[1], key.getName());
            namesTwo = namesTwo || value.rfind("2_", 0) == 0 ||
                       (value.size() > 2 && value.compare(value.size() - 2, 2, "_2") == 0);
        }
        EXPECT_TRUE(namesTwo) << names[1].toString();
        const CIMInstanceList found = get(names[1]);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].getObjectPath(), names[1]);
    }
}

TEST_F(ControllerElementsTest, ElementsCarryTheValuesTheLibraryReports) {
    start();
    expectProperties(getOne("ORV_Card", "Tag", "Ambrix_2"), "card",
                     {{"Manufacturer", "ORV"}, {"SerialNumber", "VRC00002"}, {"SKU", "VRC00002"}});
    // Subsystem device 0x262 is sold as the Talvex R4210; others have no
    // marketing name. The product has one Name only: its key.
    expectProperties(getOne("ORV_Product", "Name", "Talvex-RAID_2"), "Talvex product",
                     {{"CommercialName", "Talvex R4210"}, {"Caption", "Talvex-RAID 4i"}, {"Name", "Talvex-RAID_2"}});
    expectProperties(getOne("ORV_Product", "Name", "Ambrix_0"), "Ambrix product", {{"CommercialName", ""}});
    expectProperties(getOne("ORV_DATargetPort", "DeviceID", "2_2"), "target port",
                     {{"PCIVendorID", 4136}, {"PCIDeviceID", 115}, {"PCISubSysVendorId", 7530},
                      {"PCISubSysDeviceId", 610}, {"SlotNumber", 2}});

    // Only controller 0 has a battery.
    const CIMObjectPathList names = namesOf("ORV_Battery");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(keyText(names[0], "SystemName"), "AmbrixController_0");
    EXPECT_EQ(keyText(names[0], "DeviceID"), "0_BAT00001");
    expectProperties(getOne("ORV_Battery", "DeviceID", "0_BAT00001"), "battery",
                     {{"ElementName", "0_BAT00001"}, {"Chemistry", 6}, {"EstimatedChargeRemaining", 95},
                      {"DesignVoltage", 3700}, {"MaxRechargeTime", kAbsent}});
    EXPECT_TRUE(get(pathOf("ORV_Battery", {{"DeviceID", "2_BAT00001"}})).empty());

    expectProperties(getOne("ORV_FirmwareSoftwareIdentity", "InstanceID", "2_Firmware"), "firmware",
                     {{"VersionString", "1310"}});
    const CIMInstance bios = getOne("ORV_BiosSoftwareIdentity", "InstanceID", "0_BIOS");
    EXPECT_NE(propertyText(bios, "VersionString"), "<none>");

    // The simulated driver reports 0x02000312.
    expectProperties(getOne("ORV_DriverSoftwareIdentity", "InstanceID", "Driver"), "driver",
                     {{"VersionString", "2.0.3.18"}});
    EXPECT_TRUE(logged(
        "orv::cim::fwf::ORVDriverSoftwareIdentity::ORVDriverSoftwareIdentity :: Vrlib getVersionInfo success."));
}

}  // namespace
}  // namespace controllertest
