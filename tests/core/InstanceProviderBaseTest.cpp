#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CIMException.h"
#include "LogCapture.h"
#include "PropertyBuilders.h"
#include "TestPlugins.h"

namespace orv::test {
namespace {

const std::vector<Widget> kThreeWidgets = {{"a_1", 1}, {"b_2", 2}, {"c_3", 3}};

CIMObjectPath request(const std::string& id = "") {
    CIMObjectPath path("server9", "root/orv/test", "Test_Widget");
    if (!id.empty()) path.addKeyBinding(stringKey("Id", id));
    return path;
}

std::string idOf(const CIMObjectPath& path) { return path.getKeyBinding("Id").getValue<std::string>().at(0); }

class InstanceProviderBaseTest : public ::testing::Test {
protected:
    LogCapture log;
    WidgetPlugin plugin{kThreeWidgets};
};

// Names and instances carry the request's host and namespace and each
// object's keys, keys first; a get answers the named object or nothing.
TEST_F(InstanceProviderBaseTest, AnswersFromTheRepositoryInTheRequestsNamespace) {
    CIMObjectPathList names;
    plugin.enumerateInstanceNames(request(), names);
    ASSERT_EQ(names.size(), 3u);
    for (std::size_t index = 0; index < names.size(); ++index) {
        EXPECT_EQ(names[index].getHost(), "server9");
        EXPECT_EQ(names[index].getNameSpace(), "root/orv/test");
        EXPECT_EQ(idOf(names[index]), kThreeWidgets[index].id);
    }
    CIMInstanceList instances;
    plugin.enumerateInstances(request(), instances);
    ASSERT_EQ(instances.size(), 3u);
    const CIMInstance& second = instances[1];
    ASSERT_EQ(second.getPropertyCount(), 3u);
    EXPECT_TRUE(second.getPropertyAt(0).isKey());
    EXPECT_EQ(second.getPropertyAt(1).getName(), "Size");
    EXPECT_FALSE(second.getPropertyAt(1).isKey());
    EXPECT_EQ(second.getObjectPath(), request("b_2"));

    CIMInstanceList found;
    plugin.getCIMInstance(request("c_3"), found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].getObjectPath(), request("c_3"));
    CIMInstanceList none;
    plugin.getCIMInstance(request("z_9"), none);
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(log.hasLineEndingWith(
        "orv::cim::fwf::AbstractInstanceProviderPlugin::getCIMInstance :: Empty list returned for class Test_Widget"));
}

TEST_F(InstanceProviderBaseTest, ChangingAndTraversingOperationsAreNotSupported) {
    CIMInstanceList instances;
    CIMObjectPathList names;
    const std::vector<std::pair<std::string, std::function<void()>>> refused = {
        {"modifyInstance", [&] { plugin.modifyInstance(request("a_1"), CIMInstance(), {"Size"}); }},
        {"createInstance", [&] { plugin.createInstance(); }},
        {"deleteInstance", [&] { plugin.deleteInstance(); }},
        {"associators", [&] { plugin.associators(request("a_1"), "X", instances, "", "", ""); }},
        {"associatorNames", [&] { plugin.associatorNames(request("a_1"), "X", names, "", "", ""); }},
        {"references", [&] { plugin.references(request("a_1"), "X", instances, ""); }},
        {"referencesNames", [&] { plugin.referencesNames(request("a_1"), "X", names, ""); }},
    };
    for (const auto& [operation, call] : refused) {
        try {
            call();
            ADD_FAILURE() << operation << " was accepted";
        } catch (const CIMException& e) {
            EXPECT_EQ(e.getCode(), 7) << operation;
            EXPECT_EQ(e.getMessage(),
                      "orv::cim::fwf::AbstractInstanceProviderPlugin::" + operation + " ::  :: Not supported");
        }
    }
}

}  // namespace
}  // namespace orv::test
