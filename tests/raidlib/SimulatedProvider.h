// The provider's framework with its plugin catalogue over the simulated RAID
// library, loaded by path from the test installation as in production. The
// library's control functions come from the module the provider loaded, so
// they steer what the plugins read and record what reaches the library.
#pragma once

#include "FrameworkFacade.h"
#include "PluginsManager.h"
#include "ProviderPluginCatalogue.h"
#include "RaidLibFixture.h"

namespace raidtest {

class SimulatedProviderTest : public RaidLibTest {
protected:
    void startFramework() {
        orv::cim::fwf::FrameworkFacade::setVRLibFacadeForTesting(nullptr);
        orv::cim::fwf::PluginsManager::setPluginCatalogue(&orv::cim::fwf::providerPluginCatalogue());
        framework = orv::cim::fwf::FrameworkFacade::getInstance();
        ASSERT_TRUE(framework != nullptr && framework->initialize());
    }
    void startProvider(const std::string& topology) {
        installLibrary(topology);
        startFramework();
    }
    void TearDown() override {
        orv::cim::fwf::FrameworkFacade::destroyInstance();
        orv::cim::fwf::PluginsManager::setPluginCatalogue(nullptr);
        RaidLibTest::TearDown();
    }

    orv::cim::fwf::FrameworkFacade* framework = nullptr;
};

}  // namespace raidtest
