#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CIMException.h"
#include "FrameworkTestSupport.h"
#include "PropertyBuilders.h"
#include "TestPlugins.h"

namespace orv::test {
namespace {

const std::vector<Widget> kWidgets = {{"w_1", 10}, {"w_2", 20}};
const CIMException kBadKey(4, std::string("bad key"));

const PluginCatalogue& facadeCatalogue() {
    static const PluginCatalogue catalogue{
        {
            {"Test_Widget", [] { return makePluginOf<WidgetPlugin>(kWidgets); }},
            {"Test_Failing", [] { return makePluginOf<WidgetPlugin>(kWidgets, nullptr, &kBadKey); }},
        },
        {
            {"Test_Full", [] { return makePluginOf<WidgetPlugin>(kWidgets); }},
        },
    };
    return catalogue;
}

CIMObjectPath pathOf(const std::string& className) { return CIMObjectPath("host1", "root/test", className); }

bool gDeliverAnswer = true;
int gDelivered = 0;
bool deliver(const CIMInstance&) {
    ++gDelivered;
    return gDeliverAnswer;
}

class FrameworkFacadeTest : public FrameworkTest {};

// The library's start status decides whether every class is served or only
// the management classes that need no controller.
TEST_F(FrameworkFacadeTest, LibraryStartStatusChoosesTheClassesServed) {
    struct Case {
        uint32_t status;
        const char* reason;
        bool everyClass;
    };
    const Case cases[] = {
        {0x10000003, "FrameworkFacade :: Vrlib initialisation suceeded but No Controllers found !!. ", false},
        {0x10000010, "FrameworkFacade :: Provider and Vrlib C Version Mismatch. ", false},
        {0x10000002, "orv::cim::fwf::PluginsManager::initialize :: FULL INITIALIZATION.", true},
        {0, "FrameworkFacade::createSubscription -> Successfully Attached Observer with VRLIB", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        ASSERT_TRUE(startFramework(facadeCatalogue(), c.status));
        EXPECT_TRUE(logged(c.reason));
        EXPECT_TRUE(logged(c.everyClass ? "SELECTIVE INITIALIZATION ? 0." : "SELECTIVE INITIALIZATION ? 1."));
        EXPECT_NE(facade->getPlugIn("Test_Widget"), nullptr);
        EXPECT_EQ(facade->getPlugIn("Test_Full") != nullptr, c.everyClass);
        if (c.status == 0) {
            EXPECT_NE(facade->getJobControlManager(), nullptr);
            EXPECT_EQ(facade->getVRLibFacade(), &library);
        }
        if (!c.everyClass) {
            CIMInstanceList instances;
            EXPECT_NO_THROW(facade->enumerateInstances(pathOf("Test_Full"), instances));
            EXPECT_TRUE(instances.empty());
        }
        stopFramework();
    }
    EXPECT_FALSE(logged("FrameworkFacade::createSubscription -> Failed to get EventListener singleton object"));
}

TEST_F(FrameworkFacadeTest, RequestsReachThePluginWhateverTheLetterCase) {
    ASSERT_TRUE(startFramework(facadeCatalogue(), 0));

    CIMObjectPathList names;
    facade->enumerateInstanceNames(pathOf("TEST_WIDGET"), names);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].getClassName(), "TEST_WIDGET");
    EXPECT_EQ(names[1].getKeyBinding("Id").getValue<std::string>(), std::vector<std::string>{"w_2"});

