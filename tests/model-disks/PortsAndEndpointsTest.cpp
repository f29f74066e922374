#include "DiskModelFixture.h"

namespace disktest {
namespace {

using PortsAndEndpointsTest = DiskModelTest;

const std::vector<std::string> kSasDisks{"0_0", "0_1", "0_2", "0_3", "0_4", "0_5"};
const std::vector<std::string> kSataDisks{"0_7", "1_0"};

TEST_F(PortsAndEndpointsTest, EveryClassNamesItsInstancesInKeyOrder) {
    const std::string system = "ORV_ControllerComputerSystem";
    const std::string lastController = "AmbrixController_1";
    struct Expected {
        const char* className;
        std::size_t count;
        Keys lastKeys;
    };
    const std::vector<Expected> classes{
        {"ORV_DiskDrive", 8,
         {{"SystemCreationClassName", system}, {"CreationClassName", "ORV_DiskDrive"}, {"DeviceID", "1_0"},
          {"SystemName", lastController}}},
        {"ORV_DiskDriveATAProtocolEndpoint", 2,
         {{"SystemCreationClassName", system}, {"CreationClassName", "ORV_DiskDriveATAProtocolEndpoint"},
          {"Name", "1_0"}, {"SystemName", lastController}}},
        {"ORV_DiskDrivePhysicalPackage", 8,
         {{"CreationClassName", "ORV_DiskDrivePhysicalPackage"}, {"Tag", "DiskDrivePhysicalPackage_1_0"}}},
        {"ORV_DiskDriveSoftwareIdentity", 8, {{"InstanceID", "1_0"}}},
        {"ORV_InitiatorATAProtocolEndPoint", 3,
         {{"SystemCreationClassName", system}, {"CreationClassName", "ORV_InitiatorATAProtocolEndPoint"},
          {"SystemName", lastController}, {"Name", "ATA_1_500605B000000B00_0"}}},
        {"ORV_InitiatorSASPhy", 3,
         {{"SystemCreationClassName", system}, {"CreationClassName", "ORV_InitiatorSASPhy"},
          {"SystemName", lastController}, {"DeviceID", "1_500605B000000B00_0"}}},
        {"ORV_TargetSCSIProtocolEndPoint", 2,
         {{"SystemName", lastController}, {"CreationClassName", "ORV_TargetSCSIProtocolEndPoint"},
          {"SystemCreationClassName", system}, {"Name", "1_1_SCSI"}}},
    };
    for (const Expected& expected : classes) {
        SCOPED_TRACE(expected.className);
        CIMObjectPathList paths;
        framework->enumerateInstanceNames(pathOf(expected.className), paths);
        ASSERT_EQ(paths.size(), expected.count);
        EXPECT_EQ(keysOf(paths.back()), expected.lastKeys);
        // Every name leads back to its instance.
        const CIMInstanceList found = get(paths.back());
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(keysOf(found.front().getObjectPath()), expected.lastKeys);
    }
}

TEST_F(PortsAndEndpointsTest, DiskPortsAndEndpointsFollowTheDriveType) {
    EXPECT_EQ(keyValues(enumerate("ORV_DiskDriveSASPort"), "DeviceID"), kSasDisks);
    EXPECT_EQ(keyValues(enumerate("ORV_DiskDriveATAPort"), "DeviceID"), kSataDisks);
    EXPECT_EQ(keyValues(enumerate("ORV_DiskDriveSASProtocolEndpoint"), "Name"), kSasDisks);
    EXPECT_EQ(keyValues(enumerate("ORV_DiskDriveATAProtocolEndpoint"), "Name"), kSataDisks);
    // A SATA disk is no SAS port, even when named exactly.
    EXPECT_TRUE(get(devicePath("ORV_DiskDriveSASPort", "DeviceID", "0_7")).empty());

    const CIMInstance port = withKey(enumerate("ORV_DiskDriveSASPort"), "DeviceID", "0_2");
    EXPECT_EQ(valuesOf<uint16_t>(port, "OperationalStatus"), std::vector<uint16_t>{32769});
    const CIMInstance fast = withKey(enumerate("ORV_DiskDriveSASPort"), "DeviceID", "0_0");
    EXPECT_EQ(valueOf<uint64_t>(fast, "Speed", CIM_UINT64), 12000u);
    EXPECT_EQ(textOf(fast, "PermanentAddress"), "5000C50000000001");

}

TEST_F(PortsAndEndpointsTest, PackageAndFirmwareDescribeTheDrive) {
    const CIMInstanceList packages = enumerate("ORV_DiskDrivePhysicalPackage");
    const CIMInstance package = withKey(packages, "Tag", "DiskDrivePhysicalPackage_0_0");
    EXPECT_EQ(textOf(package, "Manufacturer"), "QUOLLDSK");
    EXPECT_EQ(textOf(package, "Model"), "Q30");
    EXPECT_EQ(textOf(package, "SKU"), "QD000001");
    EXPECT_EQ(textOf(package, "ElementName"), "0-0");
    EXPECT_EQ(textOf(package, "Caption"), "QD300SAS12");
    EXPECT_EQ(valueOf<uint32_t>(package, "FormFactor", CIM_UINT32), 3u);
    EXPECT_EQ(textOf(package, "OtherIdentifyingInfo"), "Rotational");
    EXPECT_EQ(textOf(package, "Version"), "0004");
    EXPECT_EQ(textOf(withKey(packages, "Tag", "DiskDrivePhysicalPackage_0_7"), "OtherIdentifyingInfo"), "SSD");
    // A tag without the package prefix names no package.
    EXPECT_TRUE(get(pathOf("ORV_DiskDrivePhysicalPackage", {{"Tag", "0_0"}})).empty());

    const CIMInstance firmware = withKey(enumerate("ORV_DiskDriveSoftwareIdentity"), "InstanceID", "0_0");
    EXPECT_EQ(textOf(firmware, "VersionString"), "0004");
}

TEST_F(PortsAndEndpointsTest, ControllerPortsAreInitiatorsAndTheControllerATarget) {
    EXPECT_EQ(keyValues(enumerate("ORV_InitiatorATAProtocolEndPoint"), "Name"),
              (std::vector<std::string>{"ATA_0_500605B000000A00_0", "ATA_0_500605B000000A01_1",
                                        "ATA_1_500605B000000B00_0"}));

    const CIMInstance port = withKey(enumerate("ORV_SASInitiatorPort"), "DeviceID", "0_500605B000000A01_1");
    EXPECT_EQ(textOf(port, "PermanentAddress"), "500605B000000A01");
    EXPECT_TRUE(get(pathOf("ORV_SASInitiatorPort", {{"DeviceID", "0_500605B000000A01_7"}})).empty());

    withKey(enumerate("ORV_TargetSCSIProtocolEndPoint"), "Name", "0_5_SCSI");  // named by the adapter
    // Controller 0 exists, but its adapter is not 0; controller 9 does not.
    EXPECT_TRUE(get(pathOf("ORV_TargetSCSIProtocolEndPoint", {{"Name", "0_0_SCSI"}})).empty());
    EXPECT_TRUE(get(pathOf("ORV_TargetSCSIProtocolEndPoint", {{"Name", "9_9_SCSI"}})).empty());
}

}  // namespace
}  // namespace disktest
