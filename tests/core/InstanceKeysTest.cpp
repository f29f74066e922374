// Which request paths name an instance: the exact comparison of every key
// that follows the plugins' own selection, and what the facade answers when
// a path names nothing.
#include <gtest/gtest.h>

#include "CIMException.h"
#include "FrameworkTestSupport.h"
#include "InstanceKeys.h"
#include "TestPlugins.h"

namespace orv::test {
namespace {

template <typename T>
CIMKeyBinding key(const std::string& name, T value, CIMDataType type) {
    return CIMKeyBinding(name, std::vector<T>{value}, type);
}

CIMObjectPath pathWith(std::vector<CIMKeyBinding> keys, const std::string& className = "ORV_Battery") {
    CIMObjectPath path("", "root/orv/Ambrix/smi_14", className);
    path.setKeyBindings(keys);
    return path;
}

TEST(InstanceKeys, EveryKeyMustAgreeAndNoneMayBeMissingOrExtra) {
    const CIMObjectPath controller = pathWith({key<std::string>("DeviceID", "0_BAT0", CIM_STRING),
                                               key<std::string>("CreationClassName", "ORV_Battery", CIM_STRING),
                                               key<uint32_t>("Slot", 7, CIM_UINT32)});
    CIMObjectPath reference = pathWith({key<std::string>("Name", "AmbrixController_0", CIM_STRING)},
                                       "ORV_ControllerComputerSystem");
    const CIMObjectPath association =
        pathWith({key<CIMObjectPath>("GroupComponent", reference, CIM_REFERENCE)}, "ORV_SystemDevice");
    CIMObjectPath referenceElsewhere = reference;
    referenceElsewhere.setNameSpace("");
    referenceElsewhere.setClassName("orv_controllercomputersystem");

    struct Row {
        const char* what;
        CIMObjectPath request;
        const CIMObjectPath& instance;
        bool names;
    };
    const Row rows[] = {
        {"the same keys in another order and key-name case",
         pathWith({key<uint32_t>("slot", 7, CIM_UINT32), key<std::string>("deviceid", "0_BAT0", CIM_STRING),
                   key<std::string>("CREATIONCLASSNAME", "ORV_Battery", CIM_STRING)}),
         controller, true},
        {"a class-name key in other case",
         pathWith({key<std::string>("DeviceID", "0_BAT0", CIM_STRING),
                   key<std::string>("CreationClassName", "orv_battery", CIM_STRING),
                   key<uint32_t>("Slot", 7, CIM_UINT32)}),
         controller, true},
        {"a numeric key as decimal text and as another width",
         pathWith({key<std::string>("DeviceID", "0_BAT0", CIM_STRING),
                   key<std::string>("CreationClassName", "ORV_Battery", CIM_STRING),
                   key<std::string>("Slot", "7", CIM_STRING)}),
         controller, true},
        {"another string key in other case",
         pathWith({key<std::string>("DeviceID", "0_bat0", CIM_STRING),
                   key<std::string>("CreationClassName", "ORV_Battery", CIM_STRING),
                   key<uint64_t>("Slot", 7, CIM_UINT64)}),
         controller, false},
        {"a wrong class-name key",
         pathWith({key<std::string>("DeviceID", "0_BAT0", CIM_STRING),
                   key<std::string>("CreationClassName", "Bogus", CIM_STRING), key<uint32_t>("Slot", 7, CIM_UINT32)}),
         controller, false},
        {"a number that text does not spell",
         pathWith({key<std::string>("DeviceID", "0_BAT0", CIM_STRING),
                   key<std::string>("CreationClassName", "ORV_Battery", CIM_STRING),
                   key<std::string>("Slot", "7x", CIM_STRING)}),
         controller, false},
        {"a missing key", pathWith({key<std::string>("DeviceID", "0_BAT0", CIM_STRING)}), controller, false},
        {"no keys", pathWith({}), controller, false},
        {"a key named twice instead of another",
         pathWith({key<std::string>("DeviceID", "0_BAT0", CIM_STRING), key<std::string>("DeviceID", "0_BAT0", CIM_STRING),
                   key<uint32_t>("Slot", 7, CIM_UINT32)}),
         controller, false},
        {"a key without a value",
         pathWith({CIMKeyBinding("DeviceID", std::vector<std::string>{}, CIM_STRING),
                   key<std::string>("CreationClassName", "ORV_Battery", CIM_STRING), key<uint32_t>("Slot", 7, CIM_UINT32)}),
         controller, false},
        {"a reference without namespace, its class in other case",
         pathWith({key<CIMObjectPath>("groupcomponent", referenceElsewhere, CIM_REFERENCE)}, "ORV_SystemDevice"),
         association, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(orv::cim::fwf::keysNameInstance(row.request, row.instance), row.names);
    }
}

const std::vector<Widget> kWidgets = {{"w_1", 10}, {"w_2", 20}};

const PluginCatalogue& widgetCatalogue() {
    static const PluginCatalogue catalogue{{{"Test_Widget", [] { return makePluginOf<WidgetPlugin>(kWidgets); }}}, {}};
    return catalogue;
}

class NamedInstanceTest : public FrameworkTest {};

TEST_F(NamedInstanceTest, PathsThatNameNoInstanceAreNotFound) {
    ASSERT_TRUE(startFramework(widgetCatalogue(), 0));
    auto codeOf = [](auto&& request) {
        try {
            request();
        } catch (const CIMException& e) {
            return e.getCode();
        }
        return 0;
    };
    CIMObjectPath named("", "root/test", "Test_Widget");
    named.addKeyBinding(key<std::string>("Id", "w_2", CIM_STRING));
    CIMObjectPath wrong("", "root/test", "Test_Widget");
    wrong.addKeyBinding(key<std::string>("Id", "w_9", CIM_STRING));
    const CIMObjectPath keyless("", "root/test", "Test_Widget");

    CIMInstanceList instances;
    EXPECT_EQ(codeOf([&] { facade->getCIMInstance(named, instances); }), 0);
    EXPECT_EQ(instances.size(), 1u);
    for (const CIMObjectPath& path : {wrong, keyless, CIMObjectPath("", "root/test", "Test_Unserved")}) {
        SCOPED_TRACE(path.toString());
        EXPECT_EQ(codeOf([&] { facade->getCIMInstance(path, instances); }), 6);
    }
    EXPECT_EQ(instances.size(), 1u);

    CIMArgumentList in;
    CIMArgumentList out;
    EXPECT_EQ(codeOf([&] { facade->modifyInstance(wrong, CIMInstance(wrong), {"Size"}); }), 6);
    EXPECT_EQ(codeOf([&] { facade->invokeMethod(wrong, "Anything", in, out); }), 6);
    // A method on the class names no instance and needs none.
    EXPECT_EQ(codeOf([&] { facade->invokeMethod(keyless, "Anything", in, out); }), 0);
    EXPECT_TRUE(logged("orv::cim::fwf::FrameworkFacade::invokeMethod :: No instance is named " + wrong.toString()));
}

}  // namespace
}  // namespace orv::test