    CIMInstanceList instances;
    CIMObjectPath second = pathOf("test_widget");
    second.addKeyBinding(stringKey("Id", "w_2"));
    facade->getCIMInstance(second, instances);
    ASSERT_EQ(instances.size(), 1u);
    EXPECT_EQ(instances[0].getProperty("Size")->getValue<uint32_t>().at(0), 20u);
}

TEST_F(FrameworkFacadeTest, ClassWithoutPluginAnswersEmpty) {
    ASSERT_TRUE(startFramework(facadeCatalogue(), 0));
    const CIMObjectPath missing = pathOf("ORV_Nothing");

    CIMInstanceList instances;
    CIMObjectPathList names;
    facade->enumerateInstances(missing, instances);
    facade->enumerateInstanceNames(missing, names);
    facade->associators(missing, "ORV_NoAssociation", instances, "", "", "");
    facade->associatorsNames(missing, "ORV_NoAssociation", names, "", "", "");
    facade->references(missing, "ORV_NoAssociation", instances, "");
    facade->referencesNames(missing, "ORV_NoAssociation", names, "");
    EXPECT_TRUE(instances.empty());
    EXPECT_TRUE(names.empty());

    CIMArgumentList in;
    CIMArgumentList out;
    EXPECT_EQ(facade->invokeMethod(missing, "Anything", in, out), 0u);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(logged("Plugin not initialized for ORV_NoAssociation."));
}

TEST_F(FrameworkFacadeTest, PluginFailureIsLoggedAndPassedOnUnchanged) {
    ASSERT_TRUE(startFramework(facadeCatalogue(), 0));

    CIMInstanceList instances;
    EXPECT_EQ(failureOf([&] { facade->enumerateInstances(pathOf("Test_Failing"), instances); }),
              std::make_pair(4, std::string("bad key")));
    EXPECT_TRUE(logged("orv::cim::fwf::AbstractInstanceProviderPlugin::enumerateInstances :: bad key."));
    EXPECT_TRUE(logged("orv::cim::fwf::FrameworkFacade::enumerateInstances :: bad key"));

    CIMInstance instance;
    CIMObjectPath widget = pathOf("Test_Widget");
    widget.addKeyBinding(stringKey("Id", "w_1"));
    EXPECT_THROW(facade->modifyInstance(widget, instance, {"Size"}), CIMException);
    EXPECT_TRUE(logged("orv::cim::fwf::FrameworkFacade::modifyInstance :: "
                       "orv::cim::fwf::AbstractInstanceProviderPlugin::modifyInstance ::  :: Not supported"));
}

TEST_F(FrameworkFacadeTest, NotifyHandsIndicationsToTheRegisteredCallback) {
    ASSERT_TRUE(startFramework(facadeCatalogue(), 0));
    gDelivered = 0;

    EXPECT_FALSE(facade->notify(CIMInstance()));
    EXPECT_FALSE(logged("FrameworkFacade::notify -> Failed To Deliver Indication"));

    EXPECT_TRUE(facade->registerForEvent(deliver));
    EXPECT_TRUE(logged("CALLBACK REGISTRATION Successful."));
    EXPECT_FALSE(facade->registerForEvent(nullptr));
    EXPECT_TRUE(logged("_deliverIndication is NULL."));

    gDeliverAnswer = true;
    EXPECT_TRUE(facade->notify(CIMInstance()));  // the earlier callback is kept
    EXPECT_TRUE(logged("FrameworkFacade::notify -> Successfully Delivered Indication"));
    gDeliverAnswer = false;
    EXPECT_FALSE(facade->notify(CIMInstance()));
    EXPECT_TRUE(logged("FrameworkFacade::notify -> Failed To Deliver Indication"));
    EXPECT_EQ(gDelivered, 2);

    facade->unregisterForEvent();
    EXPECT_FALSE(facade->notify(CIMInstance()));
    EXPECT_EQ(gDelivered, 2);
}

TEST_F(FrameworkFacadeTest, DestructionReleasesPluginsAndTheLibrary) {
    ASSERT_TRUE(startFramework(facadeCatalogue(), 0));
    WidgetPlugin::destroyed().clear();
    library.terminateStatus = 1;
    stopFramework();
    EXPECT_EQ(WidgetPlugin::destroyed().size(), 3u);
    EXPECT_EQ(library.terminateCalls, 1);
    EXPECT_TRUE(logged("FrameworkFacade :: Failed to terminate VRLib library"));

    // A new facade starts from nothing: no plugins and no library to
    // terminate until it is initialised.
    facade = FrameworkFacade::getInstance();
    EXPECT_EQ(facade->getVRLibFacade(), nullptr);
    EXPECT_EQ(facade->getPlugIn("Test_Widget"), nullptr);
    stopFramework();
    EXPECT_TRUE(logged("FrameworkFacade :: Failed to retrieve VRLib instance."));
    EXPECT_EQ(library.terminateCalls, 1);
}

}  // namespace
}  // namespace orv::test
