// orv-simctl against the library inside orv-cimserver: the installation asks
// for the control socket through the file beside the library, as ./run does,
// and what orv-simctl changes shows through wbemcli.
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

const std::string kStorageNs = "root/orv/Ambrix/smi_14";

using orv::test::contains;
using orv::test::lines;

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
    static CommandResult wbemcli(const std::string& operation, const std::string& object,
                                 const std::string& values = {}) {
        return runCommand("/usr/bin/wbemcli " + operation + " '" + server_->url(kStorageNs) + ":" + object + "'" +
                          (values.empty() ? "" : " '" + values + "'"));
    }
    static std::vector<std::string> names(const std::string& className) {
        return lines(wbemcli("ein", className).output);
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
    // The value of `name` as wbemcli prints an instance ("Name=value,").
    static std::string property(const std::string& printed, const std::string& name) {
        const auto at = printed.find("," + name + "=");
        if (at == std::string::npos) return {};
        const auto start = at + name.size() + 2;
        return printed.substr(start, printed.find(',', start) - start);
    }

    static orv::test::TestInstallation* installation_;
    static ServerProcess* server_;
};

orv::test::TestInstallation* SimctlEndToEnd::installation_ = nullptr;
ServerProcess* SimctlEndToEnd::server_ = nullptr;

TEST_F(SimctlEndToEnd, APulledDiskLeavesTheProviderAndAnInsertedOneJoins) {
    const size_t before = names("ORV_DiskDrive").size();
    ASSERT_GT(before, 0u);
    const CommandResult pulled = simctl("pull-disk 0 4");
    ASSERT_EQ(pulled.exitStatus, 0) << pulled.output;
    EXPECT_EQ(names("ORV_DiskDrive").size(), before - 1);
    const CommandResult inserted = simctl("insert-disk 0 '{\"compPdId\": 4, \"slotId\": 4}'");
    ASSERT_EQ(inserted.exitStatus, 0) << inserted.output;
    EXPECT_EQ(names("ORV_DiskDrive").size(), before);
}

TEST_F(SimctlEndToEnd, AnInjectedFailureReachesTheClientAndTheCallLog) {
    const std::vector<std::string> controllers = names("ORV_ControllerComputerSystem");
    ASSERT_FALSE(controllers.empty());
    const std::string& printed = controllers[0];
    const std::string controller = printed.substr(printed.find(':', printed.find('/')) + 1);
    const std::string wanted = contains(wbemcli("gi", controller).output, "AutoRebuild=1,") ? "0" : "1";

    const CommandResult armed = simctl("fail-opcode SET_CONTR_PROPS");
    ASSERT_EQ(armed.exitStatus, 0) << armed.output;
    const CommandResult refused = wbemcli("mi", controller, "AutoRebuild=" + wanted);
    EXPECT_NE(refused.exitStatus, 0) << refused.output;
    EXPECT_TRUE(contains(refused.output, "Ambrix controller returned an error.(268435456)")) << refused.output;
    EXPECT_TRUE(contains(simctl("calls 20").output, "SET_CONTR_PROPS 0x10000000")) << simctl("calls 20").output;

    // Only the one call failed.
    const CommandResult accepted = wbemcli("mi", controller, "AutoRebuild=" + wanted);
    EXPECT_EQ(accepted.exitStatus, 0) << accepted.output;
    EXPECT_TRUE(contains(simctl("calls 20").output, "SET_CONTR_PROPS 0x00000000"));
}

// A management station learns of a failed disk at once, and follows the
// rebuild onto the hot spare as a job until it completes; what the job
// leads to and how it is announced and swept are the job tests' to check.
TEST_F(SimctlEndToEnd, AFailedDiskIsAlertedAndItsRebuildIsAJobToFollow) {
    const CommandResult failed = simctl("fail-disk 0 1");
    ASSERT_EQ(failed.exitStatus, 0) << failed.output;
    const std::string alerts = indicationsOnce("CIM_AlertIndication");
    ASSERT_TRUE(contains(alerts, "CIM_AlertIndication")) << alerts;
    for (const char* expected : {"PerceivedSeverity", "EventID", "Description", "AmbrixController_0"})
        EXPECT_TRUE(contains(alerts, expected)) << expected << " in " << alerts;

    std::string job;
    for (int i = 0; i < 100 && !contains(job, "JobState=4"); ++i) {
        job = wbemcli("ei", "ORV_ConcreteJob").output;
        if (!contains(job, "JobState=4")) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(contains(job, "Name=\"Rebuild Physical Disk\"")) << job;
    const int first = std::stoi("0" + property(job, "PercentComplete"));
    ASSERT_EQ(simctl("lrc-step").exitStatus, 0);
    std::string later;
    for (int i = 0; i < 100; ++i) {
        later = wbemcli("ei", "ORV_ConcreteJob").output;
        if (std::stoi("0" + property(later, "PercentComplete")) > first || contains(later, "JobState=7")) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(std::stoi("0" + property(later, "PercentComplete")) > first || contains(later, "JobState=7"))
        << job << "\n" << later;
    for (int i = 0; i < 40 && !contains(later, "JobState=7"); ++i) {
        simctl("lrc-step");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        later = wbemcli("ei", "ORV_ConcreteJob").output;
    }
    EXPECT_TRUE(contains(later, "JobState=7")) << later;

}

}  // namespace
}  // namespace orv::cimxml::test
