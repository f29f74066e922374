// The server programs in their own processes on a free loopback port,
// driven by the real wbemcli: first with the fixture provider, then with
// the real provider over the simulated RAID library.
#include "DtdValidation.h"
#include "FixtureSchema.h"
#include "TestSupport.h"
#include "ValidatingProxy.h"

#ifdef ORV_REAL_PROVIDER
#include "ExpectedPairs.h"
#include "SchemaGenerators.h"
#include "TestInstallation.h"

#include <httplib.h>
#endif

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

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
    // An instance name without the server and namespace that wbemcli prints before it.
    static std::string localName(const std::string& printed) {
        return printed.substr(printed.find(':', printed.find('/')) + 1);
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

// wbemcli's mi sends the whole instance it read, without a property list,
// which asks the provider to change every property; the controller takes at
// most eight at a time. So the change goes on the wire with a property list,
// as other clients send it, and wbemcli reads it back.
Response post(const ServerProcess& server, const HttpExchange& request);

Response modifyWithPropertyList(const ServerProcess& server, const std::string& className, const std::string& keys,
                                const std::string& property, const std::string& type, const std::string& value) {
    const std::string instance = "<VALUE.NAMEDINSTANCE><INSTANCENAME CLASSNAME=\"" + className + "\">" + keys +
                                 "</INSTANCENAME><INSTANCE CLASSNAME=\"" + className + "\"><PROPERTY NAME=\"" +
                                 property + "\" TYPE=\"" + type + "\"><VALUE>" + value +
                                 "</VALUE></PROPERTY></INSTANCE></VALUE.NAMEDINSTANCE>";
    const std::string params = "<IPARAMVALUE NAME=\"ModifiedInstance\">" + instance +
                               "</IPARAMVALUE><IPARAMVALUE NAME=\"PropertyList\"><VALUE.ARRAY><VALUE>" + property +
                               "</VALUE></VALUE.ARRAY></IPARAMVALUE>";
    return post(server, exchange("ModifyInstance", kStorageNs, intrinsicBody("ModifyInstance", kStorageNs, params)));
}

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

TEST_F(RealProviderTest, ModifiesAControllerAndReadsTheChangeBack) {
    const auto controllers = names("ORV_ControllerComputerSystem");
    if (controllers.empty()) GTEST_SKIP() << "the provider serves no ORV_ControllerComputerSystem yet";
    const std::string controller = localName(controllers[0]);
    CommandResult before = wbemcli("gi", controller);
    ASSERT_EQ(before.exitStatus, 0) << before.output;
    const std::string wanted = contains(before.output, "AutoRebuild=1,") ? "0" : "1";
    // The key Name itself, not the tail of CreationClassName.
    std::size_t nameAt = controller.find("Name=\"");
    while (nameAt != std::string::npos && controller[nameAt - 1] != '.' && controller[nameAt - 1] != ',')
        nameAt = controller.find("Name=\"", nameAt + 1);
    const std::string name = controller.substr(nameAt + 6);
    const std::string keys = stringKey("CreationClassName", "ORV_ControllerComputerSystem") +
                             stringKey("Name", name.substr(0, name.find('"')));

    // A declared property that the controller does not let clients change.
    const Response refused =
        modifyWithPropertyList(*server_, "ORV_ControllerComputerSystem", keys, "CacheMemory", "uint32", "1024");
    EXPECT_EQ(refused.errorCode(), 7) << refused.errorDescription();
    EXPECT_TRUE(contains(wbemcli("gi", controller).output, "CacheMemory=512,"));

    const Response modified =
        modifyWithPropertyList(*server_, "ORV_ControllerComputerSystem", keys, "AutoRebuild", "uint32", wanted);
    ASSERT_TRUE(modified.wellFormed());
    ASSERT_EQ(modified.errorCode(), 0) << modified.errorDescription();
    // wbemcli sends the whole instance it read and no property list; the
    // server names only what differs, so the controller takes it too.
    CommandResult viaWbemcli = wbemcli("mi", controller, kStorageNs, "AutoRebuild=" + wanted);
    EXPECT_EQ(viaWbemcli.exitStatus, 0) << viaWbemcli.output;
    // The library applies the change and reports it with an event, which
    // brings the provider's cache up to date on the library's own thread;
    // the library calls back only while an observer is attached.
    if (!contains(orv::test::TestInstallation::readFile(installation_->logFile()), "Enter -- Attach()"))
        GTEST_SKIP() << "no observer of the library's events is attached yet, so the change cannot be read back";
    CommandResult after;
    for (int attempt = 0; attempt < 30; ++attempt) {
        after = wbemcli("gi", controller);
        if (contains(after.output, "AutoRebuild=" + wanted + ",")) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(contains(after.output, "AutoRebuild=" + wanted + ",")) << after.output;
}

// A reference key of an association's name as wbemcli prints it
// (Role=<host>/<namespace><Class>.<keys>, the two references one after the
// other), as an object wbemcli takes (<Class>.<keys>).
std::string referenceIn(const std::string& printedName, const std::string& role, const std::string& otherRole) {
    std::size_t at = printedName.find("." + role + "=");
    if (at == std::string::npos) at = printedName.find("," + role + "=");
    if (at == std::string::npos) return {};
    at += role.size() + 2;
    std::size_t end = printedName.find("," + otherRole + "=", at);
    if (end == std::string::npos) end = printedName.size();
    const std::size_t start = printedName.find("ORV_", at);
    return start >= end ? std::string() : printedName.substr(start, end - start);
}

// Every association whose ends are both fixed, through wbemcli: the names
// and instances of the class (as many pairs as the topology gives), and from
// the ends of one pair Associators, AssociatorNames, References and
// ReferenceNames narrowed by association class, role, result role and result
// class; with the other end's role, nothing.
void checkEveryAssociation(const ServerProcess& server, const std::string& topologyText) {
    const associationtest::Topology topology(topologyText);
    const auto table = orv::schema::loadProviderSchema(ORV_SCHEMA_DIR);
    auto run = [&](const std::string& arguments, const std::string& object) {
        return runWbemcli(server, arguments, object, kStorageNs, "");
    };
    auto count = [&](const char* className) { return lines(run("ein", className).output).size(); };
    for (const auto& [association, expected] : associationtest::expectedPairs()) {
        SCOPED_TRACE(association);
        std::vector<std::string> roles;
        for (const auto* property : table.allProperties(association))
            if (property->isReference()) roles.push_back(property->name);
        ASSERT_EQ(roles.size(), 2u);
        const CommandResult names = run("ein", association);
        ASSERT_EQ(names.exitStatus, 0) << names.output;
        const auto pairs = lines(names.output);
        EXPECT_EQ(pairs.size(), expected(topology, count));
        EXPECT_EQ(lines(run("ei", association).output).size(), pairs.size());
        if (pairs.empty()) continue;

        const std::string a = referenceIn(pairs[0], roles[0], roles[1]);
        const std::string b = referenceIn(pairs[0], roles[1], roles[0]);
        ASSERT_FALSE(a.empty() || b.empty()) << pairs[0];
        const std::string classOfB = b.substr(0, b.find('.'));
        // Where the schema could not narrow a reference to its endpoint class
        // (a controller's fixed settings are no CIM_Capabilities), a server
        // finds the association from that end only by the declared class.
        const bool narrowed = table.findProperty(association, roles[1])->referenceClass == classOfB;
        const std::string filters = " -ac " + association + " -ar " + roles[0] + " -arr " + roles[1] +
                                    (narrowed ? " -arc " + classOfB : "");
        const CommandResult others = run("ain" + filters, a);
        EXPECT_EQ(others.exitStatus, 0) << others.output;
        EXPECT_TRUE(contains(others.output, b)) << others.output;
        EXPECT_EQ(lines(run("ai" + filters, a).output).size(), lines(others.output).size());
        const CommandResult links = run("rin -arc " + association + " -ar " + roles[1], b);
        if (narrowed) {
            EXPECT_TRUE(contains(links.output, ":" + association + ".")) << links.output;
        }
        EXPECT_FALSE(lines(run("ri -arc " + association + " -ar " + roles[0], a).output).empty());
        if (a.substr(0, a.find('.')) != classOfB) {
            EXPECT_TRUE(lines(run("ain -ac " + association + " -ar " + roles[1], a).output).empty());
        }
    }
}

TEST_F(RealProviderTest, EveryAssociationAnswersEachOperationWithFilters) {
    checkEveryAssociation(*server_, orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY));
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

// What surrounds the provider when it starts (registry, log folder,
// controllers) is missing or broken. The server comes up, every request gets
// data or a CIM error, and a start with the fault mended serves as usual.
class ProviderStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        installation_.writeDefaultLoggerConfig();
        installation_.installRaidLibrary(ORV_VRLIB, orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY));
    }
    std::unique_ptr<ServerProcess> start(const std::string& registry) {
        return std::make_unique<ServerProcess>(ORV_CIMSERVER,
                                               std::vector<std::string>{"--provider", ORV_REAL_PROVIDER, "--schema",
                                                                        ORV_SCHEMA_DIR},
                                               std::vector<std::pair<std::string, std::string>>{
                                                   {"ORV_KESTRA_REGISTRY", registry}});
    }
    // The instance names of a class; the request itself must succeed.
    static std::vector<std::string> names(const ServerProcess& server, const std::string& className,
                                          const std::string& ns = kStorageNs) {
        CommandResult listed = runWbemcli(server, "ein", className, ns, {});
        EXPECT_EQ(listed.exitStatus, 0) << className << ": " << listed.output;
        return lines(listed.output);
    }
    static void expectServing(const ServerProcess& server) {
        EXPECT_EQ(names(server, "ORV_ControllerComputerSystem").size(), 2u);
        EXPECT_FALSE(names(server, "ORV_RegisteredProfile", kInteropNs).empty());
    }

    orv::test::TestInstallation installation_;
};

