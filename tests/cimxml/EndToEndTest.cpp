// The server programs in their own processes on a free loopback port,
// driven by the real wbemcli: first with the fixture provider, then with
// the real provider over the simulated RAID library.
#include "DtdValidation.h"
#include "FixtureSchema.h"
#include "TestSupport.h"
#include "ValidatingProxy.h"

#ifdef ORV_REAL_PROVIDER
#include "SchemaGenerators.h"
#include "TestInstallation.h"

#include <httplib.h>
#endif

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <fstream>
#include <map>
#include <sstream>

namespace orv::cimxml::test {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) out.push_back(line);
    return out;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// wbemcli against a running server: an operation on an object of a namespace,
// with the values that some operations take after the object.
// Goes through a validating proxy of the server (one per server port, kept
// for the program's life): an answer that breaks the DTD fails the test.
CommandResult runWbemcli(const ServerProcess& server, const std::string& arguments, const std::string& object,
                         const std::string& ns, const std::string& values, const std::string& credentials = {}) {
    return runCommand("/usr/bin/wbemcli " + arguments + " " + quoted(validatedUrl(server.port(), ns, credentials) + ":" + object) +
                      (values.empty() ? "" : " " + quoted(values)));
}

class FixtureServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        traceFile_ = "/tmp/orv-cimxml-e2e-trace-" + std::to_string(getpid()) + ".txt";
        std::remove(traceFile_.c_str());
        server_ = new ServerProcess(FIXTURE_SERVER, {"--provider", FIXTURE_PROVIDER},
                                    {{"ORV_FIXTURE_TRACE", traceFile_}});
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
        std::remove(traceFile_.c_str());
    }

    static CommandResult wbemcli(const std::string& arguments, const std::string& object,
                                 const std::string& ns = kStorageNs, const std::string& values = {}) {
        return runWbemcli(*server_, arguments, object, ns, values);
    }

    static ServerProcess* server_;
    static std::string traceFile_;
};

ServerProcess* FixtureServerTest::server_ = nullptr;
std::string FixtureServerTest::traceFile_;

const std::string kController = "FIX_Controller.Name=\"ctl0\",Slot=0";

TEST_F(FixtureServerTest, GetsOneInstanceAndReportsAMissingOne) {
    CommandResult found = wbemcli("gi", "FIX_Disk.DeviceID=\"d1\"");
    ASSERT_EQ(found.exitStatus, 0) << found.output;
    EXPECT_TRUE(contains(found.output, "CapacityBytes=2000000000,TemperatureC=-5")) << found.output;

    CommandResult missing = wbemcli("gi", "FIX_Disk.DeviceID=\"d9\"");
    EXPECT_NE(missing.exitStatus, 0);
    EXPECT_TRUE(contains(missing.output, "(6) CIM_ERR_NOT_FOUND: no such instance of FIX_Disk")) << missing.output;

    CommandResult wrongKeyType = wbemcli("gi", "FIX_Controller.Name=\"ctl0\",Slot=\"first\"");
    EXPECT_TRUE(contains(wrongKeyType.output, "(4) CIM_ERR_INVALID_PARAMETER")) << wrongKeyType.output;
    CommandResult wrongNamespace = runCommand("/usr/bin/wbemcli ein " + quoted(server_->url("root/nowhere") + ":FIX_Disk"));
    EXPECT_TRUE(contains(wrongNamespace.output, "(3) CIM_ERR_INVALID_NAMESPACE")) << wrongNamespace.output;
}

// The four association operations as wbemcli sends them; their filters
// are the service tests' to check, each association's pairs the
// association tests'.
TEST_F(FixtureServerTest, WalksTheAssociationFromBothEnds) {
    const CommandResult disks = wbemcli("ain -ac FIX_ControllerDisk", kController);
    ASSERT_EQ(disks.exitStatus, 0) << disks.output;
    EXPECT_EQ(lines(disks.output).size(), 3u) << disks.output;
    EXPECT_EQ(lines(wbemcli("ai -arc FIX_Disk", kController).output).size(), 3u);
    const std::string disk = "FIX_Disk.DeviceID=\"d2\"";
    const CommandResult links = wbemcli("rin -arc FIX_ControllerDisk -ar PartComponent", disk);
    EXPECT_EQ(lines(links.output).size(), 1u) << links.output;
    EXPECT_TRUE(contains(links.output, ":FIX_ControllerDisk.")) << links.output;
    EXPECT_EQ(lines(wbemcli("ri -arc FIX_ControllerDisk", disk).output).size(), 1u);
}

