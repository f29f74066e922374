#include "CIMArgumentList.h"
#include "CIMInstance.h"
#include "CIMProperty.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace orv::cim::fwf;

namespace {

template <typename T>
CIMValue<T> scalar(T value) {
    return CIMValue<T>(std::vector<T>{value}, false, false);
}

CIMObjectPath volumePath(const std::string& deviceId) {
    CIMObjectPath path("h", "root/orv/Ambrix/smi_14", "ORV_StorageVolume");
    path.addKeyBinding(CIMKeyBinding("DeviceID", std::vector<std::string>{deviceId}, CIM_STRING));
    return path;
}

}  // namespace

TEST(CIMPropertyTest, GettersReturnTheHolderTheTypeSelects) {
    CIMProperty port("PortNumber", scalar<uint16_t>(8), false, CIM_UINT16);
    auto value = port.getValue<uint16_t>();
    ASSERT_EQ(value.size(), 1u);
    EXPECT_EQ(value.at(0), 8);
    EXPECT_FALSE(value.isArray());
    EXPECT_EQ(port.getValue<uint32_t>().size(), 0u);
    EXPECT_EQ(port.getValue<std::string>().size(), 0u);

    const std::string stamp = "20100315143000.000000+530";
    CIMProperty installed("InstallDate", scalar(stamp), false, CIM_DATETIME);
    ASSERT_EQ(installed.getValue<std::string>().size(), 1u);
    EXPECT_EQ(installed.getValue<std::string>().at(0), stamp);

}

TEST(CIMPropertyTest, CopiesKeepEveryStoredKind) {
    CIMProperty emptyArray("Names", CIMValue<std::string>(std::vector<std::string>{}, true, false), false,
                           CIM_STRING_ARRAY);
    CIMProperty copy = emptyArray;
    auto names = copy.getValue<std::string>();
    EXPECT_TRUE(names.isArray());
    EXPECT_FALSE(names.isNull());
    EXPECT_EQ(names.size(), 0u);

    CIMProperty flags("Flags", CIMValue<bool>(std::vector<bool>{false, true}, true, false), true,
                      CIM_BOOLEAN_ARRAY);
    CIMProperty flagsCopy(flags);
    EXPECT_TRUE(flagsCopy.isKey());
    ASSERT_EQ(flagsCopy.getValue<bool>().size(), 2u);
    EXPECT_TRUE(flagsCopy.getValue<bool>().at(1));

    CIMProperty nullValue("Caption", CIMValue<std::string>(std::vector<std::string>{}, false, true), false,
                          CIM_STRING);
    EXPECT_TRUE(CIMProperty(nullValue).getValue<std::string>().isNull());
}

TEST(CIMPropertyTest, TypesWithoutStorageNeverShowAValue) {
    struct Case {
        const char* label;
        CIMProperty property;
    };
    const Case cases[] = {
        {"real32", CIMProperty("Ratio", scalar(1.5f), true, CIM_REAL32)},
        {"real64", CIMProperty("Ratio", scalar(2.5), true, CIM_REAL64)},
        {"char16", CIMProperty("Letter", scalar(std::string("A")), true, CIM_CHAR16)},
        {"datetime array", CIMProperty("Stamps", scalar(std::string("x")), true, CIM_DATETIME_ARRAY)},
        {"code 31", CIMProperty("Odd", scalar(std::string("x")), true, static_cast<CIMDataType>(31))},
        {"code 99", CIMProperty("Odd", scalar<uint32_t>(7), true, static_cast<CIMDataType>(99))},
        {"holder of another type", CIMProperty("Mismatch", scalar<uint8_t>(3), true, CIM_STRING)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        CIMProperty copy = c.property;
        EXPECT_EQ(copy.getName(), c.property.getName());
        EXPECT_EQ(copy.getType(), c.property.getType());
        EXPECT_TRUE(copy.isKey());
        for (const CIMProperty* p : {&c.property, static_cast<const CIMProperty*>(&copy)}) {
            EXPECT_EQ(p->getValue<float>().size(), 0u);
            EXPECT_EQ(p->getValue<double>().size(), 0u);
            EXPECT_EQ(p->getValue<std::string>().size(), 0u);
            EXPECT_EQ(p->getValue<uint32_t>().size(), 0u);
            EXPECT_EQ(p->getValue<uint8_t>().size(), 0u);
            EXPECT_TRUE(p->visitValue([](const auto& holder) {
                return std::is_same_v<std::decay_t<decltype(holder)>, std::monostate>;
            }));
        }
    }
}

TEST(CIMPropertyTest, ReferencesAndEmbeddedInstancesAreDeepCopies) {
    CIMProperty reference;
    {
        CIMObjectPath path = volumePath("0_1");
        CIMProperty source("Dependent", scalar(path), false, CIM_REFERENCE);
        reference = source;
        path.setClassName("ORV_Other");
    }
    ASSERT_EQ(reference.getValue<CIMObjectPath>().size(), 1u);
    EXPECT_EQ(reference.getValue<CIMObjectPath>().at(0).toString(),
              "//h/root/orv/Ambrix/smi_14:ORV_StorageVolume.DeviceID=\"0_1\"");

    CIMInstance volume(volumePath("0_1"));
    volume.addProperty(CIMProperty("ElementName", scalar(std::string("Volume 1")), false, CIM_STRING));
    volume.addProperty(CIMProperty("Antecedent", scalar(volumePath("0_2")), false, CIM_REFERENCE));
    CIMProperty embedded("SourceInstance", scalar(volume), false, CIM_INSTANCE);
    CIMProperty embeddedCopy = embedded;
    volume.addProperty(CIMProperty("Late", scalar<uint32_t>(1), false, CIM_UINT32));

    const CIMInstance held = embeddedCopy.getValue<CIMInstance>().at(0);
    ASSERT_EQ(held.getPropertyCount(), 3u);
    EXPECT_EQ(held.getClassName(), "ORV_StorageVolume");
    ASSERT_NE(held.getProperty("ElementName"), nullptr);
    EXPECT_EQ(held.getProperty("ElementName")->getValue<std::string>().at(0), "Volume 1");
    ASSERT_NE(held.getProperty("Antecedent"), nullptr);
    EXPECT_EQ(held.getProperty("Antecedent")->getValue<CIMObjectPath>().at(0), volumePath("0_2"));
    EXPECT_EQ(held.getProperty("Late"), nullptr);
}

TEST(CIMArgumentListTest, FindsTheFirstArgumentOfAName) {
    CIMArgumentList arguments;
    EXPECT_TRUE(arguments.empty());
    arguments.add(CIMProperty("ElementName", scalar(std::string("first")), false, CIM_STRING));
    arguments.add(CIMProperty("Size", scalar<uint64_t>(1024), false, CIM_UINT64));
    arguments.add(CIMProperty("ElementName", scalar(std::string("second")), false, CIM_STRING));
    ASSERT_EQ(arguments.size(), 3u);
    ASSERT_NE(arguments.find("ElementName"), nullptr);
    EXPECT_EQ(arguments.find("ElementName")->getValue<std::string>().at(0), "first");
    EXPECT_EQ(arguments.find("elementname")->getValue<std::string>().at(0), "first") << "whatever the case";
    EXPECT_EQ(arguments.at(1).getValue<uint64_t>().at(0), 1024u);
}
