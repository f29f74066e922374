// How each kind of pair test reads its two instances. Key values are read
// through the framework's one key-field splitter; a value that an instance
// lacks never matches, so two objects without an identifier are not related
// through "0 = 0".
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <type_traits>

#include "AssociationCatalogue.h"
#include "CommonFunctions.h"
#include "PoolSupport.h"

namespace orv::cim::fwf::associations {

namespace {

// A value by name: a property of an instance, or a key binding of a name.
const CIMProperty* valueOf(const CIMInstance& instance, const char* name) { return instance.getProperty(name); }
const CIMKeyBinding* valueOf(const CIMObjectPath& path, const char* name) {
    const std::string_view wanted(name);
    for (const auto& key : path.getKeyBindings())
        if (key.getName() == wanted) return &key;
    return nullptr;
}

template <typename Object>
auto valueOf(const Object& object, const Field& field) -> decltype(valueOf(object, field.property)) {
    return field.property == nullptr ? nullptr : valueOf(object, field.property);
}

// The first element of a text value, borrowed from its holder.
template <typename Value>
const std::string* firstText(const Value& holder) {
    return holder.visitValue([](const auto& value) -> const std::string* {
        using Held = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Held, std::monostate>) {
            return nullptr;
        } else if constexpr (std::is_same_v<typename Held::Element, std::string>) {
            return value.getValues().empty() ? nullptr : &value.getValues().front();
        } else {
            return nullptr;
        }
    });
}

// The field of a text value that `field` names.
template <typename Value>
std::optional<std::string_view> fieldText(const Value& value, const Field& field) {
    const std::string* text = firstText(value);
    if (text == nullptr) return std::nullopt;
    return field.field == 0 ? std::string_view(*text) : CommonFunctions::tokenOf(*text, field.field);
}

template <typename Object>
std::optional<std::string_view> textOf(const Object& object, const Field& field) {
    const auto* value = valueOf(object, field);
    if (value == nullptr) return std::nullopt;
    return fieldText(*value, field);
}

// The first element of an integer value, whatever its width.
template <typename Value>
std::optional<long long> integerOf(const Value& holder) {
    return holder.visitValue([](const auto& value) -> std::optional<long long> {
        using Held = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Held, std::monostate>) {
            return std::nullopt;
        } else {
            using Element = typename Held::Element;
            if constexpr (std::is_integral_v<Element> && !std::is_same_v<Element, bool>) {
                if (value.size() == 0) return std::nullopt;
                return static_cast<long long>(value.getValues().front());
            } else {
                return std::nullopt;
            }
        }
    });
}

// Text read as atoll reads it: leading blanks, a sign, the digits up to the
// first other character; no digits at all is 0.
long long decimalOf(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

// A key field converted as a plain decimal (text that is not a number
// counts as 0), or a number property as it is.
template <typename Object>
std::optional<long long> numberOf(const Object& object, const Field& field) {
    const auto* value = valueOf(object, field);
    if (value == nullptr) return std::nullopt;
    if (const auto number = integerOf(*value)) return number;
    const auto text = fieldText(*value, field);
    if (!text) return std::nullopt;
    return decimalOf(*text);
}

template <typename Object>
bool hasFlag(const Object& object, const char* name) {
    const auto* value = valueOf(object, name);
    if (value == nullptr) return false;
    return value->visitValue([](const auto& held) {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, CIMValue<bool>>) {
            return held.size() != 0 && held.getValues().front();
        } else {
            return false;
        }
    });
}

template <typename Object>
bool hasStatus(const Object& object, const Field& field, uint16_t status) {
    const auto* value = valueOf(object, field);
    if (value == nullptr) return false;
    return value->visitValue([status](const auto& held) {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, CIMValue<uint16_t>>) {
            const auto& values = held.getValues();
            return std::find(values.begin(), values.end(), status) != values.end();
        } else {
            return false;
        }
    });
}

// OperationalStatus of a disk as the storage extent publishes it.
constexpr uint16_t kStatusError = 6;
constexpr uint16_t kStatusRebuilding = 32769;
constexpr long long kNoArray = 0xFFFFFFFF;

template <typename Object>
bool isArrayMember(const Object& extent) {
    const auto* value = valueOf(extent, "ArrayID");
    const auto array = value == nullptr ? std::nullopt : integerOf(*value);
    return array && *array != kNoArray && !hasFlag(extent, "HotSpareFlag");
}

