// Cases the simulated library cannot produce, over a library facade that
// answers from tables: every battery code and objects that lack properties.
#include <array>

#include "ControllerModelFixture.h"
#include "FrameworkTestSupport.h"

namespace controllertest {
namespace {

using orv::raidlib::PropertyContainer;

class UnreadableLibraryTest : public orv::test::FrameworkTest {
protected:
    void start() { ASSERT_TRUE(startFramework(providerPluginCatalogue(), 0)); }
    PropertyContainer& addBattery(uint32_t contrId, uint32_t chargeStatus, uint32_t state, uint32_t type,
                                  uint32_t replaceNeeded) {
        PropertyContainer battery;
        battery.insertInt("contrId", contrId, true);
        battery.insertInt("battChargeStatus", chargeStatus);
        battery.insertInt("batteryState", state);
        battery.insertInt("batteryType", type);
        battery.insertString("battSerialNum", "B" + std::to_string(contrId));
        battery.insertInt("battPackReplaceNeeded", replaceNeeded);
        library.storageClasses["batteryUnits"].push_back(battery);
        return library.storageClasses["batteryUnits"].back();
    }
    // Enumerating the class fails on a key its plugin cannot read.
    void expectRetrievalFailure(const std::string& className, const std::string& plugin, const std::string& log) {
        const std::string name = "orv::cim::fwf::" + plugin + "::getKeyAttributes";
        expectRefused([&] { instancesOf(className); }, 1, name + " :: Property retrieval failed.");
        EXPECT_TRUE(logged(name + " :: " + log));
    }
};

TEST_F(UnreadableLibraryTest, BatteryCodesMapToTheirCimValues) {
    struct Case {
        uint32_t chargeStatus, state, type, replaceNeeded;
        uint16_t batteryStatus, operationalStatus, health, enabled, chemistry, replacement;
    };
    const std::vector<Case> cases = {
        {1, 0, 0, 0, 3, 17, 5, 2, 1, 1}, {2, 1, 1, 1, 4, 3, 20, 3, 6, 2}, {3, 2, 2, 2, 5, 6, 0, 0, 2, 3},
        {4, 0, 7, 3, 6, 2, 5, 2, 2, 0},  {0, 9, 1, 9, 2, 0, 0, 0, 6, 0},  {5, 0, 1, 0, 2, 0, 5, 2, 6, 1},
    };
    for (uint32_t index = 0; index < cases.size(); ++index) {
        const Case& c = cases[index];
        addBattery(index, c.chargeStatus, c.state, c.type, c.replaceNeeded);
    }
    start();
    const CIMInstanceList batteries = instancesOf("ORV_Battery");
    ASSERT_EQ(batteries.size(), cases.size());
    for (uint32_t index = 0; index < cases.size(); ++index) {
        const Case& c = cases[index];
        expectProperties(batteries[index], "battery " + std::to_string(index),
                         {{"DeviceID", std::to_string(index) + "_B" + std::to_string(index)},
                          {"BatteryStatus", c.batteryStatus}, {"OperationalStatus", c.operationalStatus},
                          {"HealthState", c.health}, {"EnabledState", c.enabled}, {"RequestedState", c.enabled},
                          {"Chemistry", c.chemistry}, {"ReplacementNeeded", c.replacement}});
    }
}

TEST_F(UnreadableLibraryTest, UnreadableKeysRaiseTheirError) {
    PropertyContainer noSerial;
    noSerial.insertInt("contrId", 0, true);
    library.storageClasses["batteryUnits"].push_back(noSerial);
    library.storageClasses["IOAs"].push_back(PropertyContainer());
    start();
    expectRetrievalFailure("ORV_Battery", "ORVBattery", "battSerialNum could not be fetched");
    expectRetrievalFailure("ORV_ControllerComputerSystem", "ORVControllerComputerSystem",
                           "Controller Id could not be fetched");
    expectRetrievalFailure("ORV_DATargetPort", "ORVDATargetPort", "Controller ID could not be retrieved");
    // Card and product (one shared reader) name the property they could not read.
    expectRefused([&] { instancesOf("ORV_Card"); }, 1,
                  "orv::cim::fwf::ORVCard::getKeyAttributes ::contrId Property retrieval failed.");
    library.storageClasses["IOAs"].front().insertInt("contrId", 3, true);
    expectRetrievalFailure("ORV_DATargetPort", "ORVDATargetPort", "adapterId could not be retrieved");
}

TEST_F(UnreadableLibraryTest, FailedListingsAnswerAndLogEachPluginsText) {
    library.addController(0);
    start();
    library.storageClassStatus = 0x10000002;
    const std::string status = "268435458";
    const auto failure = [](const char* plugin) {
        return std::string("orv::cim::fwf::") + plugin + "::getRepositoryObjects :: ";
    };
    const std::vector<std::array<std::string, 3>> cases = {
        // class, the error a client sees, the line the log shows: one row per
        // form of the shared listing (the software identities and services
        // take the firmware's)
        {"ORV_ControllerComputerSystem", "Failed to retrieve objects of ORV_ControllerComputerSystem.",
         "VRLib getStorageClass returned error : " + status},
        {"ORV_Card", "Failed to retrieve Controller objects from VRLib",
         failure("ORVCard") + "Failed to retrieve ORV_Card objects from VRLIB"},
        {"ORV_Product", "Failed to retrieve controller objects from VRLib",
         failure("ORVProduct") + "Failed to retrieve ORV_Product objects from VRLIB"},
        {"ORV_PortController", "Failed to retrieve objects of ORV_PortController.",
         failure("ORVPortController") + "Retrieval of objects from Vrlib returned error " + status + "."},
        {"ORV_FirmwareSoftwareIdentity", "Failed to retrieve objects of ORV_FirmwareSoftwareIdentity.",
         failure("ORVFirmwareSoftwareIdentity") + "VRLib returned error : " + status},
    };
    for (const auto& row : cases) {
        const std::string& className = row[0];
        SCOPED_TRACE(className);
        expectRefused([&] { instancesOf(className); }, 1, row[1]);
        EXPECT_TRUE(logged(row[2]));
    }
}

TEST_F(UnreadableLibraryTest, ControllerWithOnlyItsNumberStillAnswers) {
    library.addController(3);
    start();
    // Card and product keep their texts, empty, so that their keys stay
    // whole; identities leave out the version they cannot read.
    const std::vector<std::pair<const char*, std::vector<orv::test::Pin>>> rows = {
        {"ORV_ControllerComputerSystem",
         {{"CacheMemory", kAbsent}, {"SupportedStripeSizes", kAbsent}, {"ElementName", "AmbrixController_3"}}},
        {"ORV_Card", {{"Manufacturer", ""}}},
        {"ORV_Product", {{"Name", "_3"}, {"IdentifyingNumber", ""}}},
        {"ORV_FirmwareSoftwareIdentity", {{"VersionString", kAbsent}}},
    };
    for (const auto& [className, pins] : rows) {
        const CIMInstanceList instances = instancesOf(className);
        ASSERT_EQ(instances.size(), 1u) << className;
        expectProperties(instances[0], className, pins);
    }
    EXPECT_TRUE(logged("getPropertyValue(VrlController::cacheSize) failed"));
}

}  // namespace
}  // namespace controllertest
