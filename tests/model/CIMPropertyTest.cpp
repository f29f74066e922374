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