TEST_F(FixtureServerTest, ModifiesAnInstanceAndLogsTheIndication) {
    CommandResult modified = wbemcli("mi", kController, kStorageNs, "ElementName=\"Changed by wbemcli\"");
    ASSERT_EQ(modified.exitStatus, 0) << modified.output;
    CommandResult after = wbemcli("gi", kController);
    EXPECT_TRUE(contains(after.output, "ElementName=\"Changed by wbemcli\"")) << after.output;
    // The provider's alert reached the server's indication log.
    EXPECT_TRUE(contains(server_->errorOutput(), "indication in root/orv/Ambrix/smi_14: <INSTANCE CLASSNAME=\"CIM_AlertIndication\">"))
        << server_->errorOutput();
}

TEST(ServerLifecycle, StopsOnSignalsAndCleansTheProviderUpOnce) {
    for (int signal : {SIGTERM, SIGINT}) {
        const std::string trace = "/tmp/orv-cimxml-e2e-stop-" + std::to_string(getpid()) + ".txt";
        std::remove(trace.c_str());
        ServerProcess server(FIXTURE_SERVER, {"--provider", FIXTURE_PROVIDER}, {{"ORV_FIXTURE_TRACE", trace}});
        CommandResult before = runCommand("/usr/bin/wbemcli ein " + quoted(server.url(kStorageNs) + ":FIX_Disk"));
        EXPECT_EQ(before.exitStatus, 0) << before.output;
        EXPECT_EQ(server.stop(signal), 0) << server.errorOutput();
        std::ifstream in(trace);
        std::vector<std::string> cleanups;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("cleanup", 0) == 0) cleanups.push_back(line);
        EXPECT_EQ(cleanups, (std::vector<std::string>{
                                         "cleanup instance terminating=1", "cleanup association terminating=1",
                                         "cleanup method terminating=1", "cleanup indication terminating=1"}));
        std::remove(trace.c_str());
    }
}

TEST(ServerLifecycle, RefusesToStartWithoutAUsableProvider) {
    CommandResult missing = runCommand(std::string(FIXTURE_SERVER) + " --port 0 --provider /nonexistent/provider.so");
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_TRUE(contains(missing.output, "cannot load /nonexistent/provider.so")) << missing.output;
    CommandResult noFactories =
        runCommand(std::string(FIXTURE_SERVER) + " --port 0 --provider-name Other --provider " + FIXTURE_PROVIDER);
    EXPECT_EQ(noFactories.exitStatus, 1);
    EXPECT_TRUE(contains(noFactories.output, "offers no Other_Create_*MI factory")) << noFactories.output;
    CommandResult badOption = runCommand(std::string(FIXTURE_SERVER) + " --port 70000 --provider x");
    EXPECT_EQ(badOption.exitStatus, 2) << badOption.output;
}

// Beyond loopback a server answers only to users it knows: without them it
// does not start at all.
TEST(ServerLifecycle, AuthenticatedUsersBecomeThePrincipal) {
    CommandResult open = runCommand(std::string(FIXTURE_SERVER) + " --port 0 --address 0.0.0.0 --provider " +
                                    FIXTURE_PROVIDER);
    EXPECT_EQ(open.exitStatus, 2);
    EXPECT_TRUE(contains(open.output, "refusing to listen on 0.0.0.0 without authentication")) << open.output;

    const std::string users = "/tmp/orv-cimxml-e2e-users-" + std::to_string(getpid());
    std::ofstream(users) << "admin:secret\n";
    ServerProcess server(FIXTURE_SERVER, {"--provider", FIXTURE_PROVIDER, "--users", users, "--address", "0.0.0.0"});
    const std::string path = ":" + std::string("FIX_Disk");
    CommandResult anonymous = runCommand("/usr/bin/wbemcli ein " + quoted(server.url(kStorageNs) + path));
    EXPECT_NE(anonymous.exitStatus, 0);
    EXPECT_TRUE(contains(anonymous.output, "Username/password required")) << anonymous.output;
    CommandResult admin = runWbemcli(server, "ein", "FIX_Disk", kStorageNs, {}, "admin:secret");
    EXPECT_EQ(admin.exitStatus, 0) << admin.output;
    EXPECT_EQ(lines(admin.output).size(), 3u);
    std::remove(users.c_str());
}

