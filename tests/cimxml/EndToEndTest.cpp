// The server programs in their own processes on a free loopback port,
// driven by the real wbemcli: first with the fixture provider, then with
// the real provider over the simulated RAID library.
#include "FixtureSchema.h"
#include "TestInstallation.h"
#include "TestSupport.h"
#include "TextSearch.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <fstream>

namespace orv::cimxml::test {
namespace {

using orv::test::contains;
using orv::test::lines;

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// wbemcli against a running server: an operation on an object of a namespace,
// with the values that some operations take after the object.
CommandResult runWbemcli(const ServerProcess& server, const std::string& arguments, const std::string& object,
                         const std::string& ns, const std::string& values, const std::string& credentials = {}) {
    const std::string url = "http://" + (credentials.empty() ? "" : credentials + "@") + "localhost:" +
                            std::to_string(server.port()) + "/" + ns;
    return runCommand("/usr/bin/wbemcli " + arguments + " " + quoted(url + ":" + object) +
                      (values.empty() ? "" : " " + quoted(values)));
}

// A change through wbemcli by a user of the --users file reaches the
// provider, whose alert the server logs; a signal then stops the server and
// cleans each MI up once.
TEST(ServerLifecycle, StopsOnSignalsAndCleansTheProviderUpOnce) {
    const std::string users = "/tmp/orv-cimxml-e2e-users-" + std::to_string(getpid());
    std::ofstream(users) << "admin:s3cret\n";
    for (int signal : {SIGTERM, SIGINT}) {
        const std::string trace = "/tmp/orv-cimxml-e2e-stop-" + std::to_string(getpid()) + ".txt";
        std::remove(trace.c_str());
        ServerProcess server(FIXTURE_SERVER, {"--provider", FIXTURE_PROVIDER, "--users", users},
                             {{"ORV_FIXTURE_TRACE", trace}});
        const auto modify = [&server](const std::string& credentials) {
            return runWbemcli(server, "mi", "FIX_Controller.Name=\"ctl0\",Slot=0", kStorageNs,
                              "ElementName=\"Changed by wbemcli\"", credentials);
        };
        EXPECT_NE(modify("").exitStatus, 0);
        CommandResult modified = modify("admin:s3cret");
        EXPECT_EQ(modified.exitStatus, 0) << modified.output;
        EXPECT_EQ(server.stop(signal), 0) << server.errorOutput();
        EXPECT_TRUE(contains(server.errorOutput(),
                             "indication in root/orv/Ambrix/smi_14: <INSTANCE CLASSNAME=\"CIM_AlertIndication\">"))
            << server.errorOutput();
        std::ifstream in(trace);
        std::vector<std::string> cleanups;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("cleanup", 0) == 0) cleanups.push_back(line);
        EXPECT_EQ(cleanups, (std::vector<std::string>{
                                         "cleanup instance terminating=1", "cleanup association terminating=1",
                                         "cleanup method terminating=1", "cleanup indication terminating=1"}));
        std::remove(trace.c_str());
    }
    std::remove(users.c_str());
}

// Without a provider it can use the server does not start; beyond loopback
// it answers only to users it knows, and without them it does not start.
TEST(ServerLifecycle, RefusesToStartWithoutAUsableProviderOrBeyondLoopbackWithoutUsers) {
    const struct {
        std::string arguments;
        int exitStatus;
        const char* message;
    } cases[] = {
        {"--provider /nonexistent/provider.so", 1, "cannot load /nonexistent/provider.so"},
        {"--provider-name Other --provider " FIXTURE_PROVIDER, 1, "offers no Other_Create_*MI factory"},
        {"--address 0.0.0.0 --provider " FIXTURE_PROVIDER, 2, "refusing to listen on 0.0.0.0 without authentication"},
    };
    for (const auto& c : cases) {
        const CommandResult refused = runCommand(std::string(FIXTURE_SERVER) + " --port 0 " + c.arguments);
        EXPECT_EQ(refused.exitStatus, c.exitStatus) << c.arguments;
        EXPECT_TRUE(contains(refused.output, c.message)) << refused.output;
    }
    EXPECT_EQ(runCommand(std::string(FIXTURE_SERVER) + " --port 70000 --provider x").exitStatus, 2);
}

TEST(ServerLifecycle, ServesHttpsWithASelfSignedPairMadeOnceAndKept) {
    const std::string folder = "/tmp/orv-cimxml-e2e-tls-" + std::to_string(getpid());
    const std::string certificate = folder + "/server.pem";
    const std::string key = folder + "/server.key";
    const std::vector<std::string> arguments{"--provider", FIXTURE_PROVIDER, "--https-port", "0",
                                             "--certificate", certificate, "--private-key", key};
    const auto fileText = orv::test::TestInstallation::readFile;
    std::string firstCertificate;
    // The first start makes the pair and wbemcli takes it unverified; the
    // second keeps it, and the certificate verifies for localhost.
    for (const std::string& verify : {std::string("-noverify"), "-cacert " + certificate}) {
        ServerProcess server(FIXTURE_SERVER, arguments);
        CommandResult names = runCommand("/usr/bin/wbemcli " + verify + " ein " +
                                         quoted("https://localhost:" + std::to_string(server.tlsPort()) + "/" +
                                                kStorageNs + ":FIX_Disk"));
        EXPECT_EQ(names.exitStatus, 0) << names.output;
        EXPECT_EQ(lines(names.output).size(), 3u) << names.output;
        const bool made = contains(server.errorOutput(), "made a self-signed certificate");
        EXPECT_EQ(made, firstCertificate.empty()) << server.errorOutput();
        if (firstCertificate.empty()) firstCertificate = fileText(certificate);
        EXPECT_EQ(fileText(certificate), firstCertificate);
    }
    struct stat keyFile {};
    ASSERT_EQ(stat(key.c_str(), &keyFile), 0);
    EXPECT_EQ(keyFile.st_mode & 0777, 0600u);
    std::remove(certificate.c_str());
    std::remove(key.c_str());
    ::rmdir(folder.c_str());
}

#ifdef ORV_REAL_PROVIDER
// The system's users through PAM, with pam_wrapper standing in for the
// machine's PAM configuration and pam_matrix for its password database, so
// that no real account is touched. "reader" has no account on the machine
// and so belongs to no group; root administers by its name.
TEST(PamAuthentication, TheSystemsUsersReadAndOnlyAdministratorsChange) {
#if !defined(ORV_PAM_WRAPPER) || !defined(ORV_PAM_MATRIX)
    GTEST_SKIP() << "pam_wrapper (Debian: libpam-wrapper) is not installed, or the server is built with a sanitizer";
#else
    orv::test::TestInstallation installation;
    installation.writeDefaultLoggerConfig();
    installation.installRaidLibrary(ORV_VRLIB, orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY));
    const std::string services = installation.root() + "/pam.d";
    const std::string passwords = installation.root() + "/passwords";
    ASSERT_EQ(mkdir(services.c_str(), 0755), 0);
    std::ofstream(passwords) << "root:rootpw:orv-test\nreader:readpw:orv-test\n";
    std::ofstream(services + "/orv-test") << "auth required " ORV_PAM_MATRIX " passdb=" << passwords
                                          << "\naccount required " ORV_PAM_MATRIX " passdb=" << passwords << "\n";
    // The preloaded wrapper comes before the sanitizer's runtime.
    const char* inherited = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string(inherited ? inherited : "") + ":verify_asan_link_order=0";
    ServerProcess server(ORV_CIMSERVER,
                         {"--provider", ORV_REAL_PROVIDER, "--schema", ORV_SCHEMA_DIR, "--auth", "pam",
                          "--pam-service", "orv-test"},
                         {{"ORV_KESTRA_REGISTRY", installation.registryFile()},
                          {"LD_PRELOAD", ORV_PAM_WRAPPER},
                          {"PAM_WRAPPER", "1"},
                          {"PAM_WRAPPER_SERVICE_DIR", services},
                          {"PAM_WRAPPER_DISABLE_DEEPBIND", "1"},
                          {"ASAN_OPTIONS", asanOptions}});
    const auto as = [&server](const std::string& credentials, const std::string& operation,
                              const std::string& object, const std::string& values = {}) {
        return runWbemcli(server, operation, object, kStorageNs, values, credentials);
    };
    const std::string controller =
        "ORV_ControllerComputerSystem.CreationClassName=\"ORV_ControllerComputerSystem\",Name=\"AmbrixController_0\"";
    const std::string rebuild = "RebuildStorageExtent.Target=ORV_StorageExtent.SystemCreationClassName="
                                "\"ORV_ControllerComputerSystem\",SystemName=\"AmbrixController_0\","
                                "CreationClassName=\"ORV_StorageExtent\",DeviceID=\"0_0\"";
    const std::string sparing = "ORV_SpareConfigurationService.SystemCreationClassName=\"ORV_ControllerComputerSystem\","
                                "SystemName=\"AmbrixController_0\",CreationClassName=\"ORV_SpareConfigurationService\","
                                "Name=\"SpareConfigService_0\"";

