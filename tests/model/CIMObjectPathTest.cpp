#include "CIMException.h"
#include "CIMInstance.h"
#include "CIMKeyBinding.h"
#include "CIMObjectPath.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace orv::cim::fwf;

namespace {

const std::string kNamespace = "root/orv/Ambrix/smi_14";

CIMKeyBinding stringKey(const std::string& name, const std::string& value) {
    return CIMKeyBinding(name, std::vector<std::string>{value}, CIM_STRING);
}

CIMObjectPath path(const std::string& nameSpace, const std::string& className,
                   const std::vector<CIMKeyBinding>& keys, const std::string& host = "h") {
    CIMObjectPath result(host, nameSpace, className);
    result.setKeyBindings(keys);
    return result;
}

// Runs action and answers the CIMException it raised.
template <typename Action>
CIMException raised(Action action) {
    try {
        action();
    } catch (const CIMException& e) {
        return e;
    }
    ADD_FAILURE() << "no CIMException was raised";
    return CIMException(0, std::string());
}

}  // namespace

TEST(CIMKeyBindingTest, CopyRefusesTypesThatCannotBeKeys) {
    const CIMDataType invalid[] = {CIM_UINT8,        CIM_SINT8, CIM_DATETIME, CIM_CHAR16, CIM_UINT32_ARRAY,
                                   CIM_STRING_ARRAY, CIM_INSTANCE, static_cast<CIMDataType>(31)};
    for (CIMDataType type : invalid) {
        SCOPED_TRACE(type);
        CIMKeyBinding key("Number", std::vector<uint8_t>{5}, type);
        const CIMException e = raised([&] { CIMKeyBinding copy(key); });
        EXPECT_EQ(e.getCode(), 1);
        EXPECT_EQ(e.getMessage(), "orv::cim::fwf::CIMKeyBinding::CIMKeyBinding :: Invalid datatype " +
                                      std::to_string(type) + ".");
        CIMObjectPath holder;
        EXPECT_EQ(raised([&] { holder.addKeyBinding(key); }).getCode(), 1);
        EXPECT_TRUE(holder.getKeyBindings().empty());
    }
}

TEST(CIMKeyBindingTest, EqualityComparesTypeAndValueNotName) {
    EXPECT_EQ(stringKey("DeviceID", "0_1"), stringKey("Other", "0_1"));
    EXPECT_NE(stringKey("Id", "7"), CIMKeyBinding("Id", std::vector<uint32_t>{7}, CIM_UINT32));
    EXPECT_NE(CIMKeyBinding("On", std::vector<bool>{true}, CIM_BOOLEAN),
              CIMKeyBinding("On", std::vector<bool>{false}, CIM_BOOLEAN));
    // References name the same instance whatever host they carry.
    const auto ref = [](const std::string& host, const std::string& id) {
        return CIMKeyBinding("Antecedent", std::vector<CIMObjectPath>{path(kNamespace, "ORV_DiskDrive",
                                                                          {stringKey("DeviceID", id)}, host)},
                             CIM_REFERENCE);
    };
    EXPECT_EQ(ref("a", "0_1"), ref("b", "0_1"));
    EXPECT_NE(ref("a", "0_1"), ref("a", "0_2"));
}