const std::string kLoggingOff = "Failed to enable Logging ... Continuing without Logging";

TEST_F(ProviderStartTest, ABrokenRegistryGivesAServerOfErrorsUntilARepairedOneIsRead) {
    const std::string broken = installation_.root() + "/broken-registry.conf";
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
        EXPECT_TRUE(names(*server, "ORV_ControllerComputerSystem").empty());
        EXPECT_FALSE(names(*server, "ORV_RegisteredProfile", kInteropNs).empty());
        CommandResult method = runWbemcli(*server, "cm", service, kStorageNs, "ClearConfiguration");
        EXPECT_NE(method.exitStatus, 0);
        EXPECT_TRUE(contains(method.output, "CIM_ERR_")) << method.output;
        EXPECT_EQ(server->stop(SIGTERM), 0) << server->errorOutput();
    }
    auto repaired = start(installation_.registryFile());
    EXPECT_EQ(repaired->startOutput(), "");
    expectServing(*repaired);
}

// As root the folder's permissions stop nothing, so a file takes its place.
TEST_F(ProviderStartTest, ALogFolderThatCannotBeWrittenLeavesTheProviderServingWithoutALog) {
    const std::string folder = installation_.root() + "/log";
    auto server = start(installation_.registryFile());
    ASSERT_FALSE(orv::test::TestInstallation::readFile(installation_.logFile()).empty());
    std::filesystem::remove_all(folder);
    orv::test::TestInstallation::writeFile(folder, "not a folder\n");
    expectServing(*server);
    EXPECT_EQ(server->stop(SIGTERM), 0) << server->errorOutput();

    auto restarted = start(installation_.registryFile());
    EXPECT_TRUE(contains(restarted->startOutput(), kLoggingOff)) << restarted->startOutput();
    expectServing(*restarted);
    EXPECT_EQ(restarted->stop(SIGTERM), 0) << restarted->errorOutput();
}

