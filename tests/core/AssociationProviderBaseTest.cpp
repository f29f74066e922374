#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FrameworkTestSupport.h"
#include "PropertyBuilders.h"
#include "TestPlugins.h"

namespace orv::test {
namespace {

const std::vector<Widget> kControllers = {{"Ctrl_0", 0}, {"Ctrl_1", 1}};
const std::vector<Widget> kDisks = {{"0_5", 5}, {"1_7", 7}, {"1_8", 8}};
std::vector<std::string> gVanishedDisks;

const PluginCatalogue& associationCatalogue() {
    static const PluginCatalogue catalogue{
        {
            {"Test_Controller", [] { return makePluginOf<WidgetPlugin>(kControllers); }},
            {"Test_Disk", [] { return makePluginOf<WidgetPlugin>(kDisks, &gVanishedDisks); }},
            {"Test_ControllerDisk",
             [] {
                 return makePluginOf<NumberedPairs>(AssociationEnd{"Test_Controller", "GroupComponent", ""},
                                                    AssociationEnd{"Test_Disk", "PartComponent", ""});
             }},
            {"Test_ControllerGhost",
             [] {
                 return makePluginOf<NumberedPairs>(AssociationEnd{"Test_Controller", "Antecedent", ""},
                                                    AssociationEnd{"Test_Ghost", "Dependent", ""});
             }},
            {"Test_DiskCopy", [] { return makePluginOf<SelfPairs>(std::string("Test_Disk")); }},
        },
        {},
    };
    return catalogue;
}

CIMObjectPath pathOf(const std::string& className, const std::string& id = "") {
    CIMObjectPath path("host7", "root/test", className);
    if (!id.empty()) path.addKeyBinding(stringKey("Id", id));
    return path;
}

std::vector<std::string> idsOf(const CIMInstanceList& instances) {
    std::vector<std::string> ids;
    for (const auto& instance : instances) ids.push_back(instance.getProperty("Id")->getValue<std::string>().at(0));
    return ids;
}

class AssociationProviderBaseTest : public FrameworkTest {
protected:
    void SetUp() override {
        gVanishedDisks.clear();
        ASSERT_TRUE(startFramework(associationCatalogue(), 0));
    }
};

TEST_F(AssociationProviderBaseTest, PairsTheEndpointsThatMatch) {
    CIMInstanceList associations;
    facade->enumerateInstances(pathOf("Test_ControllerDisk"), associations);

    ASSERT_EQ(associations.size(), 3u);
    EXPECT_EQ(referenceOf(associations[0], "GroupComponent"), pathOf("Test_Controller", "Ctrl_0"));
    EXPECT_EQ(referenceOf(associations[0], "PartComponent"), pathOf("Test_Disk", "0_5"));
    EXPECT_EQ(referenceOf(associations[2], "GroupComponent"), pathOf("Test_Controller", "Ctrl_1"));
    EXPECT_EQ(referenceOf(associations[2], "PartComponent"), pathOf("Test_Disk", "1_8"));
    // Their namespace, names and the fetch of each name are the agreement
    // suite's to check, over the provider's own associations.
}

// Role names the source's own end, result role the other's; either one
// that does not fit answers nothing.
TEST_F(AssociationProviderBaseTest, RolesNarrowToTheEndsTheyName) {
    const CIMObjectPath controller = pathOf("Test_Controller", "Ctrl_1");
    const std::vector<std::string> controllerOneDisks = {"1_7", "1_8"};
    const struct {
        const char* role;
        const char* resultRole;
        std::vector<std::string> disks;
    } rows[] = {{"", "", controllerOneDisks},
                {"", "PartComponent", controllerOneDisks},
                {"GroupComponent", "PartComponent", controllerOneDisks},
                {"GroupComponent", "", controllerOneDisks},
                {"", "GroupComponent", {}},
                {"PartComponent", "PartComponent", {}},
                {"PartComponent", "", {}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.role) + "/" + row.resultRole);
        CIMInstanceList disks;
        facade->associators(controller, "Test_ControllerDisk", disks, row.role, row.resultRole, "");
        EXPECT_EQ(idsOf(disks), row.disks);
        CIMObjectPathList references;
        facade->referencesNames(controller, "Test_ControllerDisk", references, row.role);
        EXPECT_EQ(references.size(), std::string(row.role) == "PartComponent" ? 0u : 2u);
    }
    EXPECT_TRUE(logged("----------------PartComponent//////PartComponent"));
    EXPECT_TRUE(logged("No object paths refering the objectpath : " + controller.toString()));

    CIMObjectPathList names;
    facade->associatorsNames(pathOf("Test_Disk", "0_5"), "Test_ControllerDisk", names, "", "", "");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], pathOf("Test_Controller", "Ctrl_0"));
}

TEST_F(AssociationProviderBaseTest, AnObjectAtBothEndsIsNotKept) {
    CIMInstanceList copies;
    facade->enumerateInstances(pathOf("Test_DiskCopy"), copies);
    ASSERT_EQ(copies.size(), 3u);

    CIMInstanceList references;
    facade->references(pathOf("Test_Disk", "1_7"), "Test_DiskCopy", references, "");
    EXPECT_TRUE(references.empty());
    EXPECT_TRUE(logged("orv::cim::fwf::AbstractAssociationProviderPlugin::associationHelper :: Instances Returned : 0"));
}

TEST_F(AssociationProviderBaseTest, AssociatorsSkipAnOtherEndThatVanished) {
    gVanishedDisks = {"1_8"};
    CIMInstanceList disks;
    facade->associators(pathOf("Test_Controller", "Ctrl_1"), "Test_ControllerDisk", disks, "", "", "");

    EXPECT_EQ(idsOf(disks), std::vector<std::string>{"1_7"});
    EXPECT_TRUE(logged("orv::cim::fwf::AbstractAssociationProviderPlugin::associators :: "
                       "Failed to retrieve instance for object path " +
                       pathOf("Test_Disk", "1_8").toString() + "."));
}

TEST_F(AssociationProviderBaseTest, EndpointWithoutInstancesAnswersEmpty) {
    CIMInstanceList references;
    EXPECT_NO_THROW(facade->references(pathOf("Test_Controller", "Ctrl_0"), "Test_ControllerGhost", references, ""));
    EXPECT_TRUE(references.empty());
    EXPECT_TRUE(logged("No instances for the association class : Test_ControllerGhost"));

    CIMObjectPathList names;
    facade->associatorsNames(pathOf("Test_Controller", "Ctrl_0"), "Test_ControllerGhost", names, "", "", "");
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(logged("No instances of association class Test_Controller"));
}

TEST_F(AssociationProviderBaseTest, SourceOfAnotherClassIsAnsweredWithoutEnumerating) {
    CIMInstanceList references;
    facade->references(pathOf("TEST_GHOST", "x_1"), "Test_ControllerDisk", references, "");
    EXPECT_TRUE(references.empty());
    EXPECT_TRUE(logged("Class TEST_GHOST is no endpoint of Test_ControllerDisk"));
    EXPECT_FALSE(logged("Association Objects retrieved : 3"));

    // Endpoint classes are recognised in any letter case.
    facade->references(pathOf("TEST_DISK", "0_5"), "Test_ControllerDisk", references, "");
    EXPECT_EQ(references.size(), 1u);
}

}  // namespace
}  // namespace orv::test