    CommandResult read = as("reader:readpw", "gi", controller);
    EXPECT_EQ(read.exitStatus, 0) << read.output;
    EXPECT_TRUE(contains(read.output, "AutoRebuild=")) << read.output;
    CommandResult guessed = as("reader:wrong", "gi", controller);
    EXPECT_NE(guessed.exitStatus, 0);
    EXPECT_TRUE(contains(guessed.output, "Invalid username/password")) << guessed.output;
    EXPECT_TRUE(contains(server.errorOutput(), "authentication failed for user \"reader\"")) << server.errorOutput();

    EXPECT_TRUE(contains(as("reader:readpw", "mi", controller, "AutoRebuild=1").output, "CIM_ERR_ACCESS_DENIED"));
    CommandResult denied = as("reader:readpw", "cm", sparing, rebuild);
    EXPECT_TRUE(contains(denied.output, "CIM_ERR_ACCESS_DENIED")) << denied.output;
    EXPECT_TRUE(contains(denied.output, "reader : is not a member of Administrator/root")) << denied.output;
    // Past the check, the controller itself refuses to rebuild a healthy disk.
    CommandResult administered = as("root:rootpw", "cm", sparing, rebuild);
    EXPECT_TRUE(contains(administered.output, "Invalid Candidate for rebuild")) << administered.output;
#endif
}

