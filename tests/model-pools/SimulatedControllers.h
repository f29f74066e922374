// The provider's framework over the simulated RAID library, loaded by path
// from a throw-away installation as in production, with the real logger.
#pragma once

#include <dlfcn.h>

#include <memory>

#include "Logger.h"
#include "PluginsManager.h"
#include "PoolsTestSupport.h"
#include "ProviderPluginCatalogue.h"
#include "RaidLibFixture.h"
#include "TestInstallation.h"
#include "VRLibFacadeIntf.h"

namespace poolstest {

class SimulatedControllers : public ::testing::Test {
protected:
    void start(const std::string& topology) {
        LogTerminate();
        unsetenv("ORV_VRLIB_TOPOLOGY");
        installation = std::make_unique<orv::test::TestInstallation>();
        installation->writeDefaultLoggerConfig();
        ASSERT_EQ(0, LogInitialize("SMIS", "SMIS"));
        installation->installRaidLibrary(VRLIB_PATH, topology);
        ASSERT_TRUE(sim.open(installation->root() + "/bin/VRLib.so")) << dlerror();
        FrameworkFacade::setVRLibFacadeForTesting(nullptr);
        PluginsManager::setPluginCatalogue(&providerPluginCatalogue());
        ASSERT_TRUE(FrameworkFacade::getInstance()->initialize());
    }
    void TearDown() override {
        FrameworkFacade::destroyInstance();
        PluginsManager::setPluginCatalogue(nullptr);
        sim.close();
        LogTerminate();
        installation.reset();
    }

    orv::raidlib::VRLibFacadeIntf& library() { return *FrameworkFacade::getInstance()->getVRLibFacade(); }

    std::vector<raidtest::Call> callsOf(uint32_t opcode) {
        std::vector<raidtest::Call> found;
        for (uint32_t i = 0; i < sim.VrlSimCallCount(); ++i) {
            raidtest::Call call;
            unsigned char buffer[512] = {};
            uint32_t size = 0;
            sim.VrlSimGetCall(i, &call.opcode, &call.status, buffer, sizeof buffer, &size);
            call.input.assign(buffer, buffer + std::min<uint32_t>(size, sizeof buffer));
            if (call.opcode == opcode) found.push_back(call);
        }
        return found;
    }

    bool logged(const std::string& text) const {
        for (const auto& line : orv::test::TestInstallation::readLines(installation->logFile())) {
            if (line.size() >= text.size() && line.compare(line.size() - text.size(), text.size(), text) == 0) return true;
        }
        return false;
    }

    std::unique_ptr<orv::test::TestInstallation> installation;
    raidtest::SimControl sim;
};

}  // namespace poolstest