TEST(ServerLifecycle, ServesHttpsWithASelfSignedPairMadeOnceAndKept) {
    const std::string folder = "/tmp/orv-cimxml-e2e-tls-" + std::to_string(getpid());
    const std::string certificate = folder + "/server.pem";
    const std::string key = folder + "/server.key";
    const std::vector<std::string> arguments{"--provider", FIXTURE_PROVIDER, "--https-port", "0",
                                             "--certificate", certificate, "--private-key", key};
    const auto fileText = [](const std::string& path) {
        std::stringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    };
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
// The real provider over the simulated RAID library with its default
// topology, in one server for the whole suite.
class RealProviderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { startServer(ORV_DEFAULT_TOPOLOGY); }
    static void startServer(const char* topologyFile) {
        installation_ = new orv::test::TestInstallation();
        installation_->writeDefaultLoggerConfig();
        installation_->installRaidLibrary(ORV_VRLIB, orv::test::TestInstallation::readFile(topologyFile));
        server_ = new ServerProcess(ORV_CIMSERVER, {"--provider", ORV_REAL_PROVIDER, "--schema", ORV_SCHEMA_DIR},
                                    {{"ORV_KESTRA_REGISTRY", installation_->registryFile()}});
    }
    static void TearDownTestSuite() {
        EXPECT_EQ(server_->stop(SIGTERM), 0) << server_->errorOutput();
        delete server_;
        server_ = nullptr;
        delete installation_;
        installation_ = nullptr;
    }

    static CommandResult wbemcli(const std::string& arguments, const std::string& object,
                                 const std::string& ns = kStorageNs, const std::string& values = {}) {
        return runWbemcli(*server_, arguments, object, ns, values);
    }
    // The instance names of a class, as wbemcli prints them (host:port/namespace:Class.keys).
    static std::vector<std::string> names(const std::string& className, const std::string& ns = kStorageNs) {
        return lines(wbemcli("ein", className, ns).output);
    }

    static orv::test::TestInstallation* installation_;
    static ServerProcess* server_;
};

orv::test::TestInstallation* RealProviderTest::installation_ = nullptr;
ServerProcess* RealProviderTest::server_ = nullptr;

// What each class answers is the agreement suite's to check, in process;
// here the server lists every class the provider registers.
TEST_F(RealProviderTest, ListsEveryRegisteredClassOfEachNamespace) {
    const auto table = orv::schema::loadProviderSchema(ORV_SCHEMA_DIR);
    std::map<std::string, std::vector<std::string>> registered;
    for (const auto& registration : orv::schema::providerRegistrations(table))
        if (registration.instance)
            for (const auto& ns : registration.namespaces) registered[ns].push_back(registration.className);
    ASSERT_EQ(registered.size(), 2u);

    for (const auto& [ns, classes] : registered) {
        CommandResult listed = runCommand("/usr/bin/wbemcli ecn " + quoted(server_->url(ns)));
        ASSERT_EQ(listed.exitStatus, 0) << listed.output;
        for (const auto& cls : classes) EXPECT_TRUE(contains(listed.output, ":" + cls + "\n")) << ns << ":" << cls;
    }
    EXPECT_FALSE(names("ORV_RegisteredProfile", kInteropNs).empty());
    EXPECT_FALSE(names("ORV_HostComputerSystem").empty());
}

