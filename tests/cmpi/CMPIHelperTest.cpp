// Conversions between CMPI objects made by a real broker and the
// framework's model that the agreement suite's sweep does not make (instances
// and arguments a client sends, outputs of methods) and the failures each
// direction reports. Every path and instance the provider answers goes
// through the agreement sweep, which holds it against the schema's types.
#include "Broker.h"
#include "CIMException.h"
#include "CIMKeyBinding.h"
#include "CIMProperty.h"
#include "CMPIHelper.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace orv::cmpiserver;
using namespace orv::cim::fwf;
using orv::cim::adap::cmpi::CMPIHelper;

namespace {

constexpr const char* kNameSpace = "root/orv/Ambrix/smi_14";
constexpr const char* kDateTime = "20240131123456.000000+530";

template <typename T>
CIMProperty property(const std::string& name, std::vector<T> values, CIMDataType type,
                     bool isArray = false, bool isNull = false, bool isKey = false) {
    return CIMProperty(name, CIMValue<T>(std::move(values), isArray, isNull), isKey, type);
}

// Runs a conversion and answers the code and message it raised.
template <typename Conversion>
std::pair<int, std::string> failureOf(Conversion&& conversion) {
    try {
        conversion();
    } catch (const CIMException& error) {
        return {error.getCode(), error.getMessage()};
    }
    return {0, "no exception"};
}

class CMPIHelperTest : public ::testing::Test {
protected:
    Broker broker;
    const CMPIBroker* mb = broker.cmpi();
    RequestScope request{broker, kNameSpace};

