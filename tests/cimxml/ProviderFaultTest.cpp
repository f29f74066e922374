// The real provider in the server's request handling, over a simulated RAID
// library that fails: every call failing once or always, calls that hang.
// Whatever the library does, each request gets a well-formed answer (its
// data or a CIM error with a reason) and the provider goes on serving.
#include "CimError.h"
#include "DtdValidation.h"
#include "FixtureSchema.h"
#include "SchemaFromMof.h"
#include "SimControl.h"
#include "TestInstallation.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace orv::cimxml::test {
namespace {

struct RealStack {
    orv::test::TestInstallation installation;
    ServerSchema schema = schemaFromMof(ORV_SCHEMA_DIR);
    cmpiserver::Broker broker;
    std::unique_ptr<ProviderModule> provider;
    std::unique_ptr<CimOperations> operations;
    std::unique_ptr<CimXmlService> service;
    orv::test::SimControl sim;

    RealStack() {
        installation.writeDefaultLoggerConfig();
        installation.installRaidLibrary(ORV_VRLIB,
                                        orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY));
        for (const ClassDecl* decl : schema.classes())
            broker.classHierarchy().addClass(decl->name, decl->superClass);
        provider = std::make_unique<ProviderModule>(broker, ORV_REAL_PROVIDER, "AmbrixProvider15");
        operations = std::make_unique<CimOperations>(schema, *provider, "testhost");
        service = std::make_unique<CimXmlService>(*operations);
        // Opened by the path the provider loaded it from: the same instance.
        sim.open(installation.root() + "/bin/VRLib.so");
    }
};

RealStack* stack = nullptr;

class RealStackEnvironment : public ::testing::Environment {
    void SetUp() override { stack = new RealStack(); }
    void TearDown() override {
        stack->provider->cleanup();
        delete stack;
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new RealStackEnvironment);

// Every library call but the ones that start and stop it.
const std::uint32_t kOpcodes[] = {
    VrlOpcode::GET_VERSION, VrlOpcode::GET_DRIVER_VERSION, VrlOpcode::GET_CONTR_LIST, VrlOpcode::GET_CONTR_PROPS,
    VrlOpcode::SET_CONTR_PROPS, VrlOpcode::GET_VD_LIST, VrlOpcode::GET_VD_PROPS, VrlOpcode::GET_ALL_VD_PROPS,
    VrlOpcode::SET_VD_PROPS, VrlOpcode::GET_PD_PROPS, VrlOpcode::GET_ALL_PD_PROPS, VrlOpcode::LOCATE_DEVICE,
    VrlOpcode::GET_ALL_ENCLR_PROPS, VrlOpcode::GET_BATT_PROPS, VrlOpcode::GET_ALL_LRC_STATUS,
    VrlOpcode::GET_FW_ERROR_DTLS, VrlOpcode::GET_DEVICE_FLAGS, VrlOpcode::GET_CONTR_PROPS_DEFAULTS,
    VrlOpcode::GET_INTERFACE_VERSION};
constexpr std::uint32_t kControllerError = 0x10000004;

// One request: always HTTP 200 and valid CIM-XML, data or a CIM error
// with a reason.
Response answer(const std::string& method, const std::string& ns, const std::string& params) {
    const HttpAnswer reply = stack->service->handle(exchange(method, ns, intrinsicBody(method, ns, params)));
    EXPECT_EQ(reply.status, 200) << method << " " << params;
    expectValidCimXml(reply.body);
    const Response response(reply.body);
    if (response.errorCode() != 0) {
        EXPECT_FALSE(response.errorDescription().empty()) << method << " " << params;
    }
    return Response(reply.body);
}

class ProviderFaultTest : public ::testing::Test {
protected:
    void TearDown() override { stack->sim.VrlSimClearFailures(); }

    static void failEveryCall(std::int32_t times) {
        for (std::uint32_t opcode : kOpcodes)
            ASSERT_EQ(stack->sim.VrlSimFailOpcode(opcode, VRLSIM_ANY_CONTROLLER, kControllerError, times), 0);
    }

