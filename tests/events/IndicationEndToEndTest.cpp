// The server program with the real provider over the simulated library,
// changed by the real wbemcli: the indications it records for GET
// /indications, and none while no one subscribes.
#include "FixtureSchema.h"
#include "TestInstallation.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <signal.h>

#include <chrono>
#include <thread>

namespace orv::cimxml::test {
namespace {

const std::string kController =
    "ORV_ControllerComputerSystem.CreationClassName=\"ORV_ControllerComputerSystem\",Name=\"AmbrixController_0\"";

class ProviderServer {
public:
    explicit ProviderServer(std::vector<std::string> options = {}) {
        installation_.writeDefaultLoggerConfig();
        installation_.installRaidLibrary(ORV_VRLIB, orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY));
        std::vector<std::string> arguments{"--provider", ORV_REAL_PROVIDER, "--schema", ORV_SCHEMA_DIR};
        arguments.insert(arguments.end(), options.begin(), options.end());
        server_ = std::make_unique<ServerProcess>(ORV_CIMSERVER, arguments,
                                                  std::vector<std::pair<std::string, std::string>>{
                                                      {"ORV_KESTRA_REGISTRY", installation_.registryFile()}});
    }
    ~ProviderServer() { server_->stop(SIGTERM); }

    CommandResult setAutoRebuild(const char* value) {
        return runCommand("/usr/bin/wbemcli mi '" + server_->url(kStorageNs) + ":" + kController +
                          "' 'AutoRebuild=" + value + "'");
    }
    std::string indications() {
        httplib::Client client("localhost", server_->port());
        const auto answer = client.Get("/indications");
        return answer ? answer->body : std::string();
    }
    // The record once it holds `text`, or as it is after five seconds.
    std::string indicationsOnce(const std::string& text) {
        std::string record;
        for (int i = 0; i < 100; ++i) {
            record = indications();
            if (record.find(text) != std::string::npos) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return record;
    }
    std::string log() const { return orv::test::TestInstallation::readFile(installation_.logFile()); }

private:
    orv::test::TestInstallation installation_;
    std::unique_ptr<ServerProcess> server_;
};

TEST(IndicationEndToEnd, AControllerSettingChangedByAClientIsIndicatedOnTheControllersClasses) {
    ProviderServer server;
    const CommandResult changed = server.setAutoRebuild("0");
    ASSERT_EQ(changed.exitStatus, 0) << changed.output;

    const std::string record = server.indicationsOnce(":ORV_ControllerComputerSystem.");
    const auto spare = record.find(":ORV_SpareConfigurationCapabilities.InstanceID=");
    const auto controller = record.find(":ORV_ControllerComputerSystem.");
    ASSERT_NE(spare, std::string::npos) << record;
    ASSERT_NE(controller, std::string::npos) << record;
    EXPECT_LT(spare, controller) << record;
    EXPECT_NE(record.find("CIM_InstModification"), std::string::npos) << record;
    // The controller travels as GetInstance answers it, with its new setting.
    EXPECT_NE(record.find("AutoRebuild"), std::string::npos) << record;
}

TEST(IndicationEndToEnd, WithoutASubscriptionNothingIsDelivered) {
    ProviderServer server({"--no-indications"});
    const CommandResult changed = server.setAutoRebuild("0");
    ASSERT_EQ(changed.exitStatus, 0) << changed.output;
    const std::string refused = "Unable to deliver indication since no client subscription present";
    for (int i = 0; i < 100 && server.log().find(refused) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_NE(server.log().find(refused), std::string::npos);
    EXPECT_EQ(server.log().find("Successfully Delivered Indication"), std::string::npos);
    EXPECT_NE(server.indications().find("TOTAL=\"0\""), std::string::npos);
}

}  // namespace
}  // namespace orv::cimxml::test