    ObjectPath volumePath() {
        return ObjectPath{"", kNameSpace, "ORV_StorageVolume",
                          {{"DeviceID", Value::string("0_1")},
                           {"SystemName", Value::string("AmbrixController_0")}}};
    }
};

// ---- CMPI to framework --------------------------------------------------------

// A path whose table fails one accessor, the way a broken server would.
CMPIStatus failedStatus() { return CMPIStatus{CMPI_RC_ERR_FAILED, nullptr}; }
CMPIString* failingString(const CMPIObjectPath*, CMPIStatus* rc) {
    if (rc) *rc = failedStatus();
    return nullptr;
}
CMPICount failingCount(const CMPIObjectPath*, CMPIStatus* rc) {
    if (rc) *rc = failedStatus();
    return 0;
}

TEST_F(CMPIHelperTest, PathAccessorFailuresRaiseTheirCodes) {
    CMPIObjectPath* real = broker.newObjectPath(volumePath());
    struct Case {
        void (*breakTable)(CMPIObjectPathFT&);
        bool withKeys;
        std::pair<int, std::string> failure;
    };
    const Case cases[] = {
        {[](CMPIObjectPathFT& t) { t.getNameSpace = failingString; }, false, {3, " :: Invalid namespace"}},
        {[](CMPIObjectPathFT& t) { t.getClassName = failingString; }, false, {5, " :: Invalid class"}},
        {[](CMPIObjectPathFT& t) { t.getHostname = failingString; }, false, {1, " :: Operation Failed"}},
        {[](CMPIObjectPathFT& t) { t.getKeyCount = failingCount; }, true, {1, " :: Operation Failed"}},
    };
    for (const Case& c : cases) {
        CMPIObjectPathFT table = *real->ft;
        c.breakTable(table);
        CMPIObjectPath face{real->hdl, &table};
        EXPECT_EQ(failureOf([&] { CMPIHelper::CMPIObjectPathToFrameworkObjectPath(&face, c.withKeys); }), c.failure);
    }
    CIMObjectPath target;
    EXPECT_FALSE(CMPIHelper::CMPIKeysToFrameworkKeys(nullptr, target));
}

TEST_F(CMPIHelperTest, InstanceTakesTheSupportedScalarTypesOnly) {
    Instance source{volumePath(),
                    {{"Primordial", Value::boolean(false)},
                     {"Status", Value::unsignedInteger(CMPI_uint16, 2)},
                     {"BlockSize", Value::unsignedInteger(CMPI_uint32, 512)},
                     {"NumberOfBlocks", Value::unsignedInteger(CMPI_uint64, 1ULL << 40)},
                     {"Owner", Value::reference(volumePath())},
                     {"ElementName", Value::string("Volume 1")},
                     {"InstallDate", Value::dateTime(kDateTime)},
                     {"Level", Value::unsignedInteger(CMPI_uint8, 5)},
                     {"Names", Value::array(CMPI_string, {Value::string("a")})},
                     {"Priority", Value::null(CMPI_uint32)}}};
    CIMInstance converted;
    converted.setObjectPath(CIMObjectPath("", kNameSpace, "ORV_StorageVolume"));
    ASSERT_TRUE(CMPIHelper::CMPIInstanceToFrameworkInstance(broker.newInstance(source), converted));

    ASSERT_EQ(converted.getPropertyCount(), 8u) << "uint8 and array properties are skipped";
    EXPECT_EQ(converted.getProperty("Level"), nullptr);
    EXPECT_EQ(converted.getProperty("Names"), nullptr);
    EXPECT_EQ(converted.getProperty("Primordial")->getValue<bool>().getValues(), std::vector<bool>{false});
    EXPECT_EQ(converted.getProperty("Status")->getType(), CIM_UINT16);
    EXPECT_EQ(converted.getProperty("Status")->getValue<uint16_t>().at(0), 2);
    EXPECT_EQ(converted.getProperty("BlockSize")->getValue<uint32_t>().at(0), 512u);
    EXPECT_EQ(converted.getProperty("NumberOfBlocks")->getValue<uint64_t>().at(0), 1ULL << 40);
    EXPECT_EQ(converted.getProperty("Owner")->getValue<CIMObjectPath>().at(0).getClassName(),
              "ORV_StorageVolume");
    EXPECT_EQ(converted.getProperty("ElementName")->getValue<std::string>().at(0), "Volume 1");
    const CIMProperty* date = converted.getProperty("InstallDate");
    EXPECT_EQ(date->getType(), CIM_DATETIME);
    EXPECT_EQ(date->getValue<std::string>().at(0), kDateTime);
    const CIMValue<uint32_t> priority = converted.getProperty("Priority")->getValue<uint32_t>();
    EXPECT_TRUE(priority.isNull());
    EXPECT_EQ(priority.size(), 0u);

    EXPECT_FALSE(CMPIHelper::CMPIInstanceToFrameworkInstance(nullptr, converted));
}

TEST_F(CMPIHelperTest, ArgumentsConvertScalarsArraysAndNulls) {
    ArgumentList arguments{
        {"Force", Value::boolean(true)},
        {"Mode", Value::unsignedInteger(CMPI_uint16, 3)},
        {"Size", Value::unsignedInteger(CMPI_uint64, 1ULL << 33)},
        {"Pool", Value::reference(volumePath())},
        {"ElementName", Value::string("new")},
        {"Image", Value::array(CMPI_uint8, {Value::unsignedInteger(CMPI_uint8, 1),
                                            Value::unsignedInteger(CMPI_uint8, 255)})},
        {"Slots", Value::array(CMPI_uint32, {Value::unsignedInteger(CMPI_uint32, 4)})},
        {"InExtents", Value::array(CMPI_ref, {Value::reference(volumePath())})},
        {"Names", Value::array(CMPI_string, {Value::string("x"), Value::string("y")})},
        {"Goal", Value::null(CMPI_ref)},
    };
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CIMArgumentList converted = CMPIHelper::CMPIArgsToFrameworkArgs(broker.newArgs(arguments), &status);
    EXPECT_EQ(status.rc, CMPI_RC_OK);
    ASSERT_EQ(converted.size(), arguments.size());
    EXPECT_EQ(converted.find("Force")->getType(), CIM_BOOLEAN);
    EXPECT_EQ(converted.find("Mode")->getValue<uint16_t>().at(0), 3);
    EXPECT_EQ(converted.find("Size")->getValue<uint64_t>().at(0), 1ULL << 33);
    EXPECT_EQ(converted.find("Pool")->getType(), CIM_REFERENCE);
    const CIMProperty* image = converted.find("Image");
    EXPECT_EQ(image->getType(), CIM_UINT8_ARRAY);
    EXPECT_TRUE(image->getValue<uint8_t>().isArray());
    EXPECT_EQ(image->getValue<uint8_t>().getValues(), (std::vector<uint8_t>{1, 255}));
    EXPECT_EQ(converted.find("Slots")->getValue<uint32_t>().getValues(), std::vector<uint32_t>{4});
    EXPECT_EQ(converted.find("InExtents")->getType(), CIM_REFERENCE_ARRAY);
    EXPECT_EQ(converted.find("InExtents")->getValue<CIMObjectPath>().at(0).getClassName(),
              "ORV_StorageVolume");
    EXPECT_EQ(converted.find("Names")->getValue<std::string>().getValues(),
              (std::vector<std::string>{"x", "y"}));
    const CIMProperty* goal = converted.find("Goal");
    EXPECT_EQ(goal->getType(), CIM_REFERENCE);
    EXPECT_TRUE(goal->getValue<CIMObjectPath>().isNull());
}

TEST_F(CMPIHelperTest, ArgumentsOfOtherTypesAreNotSupported) {
    for (const Value& value : {Value::signedInteger(CMPI_sint8, 1), Value::dateTime(kDateTime),
                               Value::array(CMPI_uint16, {Value::unsignedInteger(CMPI_uint16, 1)})}) {
        CMPIArgs* args = broker.newArgs({{"Odd", value}});
        EXPECT_EQ(failureOf([&] { CMPIHelper::CMPIArgsToFrameworkArgs(args, nullptr); }),
                  std::make_pair(7, std::string(" :: Not supported")))
            << value.toString();
    }
}

// ---- Framework to CMPI --------------------------------------------------------

TEST_F(CMPIHelperTest, PropertyListBecomesTheInstanceFilter) {
    CIMInstance instance;
    instance.setObjectPath(CIMObjectPath("", kNameSpace, "ORV_Battery"));
    instance.addProperty(property<std::string>("DeviceID", {"0"}, CIM_STRING, false, false, true));
    const char* properties[] = {"ElementName", "BatteryStatus", nullptr};
    CMPIInstance* converted = CMPIHelper::FrameworkInstanceToCMPIInstance(instance, mb, properties);
    auto filter = readPropertyFilter(converted);
    ASSERT_TRUE(filter.has_value());
    EXPECT_EQ(filter->size(), 2u);

    EXPECT_FALSE(readPropertyFilter(CMPIHelper::FrameworkInstanceToCMPIInstance(instance, mb, nullptr)));
}

TEST_F(CMPIHelperTest, InstancePropertiesWithoutCMPIFormAreRefused) {
    auto refusal = [&](const CIMProperty& odd) {
        CIMInstance instance;
        instance.setObjectPath(CIMObjectPath("", kNameSpace, "ORV_StorageVolume"));
        instance.addProperty(odd);
        return failureOf([&] { CMPIHelper::FrameworkInstanceToCMPIInstance(instance, mb, nullptr); });
    };
    const auto notSupported = std::make_pair(7, std::string(" :: Not supported"));
    EXPECT_EQ(refusal(property<CIMObjectPath>("Extents", {CIMObjectPath("", kNameSpace, "ORV_StorageExtent")},
                                              CIM_REFERENCE_ARRAY, true)),
              notSupported);
    EXPECT_EQ(refusal(property<float>("Ratio", {0.5f}, CIM_REAL32)), notSupported);
    EXPECT_EQ(refusal(CIMProperty("Letter", CIMValue<std::string>(), false, CIM_CHAR16)), notSupported);
    EXPECT_EQ(refusal(property<std::string>("When", {"not a datetime"}, CIM_DATETIME)),
              std::make_pair(1, std::string(" :: Operation Failed")));
}

TEST_F(CMPIHelperTest, OutArgumentsOfTheMethodTypesReachTheServer) {
    CIMArgumentList arguments;
    arguments.add(property<uint32_t>("ReturnCode", {4}, CIM_UINT32));
    arguments.add(property<int8_t>("Delta", {-2}, CIM_SINT8));
    arguments.add(property<uint64_t>("Sizes", {1, 2}, CIM_UINT64_ARRAY, true));
    arguments.add(property<CIMObjectPath>("Job", {CIMObjectPath("", kNameSpace, "ORV_ConcreteJob")}, CIM_REFERENCE));
    arguments.add(property<CIMObjectPath>("Extents",
                                          {CIMObjectPath("", kNameSpace, "ORV_StorageExtent"),
                                           CIMObjectPath("", kNameSpace, "ORV_StorageExtent")},
                                          CIM_REFERENCE_ARRAY, true));
    CMPIArgs* out = broker.newArgs();
    CMPIHelper::FrameworkArgsToCMPIArgs(arguments, out, mb);

    const ArgumentList converted = readArgs(out);
    ASSERT_EQ(converted.size(), 5u);
    EXPECT_EQ(converted[0].value, Value::unsignedInteger(CMPI_uint32, 4));
    EXPECT_EQ(converted[1].value, Value::signedInteger(CMPI_sint8, -2));
    EXPECT_EQ(converted[2].value, Value::array(CMPI_uint64, {Value::unsignedInteger(CMPI_uint64, 1),
                                                             Value::unsignedInteger(CMPI_uint64, 2)}));
    EXPECT_EQ(converted[3].value.type(), CMPI_ref);
    EXPECT_EQ(converted[4].value.type(), CMPI_refA);
    EXPECT_EQ(converted[4].value.elements().size(), 2u);

    for (const CIMProperty& odd : {property<std::string>("When", {kDateTime}, CIM_DATETIME),
                                   property<std::string>("Names", {"a"}, CIM_STRING_ARRAY, true),
                                   property<uint32_t>("Slots", {1}, CIM_UINT32_ARRAY, true)}) {
        CIMArgumentList list;
        list.add(odd);
        EXPECT_EQ(failureOf([&] { CMPIHelper::FrameworkArgsToCMPIArgs(list, broker.newArgs(), mb); }),
                  std::make_pair(7, std::string(" :: Not supported")))
            << odd.getName();
    }
}

}  // namespace
