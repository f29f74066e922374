// orv-simctl against the library inside orv-cimserver: the installation asks
// for the control socket through the file beside the library, as ./run does,
// and what orv-simctl makes happen shows in what the server delivered. What
// each command does to the library is the simulator's tests' to check, what
// the provider makes of it the event, job and model tests'.
#include "TestInstallation.h"
#include "TextSearch.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <httplib.h>

#include <chrono>
#include <thread>

namespace orv::cimxml::test {
namespace {

using orv::test::contains;

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

class SimctlEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        installation_ = new orv::test::TestInstallation();
        installation_->writeDefaultLoggerConfig();
        installation_->installRaidLibrary(ORV_VRLIB, orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY));
        mkdir((installation_->root() + "/var").c_str(), 0700);
        // A relative path is taken from the library's folder.
        orv::test::TestInstallation::writeFile(installation_->root() + "/bin/VRLib.control", "../var/vrlib.sock\n");
        server_ = new ServerProcess(ORV_CIMSERVER, {"--provider", ORV_REAL_PROVIDER, "--schema", ORV_SCHEMA_DIR},
                                    {{"ORV_KESTRA_REGISTRY", installation_->registryFile()}});
    }
    static void TearDownTestSuite() {
        EXPECT_EQ(server_->stop(SIGTERM), 0) << server_->errorOutput();
        EXPECT_FALSE(exists(socket())) << "the socket outlived the server";
        delete server_;
        server_ = nullptr;
        delete installation_;
        installation_ = nullptr;
    }

    static std::string socket() { return installation_->root() + "/bin/../var/vrlib.sock"; }
    static CommandResult simctl(const std::string& arguments) {
        return runCommand(std::string(ORV_SIMCTL) + " --socket " + socket() + " " + arguments);
    }
    // What the server has delivered, once it holds `text` (or after five seconds).
    static std::string indicationsOnce(const std::string& text) {
        std::string record;
        for (int i = 0; i < 100; ++i) {
            httplib::Client client("localhost", server_->port());
            const auto answer = client.Get("/indications");
            record = answer ? answer->body : std::string();
            if (contains(record, text)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return record;
    }

    static orv::test::TestInstallation* installation_;
    static ServerProcess* server_;
};

orv::test::TestInstallation* SimctlEndToEnd::installation_ = nullptr;
ServerProcess* SimctlEndToEnd::server_ = nullptr;

// A failed disk reaches the server's record of delivered indications at
// once; the rebuild onto the spare that follows is the job tests' to check.
TEST_F(SimctlEndToEnd, AFailedDiskIsAlerted) {
    const CommandResult failed = simctl("fail-disk 0 1");
    ASSERT_EQ(failed.exitStatus, 0) << failed.output;
    const std::string alerts = indicationsOnce("CIM_AlertIndication");
    ASSERT_TRUE(contains(alerts, "CIM_AlertIndication")) << alerts;
    for (const char* expected : {"PerceivedSeverity", "EventID", "Description", "AmbrixController_0"})
        EXPECT_TRUE(contains(alerts, expected)) << expected << " in " << alerts;
}

}  // namespace
}  // namespace orv::cimxml::test