// The join key of one end's object for each kind. Both ends of a kind fill
// the same slots, so equal keys mean the pair test accepts the pair.
template <typename Object>
std::optional<JoinKey> keyOf(const PairTest& test, const Object& object, bool firstEnd) {
    const Field* fields = firstEnd ? test.first : test.second;
    JoinKey key;
    const auto number = [&](int slot, const Field& field) {
        const auto value = numberOf(object, field);
        if (value) key.numbers[slot] = *value;
        return value.has_value();
    };
    const auto text = [&](const Field& field) {
        const auto value = textOf(object, field);
        if (value) key.text.assign(value->data(), value->size());
        return value.has_value();
    };
    bool found = false;
    switch (test.kind) {
    case PairKind::SameNumber:
    case PairKind::FailedDisk:
        found = number(0, fields[0]) &&
                (test.kind != PairKind::FailedDisk || firstEnd || hasStatus(object, fields[1], kStatusError));
        break;
    case PairKind::SameText:
        found = text(fields[0]);
        break;
    case PairKind::SameNumbers:
        found = number(0, fields[0]) && number(1, fields[1]);
        break;
    case PairKind::DriveKind:
    case PairKind::HotSpareOfKind:
    case PairKind::ProtectedOfKind:
        // A pool-like end names "<controller>_<kind>" in its one value; the
        // other end gives its controller number, interface and medium.
        if (fields[1].property == nullptr) {
            const auto id = textOf(object, fields[0]);
            const auto name = id ? storage::parsePrimordialPoolInstanceId(std::string(*id)) : std::nullopt;
            if (!name) return std::nullopt;
            key.numbers[0] = name->contrId;
            key.numbers[1] = name->kind->driveType;
            key.numbers[2] = name->kind->blockDevType;
            return key;
        }
        found = number(0, fields[0]) && number(1, fields[1]) && number(2, fields[2]) &&
                (test.kind != PairKind::HotSpareOfKind || hasFlag(object, "HotSpareFlag")) &&
                (test.kind != PairKind::ProtectedOfKind || isArrayMember(object));
        break;
    case PairKind::VolumeSetting:
        // The volume end gives its RAIDLevel, the setting end its ElementName.
        if (!number(0, fields[0]) || !number(1, fields[1])) return std::nullopt;
        if (firstEnd) {
            const auto level = numberOf(object, fields[2]);
            if (!level) return std::nullopt;
            key.text = storage::raidLevelName(static_cast<uint32_t>(*level));
            return key;
        }
        found = text(fields[2]);
        break;
    case PairKind::Spared:
        // The first end is rebuilding the data the failed second end held. An
        // extent never stands in for itself: it cannot be both at once.
        found = text(fields[0]) && number(0, fields[1]) && number(1, fields[2]) &&
                hasStatus(object, fields[3], firstEnd ? kStatusRebuilding : kStatusError);
        break;
    case PairKind::SecondNamed: {
        if (firstEnd) return key;
        const auto value = textOf(object, fields[0]);
        found = value && test.text != nullptr && *value == test.text;
        break;
    }
    case PairKind::EveryPair:
        return key;
    }
    if (!found) return std::nullopt;
    return key;
}

std::string fieldText(const Field& field) {
    if (field.field == 0) return field.property;
    return "field " + std::to_string(field.field) + " of " + field.property;
}

std::string fieldsText(const Field (&fields)[4]) {
    std::string out;
    for (const auto& field : fields) {
        if (field.property == nullptr) break;
        out += (out.empty() ? "" : ", ") + fieldText(field);
    }
    return out;
}

}  // namespace

bool PairTest::matches(const CIMInstance& a, const CIMInstance& b) const {
    const auto x = joinKey(a, true);
    const auto y = x ? joinKey(b, false) : std::nullopt;
    return y && *x == *y;
}

std::optional<JoinKey> PairTest::joinKey(const CIMInstance& instance, bool firstEnd) const {
    return keyOf(*this, instance, firstEnd);
}

std::optional<JoinKey> PairTest::joinKey(const CIMObjectPath& name, bool firstEnd) const {
    return keyOf(*this, name, firstEnd);
}

std::size_t JoinKeyHash::operator()(const JoinKey& key) const {
    std::size_t hash = std::hash<std::string>()(key.text);
    for (const long long number : key.numbers) hash = hash * 1000003u ^ std::hash<long long>()(number);
    return hash;
}

bool PairTest::readsNonKeys(bool firstEnd) const {
    // The properties pair tests read that no endpoint class has as a key.
    static const char* const kNonKeys[] = {"ArrayID",    "InterfaceType",     "BlockType", "PoolType",
                                           "Type",       "HotSpareFlag",      "RAIDLevel", "ElementName",
                                           "OperationalStatus"};
    for (const auto& field : firstEnd ? first : second) {
        if (field.property == nullptr) continue;
        for (const char* name : kNonKeys)
            if (std::string(field.property) == name) return true;
    }
    return false;
}

PropertyNameList PairTest::propertiesRead(bool firstEnd) const {
    PropertyNameList names;
    for (const auto& field : firstEnd ? first : second)
        if (field.property != nullptr) names.emplace_back(field.property);
    // The spare kinds look at the disk's role besides its drive kind.
    if (kind == PairKind::HotSpareOfKind || kind == PairKind::ProtectedOfKind) {
        names.emplace_back("HotSpareFlag");
        names.emplace_back("ArrayID");
    }
    return names;
}

std::string PairTest::describe() const {
    switch (kind) {
    case PairKind::SameNumber:
        return fieldText(first[0]) + " = " + fieldText(second[0]) + " (decimal)";
    case PairKind::SameText:
        return fieldText(first[0]) + " = " + fieldText(second[0]);
    case PairKind::SameNumbers:
        return fieldText(first[0]) + " = " + fieldText(second[0]) + " and " + fieldText(first[1]) + " = " +
               fieldText(second[1]) + " (decimal)";
    case PairKind::DriveKind:
        return "drive kind of (" + fieldsText(first) + ") = (" + fieldsText(second) + ")";
    case PairKind::HotSpareOfKind:
        return "hot spare of the kind: (" + fieldsText(first) + ") = (" + fieldsText(second) + ")";
    case PairKind::ProtectedOfKind:
        return "array member of the kind: (" + fieldsText(first) + ") = (" + fieldsText(second) + ")";
    case PairKind::VolumeSetting:
        return "setting of the volume's array and level: (" + fieldsText(first) + ") = (" + fieldsText(second) + ")";
    case PairKind::Spared:
        return "rebuilding extent for a failed one of the same controller and kind: " + fieldsText(first);
    case PairKind::FailedDisk:
        return "failed disk of the controller: " + fieldText(first[0]) + " = " + fieldsText(second);
    case PairKind::SecondNamed:
        return fieldText(second[0]) + " = \"" + (text ? text : "") + "\"";
    case PairKind::EveryPair:
        return "every pair";
    }
    return "";
}

}  // namespace orv::cim::fwf::associations
