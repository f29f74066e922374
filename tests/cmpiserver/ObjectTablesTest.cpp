// The function tables of the encapsulated objects, driven as a provider
// drives them: through the C tables only, checking statuses and what the
// server reads back.
#include "Broker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

using namespace orv::cmpiserver;

namespace {

// A CMPI_chars value is the C string itself, as OpenPegasus and SFCB read it.
const CMPIValue* charsValue(const char* text) { return reinterpret_cast<const CMPIValue*>(text); }


constexpr const char* kNameSpace = "root/orv/Ambrix/smi_14";

class ObjectTablesTest : public ::testing::Test {
protected:
    CMPIObjectPath* newPath(const char* className) {
        CMPIStatus rc{CMPI_RC_ERR_FAILED, nullptr};
        CMPIObjectPath* path = mb->eft->newObjectPath(mb, kNameSpace, className, &rc);
        EXPECT_EQ(rc.rc, CMPI_RC_OK);
        return path;
    }

    CMPIInstance* newInstance(const char* className) {
        CMPIStatus rc{CMPI_RC_ERR_FAILED, nullptr};
        CMPIInstance* instance = mb->eft->newInstance(mb, newPath(className), &rc);
        EXPECT_EQ(rc.rc, CMPI_RC_OK);
        return instance;
    }

    std::string chars(CMPIString* string) { return string->ft->getCharPtr(string, nullptr); }

