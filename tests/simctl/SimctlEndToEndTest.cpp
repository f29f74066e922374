// orv-simctl against the library inside orv-cimserver: the installation asks
// for the control socket through the file beside the library, as ./run does,
// and what orv-simctl changes shows through wbemcli.
#include "TestInstallation.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <sstream>

namespace orv::cimxml::test {
namespace {

const std::string kStorageNs = "root/orv/Ambrix/smi_14";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) out.push_back(line);
    return out;
}

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

}  // namespace
}  // namespace orv::cimxml::test
