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
