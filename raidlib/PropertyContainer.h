// The RAID library's objects as bags of named, typed properties: a controller,
// a volume, a disk, a job, and the arguments and results of a RAID method all
// travel as one PropertyContainer of key and non-key properties.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orv::raidlib {

// Type code stored in every property.
enum VrlTypeCode : int32_t {
    VRLCINT = 1,     // 32-bit integer
    VRLCFLOAT = 2,   // float
    VRLCSTRING = 3,  // text
    VRLCVECTOR = 4,  // vector of 32-bit integers
    VRLCU64 = 5,     // unsigned 64-bit
};

// Status codes of container and store operations.
namespace ContainerStatus {
constexpr uint32_t Success = 0;
constexpr uint32_t NoMatch = 0x10000011;          // no cached object / property to remove
constexpr uint32_t ClassMissing = 0x10000012;
constexpr uint32_t NoObjectInClass = 0x1000001B;
constexpr uint32_t PropertyNotFound = 0x1000001C;
constexpr uint32_t AlreadyPresent = 0x1000001E;
constexpr uint32_t WrongType = 0x10000024;
}  // namespace ContainerStatus

using VrlInt = uint32_t;
using VrlVector = std::vector<uint32_t>;

// What a property's value is kept as, fixed by its C++ type when it is made.
// The stored type code is a separate claim (a property can be mislabelled),
// so readers check both; the tag lets them do it without a dynamic_cast,
// which the cache's readers would otherwise pay for every value they read.
enum class ValueKind : uint8_t { Other, Integer, Float, Text, Vector, U64 };

template <typename T>
inline constexpr ValueKind kValueKindOf = ValueKind::Other;
template <> inline constexpr ValueKind kValueKindOf<uint32_t> = ValueKind::Integer;
template <> inline constexpr ValueKind kValueKindOf<float> = ValueKind::Float;
template <> inline constexpr ValueKind kValueKindOf<std::string> = ValueKind::Text;
template <> inline constexpr ValueKind kValueKindOf<std::vector<uint32_t>> = ValueKind::Vector;
template <> inline constexpr ValueKind kValueKindOf<uint64_t> = ValueKind::U64;

template <typename T>
class Property;

class AbstractDataType {
public:
    virtual ~AbstractDataType() = default;
    const std::string& getName() const { return name_; }
    const int32_t& getType() const { return type_; }
    ValueKind valueKind() const { return kind_; }
    // A new property of the same value type, name, code and value.
    virtual std::unique_ptr<AbstractDataType> clone() const = 0;

    // The property as one holding a T, or nullptr when it holds another kind.
    template <typename T>
    const Property<T>* valueAs() const {
        return kind_ == kValueKindOf<T> && kind_ != ValueKind::Other ? static_cast<const Property<T>*>(this)
                                                                     : nullptr;
    }

protected:
    AbstractDataType(std::string name, int32_t type, ValueKind kind)
        : name_(std::move(name)), type_(type), kind_(kind) {}
    AbstractDataType(const AbstractDataType&) = default;
    AbstractDataType& operator=(const AbstractDataType&) = default;

private:
    std::string name_;
    int32_t type_;
    ValueKind kind_;
};

template <typename T>
class Property : public AbstractDataType {
public:
    Property(std::string name, int32_t type, T value)
        : AbstractDataType(std::move(name), type, kValueKindOf<T>), value_(std::move(value)) {}
    T& getValue() { return value_; }
    const T& getValue() const { return value_; }
    void setValue(T value) { value_ = std::move(value); }
    std::unique_ptr<AbstractDataType> clone() const override {
        return std::make_unique<Property<T>>(getName(), getType(), value_);
    }

private:
    T value_;
};

using IntProperty = Property<VrlInt>;
using FloatProperty = Property<float>;
using StringProperty = Property<std::string>;
using VectorProperty = Property<VrlVector>;
using U64Property = Property<uint64_t>;

// Copies share their properties: a property is never changed once it is in a
// container (an update puts a new one in its place), so the cache can hand
// out copies of every object to each request without cloning each value.
class PropertyContainer {
public:
    using List = std::vector<std::shared_ptr<const AbstractDataType>>;

    PropertyContainer() = default;
    PropertyContainer(const PropertyContainer& other) = default;
    PropertyContainer& operator=(const PropertyContainer& other) = default;
    PropertyContainer(PropertyContainer&&) noexcept = default;
    PropertyContainer& operator=(PropertyContainer&&) noexcept = default;
    ~PropertyContainer() = default;

    // Takes ownership; a name already in the chosen list deletes the given
    // property and answers AlreadyPresent.
    uint32_t insertProperty(std::unique_ptr<AbstractDataType> property, bool isKey);
    // Inserts a clone; the argument stays with the caller. Always 0.
    uint32_t CopyProperty(const AbstractDataType& property, bool isKey);
    // Replaces a same-named property of the same type by a clone of the
    // given one; inserts a clone when missing and insertIfMissing; a type
    // clash changes nothing.
    void updateProperty(const AbstractDataType& property, bool isKey, bool insertIfMissing);
    // The same, sharing the given property instead of cloning it: properties
    // in containers never change, so a copy of an object can hold the very
    // properties the cache holds.
    void updateProperty(const std::shared_ptr<const AbstractDataType>& property, bool isKey, bool insertIfMissing);
    // Every property of `other` that updateProperty would take, shared, into
    // this container, which must be empty: the names within one list are
    // unique, so no search is needed.
    void shareProperties(const PropertyContainer& other);
    const AbstractDataType* findProperty(std::string_view name, bool isKey) const;
    uint32_t removeProperty(const std::string& name, bool isKey);

    uint32_t getPropertyValue(VrlInt& value, std::string_view name, bool isKey) const;
    uint32_t getPropertyValue(uint64_t& value, std::string_view name, bool isKey) const;
    uint32_t getPropertyValue(float& value, std::string_view name, bool isKey) const;
    uint32_t getPropertyValue(std::string& value, std::string_view name, bool isKey) const;
    uint32_t getPropertyValue(VrlVector& value, std::string_view name, bool isKey) const;

    // Typed insertion shorthands (same rules as insertProperty).
    uint32_t insertInt(const std::string& name, VrlInt value, bool isKey = false);
    uint32_t insertU64(const std::string& name, uint64_t value, bool isKey = false);
    uint32_t insertFloat(const std::string& name, float value, bool isKey = false);
    uint32_t insertString(const std::string& name, std::string value, bool isKey = false);
    uint32_t insertVector(const std::string& name, VrlVector value, bool isKey = false);

    const List& keyProperties() const { return keys_; }
    const List& nonKeyProperties() const { return nonKeys_; }
    bool empty() const { return keys_.empty() && nonKeys_.empty(); }
    void clear();

    // Level-5 dump of both lists under a label.
    void print(const std::string& label) const;

private:
    List keys_;
    List nonKeys_;
};

// 0 when every key of `keys` that has a same-named, same-typed key partner in
// `object` compares equal and at least one did; else ContainerStatus::NoMatch.
uint32_t matchKeys(const PropertyContainer& object, const PropertyContainer& keys);

}  // namespace orv::raidlib
