// A firmware image from the client to the controller: stored through the
// controller's method, installed through the installation service, and the
// requests the service refuses before anything reaches the library.
#include "ControllerModelFixture.h"
#include "ORVSoftwareInstallationService.h"

namespace controllertest {
namespace {

using Downloads = std::vector<std::pair<uint8_t, std::string>>;

class FirmwareInstallationTest : public ControllerModelTest {
protected:
    std::string storedImage() const { return installation->root() + "/FW/varnel_G_fast_new.fdl"; }
    std::vector<uint8_t> storedBytes() const {
        const std::string content = orv::test::TestInstallation::readFile(storedImage());
        return {content.begin(), content.end()};
    }
    static CIMProperty image(const std::string& bytes) {
        return arrayProperty<uint8_t>("Image", {bytes.begin(), bytes.end()}, CIM_UINT8_ARRAY);
    }
    static CIMProperty reference(const char* name, const CIMObjectPath& path) {
        return referenceProperty(name, path, false);
    }
    static CIMObjectPath controller(int contrId) {
        return pathOf("ORV_ControllerComputerSystem", {{"Name", "AmbrixController_" + std::to_string(contrId)}});
    }
    static CIMObjectPath service(int contrId) {
        const std::string name = "SoftwareInstallationService_" + std::to_string(contrId);
        return pathOf("ORV_SoftwareInstallationService", {{"Name", name}});
    }
    static CIMObjectPath firmware(int contrId) {
        return pathOf("ORV_FirmwareSoftwareIdentity", {{"InstanceID", std::to_string(contrId) + "_Firmware"}});
    }
    uint32_t invoke(const CIMObjectPath& path, const std::string& method, const std::vector<CIMProperty>& arguments) {
        CIMArgumentList in;
        CIMArgumentList out;
        for (const auto& argument : arguments) in.add(argument);
        return orv::test::pluginFor(path).invokeMethod(path, method, in, out);
    }
    // Controller and image file of every download the library was asked for.
    Downloads downloads() {
        Downloads found;
        for (const auto& call : callsOf(VrlOpcode::DOWNLOAD_CONTR_FW))
            found.emplace_back(call.u8(0), call.text(1, 256));
        return found;
    }
};

TEST_F(FirmwareInstallationTest, ControllerStoresTheImageBytesInOrder) {
    start();
    const std::string bytes("VRFW\0\xFF\x10\n", 8);
    EXPECT_EQ(invoke(controller(2), "UpdateFirmware", {image(bytes)}), 0u);
    EXPECT_EQ(storedBytes(), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_EQ(invoke(controller(2), "UpdateFirmware", {image("AB")}), 0u);  // replaces, not appends
    EXPECT_EQ(storedBytes(), (std::vector<uint8_t>{'A', 'B'}));
    EXPECT_TRUE(downloads().empty());  // storing is not installing

    installation->writeRegistry("");  // no installation directory to store into
    EXPECT_EQ(invoke(controller(2), "UpdateFirmware", {image(bytes)}), 1u);
}

// A controller takes one download at a time, so each controller is used once.
TEST_F(FirmwareInstallationTest, ByteStreamIsStoredAndDownloadedToItsTarget) {
    start();
    EXPECT_EQ(invoke(service(0), "InstallFromByteStream", {image("VRFW 1320\n"), reference("Target", controller(2))}),
              0u);
    EXPECT_EQ(storedBytes(), (std::vector<uint8_t>{'V', 'R', 'F', 'W', ' ', '1', '3', '2', '0', '\n'}));
    // Without a Target the service installs on its own controller.
    EXPECT_EQ(invoke(service(0), "InstallFromByteStream", {image("VRFW 1320\n")}), 0u);
    EXPECT_EQ(downloads(), (Downloads{{2, storedImage()}, {0, storedImage()}}));
}

TEST_F(FirmwareInstallationTest, IdentityInstallsTheStoredImageAndUriALocalFile) {
    start();
    ASSERT_EQ(invoke(controller(2), "UpdateFirmware", {image("VRFW 1330\n")}), 0u);
    EXPECT_EQ(invoke(service(0), "InstallFromSoftwareIdentity",
                     {reference("Source", firmware(2)), reference("Target", controller(2))}),
              0u);
    const std::string file = installation->root() + "/image.fdl";
    orv::test::TestInstallation::writeFile(file, "VRFW 1400\n");
    EXPECT_EQ(invoke(service(0), "InstallFromURI", {stringProperty("URI", "file://" + file)}), 0u);
    EXPECT_EQ(invoke(service(0), "installfromuri", {stringProperty("URI", "http://updates.example/image.fdl")}),
              ORVSoftwareInstallationService::kNoSupportedPathToImage);
    EXPECT_EQ(downloads(), (Downloads{{2, storedImage()}, {0, file}}));
}

TEST_F(FirmwareInstallationTest, RequestsThatCannotBeCarriedOutOrAreMalformed) {
    start();
    // Nothing stored yet.
    EXPECT_EQ(invoke(service(2), "InstallFromSoftwareIdentity", {reference("Source", firmware(2))}),
              ORVSoftwareInstallationService::kNoSupportedPathToImage);
    EXPECT_EQ(invoke(service(2), "InstallFromByteStream", {image("VRFW 1\n"), reference("Target", firmware(2))}),
              ORVSoftwareInstallationService::kUnsupportedTargetType);
    const CIMObjectPath driver = pathOf("ORV_DriverSoftwareIdentity", {{"InstanceID", "Driver"}});
    EXPECT_EQ(invoke(service(2), "InstallFromSoftwareIdentity", {reference("Source", driver)}),
              ORVSoftwareInstallationService::kNotSupported);
    EXPECT_TRUE(downloads().empty());
    // The simulated controller refuses an image without its header line.
    EXPECT_EQ(invoke(service(2), "InstallFromByteStream", {image("garbage")}), ORVSoftwareInstallationService::kFailed);
    EXPECT_EQ(downloads().size(), 1u);

    // Malformed requests are refused before anything is installed.
    ASSERT_EQ(invoke(controller(2), "UpdateFirmware", {image("VRFW 1330\n")}), 0u);
    const CIMObjectPath collection = pathOf("CIM_Collection", {{"InstanceID", "all"}});
    expectRefused([&] { invoke(service(2), "InstallFromSoftwareIdentity", {reference("Target", controller(2))}); }, 4,
                  "Source referenced passed is NULL");
    expectRefused(
        [&] {
            invoke(service(2), "InstallFromSoftwareIdentity",
                   {reference("Source", firmware(2)), reference("Target", controller(2)),
                    reference("Collection", collection)});
        },
        4, "Target and Collection, both cannot be used");
    expectRefused([&] { invoke(service(2), "InstallFromByteStream", {}); }, 4, "Image passed is empty");
    expectRefused([&] { invoke(service(2), "InstallFromURI", {}); }, 4, "URI passed is NULL");
    expectRefused([&] { invoke(service(2), "CheckSoftwareIdentity", {}); }, 7,
                  "orv::cim::fwf::ORVSoftwareInstallationService::invokeMethod :: Not supported");
    EXPECT_EQ(downloads().size(), 1u);

    EXPECT_EQ(ORVSoftwareInstallationService::localPathOfUri("file://localhost/srv/fw.fdl"), "/srv/fw.fdl");
    EXPECT_EQ(ORVSoftwareInstallationService::localPathOfUri("file:/srv/fw.fdl"), "/srv/fw.fdl");
    EXPECT_EQ(ORVSoftwareInstallationService::localPathOfUri("file://fileserver/srv/fw.fdl"), std::nullopt);
}

}  // namespace
}  // namespace controllertest
