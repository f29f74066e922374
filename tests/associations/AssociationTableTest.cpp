// The association table against the association classes of our schema, and
// the pair tests on hand-made instances where one wrong field selector or one
// text comparison in place of a decimal one shows.
#include <gtest/gtest.h>

#include <set>

#include "AssociationCatalogue.h"
#include "ClassTable.h"
#include "CommonFunctions.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf::associations {
namespace {

std::string lower(const std::string& text) { return CommonFunctions::toLower(text); }

// Each row once, its roles the schema's references, narrowed to the end
// class except where that is no subclass of the parent's reference.
TEST(AssociationTable, EveryRowAgreesWithItsSchemaClassOnce) {
    const auto schema = orv::schema::loadProviderSchema(ORV_SCHEMA_DIR);
    std::set<std::string> seen;
    for (const auto& row : associationRows()) {
        SCOPED_TRACE(row.className);
        EXPECT_TRUE(seen.insert(lower(row.className)).second) << "listed twice";
        EXPECT_NE(row.first.role, row.second.role);
        for (const AssociationEnd* end : {&row.first, &row.second}) {
            const auto* reference = schema.findProperty(row.className, end->role);
            ASSERT_TRUE(reference != nullptr && reference->isReference()) << end->role;
            if (reference->referenceClass.rfind("CIM_", 0) != 0) {
                EXPECT_EQ(lower(reference->referenceClass), lower(end->className));
            }
        }
    }
    EXPECT_EQ(findAssociationRow("orv_BATTERYsystemdevice"), findAssociationRow("ORV_BatterySystemDevice"));
    EXPECT_EQ(findAssociationRow("ORV_CompositedExtentBasedOn"), nullptr);
    EXPECT_THROW(tableAssociation("ORV_NoSuchAssociation"), std::logic_error);
}

// Instances made by hand: string properties by default, a number where the
// property holds one.
struct Prop {
    const char* name;
    std::string text;
    std::optional<uint32_t> number{};
    std::vector<uint16_t> status{};
    std::optional<bool> flag{};
};
CIMInstance make(std::initializer_list<Prop> properties) {
    CIMInstance instance(CIMObjectPath("", "root/orv/Ambrix/smi_14", "Test"));
    for (const auto& p : properties) {
        if (p.number) instance.addProperty(scalarProperty<uint32_t>(p.name, *p.number, CIM_UINT32));
        else if (!p.status.empty()) instance.addProperty(arrayProperty<uint16_t>(p.name, p.status, CIM_UINT16_ARRAY));
        else if (p.flag) instance.addProperty(scalarProperty<bool>(p.name, *p.flag, CIM_BOOLEAN));
        else instance.addProperty(stringProperty(p.name, p.text));
    }
    return instance;
}

bool related(const char* association, const CIMInstance& first, const CIMInstance& second) {
    const AssociationRow* row = findAssociationRow(association);
    if (row == nullptr) throw std::logic_error(association);
    return row->test.matches(first, second);
}

TEST(PairTests, KeyFieldsAreTakenFromTheRightSideOfTheUnderscore) {
    struct Case {
        const char* association;
        CIMInstance first, second;
        bool expected;
    };
    const Case cases[] = {
        // Decimal: "01" and "1" are one controller, "1" and "10" are not.
        {"ORV_BatterySystemDevice", make({{"Name", "AmbrixController_1"}}), make({{"DeviceID", "01_BAT"}}), true},
        {"ORV_BatterySystemDevice", make({{"Name", "AmbrixController_1"}}), make({{"DeviceID", "10_BAT"}}), false},
        {"ORV_BatterySystemDevice", make({{"Name", "AmbrixController_7"}}), make({{"DeviceID", "3_7"}}), false},
        {"ORV_BatterySystemDevice", make({{"Name", "AmbrixController_7"}}), make({}), false},
        // Text: the same numbers spelt differently are different keys.
        {"ORV_StorageVolumeSystemDevice", make({{"Name", "AmbrixController_1"}}), make({{"DeviceID", "01_0"}}), false},
        {"ORV_StorageVolumeSystemDevice", make({{"Name", "AmbrixController_1"}}), make({{"DeviceID", "1_0"}}), true},
        {"ORV_StorageVolumeSystemDevice", make({{"Name", "AmbrixController_1"}}), make({{"DeviceID", "10_1"}}), false},
        // Two numbers: controller and device must both agree.
        {"ORV_MediaPresent", make({{"DeviceID", "1_10"}}), make({{"DeviceID", "1_10"}}), true},
        {"ORV_MediaPresent", make({{"DeviceID", "1_10"}}), make({{"DeviceID", "10_1"}}), false},
        {"ORV_MediaPresent", make({{"DeviceID", "1_10"}}), make({{"DeviceID", "1_1"}}), false},
        {"ORV_DiskDriveRealizes", make({{"Tag", "DiskDrivePhysicalPackage_2_5"}}), make({{"DeviceID", "2_5"}}), true},
        {"ORV_DiskDriveRealizes", make({{"Tag", "DiskDrivePhysicalPackage_2_5"}}), make({{"DeviceID", "5_2"}}), false},
        {"ORV_StorageVolumeConcreteDependency", make({{"DeviceID", "3_4"}, {"ArrayID", "", 1}}),
         make({{"DeviceID", "3_1"}}), true},
        {"ORV_StorageVolumeConcreteDependency", make({{"DeviceID", "3_1"}, {"ArrayID", "", 0xFFFFFFFF}}),
         make({{"DeviceID", "3_1"}}), false},
        {"ORV_InstalledSMISProvider", make({}), make({{"InstanceID", "SMI-S Provider"}}), true},
        {"ORV_InstalledSMISProvider", make({}), make({{"InstanceID", "VrLib"}}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.association) + ": " + findAssociationRow(c.association)->test.describe());
        EXPECT_EQ(related(c.association, c.first, c.second), c.expected);
    }
}

CIMInstance disk(const char* id, uint32_t interface, uint32_t medium, bool spare, uint32_t array,
                 uint16_t status = 2) {
    return make({{"DeviceID", id},
                 {"SystemName", "AmbrixController_" + CommonFunctions::token(id, 1)},
                 {"InterfaceType", "", interface},
                 {"BlockType", "", medium},
                 {"HotSpareFlag", "", std::nullopt, {}, spare},
                 {"ArrayID", "", array},
                 {"OperationalStatus", "", std::nullopt, {status}}});
}

TEST(PairTests, DisksMeetTheirOwnPoolsSetsAndSpares) {
    const char* kinds[] = {"SATA_Rotating", "SATA_SSD", "SAS_Rotating", "SAS_SSD"};
    const uint32_t interfaces[] = {1, 1, 2, 2};
    const uint32_t media[] = {1, 0, 1, 0};
    for (int k = 0; k < 4; ++k) {
        const CIMInstance extent = disk("1_3", interfaces[k], media[k], false, 0);
        for (int pool = 0; pool < 4; ++pool) {
            SCOPED_TRACE(std::string(kinds[k]) + " disk, pool " + kinds[pool]);
            const CIMInstance own = make({{"InstanceID", std::string("1_") + kinds[pool]}});
            EXPECT_EQ(related("ORV_ConcreteComponent", extent, own), pool == k);
            EXPECT_EQ(related("ORV_StrgExtentMemberOfCollection", own, extent), pool == k);
        }
        const CIMInstance otherController = make({{"InstanceID", std::string("10_") + kinds[k]}});
        EXPECT_FALSE(related("ORV_ConcreteComponent", extent, otherController));
    }
    // A spare belongs to its set as a spare, not as a protected member.
    const CIMInstance spare = disk("0_3", 2, 0, true, 0xFFFFFFFF);
    const CIMInstance set = make({{"InstanceID", "0_SAS_SSD"}});
    EXPECT_TRUE(related("ORV_IsSpare", set, spare));
    EXPECT_FALSE(related("ORV_StrgExtentMemberOfCollection", set, spare));
    EXPECT_FALSE(related("ORV_IsSpare", set, disk("0_1", 2, 0, false, 0)));

    // A rebuilding disk stands in for the failed disk of its kind, never for
    // itself or for a healthy one.
    const CIMInstance rebuilding = disk("4_2", 2, 1, false, 0, 32769);
    const CIMInstance failed = disk("4_1", 2, 1, false, 0xFFFFFFFF, 6);
    EXPECT_TRUE(related("ORV_Spared", rebuilding, failed));
    EXPECT_FALSE(related("ORV_Spared", rebuilding, rebuilding));
    EXPECT_FALSE(related("ORV_Spared", failed, rebuilding));
    EXPECT_FALSE(related("ORV_Spared", rebuilding, disk("4_0", 2, 1, false, 0)));
    EXPECT_FALSE(related("ORV_Spared", rebuilding, disk("14_1", 2, 1, false, 0xFFFFFFFF, 6)));
    EXPECT_FALSE(related("ORV_Spared", rebuilding, disk("4_3", 1, 1, false, 0xFFFFFFFF, 6)));
}

TEST(PairTests, VolumesMeetTheSettingOfTheirArrayAndLevel) {
    const CIMInstance volume = make({{"DeviceID", "10_1"}, {"RAIDLevel", "", 5}});
    EXPECT_TRUE(related("ORV_ElementSettingData", volume, make({{"InstanceID", "10_1"}, {"ElementName", "RAID5"}})));
    EXPECT_FALSE(related("ORV_ElementSettingData", volume, make({{"InstanceID", "10_1"}, {"ElementName", "RAID1"}})));
    EXPECT_FALSE(related("ORV_ElementSettingData", volume, make({{"InstanceID", "1_10"}, {"ElementName", "RAID5"}})));
}

}  // namespace
}  // namespace orv::cim::fwf::associations
