// The server's own model of CIM data, used on the C++ side: values with
// their CMPI type, object paths, instances and argument lists. The CMPI
// objects handed to providers are built from these and read back into them.
#pragma once

#include "cmpidt.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orv::cmpiserver {

struct ObjectPath;
struct Instance;

// A value with its CMPI type (the element type plus CMPI_ARRAY for arrays)
// and a null flag. Integers keep 64 bits whatever their declared width;
// datetimes keep their CIM text; references and embedded instances are
// shared, immutable copies.
class Value {
public:
    Value() = default;

    static Value null(CMPIType type);
    static Value boolean(bool value);
    static Value char16(CMPIChar16 value);
    static Value unsignedInteger(CMPIType type, std::uint64_t value);
    static Value signedInteger(CMPIType type, std::int64_t value);
    static Value real(CMPIType type, double value);
    static Value string(std::string text);
    // A string object whose characters are NULL. It is not a null value:
    // SFCB hands one out for a path without host and, with authentication
    // off, as the principal; providers must expect it.
    static Value stringWithoutChars();
    static Value dateTime(std::string cimText);
    static Value reference(ObjectPath path);
    // Shares a path nobody changes any more (see ObjectPathObject).
    static Value reference(std::shared_ptr<const ObjectPath> path);
    static Value instance(Instance instance);
    static Value array(CMPIType elementType, std::vector<Value> elements);

    CMPIType type() const { return type_; }
    CMPIType elementType() const { return static_cast<CMPIType>(type_ & ~CMPI_ARRAY); }
    bool isNull() const { return null_; }
    bool isArray() const { return (type_ & CMPI_ARRAY) != 0; }
    bool isStringWithoutChars() const {
        return type_ == CMPI_string && !null_ && std::holds_alternative<std::monostate>(payload_);
    }

    // Each accessor throws std::bad_variant_access when the value holds
    // something else, so a test that expects the wrong type fails loudly.
    bool asBoolean() const;
    std::uint64_t asUnsigned() const;  // uint8..uint64 and char16
    std::int64_t asSigned() const;     // sint8..sint64
    double asReal() const;
    const std::string& asString() const;  // string or datetime text
    const ObjectPath& asReference() const;
    // The same path as held, for a reader that keeps it beyond the value.
    const std::shared_ptr<const ObjectPath>& sharedReference() const;
    const Instance& asInstance() const;
    const std::vector<Value>& elements() const;

    bool operator==(const Value& other) const;
    bool operator!=(const Value& other) const { return !(*this == other); }

    // Readable form for logs and test failure messages.
    std::string toString() const;

private:
    using Payload = std::variant<std::monostate, bool, std::uint64_t, std::int64_t, double,
                                 std::string, std::shared_ptr<const ObjectPath>,
                                 std::shared_ptr<const Instance>, std::vector<Value>>;
    Value(CMPIType type, Payload payload);

    CMPIType type_ = CMPI_null;
    bool null_ = true;
    Payload payload_;
};

struct NamedValue {
    std::string name;
    Value value;

    bool operator==(const NamedValue& other) const;
};

using ArgumentList = std::vector<NamedValue>;

struct ObjectPath {
    std::string host;
    std::string nameSpace;
    std::string className;
    std::vector<NamedValue> keys;

    const Value* key(std::string_view name) const;
    // host/namespace:Class.Key="value",... as servers print paths.
    std::string toString() const;
    bool operator==(const ObjectPath& other) const;
};

struct Instance {
    ObjectPath path;
    std::vector<NamedValue> properties;

    const Value* property(std::string_view name) const;
    bool operator==(const Instance& other) const;
};

// CIM names (classes, properties, keys, arguments) compare without case.
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Orders names as their lower-case forms order, byte by byte: negative,
// zero or positive as a sorts before, with or after b.
int compareIgnoreCase(std::string_view a, std::string_view b);
// A hash that names equal but for case share.
std::uint64_t hashIgnoreCase(std::string_view name);
std::string toLower(std::string_view text);
const Value* findNamed(const std::vector<NamedValue>& list, std::string_view name);
// Sets or replaces the entry with that name, keeping the list's order.
void setNamed(std::vector<NamedValue>& list, std::string_view name, Value value);

// Name of a type code as providers write it ("CMPI_uint32", "CMPI_stringA").
std::string typeName(CMPIType type);

}  // namespace orv::cmpiserver