    // Every class the provider serves, associations included, enumerated by
    // name and whole. Returns how many requests failed.
    static int everyRequest() {
        int failed = 0;
        for (const char* ns : {kStorageNs, kInteropNs}) {
            for (const auto& className : stack->schema.providerClasses(ns)) {
                for (const char* method : {"EnumerateInstanceNames", "EnumerateInstances"})
                    failed += answer(method, ns, classNameParam("ClassName", className)).errorCode() != 0;
            }
        }
        return failed;
    }
};

// The provider answers reads from what it learnt of the library at start
// and from its events; a library failing underneath (its background polls
// fail) must not turn those answers into garbage or stop the service.
TEST_F(ProviderFaultTest, ALibraryFailingEveryCallLeavesEveryReadAnswered) {
    ASSERT_EQ(everyRequest(), 0) << "the library works";
    failEveryCall(-1);
    EXPECT_EQ(everyRequest(), 0);
    failEveryCall(1);
    EXPECT_EQ(everyRequest(), 0);
}

// A hung controller holds the provider's background polls; requests must
// not queue behind them.
TEST_F(ProviderFaultTest, AHungLibraryDoesNotHoldUpReads) {
    auto& sim = stack->sim;
    for (std::uint32_t opcode : kOpcodes) sim.VrlSimHoldOpcode(opcode, 1);
    auto reads = std::async(std::launch::async, [] { return everyRequest(); });
    const bool answered = reads.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    for (std::uint32_t opcode : kOpcodes) sim.VrlSimHoldOpcode(opcode, 0);
    ASSERT_TRUE(answered);
    EXPECT_EQ(reads.get(), 0);
    EXPECT_EQ(sim.VrlSimHeldCalls(), 0u);
}

std::size_t instanceCount(const char* className) {
    const Response response = answer("EnumerateInstanceNames", kStorageNs, classNameParam("ClassName", className));
    EXPECT_EQ(response.errorCode(), 0) << className << ": " << response.errorDescription();
    return response.all("INSTANCENAME").size();
}

// A library that loses its controllers and finds them again says so with
// controller state events, after which the provider refills its cache from
// what the library lists: nothing, then the controllers again.
TEST_F(ProviderFaultTest, ControllersThatVanishAndReturnAreFollowedThroughTheLibrarysEvents) {
    constexpr std::uint32_t kNoControllerFound = 0x10000003;
    auto& sim = stack->sim;
    const auto event = reinterpret_cast<decltype(&VrlSimControllerEvent)>(dlsym(sim.handle, "VrlSimControllerEvent"));
    ASSERT_EQ(instanceCount("ORV_ControllerComputerSystem"), 2u);

    ASSERT_EQ(sim.VrlSimFailOpcode(VrlOpcode::GET_CONTR_LIST, VRLSIM_ANY_CONTROLLER, kNoControllerFound, -1), 0);
    ASSERT_EQ(event(0, 15, nullptr), 0);
    ASSERT_EQ(sim.VrlSimWaitEventsDrained(10000), 0);
    EXPECT_EQ(instanceCount("ORV_ControllerComputerSystem"), 0u);
    EXPECT_EQ(instanceCount("ORV_StorageVolume"), 0u);
    EXPECT_EQ(everyRequest(), 0);

    ASSERT_EQ(sim.VrlSimFailOpcode(VrlOpcode::GET_CONTR_LIST, VRLSIM_ANY_CONTROLLER, 0, 0), 0);
    ASSERT_EQ(event(0, 17, nullptr), 0);
    ASSERT_EQ(sim.VrlSimWaitEventsDrained(10000), 0);
    EXPECT_EQ(instanceCount("ORV_ControllerComputerSystem"), 2u);
    EXPECT_EQ(everyRequest(), 0);
}

// ---- Configuration methods ---------------------------------------------------------

// Keys of a service or device of a controller: its system's, its class and its own.
std::string systemKeys(const std::string& className, unsigned contrId, const char* ownKey, const std::string& own) {
    return stringKey("SystemCreationClassName", "ORV_ControllerComputerSystem") +
           stringKey("SystemName", "AmbrixController_" + std::to_string(contrId)) +
           stringKey("CreationClassName", className) + stringKey(ownKey, own);
}
std::string reference(const std::string& className, const std::string& keys) {
    return "<VALUE.REFERENCE><INSTANCENAME CLASSNAME=\"" + className + "\">" + keys +
           "</INSTANCENAME></VALUE.REFERENCE>";
}
std::string idReference(const std::string& className, const std::string& instanceId) {
    return reference(className, stringKey("InstanceID", instanceId));
}
std::string param(const std::string& name, const std::string& value) {
    return "<PARAMVALUE NAME=\"" + name + "\">" + value + "</PARAMVALUE>";
}

struct Service {
    const char* className;
    const char* namePrefix;
};
constexpr Service kPools{"ORV_StorageConfigurationService", "StorageConfigurationService_"};
constexpr Service kSpares{"ORV_SpareConfigurationService", "SpareConfigService_"};

// One configuration request, the library call that carries it out, and the
// class whose instances show its effect (none when the effect may be nil).
struct MethodRow {
    Service service;
    unsigned contrId;
    const char* method;
    std::string params;
    std::uint32_t opcode;
    const char* shownIn;
    const char* failedReturnValue;  // answered instead of a CIM error when the library refuses
    std::uint32_t followUp = 0;     // a call after the change is made, whose failure must not undo the answer
};

// Steps that leave the simulated hardware as they found it, but for the
// cleared controller at the end.
const std::vector<MethodRow>& methodRows() {
    const std::string spareDisk = param(
        "InExtents", "<VALUE.REFARRAY>" +
                         reference("ORV_StorageExtent", systemKeys("ORV_StorageExtent", 0, "DeviceID", "0_4")) +
                         "</VALUE.REFARRAY>");
    const std::string sparePool = param("InPool", idReference("ORV_PrimordialStoragePool", "0_SATA_SSD"));
    static const std::vector<MethodRow> rows{
        {kPools, 1, "DeleteStoragePool", param("Pool", idReference("ORV_ConcreteStoragePool", "1_0")),
         VrlOpcode::DELETE_VOLUME, "ORV_ConcreteStoragePool", nullptr},
        {kPools, 1, "CreateOrModifyStoragePool",
         param("InExtents", "<VALUE.ARRAY><VALUE>1_0</VALUE><VALUE>1_1</VALUE></VALUE.ARRAY>") +
             param("Goal", idReference("ORV_StorageSetting", "StorageSetting_1_RAID1")),
         VrlOpcode::CREATE_VOLUME, "ORV_ConcreteStoragePool", nullptr, VrlOpcode::GET_VD_PROPS},
        {kPools, 1, "CreateOrModifyElementFromStoragePool",
         param("InPool", idReference("ORV_ConcreteStoragePool", "1_0")) + param("ElementType", "<VALUE>2</VALUE>"),
         VrlOpcode::ACTIVATE_VOLUME, "ORV_StorageVolume", nullptr, VrlOpcode::FAST_INIT_VOLUME},
        {kPools, 1, "ReturnToStoragePool",
         param("TheElement",
               reference("ORV_StorageVolume", systemKeys("ORV_StorageVolume", 1, "DeviceID", "1_0"))),
         VrlOpcode::ACTIVATE_VOLUME, "ORV_StorageVolume", nullptr},
        {kSpares, 0, "AssignSpares",
         sparePool + param("RedundancySet", idReference("ORV_StorageRedundancySet", "0_SATA_SSD")) + spareDisk,
         VrlOpcode::CREATE_HOT_SPARE, "ORV_StorageExtent", nullptr},
        {kSpares, 0, "UnassignSpares", sparePool + spareDisk, VrlOpcode::DELETE_HOT_SPARE, "ORV_StorageExtent",
         nullptr},
        {kPools, 0, "SetFactoryDefaults", "", VrlOpcode::SET_CONTR_PROPS, nullptr, "2"},
        {kPools, 0, "ClearConfiguration", "", VrlOpcode::CLEAR_CONTR_CONFIG, "ORV_ConcreteStoragePool", nullptr},
    };
    return rows;
}

struct MethodAnswer {
    int error = 0;
    std::string description;
    std::string returnValue;
};

MethodAnswer invoke(const MethodRow& row) {
    const char* className = row.service.className;
    const std::string keys =
        systemKeys(className, row.contrId, "Name", row.service.namePrefix + std::to_string(row.contrId));
    const HttpAnswer answer = stack->service->handle(exchange(
        row.method, kStorageNs, extrinsicBody(row.method, kStorageNs, className, keys, row.params), false, className));
    EXPECT_EQ(answer.status, 200);
    // Out parameters carry references the DTD is strict about.
    expectValidCimXml(answer.body);
    const Response response(answer.body);
    MethodAnswer result{response.errorCode(), response.errorDescription(), {}};
    for (const auto* value : response.all("RETURNVALUE"))
        if (const auto* text = value->FirstChildElement("VALUE")) result.returnValue = text->GetText();
    return result;
}

// What the provider shows of a class: the whole enumeration's instances.
std::string shown(const char* className) {
    if (className == nullptr) return {};
    const Response response = answer("EnumerateInstances", kStorageNs, classNameParam("ClassName", className));
    EXPECT_EQ(response.errorCode(), 0) << className;
    std::string instances;
    for (const auto* instance : response.all("INSTANCE")) {
        tinyxml2::XMLPrinter printer;
        instance->Accept(&printer);
        instances += printer.CStr();
    }
    return instances;
}

void expectRefused(const MethodRow& row, const MethodAnswer& answer) {
    if (row.failedReturnValue != nullptr) {
        EXPECT_EQ(answer.error, 0) << answer.description;
        EXPECT_EQ(answer.returnValue, row.failedReturnValue);
        return;
    }
    EXPECT_EQ(answer.error, 1);
    // The library's own reason, with its status.
    EXPECT_NE(answer.description.find("(" + std::to_string(kControllerError) + ")"), std::string::npos)
        << answer.description;
}

// A configuration request the library refuses, once or every time, answers
// a failure and changes nothing the provider shows; a slow one completes
// the request once it answers, even when a call the provider makes after
// the change fails.
TEST_F(ProviderFaultTest, ConfigurationMethodsFailCleanlyAndWorkOnceTheLibraryDoes) {
    auto& sim = stack->sim;
    const auto fail = [&sim](std::uint32_t opcode, std::uint32_t error, std::int32_t times) {
        sim.VrlSimFailOpcode(opcode, VRLSIM_ANY_CONTROLLER, error, times);
    };
    for (const MethodRow& row : methodRows()) {
        SCOPED_TRACE(row.method);
        const std::string before = shown(row.shownIn);

        fail(row.opcode, kControllerError, 1);
        expectRefused(row, invoke(row));
        fail(row.opcode, kControllerError, -1);
        expectRefused(row, invoke(row));
        expectRefused(row, invoke(row));
        ASSERT_EQ(sim.VrlSimWaitEventsDrained(10000), 0);
        EXPECT_EQ(shown(row.shownIn), before) << "a refused request changed what the provider shows";
        fail(row.opcode, 0, 0);

        if (row.followUp != 0) fail(row.followUp, kControllerError, 1);
        sim.VrlSimHoldOpcode(row.opcode, 1);
        auto call = std::async(std::launch::async, [&row] { return invoke(row); });
        for (int i = 0; i < 2000 && sim.VrlSimHeldCalls() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(sim.VrlSimHeldCalls(), 1u) << "the request reached the library";
        // A read meanwhile may wait for the change (volumes change under the
        // cache's lock) but is answered.
        auto read = std::async(std::launch::async, [] {
            return answer("EnumerateInstanceNames", kStorageNs,
                          classNameParam("ClassName", "ORV_ControllerComputerSystem")).errorCode();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        sim.VrlSimHoldOpcode(row.opcode, 0);
        EXPECT_EQ(read.get(), 0);
        const MethodAnswer done = call.get();
        ASSERT_EQ(done.error, 0) << done.description;
        EXPECT_EQ(done.returnValue, "0");
        ASSERT_EQ(sim.VrlSimWaitEventsDrained(10000), 0);
        if (row.shownIn != nullptr) {
            EXPECT_NE(shown(row.shownIn), before) << "the change shows";
        }
    }
}

}  // namespace
}  // namespace orv::cimxml::test