    Broker broker;
    const CMPIBroker* mb = broker.cmpi();
    RequestScope request{broker, kNameSpace, "alice"};
};

TEST_F(ObjectTablesTest, ObjectPathKeepsItsPartsAndKeys) {
    CMPIObjectPath* path = newPath("ORV_StorageVolume");
    ASSERT_EQ(path->ft->setHostname(path, "raidhost").rc, CMPI_RC_OK);
    CMPIValue value;
    value.string = mb->eft->newString(mb, "AmbrixController_0", nullptr);
    ASSERT_EQ(path->ft->addKey(path, "SystemName", &value, CMPI_string).rc, CMPI_RC_OK);
    ASSERT_EQ(path->ft->addKey(path, "DeviceID", charsValue("0_1"), CMPI_chars).rc, CMPI_RC_OK);
    value.uint32 = 7;
    ASSERT_EQ(path->ft->addKey(path, "Number", &value, CMPI_uint32).rc, CMPI_RC_OK);

    EXPECT_EQ(chars(path->ft->getNameSpace(path, nullptr)), kNameSpace);
    EXPECT_EQ(chars(path->ft->getClassName(path, nullptr)), "ORV_StorageVolume");
    EXPECT_EQ(chars(path->ft->getHostname(path, nullptr)), "raidhost");
    EXPECT_EQ(path->ft->getKeyCount(path, nullptr), 3u);

    CMPIStatus rc;
    CMPIData key = path->ft->getKey(path, "deviceid", &rc);  // names ignore case
    EXPECT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(key.type, CMPI_string);
    EXPECT_EQ(key.state, CMPI_keyValue);
    EXPECT_EQ(chars(key.value.string), "0_1");

    // Numeric keys come out the way servers hand them over: as CMPI_sint64.
    CMPIString* name = nullptr;
    key = path->ft->getKeyAt(path, 2, &name, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(chars(name), "Number");
    EXPECT_EQ(key.type, CMPI_sint64);
    EXPECT_EQ(key.value.sint64, 7);
    // The server's own reading keeps the type the provider gave.
    EXPECT_EQ(*readObjectPath(path).key("Number"), Value::unsignedInteger(CMPI_uint32, 7));

    EXPECT_EQ(chars(path->ft->toString(path, nullptr)),
              "//raidhost/root/orv/Ambrix/smi_14:ORV_StorageVolume.SystemName="
              "\"AmbrixController_0\",DeviceID=\"0_1\",Number=7");
}

TEST_F(ObjectTablesTest, ObjectPathReportsMissingKeysAndBadArguments) {
    CMPIObjectPath* path = newPath("ORV_DiskDrive");
    CMPIStatus rc;
    CMPIData data = path->ft->getKey(path, "DeviceID", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    EXPECT_TRUE(data.state & CMPI_nullValue);
    CMPIString* name = reinterpret_cast<CMPIString*>(0x1);
    path->ft->getKeyAt(path, 0, &name, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    EXPECT_EQ(name, nullptr);
    path->ft->getKey(path, nullptr, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(path->ft->setNameSpace(path, nullptr).rc, CMPI_RC_ERR_INVALID_PARAMETER);
    path->ft->getClassQualifier(path, "Key", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_SUPPORTED);
}

TEST_F(ObjectTablesTest, InstancePropertiesRoundTripAndKeepTheirType) {
    CMPIInstance* instance = newInstance("ORV_StorageVolume");
    CMPIValue value;
    value.uint64 = 512;
    ASSERT_EQ(instance->ft->setProperty(instance, "BlockSize", &value, CMPI_uint64).rc, CMPI_RC_OK);
    value.boolean = 1;
    ASSERT_EQ(instance->ft->setProperty(instance, "Primordial", &value, CMPI_boolean).rc, CMPI_RC_OK);
    ASSERT_EQ(instance->ft->setProperty(instance, "ElementName", charsValue("Volume 1"), CMPI_chars).rc, CMPI_RC_OK);

    CMPIStatus rc;
    CMPIData data = instance->ft->getProperty(instance, "blocksize", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(data.type, CMPI_uint64);
    EXPECT_EQ(data.state, CMPI_goodValue);
    EXPECT_EQ(data.value.uint64, 512u);
    data = instance->ft->getProperty(instance, "ElementName", &rc);
    EXPECT_EQ(data.type, CMPI_string);  // chars are kept as a string
    EXPECT_EQ(chars(data.value.string), "Volume 1");
    EXPECT_EQ(instance->ft->getPropertyCount(instance, nullptr), 3u);

    value.uint32 = 1;
    EXPECT_EQ(instance->ft->setProperty(instance, "BlockSize", &value, CMPI_uint32).rc,
              CMPI_RC_ERR_TYPE_MISMATCH);
    value.uint64 = 4096;
    EXPECT_EQ(instance->ft->setProperty(instance, "BlockSize", &value, CMPI_uint64).rc, CMPI_RC_OK);

    // A null value pointer sets a typed null.
    ASSERT_EQ(instance->ft->setProperty(instance, "Caption", nullptr, CMPI_string).rc, CMPI_RC_OK);
    data = instance->ft->getProperty(instance, "Caption", &rc);
    EXPECT_EQ(data.type, CMPI_string);
    EXPECT_TRUE(data.state & CMPI_nullValue);

    Instance read = readInstance(instance);
    EXPECT_EQ(*read.property("BlockSize"), Value::unsignedInteger(CMPI_uint64, 4096));
    EXPECT_EQ(*read.property("Primordial"), Value::boolean(true));
    EXPECT_EQ(*read.property("Caption"), Value::null(CMPI_string));
}

TEST_F(ObjectTablesTest, InstanceRefusesUnknownNamesAndUnsupportedTypes) {
    CMPIInstance* instance = newInstance("ORV_StorageVolume");
    CMPIStatus rc;
    CMPIData data = instance->ft->getProperty(instance, "Missing", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    EXPECT_TRUE(data.state & CMPI_notFound);
    instance->ft->getPropertyAt(instance, 0, nullptr, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    CMPIValue value{};
    EXPECT_EQ(instance->ft->setProperty(instance, nullptr, &value, CMPI_uint8).rc, CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(instance->ft->setProperty(instance, "P", &value, 0x0777).rc, CMPI_RC_ERR_INVALID_DATA_TYPE);
    EXPECT_EQ(instance->ft->setProperty(instance, "P", &value, CMPI_null).rc, CMPI_RC_ERR_INVALID_DATA_TYPE);
    value.dataPtr.ptr = &value;
    EXPECT_EQ(instance->ft->setProperty(instance, "P", &value, CMPI_ptr).rc, CMPI_RC_ERR_NOT_SUPPORTED);
    // An instance passed where a string was declared.
    value.string = reinterpret_cast<CMPIString*>(newInstance("ORV_Other"));
    EXPECT_EQ(instance->ft->setProperty(instance, "P", &value, CMPI_string).rc, CMPI_RC_ERR_TYPE_MISMATCH);
    EXPECT_EQ(instance->ft->getPropertyCount(instance, nullptr), 0u);
}

TEST_F(ObjectTablesTest, PropertyFilterDropsUnlistedPropertiesButKeepsKeys) {
    CMPIObjectPath* path = newPath("ORV_DiskDrive");
    CMPIValue value;
    path->ft->addKey(path, "DeviceID", charsValue("0_4"), CMPI_chars);
    CMPIInstance* instance = mb->eft->newInstance(mb, path, nullptr);
    value.uint16 = 2;
    instance->ft->setProperty(instance, "EnabledState", &value, CMPI_uint16);

    const char* wanted[] = {"Name", "HealthState", nullptr};
    ASSERT_EQ(instance->ft->setPropertyFilter(instance, wanted, nullptr).rc, CMPI_RC_OK);
    EXPECT_EQ(instance->ft->getPropertyCount(instance, nullptr), 0u);

    EXPECT_EQ(instance->ft->setProperty(instance, "name", charsValue("Disk 4"), CMPI_chars).rc, CMPI_RC_OK);
    value.uint16 = 5;
    EXPECT_EQ(instance->ft->setProperty(instance, "OperationalStatus", &value, CMPI_uint16).rc,
              CMPI_RC_OK);  // accepted, but not kept
    instance->ft->setProperty(instance, "DeviceID", charsValue("0_4"), CMPI_chars);

    Instance read = readInstance(instance);
    ASSERT_EQ(read.properties.size(), 2u);
    EXPECT_NE(read.property("Name"), nullptr);
    EXPECT_NE(read.property("DeviceID"), nullptr);
    EXPECT_EQ(readPropertyFilter(instance), (std::vector<std::string>{"name", "healthstate"}));
}

TEST_F(ObjectTablesTest, ReferencesAndNestedEmbeddedInstancesAreCopiedWhole) {
    CMPIObjectPath* target = newPath("ORV_ComputerSystem");
    CMPIValue value;
    target->ft->addKey(target, "Name", charsValue("AmbrixController_1"), CMPI_chars);

    CMPIInstance* innermost = newInstance("ORV_Inner");
    value.sint16 = -3;
    innermost->ft->setProperty(innermost, "Level", &value, CMPI_sint16);
    CMPIInstance* middle = newInstance("ORV_Middle");
    value.inst = innermost;
    middle->ft->setProperty(middle, "Inner", &value, CMPI_instance);

    CMPIInstance* outer = newInstance("ORV_Association");
    value.ref = target;
    ASSERT_EQ(outer->ft->setProperty(outer, "Antecedent", &value, CMPI_ref).rc, CMPI_RC_OK);
    value.inst = middle;
    ASSERT_EQ(outer->ft->setProperty(outer, "Embedded", &value, CMPI_instance).rc, CMPI_RC_OK);

    // Changing the sources afterwards does not reach the copies.
    target->ft->addKey(target, "Name", charsValue("changed"), CMPI_chars);
    value.sint16 = 9;
    innermost->ft->setProperty(innermost, "Level", &value, CMPI_sint16);

    Instance read = readInstance(outer);
    const ObjectPath& reference = read.property("Antecedent")->asReference();
    EXPECT_EQ(*reference.key("Name"), Value::string("AmbrixController_1"));
    const Instance& embedded = read.property("Embedded")->asInstance();
    EXPECT_EQ(*embedded.property("Inner")->asInstance().property("Level"),
              Value::signedInteger(CMPI_sint16, -3));

    // A clone and its original change apart, and neither reaches the copy.
    CMPIObjectPath* clone = target->ft->clone(target, nullptr);
    clone->ft->setClassName(clone, "ORV_Other");
    EXPECT_EQ(chars(target->ft->getClassName(target, nullptr)), "ORV_ComputerSystem");
    EXPECT_EQ(readInstance(outer).property("Antecedent")->asReference().className, "ORV_ComputerSystem");
    clone->ft->release(clone);

    // Read back through the table, the reference is a usable object path.
    CMPIData data = outer->ft->getProperty(outer, "Antecedent", nullptr);
    ASSERT_EQ(data.type, CMPI_ref);
    EXPECT_EQ(chars(data.value.ref->ft->getClassName(data.value.ref, nullptr)), "ORV_ComputerSystem");
    data = outer->ft->getProperty(outer, "Embedded", nullptr);
    ASSERT_EQ(data.type, CMPI_instance);
    CMPIData inner = data.value.inst->ft->getProperty(data.value.inst, "Inner", nullptr);
    EXPECT_EQ(inner.type, CMPI_instance);
}

// Each scalar type in a two-element array, read back through the array and
// through an instance that holds it.
TEST_F(ObjectTablesTest, ArraysOfEveryScalarTypeRoundTrip) {
    auto make = [](auto setter) {
        CMPIValue v{};
        setter(v);
        return v;
    };
#define SCALAR(type, field, a, expected) {type, make([](CMPIValue& v) { v.field = a; }), expected}
    const std::vector<std::tuple<CMPIType, CMPIValue, Value>> cases{
        SCALAR(CMPI_boolean, boolean, 1, Value::boolean(true)),
        SCALAR(CMPI_char16, char16, 'A', Value::char16('A')),
        SCALAR(CMPI_real32, real32, 1.5f, Value::real(CMPI_real32, 1.5)),
        SCALAR(CMPI_real64, real64, -0.25, Value::real(CMPI_real64, -0.25)),
        SCALAR(CMPI_uint8, uint8, 255, Value::unsignedInteger(CMPI_uint8, 255)),
        SCALAR(CMPI_uint16, uint16, 65535, Value::unsignedInteger(CMPI_uint16, 65535)),
        SCALAR(CMPI_uint32, uint32, 4000000000u, Value::unsignedInteger(CMPI_uint32, 4000000000u)),
        SCALAR(CMPI_uint64, uint64, ~0ULL, Value::unsignedInteger(CMPI_uint64, ~0ULL)),
        SCALAR(CMPI_sint8, sint8, -128, Value::signedInteger(CMPI_sint8, -128)),
        SCALAR(CMPI_sint16, sint16, -32768, Value::signedInteger(CMPI_sint16, -32768)),
        SCALAR(CMPI_sint32, sint32, -5, Value::signedInteger(CMPI_sint32, -5)),
        SCALAR(CMPI_sint64, sint64, -(1LL << 62), Value::signedInteger(CMPI_sint64, -(1LL << 62))),
        {CMPI_string, make([this](CMPIValue& v) { v.string = mb->eft->newString(mb, "first", nullptr); }),
         Value::string("first")},
        {CMPI_dateTime,
         make([this](CMPIValue& v) { v.dateTime = mb->eft->newDateTimeFromChars(mb, "20240102030405.000006+000", nullptr); }),
         Value::dateTime("20240102030405.000006+000")},
        {CMPI_ref, make([this](CMPIValue& v) { v.ref = mb->eft->newObjectPath(mb, "ns", "A", nullptr); }),
         Value::reference(ObjectPath{"", "ns", "A", {}})},
    };
#undef SCALAR
    for (const auto& [type, first, expected] : cases) {
        SCOPED_TRACE(typeName(type));
        CMPIStatus rc;
        CMPIArray* array = mb->eft->newArray(mb, 2, type, &rc);
        ASSERT_EQ(rc.rc, CMPI_RC_OK);
        EXPECT_EQ(array->ft->getSimpleType(array, nullptr), type);
        EXPECT_TRUE(array->ft->getElementAt(array, 1, &rc).state & CMPI_nullValue);

        ASSERT_EQ(array->ft->setElementAt(array, 0, &first, type).rc, CMPI_RC_OK);
        ASSERT_EQ(array->ft->setElementAt(array, 1, &first, type).rc, CMPI_RC_OK);
        EXPECT_EQ(array->ft->setElementAt(array, 2, &first, type).rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
        array->ft->getElementAt(array, 2, &rc);
        EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
        const CMPIType other = type == CMPI_uint8 ? CMPI_uint16 : CMPI_uint8;
        EXPECT_EQ(array->ft->setElementAt(array, 0, &first, other).rc, CMPI_RC_ERR_TYPE_MISMATCH);
        CMPIData element = array->ft->getElementAt(array, 0, &rc);
        EXPECT_EQ(rc.rc, CMPI_RC_OK);
        EXPECT_EQ(element.type, type);
        EXPECT_EQ(readData(element), expected);

        CMPIInstance* instance = newInstance("ORV_Arrays");
        CMPIValue value;
        value.array = array;
        ASSERT_EQ(instance->ft->setProperty(instance, "Values", &value, type | CMPI_ARRAY).rc, CMPI_RC_OK);
        EXPECT_EQ(instance->ft->setProperty(instance, "Wrong", &value, other | CMPI_ARRAY).rc,
                  CMPI_RC_ERR_TYPE_MISMATCH);
        const Value stored = *readInstance(instance).property("Values");
        EXPECT_EQ(stored.type(), type | CMPI_ARRAY);
        ASSERT_EQ(stored.elements().size(), 2u);
        EXPECT_EQ(stored.elements()[0], expected);
        CMPIData data = instance->ft->getProperty(instance, "Values", nullptr);
        EXPECT_EQ(data.type, type | CMPI_ARRAY);
        EXPECT_EQ(data.value.array->ft->getSize(data.value.array, nullptr), 2u);
    }
}

TEST_F(ObjectTablesTest, ArgsHoldNamedArgumentsInOrder) {
    CMPIArgs* args = mb->eft->newArgs(mb, nullptr);
    CMPIValue value;
    value.uint16 = 2;
    ASSERT_EQ(args->ft->addArg(args, "RaidLevel", &value, CMPI_uint16).rc, CMPI_RC_OK);
    ASSERT_EQ(args->ft->addArg(args, "ElementName", charsValue("Pool1"), CMPI_chars).rc, CMPI_RC_OK);
    ASSERT_EQ(args->ft->addArg(args, "Goal", nullptr, CMPI_ref).rc, CMPI_RC_OK);

    EXPECT_EQ(args->ft->getArgCount(args, nullptr), 3u);
    CMPIStatus rc;
    CMPIString* name = nullptr;
    CMPIData data = args->ft->getArgAt(args, 1, &name, &rc);
    EXPECT_EQ(chars(name), "ElementName");
    EXPECT_EQ(data.type, CMPI_string);
    data = args->ft->getArg(args, "goal", &rc);
    EXPECT_EQ(data.type, CMPI_ref);
    EXPECT_TRUE(data.state & CMPI_nullValue);
    args->ft->getArg(args, "Size", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    args->ft->getArgAt(args, 3, nullptr, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);

    ArgumentList read = readArgs(args);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0], (NamedValue{"RaidLevel", Value::unsignedInteger(CMPI_uint16, 2)}));
}

TEST_F(ObjectTablesTest, DateTimesKeepTheirTextAndRefuseMalformedOnes) {
    CMPIStatus rc;
    CMPIDateTime* stamp = mb->eft->newDateTimeFromChars(mb, "20240102030405.000006+060", &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(chars(stamp->ft->getStringFormat(stamp, nullptr)), "20240102030405.000006+060");

    for (const char* bad : {"2024010203040.000006+060", "20241302030405.000006+060",
                            "20240102030405.000006*060", "00000001020304.000005:001", "x"}) {
        EXPECT_EQ(mb->eft->newDateTimeFromChars(mb, bad, &rc), nullptr) << bad;
        EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER) << bad;
    }
    EXPECT_EQ(mb->eft->newDateTimeFromChars(mb, nullptr, &rc), nullptr);

    CMPIDateTime* second = mb->eft->newDateTimeFromBinary(mb, 1000000, 1, &rc);
    EXPECT_EQ(chars(second->ft->getStringFormat(second, nullptr)), "00000000000001.000000:000");
    CMPIDateTime* now = mb->eft->newDateTime(mb, &rc);
    const std::string text = chars(now->ft->getStringFormat(now, nullptr));
    EXPECT_EQ(text.size(), 25u);
    EXPECT_EQ(text.substr(21), "+000");
}

TEST_F(ObjectTablesTest, NullHandlesAnswerInvalidHandleInsteadOfCrashing) {
    CMPIInstance* real = newInstance("ORV_X");
    CMPIInstance noHandle{nullptr, real->ft};
    CMPIStatus rc;
    CMPIValue value{};
    EXPECT_EQ(real->ft->setProperty(&noHandle, "P", &value, CMPI_uint8).rc, CMPI_RC_ERR_INVALID_HANDLE);
    real->ft->getProperty(&noHandle, "P", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(real->ft->getPropertyCount(nullptr, &rc), 0u);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(real->ft->getObjectPath(&noHandle, &rc), nullptr);
    EXPECT_EQ(real->ft->clone(&noHandle, &rc), nullptr);
    EXPECT_EQ(real->ft->release(&noHandle).rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(real->ft->setObjectPath(real, nullptr).rc, CMPI_RC_ERR_INVALID_HANDLE);

    CMPIObjectPath* path = newPath("ORV_X");
    CMPIObjectPath pathNoHandle{nullptr, path->ft};
    EXPECT_EQ(path->ft->getClassName(&pathNoHandle, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(path->ft->addKey(&pathNoHandle, "K", &value, CMPI_uint8).rc, CMPI_RC_ERR_INVALID_HANDLE);
    value.ref = &pathNoHandle;
    EXPECT_EQ(real->ft->setProperty(real, "R", &value, CMPI_ref).rc, CMPI_RC_ERR_INVALID_HANDLE);

    CMPIString* string = mb->eft->newString(mb, "s", nullptr);
    CMPIString stringNoHandle{nullptr, string->ft};
    EXPECT_EQ(string->ft->getCharPtr(&stringNoHandle, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);

    CMPIArray* array = mb->eft->newArray(mb, 1, CMPI_uint8, nullptr);
    CMPIArray arrayNoHandle{nullptr, array->ft};
    EXPECT_EQ(array->ft->getSize(&arrayNoHandle, &rc), 0u);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);

    EXPECT_EQ(mb->eft->newInstance(mb, nullptr, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(mb->eft->newString(nullptr, "x", &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(request.result()->ft->returnInstance(request.result(), nullptr).rc,
              CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_THROW(readInstance(&noHandle), std::invalid_argument);
}

}  // namespace

// Names are compared and hashed eight bytes at a time; the bytes next to
// the letters ('@', '[', '`', '{'), bytes above 0x7F and the tail after
// each full word must still order as the lower-case forms do.
TEST(NameCompareTest, OrdersEqualsAndHashesAsTheLowerCaseForms) {
    const char alphabet[] = {'@', 'A', 'Z', '[', '`', 'a', 'z', '{', '0', '\x80', '\xff'};
    unsigned seed = 7;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    const auto randomName = [&] {
        std::string name(next() % 20, ' ');
        for (char& c : name) c = alphabet[next() % sizeof alphabet];
        return name;
    };
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (int i = 0; i < 20000; ++i) {
        const std::string a = randomName();
        // Half the time b is a near miss of a: same up to one byte, or a case variant.
        std::string b = a;
        if (next() % 2 == 0 || b.empty()) {
            b = randomName();
        } else {
            b[next() % b.size()] = alphabet[next() % sizeof alphabet];
        }
        const int expected = sign(toLower(a).compare(toLower(b)));
        ASSERT_EQ(sign(compareIgnoreCase(a, b)), expected) << '"' << a << "\" vs \"" << b << '"';
        ASSERT_EQ(equalsIgnoreCase(a, b), expected == 0) << '"' << a << "\" vs \"" << b << '"';
        if (expected == 0) {
            ASSERT_EQ(hashIgnoreCase(a), hashIgnoreCase(b)) << '"' << a << '"';
        }
    }
}