TEST(CIMObjectPathTest, EqualityRules) {
    const CIMObjectPath base = path(kNamespace, "ORV_StorageVolume", {stringKey("DeviceID", "0_1"),
                                                                      stringKey("SystemName", "AmbrixController_0")});
    EXPECT_EQ(base, path("ROOT/ORV/ambrix/SMI_14", "orv_storagevolume",
                         {stringKey("DeviceID", "0_1"), stringKey("SystemName", "AmbrixController_0")}));
    EXPECT_EQ(base, path(kNamespace, "ORV_StorageVolume",
                         {stringKey("DeviceID", "0_1"), stringKey("SystemName", "AmbrixController_0")}, "other"));
    EXPECT_EQ(base, path(kNamespace, "ORV_StorageVolume",
                         {stringKey("SystemName", "AmbrixController_0"), stringKey("DeviceID", "0_1")}));
    EXPECT_EQ(base, path(kNamespace, "ORV_StorageVolume",
                         {stringKey("deviceid", "0_1"), stringKey("SystemName", "AmbrixController_0")}))
        << "key names do not depend on case";

    EXPECT_NE(base, path(kNamespace, "ORV_StorageVolume", {stringKey("DeviceID", "0_1")}));
    EXPECT_NE(path(kNamespace, "ORV_StorageVolume", {stringKey("DeviceID", "0_1")}), base);
    EXPECT_NE(base, path("root/PG_InterOp", "ORV_StorageVolume",
                         {stringKey("DeviceID", "0_1"), stringKey("SystemName", "AmbrixController_0")}));
    EXPECT_NE(base, path(kNamespace, "ORV_StoragePool",
                         {stringKey("DeviceID", "0_1"), stringKey("SystemName", "AmbrixController_0")}));
    EXPECT_NE(base, path(kNamespace, "ORV_StorageVolume",
                         {stringKey("DeviceID", "0_1"), stringKey("SystemName", "ambrixcontroller_0")}));

    // Only the first equally named key of the other path is tried.
    const CIMObjectPath twice = path(kNamespace, "C", {stringKey("Id", "1"), stringKey("Id", "2")});
    EXPECT_NE(twice, path(kNamespace, "C", {stringKey("Id", "2"), stringKey("Id", "1")}));
    EXPECT_EQ(path(kNamespace, "C", {stringKey("Id", "1"), stringKey("Id", "1")}),
              path(kNamespace, "C", {stringKey("Id", "1"), stringKey("Id", "2")}));

    EXPECT_EQ(path(kNamespace, "C", {}, "a"), path(kNamespace, "c", {}, "b"));
}

TEST(CIMObjectPathTest, TextForm) {
    EXPECT_EQ(path(kNamespace, "ORV_StorageVolume", {stringKey("DeviceID", "5")}).toString(),
              "//h/root/orv/Ambrix/smi_14:ORV_StorageVolume.DeviceID=\"5\"");
    EXPECT_EQ(path(kNamespace, "ORV_RegisteredProfile", {}, "").toString(),
              "///root/orv/Ambrix/smi_14:ORV_RegisteredProfile.");
    EXPECT_EQ(path("ns", "C", {stringKey("Name", "say \"hi\"\\")}).toString(), "//h/ns:C.Name=\"say \"hi\"\\\"");

    const CIMObjectPath disk = path(kNamespace, "ORV_DiskDrive", {stringKey("DeviceID", "0_3"),
                                                                  stringKey("SystemName", "AmbrixController_0")});
    const CIMObjectPath association =
        path(kNamespace, "ORV_SystemDevice",
             {CIMKeyBinding("PartComponent", std::vector<CIMObjectPath>{disk}, CIM_REFERENCE),
              stringKey("Tag", "t")});
    EXPECT_EQ(association.toString(),
              "//h/root/orv/Ambrix/smi_14:ORV_SystemDevice.PartComponent=//h/root/orv/Ambrix/smi_14:ORV_DiskDrive."
              "DeviceID=\"0_3\",SystemName=\"AmbrixController_0\",Tag=\"t\"");

    // Numbers are written in decimal, booleans as TRUE/FALSE.
    const CIMObjectPath typed = path(
        "ns", "C",
        {CIMKeyBinding("Id", std::vector<uint32_t>{4000000000u}, CIM_UINT32),
         CIMKeyBinding("Offset", std::vector<int64_t>{-12}, CIM_SINT64),
         CIMKeyBinding("Small", std::vector<int16_t>{-3}, CIM_SINT16),
         CIMKeyBinding("On", std::vector<bool>{true}, CIM_BOOLEAN),
         CIMKeyBinding("Off", std::vector<bool>{false}, CIM_BOOLEAN),
         CIMKeyBinding("Ratio", std::vector<double>{0.1}, CIM_REAL64)});
    EXPECT_EQ(typed.toString(), "//h/ns:C.Id=4000000000,Offset=-12,Small=-3,On=TRUE,Off=FALSE,Ratio=0.1");
}

