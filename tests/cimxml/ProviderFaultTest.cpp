// The real provider in the server's request handling, over a simulated RAID
// library that fails: every call failing once or always, calls that hang.
// Whatever the library does, each request gets a well-formed answer (its
// data or a CIM error with a reason) and the provider goes on serving.
#include "CimError.h"
#include "DtdValidation.h"
#include "FixtureSchema.h"
#include "SchemaFromMof.h"
#include "TestInstallation.h"
#include "TestSupport.h"
#include "VrlRecords.h"
#include "VrlSimControl.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace orv::cimxml::test {
namespace {

struct RealStack {
    orv::test::TestInstallation installation;
    ServerSchema schema = schemaFromMof(ORV_SCHEMA_DIR);
    cmpiserver::Broker broker;
    std::unique_ptr<ProviderModule> provider;
    std::unique_ptr<CimOperations> operations;
    std::unique_ptr<CimXmlService> service;
    void* library = nullptr;

    RealStack() {
        installation.writeDefaultLoggerConfig();
        installation.installRaidLibrary(ORV_VRLIB,
                                        orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY));
        for (const ClassDecl* decl : schema.classes())
            broker.classHierarchy().addClass(decl->name, decl->superClass);
        provider = std::make_unique<ProviderModule>(broker, ORV_REAL_PROVIDER, "AmbrixProvider15");
        operations = std::make_unique<CimOperations>(schema, *provider, "testhost");
        service = std::make_unique<CimXmlService>(*operations);
        // The library instance the provider loaded, to steer it.
        library = dlopen((installation.root() + "/bin/VRLib.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    }
    template <class Function>
    Function control(const char* name) {
        return reinterpret_cast<Function>(dlsym(library, name));
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

class ProviderFaultTest : public ::testing::Test {
protected:
    void TearDown() override { stack->control<decltype(&VrlSimClearFailures)>("VrlSimClearFailures")(); }

    static void failEveryCall(std::int32_t times) {
        auto fail = stack->control<decltype(&VrlSimFailOpcode)>("VrlSimFailOpcode");
        for (std::uint32_t opcode : kOpcodes)
            ASSERT_EQ(fail(opcode, VRLSIM_ANY_CONTROLLER, kControllerError, times), 0);
    }

    // One request: always HTTP 200 and valid CIM-XML, data or a CIM error
    // with a reason. Returns the error code (0 for data).
    static int request(const std::string& method, const std::string& ns, const std::string& params) {
        const HttpAnswer answer = stack->service->handle(exchange(method, ns, intrinsicBody(method, ns, params)));
        EXPECT_EQ(answer.status, 200) << method << " " << params;
        if (cimXmlDtdAvailable()) {
            EXPECT_EQ(cimXmlDtdErrors(answer.body), "") << method << " " << params;
        }
        const Response response(answer.body);
        if (response.errorCode() != 0) {
            EXPECT_FALSE(response.errorDescription().empty()) << method << " " << params;
        }
        return response.errorCode();
    }

    // Every class the provider serves, associations included, enumerated by
    // name and whole. Returns how many requests failed.
    static int everyRequest() {
        int failed = 0;
        for (const char* ns : {kStorageNs, kInteropNs}) {
            for (const auto& className : stack->schema.providerClasses(ns)) {
                failed += request("EnumerateInstanceNames", ns, classNameParam("ClassName", className)) != 0;
                failed += request("EnumerateInstances", ns, classNameParam("ClassName", className)) != 0;
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
    auto hold = stack->control<decltype(&VrlSimHoldOpcode)>("VrlSimHoldOpcode");
    auto held = stack->control<decltype(&VrlSimHeldCalls)>("VrlSimHeldCalls");
    for (std::uint32_t opcode : kOpcodes) hold(opcode, 1);
    auto reads = std::async(std::launch::async, [] { return everyRequest(); });
    const bool answered = reads.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    for (std::uint32_t opcode : kOpcodes) hold(opcode, 0);
    ASSERT_TRUE(answered);
    EXPECT_EQ(reads.get(), 0);
    EXPECT_EQ(held(), 0u);
}

}  // namespace
}  // namespace orv::cimxml::test
