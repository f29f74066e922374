// Questions a CIM server asks of the class table: ancestry, descendants and
// the members a class sees through its ancestors.
#include "ClassTable.h"

#include <gtest/gtest.h>

using namespace orv::schema;

namespace {

const char* const kFamily = R"MOF(
    [Abstract] class T_Element {
        string Caption;
        string Name;
        uint32 RequestStateChange([IN] uint16 RequestedState);
    };
    class T_Device : T_Element {
        [Key] string DeviceID;
        [Key] string SystemName;
        uint16 Status;
    };
    class T_Disk : T_Device {
        [Override ("Name"), MaxLen (16)] string Name;
        [Override ("DeviceID")] string DeviceID;
        uint32 Slot;
        [Override ("RequestStateChange")] uint32 RequestStateChange([IN] uint16 RequestedState, [IN] datetime Timeout);
    };
    class T_Port : T_Device { };
    class T_Other { [Key] string Id; };
    [Association] class T_Holds {
        [Key] T_Element REF Holder;
        [Key] T_Disk REF Held;
        uint32 Run([IN] T_Missing REF Target);
    };
)MOF";

class ClassTableTest : public ::testing::Test {
protected:
    void SetUp() override { table.addText(kFamily, "family.mof"); }
    ClassTable table;
};

std::vector<std::string> names(const std::vector<const Property*>& properties) {
    std::vector<std::string> result;
    for (const Property* p : properties) result.push_back(p->name + "@" + p->originClass);
    return result;
}

}  // namespace

TEST_F(ClassTableTest, AnswersAncestryAndDescendantsWithoutRegardToCase) {
    EXPECT_EQ(table.superClassOf("t_disk"), "T_Device");
    EXPECT_EQ(table.superClassOf("T_Element"), std::nullopt);
    EXPECT_EQ(table.superClassOf("T_Nothing"), std::nullopt);

    EXPECT_TRUE(table.isA("T_DISK", "t_element"));
    EXPECT_TRUE(table.isA("T_Disk", "T_Disk"));
    EXPECT_FALSE(table.isA("T_Element", "T_Disk"));
    EXPECT_FALSE(table.isA("T_Port", "T_Disk"));
    EXPECT_FALSE(table.isA("T_Other", "T_Element"));

    std::vector<std::string> chain;
    for (const ClassDecl* c : table.lineage("T_Disk")) chain.push_back(c->name);
    EXPECT_EQ(chain, (std::vector<std::string>{"T_Disk", "T_Device", "T_Element"}));
    EXPECT_EQ(table.rootClasses(), (std::vector<std::string>{"T_Element", "T_Other", "T_Holds"}));

    // Descendants in declaration order.
    EXPECT_EQ(table.derivedClasses("t_element"), (std::vector<std::string>{"T_Device", "T_Disk", "T_Port"}));
    EXPECT_EQ(table.derivedClasses("T_Device"), (std::vector<std::string>{"T_Disk", "T_Port"}));
    EXPECT_TRUE(table.derivedClasses("T_Disk").empty());
    EXPECT_TRUE(table.derivedClasses("T_Unknown").empty());
}

TEST_F(ClassTableTest, FindsMembersThroughAncestorsNearestDeclarationFirst) {
    const Property* name = table.findProperty("T_Disk", "NAME");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->originClass, "T_Disk");
    EXPECT_EQ(table.findProperty("T_Port", "Name")->originClass, "T_Element");
    EXPECT_EQ(table.findProperty("T_Disk", "Status")->type, CimType::UInt16);
    EXPECT_EQ(table.findProperty("T_Disk", "Missing"), nullptr);
    EXPECT_EQ(table.findProperty("T_Unknown", "Name"), nullptr);

    EXPECT_EQ(table.findMethod("T_Disk", "requeststatechange")->parameters.size(), 2u);
    EXPECT_EQ(table.findMethod("T_Port", "RequestStateChange")->originClass, "T_Element");

    // An override keeps the place of the property it replaces.
    EXPECT_EQ(names(table.allProperties("T_Disk")),
              (std::vector<std::string>{"Caption@T_Element", "Name@T_Disk", "DeviceID@T_Disk",
                                        "SystemName@T_Device", "Status@T_Device", "Slot@T_Disk"}));
    EXPECT_EQ(table.allMethods("T_Disk").size(), 1u);
}

TEST_F(ClassTableTest, KeepsKeysThatAnOverrideDoesNotRepeat) {
    EXPECT_EQ(names(table.keyProperties("T_Disk")),
              (std::vector<std::string>{"DeviceID@T_Disk", "SystemName@T_Device"}));
    EXPECT_TRUE(table.isKeyProperty("T_Disk", "deviceid"));
    EXPECT_FALSE(table.isKeyProperty("T_Disk", "Name"));
    EXPECT_TRUE(table.keyProperties("T_Element").empty());
}

TEST_F(ClassTableTest, ReportsUndeclaredReferencesAndKeepsClassesBeforeAFault) {
    EXPECT_EQ(table.unresolvedNames(), std::vector<std::string>{"T_Holds.Run.Target: unknown class T_Missing"});

    // A fault keeps the classes read before it.
    EXPECT_THROW(table.addText("class T_New : T_Device {};\nclass T_Broken {", "more.mof"), MofError);
    EXPECT_TRUE(table.contains("T_New"));
    EXPECT_FALSE(table.contains("T_Broken"));
}