TEST(CIMInstanceTest, KeyPropertiesFromAPathUseTheirOwnTypeSet) {
    CIMObjectPath request("h", kNamespace, "ORV_StorageVolume");
    request.addKeyBinding(stringKey("DeviceID", "0_1"));
    request.addKeyBinding(CIMKeyBinding("Number", std::vector<uint32_t>{7}, CIM_UINT32));
    request.addKeyBinding(CIMKeyBinding("Enabled", std::vector<bool>{true}, CIM_BOOLEAN));
    request.addKeyBinding(CIMKeyBinding("Big", std::vector<int64_t>{9}, CIM_SINT64));
    request.addKeyBinding(
        CIMKeyBinding("Owner", std::vector<CIMObjectPath>{path(kNamespace, "X", {stringKey("Id", "1")})},
                      CIM_REFERENCE));

    const CIMInstance instance(request);
    EXPECT_EQ(instance.getHost(), "h");
    EXPECT_EQ(instance.getNameSpace(), kNamespace);
    EXPECT_EQ(instance.getClassName(), "ORV_StorageVolume");
    ASSERT_EQ(instance.getPropertyCount(), 3u);
    EXPECT_EQ(instance.getPropertyAt(0).getName(), "DeviceID");
    EXPECT_EQ(instance.getPropertyAt(1).getName(), "Number");
    EXPECT_EQ(instance.getPropertyAt(2).getName(), "Owner");
    for (const auto& property : instance.getProperties()) EXPECT_TRUE(property.isKey());
    EXPECT_EQ(instance.getProperty("Number")->getValue<uint32_t>().at(0), 7u);
    EXPECT_EQ(instance.getProperty("Enabled"), nullptr);
    EXPECT_NE(instance.getProperty("deviceid"), nullptr) << "property names do not depend on case";

    // The round trip keeps the keys that both directions know.
    CIMObjectPath back = instance.getObjectPath();
    EXPECT_EQ(back.toString(),
              "//h/root/orv/Ambrix/smi_14:ORV_StorageVolume.DeviceID=\"0_1\",Number=7,Owner=//h/"
              "root/orv/Ambrix/smi_14:X.Id=\"1\"");

    // Built from a path handed over, or from the keys apart, it is the same instance.
    CIMObjectPath handedOver = request;
    std::vector<CIMKeyBinding> keys = request.getKeyBindings();
    for (const CIMInstance& same : {CIMInstance(std::move(handedOver)), CIMInstance(request, std::move(keys), 2)}) {
        ASSERT_EQ(same.getPropertyCount(), 3u);
        EXPECT_TRUE(same.getPropertyAt(2).isKey());
        EXPECT_EQ(same.getObjectPath().toString(), back.toString());
    }
}

TEST(CIMInstanceTest, PathFromKeyPropertiesUsesItsOwnTypeSet) {
    CIMInstance instance;
    instance.setObjectPath(path(kNamespace, "ORV_Thing", {stringKey("Ignored", "x")}, "host"));
    const auto add = [&](const std::string& name, auto value, bool isKey, CIMDataType type) {
        using T = decltype(value);
        instance.addProperty(CIMProperty(name, CIMValue<T>(std::vector<T>{value}, false, false), isKey, type));
    };
    add("Tag", std::string("t"), true, CIM_STRING);
    add("Small", uint8_t{3}, true, CIM_UINT8);
    add("Signed", int8_t{-3}, true, CIM_SINT8);
    add("On", true, true, CIM_BOOLEAN);
    add("Wide", int64_t{-5}, true, CIM_SINT64);
    add("Name", std::string("not a key"), false, CIM_STRING);
    add("Stamp", std::string("20100315143000.000000+530"), true, CIM_DATETIME);

    EXPECT_TRUE(instance.getProperties().size() == 7u);
    EXPECT_EQ(instance.getObjectPath().toString(), "//host/root/orv/Ambrix/smi_14:ORV_Thing.Tag=\"t\",On=TRUE,Wide=-5");
}
