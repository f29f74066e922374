#include "DiskModelFixture.h"

namespace disktest {
namespace {

using PortsAndEndpointsTest = DiskModelTest;

const std::vector<std::string> kSasDisks{"0_0", "0_1", "0_2", "0_3", "0_4", "0_5"};
const std::vector<std::string> kSataDisks{"0_7", "1_0"};

TEST_F(PortsAndEndpointsTest, DiskPortsAndEndpointsFollowTheDriveType) {
    EXPECT_EQ(keyValues(enumerate("ORV_DiskDriveSASPort"), "DeviceID"), kSasDisks);
    EXPECT_EQ(keyValues(enumerate("ORV_DiskDriveATAPort"), "DeviceID"), kSataDisks);
    EXPECT_EQ(keyValues(enumerate("ORV_DiskDriveSASProtocolEndpoint"), "Name"), kSasDisks);
    EXPECT_EQ(keyValues(enumerate("ORV_DiskDriveATAProtocolEndpoint"), "Name"), kSataDisks);
    // A SATA disk is no SAS port, even when named exactly.
    EXPECT_TRUE(get(devicePath("ORV_DiskDriveSASPort", "DeviceID", "0_7")).empty());

    const CIMInstanceList ports = enumerate("ORV_DiskDriveSASPort");
    expectProperties(withKey(ports, "DeviceID", "0_2"), "rebuilding disk's port", {{"OperationalStatus", 32769}});
    expectProperties(withKey(ports, "DeviceID", "0_0"), "online disk's port",
                     {{"Speed", 12000, CIM_UINT64}, {"PermanentAddress", "5000C50000000001", CIM_STRING}});
}

TEST_F(PortsAndEndpointsTest, PackageAndFirmwareDescribeTheDrive) {
    const CIMInstanceList packages = enumerate("ORV_DiskDrivePhysicalPackage");
    expectProperties(withKey(packages, "Tag", "DiskDrivePhysicalPackage_0_0"), "SAS package",
                     {{"Manufacturer", "QUOLLDSK", CIM_STRING}, {"Model", "Q30", CIM_STRING},
                      {"SKU", "QD000001", CIM_STRING}, {"ElementName", "0-0", CIM_STRING},
                      {"Caption", "QD300SAS12", CIM_STRING}, {"FormFactor", 3, CIM_UINT32},
                      {"OtherIdentifyingInfo", "Rotational", CIM_STRING}, {"Version", "0004", CIM_STRING}});
    expectProperties(withKey(packages, "Tag", "DiskDrivePhysicalPackage_0_7"), "SSD package",
                     {{"OtherIdentifyingInfo", "SSD", CIM_STRING}});
    // A tag without the package prefix names no package.
    EXPECT_TRUE(get(pathOf("ORV_DiskDrivePhysicalPackage", {{"Tag", "0_0"}})).empty());

    expectProperties(withKey(enumerate("ORV_DiskDriveSoftwareIdentity"), "InstanceID", "0_0"), "disk firmware",
                     {{"VersionString", "0004", CIM_STRING}});
}

TEST_F(PortsAndEndpointsTest, ControllerPortsAreInitiatorsAndTheControllerATarget) {
    EXPECT_EQ(keyValues(enumerate("ORV_InitiatorATAProtocolEndPoint"), "Name"),
              (std::vector<std::string>{"ATA_0_500605B000000A00_0", "ATA_0_500605B000000A01_1",
                                        "ATA_1_500605B000000B00_0"}));
    EXPECT_EQ(keyValues(enumerate("ORV_InitiatorSASPhy"), "DeviceID").back(), "1_500605B000000B00_0");

    expectProperties(withKey(enumerate("ORV_SASInitiatorPort"), "DeviceID", "0_500605B000000A01_1"),
                     "initiator port", {{"PermanentAddress", "500605B000000A01", CIM_STRING}});
    EXPECT_TRUE(get(pathOf("ORV_SASInitiatorPort", {{"DeviceID", "0_500605B000000A01_7"}})).empty());

    withKey(enumerate("ORV_TargetSCSIProtocolEndPoint"), "Name", "0_5_SCSI");  // named by the adapter
    // Controller 0 exists, but its adapter is not 0; controller 9 does not.
    EXPECT_TRUE(get(pathOf("ORV_TargetSCSIProtocolEndPoint", {{"Name", "0_0_SCSI"}})).empty());
    EXPECT_TRUE(get(pathOf("ORV_TargetSCSIProtocolEndPoint", {{"Name", "9_9_SCSI"}})).empty());
}

}  // namespace
}  // namespace disktest