// A request wbemcli cannot send goes on the wire as any client sends it; an
// answer that breaks the DTD fails the test.
Response post(const ServerProcess& server, const HttpExchange& request) {
    httplib::Client client("localhost", server.port());
    httplib::Headers headers;
    for (const auto& [name, headerValue] : request.headers)
        if (name != "Content-Type") headers.emplace(name, headerValue);
    const auto answer = client.Post(request.target, headers, request.body, "application/xml; charset=\"utf-8\"");
    if (answer && answer->status == 200 && cimXmlDtdAvailable()) {
        EXPECT_EQ(cimXmlDtdErrors(answer->body), "") << request.body;
    }
    return Response(answer ? answer->body : std::string());
}

// A controller with a failed, a predicted-failure, a spare, two free and two
// array disks, all SAS rotating (simvrlib/topologies/failing-disks.json).
class FailingDisksTest : public RealProviderTest {
protected:
    static void SetUpTestSuite() { startServer(ORV_FAILING_DISKS_TOPOLOGY); }
};

// The out-parameter is a reference array, which wbemcli's parser cannot read
// (it stops with "Bad attribute list for VALUE"), so the call goes on the
// wire as any client sends it and the answer is read from the response.
TEST_F(FailingDisksTest, GetAvailableExtentsOffersOnlyDisksANewArrayCanUse) {
    const std::string pool = "ORV_PrimordialStoragePool";
    const Response reply = post(*server_, exchange("GetAvailableExtents", kStorageNs,
                                                   extrinsicBody("GetAvailableExtents", kStorageNs, pool,
                                                                 stringKey("InstanceID", "0_SAS_Rotating"), ""),
                                                   false, pool));
    ASSERT_TRUE(reply.wellFormed());
    ASSERT_EQ(reply.errorCode(), 0) << reply.errorDescription();
    std::vector<std::string> offered;
    for (const auto* key : reply.all("KEYBINDING"))
        if (std::string(key->Attribute("NAME")) == "DeviceID") offered.push_back(key->FirstChildElement()->GetText());
    EXPECT_EQ(offered, (std::vector<std::string>{"0_2", "0_3"})) << "not failed, predicted to fail, spare or member";
}

// The configuration services driven by wbemcli as an administrator would,
// on a server of their own (its configuration changes would disturb the
// suite above), each step checked by the next enumeration.
class ConfigurationServicesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        installation_ = new orv::test::TestInstallation();
        installation_->writeDefaultLoggerConfig();
        installation_->installRaidLibrary(ORV_VRLIB, orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY));
        const std::string users = installation_->root() + "/users";
        std::ofstream(users) << "root:secret\n";
        server_ = new ServerProcess(ORV_CIMSERVER,
                                    {"--provider", ORV_REAL_PROVIDER, "--schema", ORV_SCHEMA_DIR, "--users", users},
                                    {{"ORV_KESTRA_REGISTRY", installation_->registryFile()}});
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
        delete installation_;
        installation_ = nullptr;
    }

    static CommandResult wbemcli(const std::string& operation, const std::string& object,
                                 const std::string& values = {}) {
        return runWbemcli(*server_, operation, object, kStorageNs, values, "root:secret");
    }
    static std::string device(const std::string& className, unsigned contrId, const std::string& deviceId) {
        return className + ".SystemCreationClassName=\"ORV_ControllerComputerSystem\",SystemName=\"AmbrixController_" +
               std::to_string(contrId) + "\",CreationClassName=\"" + className + "\",DeviceID=\"" + deviceId + "\"";
    }
    static std::string service(const std::string& className, const std::string& name, unsigned contrId) {
        return className + ".SystemCreationClassName=\"ORV_ControllerComputerSystem\",SystemName=\"AmbrixController_" +
               std::to_string(contrId) + "\",CreationClassName=\"" + className + "\",Name=\"" + name + "_" +
               std::to_string(contrId) + "\"";
    }
    // A property as wbemcli prints it in an instance ("Name=value").
    static std::string property(const std::string& instance, const std::string& name) {
        for (const auto& line : lines(instance)) {
            std::stringstream fields(line);
            for (std::string field; std::getline(fields, field, ',');)
                if (field.rfind(name + "=", 0) == 0) return field.substr(name.size() + 1);
        }
        return {};
    }

    static orv::test::TestInstallation* installation_;
    static ServerProcess* server_;
};

orv::test::TestInstallation* ConfigurationServicesTest::installation_ = nullptr;
ServerProcess* ConfigurationServicesTest::server_ = nullptr;

