// What a subscriber receives for the simulated library's events: alerts,
// and creation, deletion and modification indications of the instances the
// events touched, as the framework hands them to the adapter's callback.
#include <cstring>

#include "EventFixture.h"

namespace eventstest {
namespace {

using EventIndicationTest = EventFixture;

TEST_F(EventIndicationTest, AnAlertCarriesTheEventAndNamesWhatRaisedIt) {
    inject(VrlEventCode::AlertWithError, VrlDeviceType::Controller, 0, 1, "Battery failed");
    inject(VrlEventCode::AlertWithError, 7, 0, 3, "Enclosure fan slow");
    const CIMInstanceList alerts = drained();
    ASSERT_EQ(summary(alerts), (std::vector<std::string>{"CIM_AlertIndication", "CIM_AlertIndication"}));

    const CIMInstance& battery = alerts[0];
    EXPECT_EQ(battery.getNameSpace(), kStorage);
    expectProperties(battery, "controller alert",
                     {{"Description", "Battery failed"}, {"AlertingManagedElement", "Controller"},
                      {"AlertingElementFormat", 1}, {"OtherAlertingElementFormat", "Free Form String"},
                      {"AlertType", 5}, {"PerceivedSeverity", 6}, {"ProbableCause", 1},
                      {"ProbableCauseDescription", "Controller device alert error/information"}, {"EventID", "4711"},
                      {"SystemCreationClassName", "ORV_ControllerComputerSystem"},
                      {"SystemName", "AmbrixController_0"}, {"ProviderName", "AmbrixProvider15"}});
    EXPECT_EQ(typeOf(battery, "EventTime"), CIM_DATETIME);
    EXPECT_EQ(value<std::string>(battery, "EventTime").substr(0, 4), "2023");
    expectProperties(alerts[1], "other device alert",
                     {{"AlertingManagedElement", "Non Controller Device"}, {"PerceivedSeverity", 3}});
    EXPECT_TRUE(logged("Successfully Delivered Indication of classname = CIM_AlertIndication"));
}

TEST_F(EventIndicationTest, EventsWithoutAnythingToTellDeliverNothing) {
    inject(VrlEventCode::AlertWithError, VrlDeviceType::Controller, 0, 1, "");
    for (uint32_t type : {2u, 5u, 19u, 22u, 25u}) update(type);
    EXPECT_TRUE(drained().empty());
    EXPECT_TRUE(logged("Empty description property for Alert Indication"));
    EXPECT_FALSE(logged("Unknown type CCN received, hence AEN dropped !!"));

    update(VrlEventCode::UnknownNotification);
    EXPECT_TRUE(drained().empty());
    EXPECT_TRUE(logged("Unknown type CCN received, hence AEN dropped !!"));
}

TEST_F(EventIndicationTest, WithoutASubscriptionNothingIsBuiltNorQueued) {
    EventListener::setSubscription(false);
    inject(VrlEventCode::AlertWithError, VrlDeviceType::Controller, 0, 1, "Battery failed");
    setProperty(VRLSIM_CONTROLLER, 0, "autoRebuild", "0");
    update(VrlEventCode::LrcProgress);
    EXPECT_TRUE(drained().empty());
    EXPECT_TRUE(logged("*###* Unable to deliver indication since no client subscription present"));
    EXPECT_FALSE(logged("LRC Indication !!"));
}

TEST_F(EventIndicationTest, AControllerChangeIsIndicatedOnTheClassesThatShowIt) {
    setProperty(VRLSIM_CONTROLLER, 0, "fwVersion", "1300");
    CIMInstanceList indications = drained();
    ASSERT_EQ(summary(indications), (std::vector<std::string>{"CIM_InstModification ORV_FirmwareSoftwareIdentity"}));
    const CIMInstance firmware = value<CIMInstance>(indications[0], "SourceInstance");
    const CIMInstance answered = get(pathOf("ORV_FirmwareSoftwareIdentity", {{"InstanceID", "0_Firmware"}})).at(0);
    EXPECT_EQ(firmware.getObjectPath(), answered.getObjectPath());
    EXPECT_EQ(firmware.getPropertyCount(), answered.getPropertyCount());
    expectProperties(firmware, "firmware", {{"VersionString", "1300"}});
    expectProperties(indications[0], "modification",
                     {{"SourceInstanceModelPath", firmware.getObjectPath().toString()}, {"PerceivedSeverity", 2}});
    EXPECT_EQ(typeOf(indications[0], "IndicationTime"), CIM_DATETIME);
    EXPECT_TRUE(has(indications[0], "IndicationIdentifier"));
    EXPECT_TRUE(has(indications[0], "SourceInstanceHost"));
    EXPECT_TRUE(logged("*** Successfully pushed ORV_FirmwareSoftwareIdentity LifeCycle(Modify) Indication"));

    setProperty(VRLSIM_CONTROLLER, 0, "autoRebuild", "0");
    EXPECT_EQ(summary(drained()), (std::vector<std::string>{"CIM_InstModification ORV_SpareConfigurationCapabilities",
                                                            "CIM_InstModification ORV_ControllerComputerSystem"}));

    // The serial number shows in no class the map names.
    setProperty(VRLSIM_CONTROLLER, 0, "serialNumber", "SER00099");
    EXPECT_TRUE(drained().empty());
}

TEST_F(EventIndicationTest, AReservedArrayIsAPoolWithoutAVolume) {
    setProperty(VRLSIM_VOLUME, 1, "volumeName", "Renamed");
    EXPECT_EQ(summary(drained()), (std::vector<std::string>{"CIM_InstModification ORV_CompositeExtent",
                                                            "CIM_InstModification ORV_ConcreteStoragePool"}));
    setProperty(VRLSIM_VOLUME, 0, "volumeName", "Renamed");
    EXPECT_EQ(summary(drained()), (std::vector<std::string>{"CIM_InstModification ORV_CompositeExtent",
                                                            "CIM_InstModification ORV_ConcreteStoragePool",
                                                            "CIM_InstModification ORV_StorageVolume"}));

    // The library learns of a second reserved array on the free disk, then
    // tells of it.
    std::string topology = kEventTopology;
    topology.replace(topology.find("\"volReserved\": 1}"), std::strlen("\"volReserved\": 1}"),
                     "\"volReserved\": 1}, {\"vdIndex\": 2, \"RAIDLevel\": 0, \"compPdId\": [4], \"volReserved\": 1}");
    ASSERT_EQ(0, sim.VrlSimLoadTopologyText(topology.c_str()));
    inject(VrlEventCode::VolumeAdded, VrlDeviceType::VirtualDisk, 2, 2, "Virtual disk 2 created");
    const CIMInstanceList created = drained();
    ASSERT_EQ(summary(created), (std::vector<std::string>{"CIM_InstCreation ORV_ConcreteStoragePool"}));
    EXPECT_EQ(value<std::string>(value<CIMInstance>(created[0], "SourceInstance"), "InstanceID"), "0_2");
}

TEST_F(EventIndicationTest, DisksComeAndGoWithTheirExtents) {
    ASSERT_EQ(0, sim.VrlSimPullDisk(0, 4));
    const CIMInstanceList pulled = drained();
    ASSERT_EQ(summary(pulled), (std::vector<std::string>{"CIM_InstDeletion ORV_DiskDrive",
                                                         "CIM_InstDeletion ORV_StorageExtent"}));
    // A deleted instance is told by its keys alone.
    const CIMInstance gone = value<CIMInstance>(pulled[0], "SourceInstance");
    EXPECT_EQ(value<std::string>(gone, "DeviceID"), "0_4");
    EXPECT_EQ(gone.getPropertyCount(), 4u);

    ASSERT_EQ(0, sim.VrlSimAddDisk(0, R"({"compPdId": 9, "slotId": 9, "driveType": 1})"));
    const CIMInstanceList inserted = drained();
    ASSERT_EQ(summary(inserted), (std::vector<std::string>{"CIM_InstCreation ORV_DiskDrive",
                                                           "CIM_InstCreation ORV_StorageExtent"}));
    EXPECT_EQ(value<std::string>(value<CIMInstance>(inserted[1], "SourceInstance"), "DeviceID"), "0_9");

    // A SATA disk has an ATA port and no SAS port.
    setProperty(VRLSIM_DISK, 3, "negotiatedTransSpeed", "6");
    EXPECT_EQ(summary(drained()), (std::vector<std::string>{"CIM_InstModification ORV_DiskDriveATAPort"}));
}

}  // namespace
}  // namespace eventstest
