// Library answers the simulated library never gives: objects lacking a
// property, failing class reads, no library facade.
#include "DiskModelFixture.h"
#include "FrameworkTestSupport.h"
#include "ORVDiskDrive.h"

namespace disktest {
namespace {

using orv::raidlib::PropertyContainer;

// A disk as the cache holds it, with every property the plugins read.
PropertyContainer diskObject(uint32_t compPdId) {
    PropertyContainer disk;
    disk.insertInt("contrId", 0, true);
    disk.insertInt("compPdId", compPdId, true);
    for (const char* name : {"enclId", "slotId", "locateLedOn", "isCounterfeit", "state", "PFAErrorCount", "PFAFlag"})
        disk.insertInt(name, 0);
    disk.insertInt("vdIndex", 0xFFFFFFFF);
    disk.insertInt("pdConfig", 2);
    disk.insertInt("driveType", 2);
    disk.insertInt("blockLen", 512);
    disk.insertU64("maxBlockAddress", 0xFFFFFFFFull);
    disk.insertString("productIdentification", "QD300SAS12");
    disk.insertVector("WWN", {0x50, 0x00, 0xC5, 0x00, 0x10, 0x00, 0x00, 0x0A});
    return disk;
}

PropertyContainer controllerObject(uint32_t contrId, const char* ports) {
    PropertyContainer controller;
    controller.insertInt("contrId", contrId, true);
    if (ports != nullptr) controller.insertString("portSASAdressess", ports);
    controller.insertInt("adapterId", contrId);
    return controller;
}

class DiskLibraryFailureTest : public orv::test::FrameworkTest {
protected:
    void start() { ASSERT_TRUE(startFramework(providerPluginCatalogue(), 0)); }
    std::vector<PropertyContainer>& disks() { return library.storageClasses["physicalDisks"]; }
    std::vector<PropertyContainer>& controllers() { return library.storageClasses["IOAs"]; }
};

TEST_F(DiskLibraryFailureTest, UnreadableFactLeavesOnlyItsPropertiesOut) {
    disks() = {diskObject(1), diskObject(2)};
    disks()[0].removeProperty("WWN", false);
    disks()[0].removeProperty("state", false);
    disks()[0].insertString("state", "online");  // a fact of the wrong type cannot be read either
    disks()[1].removeProperty("pdConfig", false);
    disks()[1].insertInt("pdConfig", 9);
    start();

    const CIMInstanceList instances = enumerate("ORV_DiskDrive");
    ASSERT_EQ(instances.size(), 2u);
    for (const char* missing : {"WWN", "OperationalStatus", "EnabledState", "RequestedState"})
        EXPECT_EQ(instances[0].getProperty(missing), nullptr) << missing;
    for (const char* present : {"EnclosureId", "SlotNo", "ElementName", "Name", "SmartFailureCount", "SmartFailureFlag",
                                "Warranty", "LocationIndicator", "ProductName", "DefaultBlockSize"})
        EXPECT_NE(instances[0].getProperty(present), nullptr) << present;
    expectProperties(instances[0], "disk without state",
                     {{"ConfigurationStatus", 2, CIM_UINT16},
                      {"MaxMediaSize", 0x100000000ull * 512 / 1000, CIM_UINT64}});
    expectProperties(instances[1], "disk of unknown membership", {{"ConfigurationStatus", 7, CIM_UINT16}});
    EXPECT_TRUE(logged("getPropertyValue(VrlPhysDisk::WWN) failed"));
    EXPECT_TRUE(logged("getPropertyValue(VrlPhysDisk::state) failed"));
    // The port without a state keeps its fixed facts.
    expectProperties(enumerate("ORV_DiskDriveSASPort").front(), "port without state",
                     {{"OperationalStatus", orv::test::kAbsent}, {"PortType", 92, CIM_UINT16}});
}

TEST_F(DiskLibraryFailureTest, UnreadableKeyFailsTheRequest) {
    disks() = {diskObject(1), diskObject(2), diskObject(3)};
    disks()[1].removeProperty("compPdId", true);
    controllers() = {controllerObject(0, "")};
    controllers()[0].removeProperty("adapterId", false);
    start();

    const auto failure = [&](const char* className) { return failureOf([&] { enumerate(className); }); };
    const std::string retrieval = " Property retrieval failed.";
    EXPECT_EQ(failure("ORV_DiskDrive"),
              std::make_pair(1, "orv::cim::fwf::ORVDiskDrive::getKeyAttributes ::compPdId" + retrieval));
    EXPECT_TRUE(logged("getPropertyValue(VrlPhysDisk::compPdId) failed"));
    EXPECT_EQ(failure("ORV_TargetSCSIProtocolEndPoint"),
              std::make_pair(1, "orv::cim::fwf::ORVTargetSCSIProtocolEndPoint::getKeyAttributes ::adapterId" +
                                    retrieval));

    // The port classes cannot choose a disk whose drive type is unknown.
    disks()[1] = diskObject(2);
    disks()[2].removeProperty("driveType", false);
    EXPECT_EQ(failure("ORV_DiskDriveATAPort"),
              std::make_pair(1, "orv::cim::fwf::ORVDiskDriveATAPort::getRepositoryObjects ::driveType" + retrieval));
    EXPECT_TRUE(logged("getPropertyValue(VrlPhysDisk::driveType) failed"));
    EXPECT_EQ(enumerate("ORV_DiskDrive").size(), 3u);
}

TEST_F(DiskLibraryFailureTest, FailedControllerReadsEndThePortList) {
    controllers() = {controllerObject(0, "500605B000000A00;500605B000000A01"), controllerObject(1, nullptr),
                     controllerObject(2, "500605B000000C00")};
    start();
    EXPECT_EQ(keyValues(enumerate("ORV_InitiatorSASPhy"), "DeviceID"),
              (std::vector<std::string>{"0_500605B000000A00_0", "0_500605B000000A01_1"}));
    EXPECT_TRUE(logged("orv::cim::fwf::ORVInitiatorSASPhy::getRepositoryObjects :: "
                       "Failed to getPropertyValue on portSasAdressess"));

    // A failed class read: the disk classes fail, the port classes answer nothing.
    disks() = {diskObject(1)};
    library.storageClassStatus = 0x10000003;
    EXPECT_EQ(failureOf([&] { enumerate("ORV_DiskDrive"); }),
              std::make_pair(1, std::string("Failed to retrieve objects of ORV_DiskDrive.")));
    EXPECT_TRUE(logged("orv::cim::fwf::ORVDiskDrive::getRepositoryObjects :: VRLib returned error : 268435459"));
    EXPECT_TRUE(enumerate("ORV_SASInitiatorPort").empty());
    EXPECT_TRUE(logged("orv::cim::fwf::ORVSASInitiatorPort::getRepositoryObjects :: "
                       "Failed to getStorageClass on Controller"));
}

TEST(DiskDriveWithoutLibrary, LocateAndMethodsFail) {
    LogCapture log;
    ORVDiskDrive plugin;
    CIMObjectPath path("cimhost", kStorage, "ORV_DiskDrive");
    path.addKeyBinding(stringKey("DeviceID", "0_1"));
    CIMInstance instance;
    instance.addProperty(scalarProperty<uint16_t>("LocationIndicator", 2, CIM_UINT16));
    EXPECT_EQ(failureOf([&] { plugin.modifyInstance(path, instance, {"LocationIndicator"}); }),
              std::make_pair(1, std::string("UnKnown Error")));
    EXPECT_TRUE(log.hasLineEndingWith("pVrlFacade is Null "));
    CIMArgumentList out;
    EXPECT_EQ(failureOf([&] { plugin.invokeMethod(path, "ReclaimPD", CIMArgumentList(), out); }).first, 1);
    EXPECT_TRUE(log.hasLineEndingWith("orv::cim::fwf::ORVDiskDrive::invokeMethod :: Failed to retrieve Vrlib handle."));
    FrameworkFacade::destroyInstance();
}

}  // namespace
}  // namespace disktest
