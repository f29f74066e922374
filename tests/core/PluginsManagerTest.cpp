#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "PluginsManager.h"
#include "TestPlugins.h"

namespace orv::test {
namespace {

const std::vector<Widget> kNone;

const PluginCatalogue& managerCatalogue() {
    static const PluginCatalogue catalogue{
        {
            {"Test_Beta", [] { return makePluginOf<WidgetPlugin>(kNone); }},
            {"Test_alpha", [] { return makePluginOf<WidgetPlugin>(kNone); }},
            // Registered under its CIM class, whatever its plugin is called.
            {"ORV_CompositeExtentBasedOn", [] { return makePluginOf<WidgetPlugin>(kNone); }},
            {"Test_Unallocated", []() -> std::unique_ptr<AbstractProviderPlugin> { throw std::bad_alloc(); }},
        },
        {
            {"Test_Gamma", [] { return makePluginOf<WidgetPlugin>(kNone); }},
        },
    };
    return catalogue;
}

class PluginsManagerTest : public ::testing::Test {
protected:
    void SetUp() override { PluginsManager::setPluginCatalogue(&managerCatalogue()); }
    void TearDown() override {
        PluginsManager::destroyInstance();
        PluginsManager::setPluginCatalogue(nullptr);
    }
    PluginsManager& manager(bool selective) {
        PluginsManager* instance = PluginsManager::getInstance();
        EXPECT_TRUE(instance->initialize(selective));
        return *instance;
    }
    bool logged(const std::string& line) const { return log.hasLineEndingWith(line); }

    LogCapture log;
};

// Unknown classes are logged by the name as given; a plugin that could not be
// allocated is registered empty, so it is not logged as unknown.
TEST_F(PluginsManagerTest, UnknownAndUnallocatedClassesAnswerNull) {
    PluginsManager& plugins = manager(false);
    for (const char* unknown : {"", "TestBeta"}) {  // underscores are part of the key
        EXPECT_EQ(plugins.getPlugin(unknown), nullptr);
        EXPECT_TRUE(logged("Plugin not initialized for " + std::string(unknown) + "."));
    }
    EXPECT_EQ(plugins.getPlugin("Test_Unallocated"), nullptr);
    EXPECT_FALSE(logged("Plugin not initialized for Test_Unallocated."));
}

TEST_F(PluginsManagerTest, DestructionGoesInKeyOrderAndForgetsTheManager) {
    PluginsManager& plugins = manager(false);
    // The registry keeps the root part; a plugin records its whole object.
    std::vector<const void*> expected;
    for (const char* key : {"orv_compositeextentbasedon", "test_alpha", "test_beta", "test_gamma"}) {
        expected.push_back(dynamic_cast<const void*>(plugins.getPlugin(key)));
    }
    WidgetPlugin::destroyed().clear();
    PluginsManager::destroyInstance();

    EXPECT_EQ(WidgetPlugin::destroyed(), expected);
    EXPECT_EQ(PluginsManager::getInstance()->getPlugin("Test_Beta"), nullptr);
}

TEST_F(PluginsManagerTest, WithoutACatalogueNothingIsServed) {
    PluginsManager::setPluginCatalogue(nullptr);
    PluginsManager& plugins = manager(false);
    EXPECT_EQ(plugins.getPlugin("Test_Beta"), nullptr);
    EXPECT_TRUE(logged("orv::cim::fwf::PluginsManager::initialize :: No plugin catalogue installed, no class is "
                       "served."));
}

}  // namespace
}  // namespace orv::test