// The registry the provider starts from is missing or names no installation
// (how each broken text reads is the registry tests' to check). The server
// comes up, every request gets data or a CIM error, and a start with the
// registry mended serves as usual.
TEST(ProviderStart, ABrokenRegistryGivesAServerOfErrorsUntilARepairedOneIsRead) {
    orv::test::TestInstallation installation;
    installation.writeDefaultLoggerConfig();
    installation.installRaidLibrary(ORV_VRLIB, orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY));
    const auto start = [](const std::string& registry) {
        return std::make_unique<ServerProcess>(
            ORV_CIMSERVER, std::vector<std::string>{"--provider", ORV_REAL_PROVIDER, "--schema", ORV_SCHEMA_DIR},
            std::vector<std::pair<std::string, std::string>>{{"ORV_KESTRA_REGISTRY", registry}});
    };
    // The instance names of a class; the request itself must succeed.
    const auto names = [](const ServerProcess& server, const std::string& className, const std::string& ns) {
        CommandResult listed = runWbemcli(server, "ein", className, ns, {});
        EXPECT_EQ(listed.exitStatus, 0) << className << ": " << listed.output;
        return lines(listed.output);
    };
    const std::string kLoggingOff = "Failed to enable Logging ... Continuing without Logging";
    const std::string broken = installation.root() + "/broken-registry.conf";
    const std::string service =
        "ORV_StorageConfigurationService.SystemCreationClassName=\"ORV_ControllerComputerSystem\","
        "SystemName=\"AmbrixController_0\",CreationClassName=\"ORV_StorageConfigurationService\","
        "Name=\"StorageConfigurationService_0\"";
    struct Row {
        const char* what;
        const char* text;  // none: no file at all
    };
    const Row rows[] = {
        {"no registry file", nullptr},
        {"an installation that does not exist", "[SOFTWARE\\ORV-Kestra]\nAmbrix=/nonexistent/orv\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::remove(broken.c_str());
        if (row.text != nullptr) orv::test::TestInstallation::writeFile(broken, row.text);
        auto server = start(broken);
        EXPECT_TRUE(contains(server->startOutput(), kLoggingOff)) << server->startOutput();
        EXPECT_TRUE(names(*server, "ORV_ControllerComputerSystem", kStorageNs).empty());
        EXPECT_FALSE(names(*server, "ORV_RegisteredProfile", kInteropNs).empty());
        CommandResult method = runWbemcli(*server, "cm", service, kStorageNs, "ClearConfiguration");
        EXPECT_NE(method.exitStatus, 0);
        EXPECT_TRUE(contains(method.output, "CIM_ERR_")) << method.output;
        EXPECT_EQ(server->stop(SIGTERM), 0) << server->errorOutput();
    }
    auto repaired = start(installation.registryFile());
    EXPECT_EQ(repaired->startOutput(), "");
    EXPECT_EQ(names(*repaired, "ORV_ControllerComputerSystem", kStorageNs).size(), 2u);
    EXPECT_FALSE(names(*repaired, "ORV_RegisteredProfile", kInteropNs).empty());
}

#endif

}  // namespace
}  // namespace orv::cimxml::test