TEST_F(ConfigurationServicesTest, AnAdministratorBuildsAndRemovesAPoolAndItsVolume) {
    const std::string configuration = service("ORV_StorageConfigurationService", "StorageConfigurationService", 1);
    const std::string pool = "ORV_ConcreteStoragePool.InstanceID=\"1_0\"";
    const std::string freeBefore =
        property(wbemcli("gi", "ORV_PrimordialStoragePool.InstanceID=\"1_SATA_Rotating\"").output, "RemainingManagedSpace");

    // The reserved mirror of the default topology goes first, so that its two disks are free.
    CommandResult deleted = wbemcli("cm", configuration, "DeleteStoragePool.Pool=" + pool);
    ASSERT_TRUE(contains(deleted.output, "DeleteStoragePool: 0")) << deleted.output;
    EXPECT_FALSE(contains(wbemcli("ein", "ORV_ConcreteStoragePool").output, "\"1_0\""));

    CommandResult created =
        wbemcli("cm", configuration,
                "CreateOrModifyStoragePool.InExtents=1_0,1_1,Goal=ORV_StorageSetting.InstanceID=\"StorageSetting_1_RAID1\","
                "ElementName=Mirror");
    ASSERT_TRUE(contains(created.output, "CreateOrModifyStoragePool: 0")) << created.output;
    EXPECT_TRUE(contains(created.output, pool)) << created.output;
    EXPECT_TRUE(contains(wbemcli("ein", "ORV_ConcreteStoragePool").output, "\"1_0\""));
    const std::string poolBytes = property(wbemcli("gi", pool).output, "TotalManagedSpace");
    ASSERT_FALSE(poolBytes.empty());

    CommandResult tooLarge = wbemcli("cm", configuration,
                                     "CreateOrModifyElementFromStoragePool.InPool=" + pool +
                                         ",Size=" + std::to_string(std::stoull(poolBytes) + 1) + ",ElementType=2");
    EXPECT_TRUE(contains(tooLarge.output, "CreateOrModifyElementFromStoragePool: 4097, Size (uint64): " + poolBytes))
        << tooLarge.output;

    const std::string volume = device("ORV_StorageVolume", 1, "1_0");
    CommandResult carved = wbemcli("cm", configuration,
                                   "CreateOrModifyElementFromStoragePool.InPool=" + pool + ",Size=" + poolBytes +
                                       ",initializationMode=false");
    ASSERT_TRUE(contains(carved.output, "CreateOrModifyElementFromStoragePool: 0")) << carved.output;
    EXPECT_TRUE(contains(carved.output, volume)) << carved.output;
    EXPECT_EQ(property(wbemcli("gi", volume).output, "Size"), poolBytes);

    CommandResult returned = wbemcli("cm", configuration, "ReturnToStoragePool.TheElement=" + volume);
    ASSERT_TRUE(contains(returned.output, "ReturnToStoragePool: 0")) << returned.output;
    EXPECT_FALSE(contains(wbemcli("ein", "ORV_StorageVolume").output, "\"1_0\""));
    EXPECT_TRUE(contains(wbemcli("ein", "ORV_ConcreteStoragePool").output, "\"1_0\""));

    deleted = wbemcli("cm", configuration, "DeleteStoragePool.Pool=" + pool);
    ASSERT_TRUE(contains(deleted.output, "DeleteStoragePool: 0")) << deleted.output;
    EXPECT_FALSE(contains(wbemcli("ein", "ORV_ConcreteStoragePool").output, "\"1_0\""));
    const std::string freeAfter =
        property(wbemcli("gi", "ORV_PrimordialStoragePool.InstanceID=\"1_SATA_Rotating\"").output, "RemainingManagedSpace");
    EXPECT_GT(std::stoull(freeAfter), std::stoull(freeBefore)) << "the mirror's disks are free again";
}

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

// The registry the provider starts from is missing or broken. The server
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
        {"not a registry file", "\x7f" "ELF\x02\x01 [SOFTWARE\n=\n==Ambrix\n[]\n"},
        {"an empty installation value", "[SOFTWARE\\ORV-Kestra]\nAmbrix=\n"},
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
