#include <atomic>
#include <functional>
#include <thread>

#include "RaidLibFixture.h"

namespace raidtest {
namespace {

using LifecycleTest = RaidLibTest;

TEST_F(LifecycleTest, StartLoadsByPathAndPassesTheApplicationName) {
    ASSERT_EQ(0u, start());
    EXPECT_TRUE(logged("loading " + installation->root() + "/bin/VRLib"));

    const auto log = calls();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(VrlOpcode::INITIALIZE, log[0].opcode);
    EXPECT_EQ("SMIS", std::string(log[0].input.begin(), log[0].input.end()));
    EXPECT_EQ(VrlOpcode::GET_INTERFACE_VERSION, log[1].opcode);
    EXPECT_EQ(VrlOpcode::GET_CONTR_LIST, log[2].opcode);
    EXPECT_EQ(2u, objects("IOAs").size());
}

// A library that cannot be loaded leaves every method unusable instead of
// crashing; without its registry value no load is even tried.
TEST_F(LifecycleTest, LibraryThatCannotBeLoadedIsReported) {
    const std::string loading = "loading " + installation->root() + "/bin/VRLib";
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string logLine;
        size_t loads;
    };
    const Case cases[] = {
        {"no library file", [] {}, "VRLibFacade::initialize :: Failed to load Vrlib dll", 1},
        // Any loadable module that lacks the entry point will do: the maths library.
        {"no entry point", [&] { installation->installRaidLibrary("/lib/x86_64-linux-gnu/libm.so.6"); },
         "Failed to retrieve function address VrlInvokeMethod", 2},
        {"no registry value", [&] { installation->writeRegistry("[SOFTWARE\\ORV-Kestra]\n"); }, "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        EXPECT_EQ(0x10000002u, facade.initialize("SMIS"));
        if (!c.logLine.empty()) {
            EXPECT_TRUE(logged(c.logLine));
        }
        EXPECT_EQ(c.loads, logCount(loading));
        PropertyContainer in = keysOf(0), out;
        EXPECT_EQ(0x10000002u, facade.invokeMethod("getContrDefaults", in, out));
    }
}

// What the library's start answers decides what the facade answers and
// whether the cache is filled.
TEST_F(LifecycleTest, StartStatusesOfTheLibrary) {
    struct Row {
        const char* what;
        const char* topologyStart;  // inserted at the front of the two-controller topology
        uint32_t status;
        size_t controllers;
        std::vector<uint32_t> opcodes;  // the calls made, when they matter
    };
    const Row rows[] = {
        {"interface version 3", "\"interfaceVersion\": 3,", 0x10000010u, 0,
         {VrlOpcode::INITIALIZE, VrlOpcode::GET_INTERFACE_VERSION, VrlOpcode::SHUTDOWN}},
        {"initialize finds nothing", "\"initializeStatus\": 268435459,", 0u, 2, {}},
        {"initialize fails", "\"initializeStatus\": 268435460,", 0x10000002u, 0, {VrlOpcode::INITIALIZE}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string topology = twoControllerTopology();
        topology.insert(1, row.topologyStart);
        EXPECT_EQ(row.status, start(topology));
        EXPECT_EQ(row.controllers, objects("IOAs").size());
        if (!row.opcodes.empty()) {
            std::vector<uint32_t> opcodes;
            for (const auto& call : calls()) opcodes.push_back(call.opcode);
            EXPECT_EQ(row.opcodes, opcodes);
        }
        TearDown();  // each row starts from a fresh installation
        SetUp();
    }

    EXPECT_EQ(0x10000003u, start(R"({"controllers": []})"));
    EXPECT_TRUE(logged("C_error: Failed to get list of available Controllers , Cache will not be populated "));
    std::vector<std::string> names;
    facade.getStorageClassNames(names);
    EXPECT_TRUE(names.empty());
}

// Terminate waits for a call in flight, then empties the cache, stops the
// library and unloads it.
TEST_F(LifecycleTest, TerminateWaitsForCallsInFlightThenStopsAndUnloads) {
    ASSERT_EQ(0u, start());
    sim.VrlSimHoldOpcode(VrlOpcode::GET_CONTR_PROPS_DEFAULTS, 1);
    std::atomic<uint32_t> status{0};
    std::thread request([&] {
        PropertyContainer in = keysOf(0), out;
        status = facade.invokeMethod("getContrDefaults", in, out);
    });
    for (int i = 0; i < 500 && sim.VrlSimHeldCalls() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(1u, sim.VrlSimHeldCalls());

    // The test's own handle keeps the module mapped, so a terminate that does
    // not wait shows as returning early rather than as a crash.
    std::atomic<bool> terminated{false};
    std::atomic<uint32_t> stopped{1};
    std::thread stopper([&] {
        stopped = facade.terminate();
        terminated = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(terminated.load()) << "the library was unloaded under a call";
    sim.VrlSimHoldOpcode(VrlOpcode::GET_CONTR_PROPS_DEFAULTS, 0);
    request.join();
    stopper.join();
    EXPECT_EQ(0x10000007u, status.load());  // the library had stopped meanwhile
    EXPECT_EQ(0u, stopped.load());
    EXPECT_TRUE(objects("IOAs").empty());
    sim.close();
    EXPECT_EQ(nullptr, dlopen(libraryPath().c_str(), RTLD_NOW | RTLD_NOLOAD));
    // A second terminate finds the library gone.
    EXPECT_EQ(0x10000002u, facade.terminate());
    EXPECT_TRUE(logged("ERROR: Failed to shutdown clean"));
}

}  // namespace
}  // namespace raidtest