// A provider that found no controller registers only the management classes
// and does not listen to the library; controllers that appear later are
// served from the next start.
TEST_F(ProviderStartTest, AStartWithoutControllersAnswersEmptyUntilARestartFindsThem) {
    const std::string topology = installation_.root() + "/bin/VRLib.topology.json";
    orv::test::TestInstallation::writeFile(topology, R"({"controllers": []})");
    auto server = start(installation_.registryFile());
    EXPECT_EQ(server->startOutput(), "");
    for (const char* className : {"ORV_ControllerComputerSystem", "ORV_DiskDrive", "ORV_StorageConfigurationService"})
        EXPECT_TRUE(names(*server, className).empty()) << className;
    EXPECT_FALSE(names(*server, "ORV_RegisteredProfile", kInteropNs).empty());
    EXPECT_TRUE(contains(orv::test::TestInstallation::readFile(installation_.logFile()),
                         "SELECTIVE INITIALIZATION ? 1."));

    orv::test::TestInstallation::writeFile(topology, orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY));
    EXPECT_TRUE(names(*server, "ORV_ControllerComputerSystem").empty());
    EXPECT_EQ(server->stop(SIGTERM), 0) << server->errorOutput();
    auto restarted = start(installation_.registryFile());
    expectServing(*restarted);
}
#endif

}  // namespace
}  // namespace orv::cimxml::test
