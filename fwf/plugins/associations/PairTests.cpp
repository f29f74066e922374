// How each kind of pair test reads its two instances. Key values are read
// through the framework's one key-field splitter; a value that an instance
// lacks never matches, so two objects without an identifier are not related
// through "0 = 0".
#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <type_traits>

#include "AssociationCatalogue.h"
#include "CommonFunctions.h"
#include "PoolSupport.h"

namespace orv::cim::fwf::associations {

namespace {

const CIMProperty* propertyOf(const CIMInstance& instance, const Field& field) {
    return field.property == nullptr ? nullptr : instance.getProperty(field.property);
}

// The first element of a text property, borrowed from the instance: pair
// tests run for every candidate pair of an enumeration, so no copies.
const std::string* firstText(const CIMProperty& property) {
    return property.visitValue([](const auto& value) -> const std::string* {
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, std::monostate>) {
            return nullptr;
        } else if constexpr (std::is_same_v<typename Value::Element, std::string>) {
            return value.getValues().empty() ? nullptr : &value.getValues().front();
        } else {
            return nullptr;
        }
    });
}

std::optional<std::string_view> textOf(const CIMInstance& instance, const Field& field) {
    const CIMProperty* property = propertyOf(instance, field);
    if (property == nullptr) return std::nullopt;
    const std::string* text = firstText(*property);
    if (text == nullptr) return std::nullopt;
    return field.field == 0 ? std::string_view(*text) : CommonFunctions::tokenOf(*text, field.field);
}

// The first element of an integer property, whatever its width.
std::optional<long long> integerOf(const CIMProperty& property) {
    return property.visitValue([](const auto& value) -> std::optional<long long> {
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, std::monostate>) {
            return std::nullopt;
        } else {
            using Element = typename Value::Element;
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
std::optional<long long> numberOf(const CIMInstance& instance, const Field& field) {
    const CIMProperty* property = propertyOf(instance, field);
    if (property == nullptr) return std::nullopt;
    if (const auto number = integerOf(*property)) return number;
    const auto text = textOf(instance, field);
    if (!text) return std::nullopt;
    return decimalOf(*text);
}

bool hasFlag(const CIMInstance& instance, const char* name) {
    const CIMProperty* property = instance.getProperty(name);
    if (property == nullptr) return false;
    const auto value = property->getValue<bool>();
    return value.size() != 0 && value.at(0);
}

bool hasStatus(const CIMInstance& instance, const Field& field, uint16_t status) {
    const CIMProperty* property = propertyOf(instance, field);
    if (property == nullptr) return false;
    const auto values = property->getValue<uint16_t>().getValues();
    return std::find(values.begin(), values.end(), status) != values.end();
}

bool sameNumberAt(const CIMInstance& first, const Field& a, const CIMInstance& second, const Field& b) {
    const auto x = numberOf(first, a);
    const auto y = numberOf(second, b);
    return x && y && *x == *y;
}

// OperationalStatus of a disk as the storage extent publishes it.
constexpr uint16_t kStatusError = 6;
constexpr uint16_t kStatusRebuilding = 32769;
constexpr long long kNoArray = 0xFFFFFFFF;

// A pool-like end names "<controller>_<kind>"; the other end gives its
// controller number, interface and medium. Which end is which follows from
// the fields: the pool end reads one value, the other three.
bool sameDriveKind(const PairTest& test, const CIMInstance& first, const CIMInstance& second,
                   const CIMInstance** disk) {
    const bool poolFirst = test.first[1].property == nullptr;
    const CIMInstance& pool = poolFirst ? first : second;
    const CIMInstance& other = poolFirst ? second : first;
    const Field* poolFields = poolFirst ? test.first : test.second;
    const Field* otherFields = poolFirst ? test.second : test.first;
    *disk = &other;

    const auto poolId = textOf(pool, poolFields[0]);
    if (!poolId) return false;
    const auto name = storage::parsePrimordialPoolInstanceId(std::string(*poolId));
    const auto controller = numberOf(other, otherFields[0]);
    const auto interface = numberOf(other, otherFields[1]);
    const auto medium = numberOf(other, otherFields[2]);
    if (!name || !controller || !interface || !medium) return false;
    return *controller == name->contrId && *interface == name->kind->driveType &&
           *medium == name->kind->blockDevType;
}

bool isArrayMember(const CIMInstance& extent) {
    const CIMProperty* property = extent.getProperty("ArrayID");
    const auto array = property == nullptr ? std::nullopt : integerOf(*property);
    return array && *array != kNoArray && !hasFlag(extent, "HotSpareFlag");
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
    const CIMInstance* disk = nullptr;
    switch (kind) {
    case PairKind::SameNumber:
        return sameNumberAt(a, first[0], b, second[0]);
    case PairKind::SameText: {
        const auto x = textOf(a, first[0]);
        const auto y = textOf(b, second[0]);
        return x && y && *x == *y;
    }
    case PairKind::SameNumbers:
        return sameNumberAt(a, first[0], b, second[0]) && sameNumberAt(a, first[1], b, second[1]);
    case PairKind::DriveKind:
        return sameDriveKind(*this, a, b, &disk);
    case PairKind::HotSpareOfKind:
        return sameDriveKind(*this, a, b, &disk) && hasFlag(*disk, "HotSpareFlag");
    case PairKind::ProtectedOfKind:
        return sameDriveKind(*this, a, b, &disk) && isArrayMember(*disk);
    case PairKind::VolumeSetting: {
        if (!sameNumberAt(a, first[0], b, second[0]) || !sameNumberAt(a, first[1], b, second[1])) return false;
        const auto level = numberOf(a, first[2]);
        const auto name = textOf(b, second[2]);
        return level && name && storage::raidLevelName(static_cast<uint32_t>(*level)) == *name;
    }
    case PairKind::Spared: {
        // Same controller and drive kind; the first end is rebuilding the
        // data the failed second end held. An extent never stands in for
        // itself: it cannot be rebuilding and failed at once.
        const auto systemA = textOf(a, first[0]);
        const auto systemB = textOf(b, second[0]);
        return systemA && systemB && *systemA == *systemB && sameNumberAt(a, first[1], b, second[1]) &&
               sameNumberAt(a, first[2], b, second[2]) && hasStatus(a, first[3], kStatusRebuilding) &&
               hasStatus(b, second[3], kStatusError);
    }
    case PairKind::FailedDisk:
        return sameNumberAt(a, first[0], b, second[0]) && hasStatus(b, second[1], kStatusError);
    case PairKind::SecondNamed: {
        const auto value = textOf(b, second[0]);
        return value && text != nullptr && *value == text;
    }
    case PairKind::EveryPair:
        return true;
    }
    return false;
}

std::optional<std::string> PairTest::partition(const CIMInstance& instance, bool firstEnd) const {
    const Field* fields = firstEnd ? first : second;
    switch (kind) {
    case PairKind::SameText:
    case PairKind::Spared:
        if (const auto text = textOf(instance, fields[0])) return std::string(*text);
        return std::nullopt;
    case PairKind::SameNumber:
    case PairKind::SameNumbers:
    case PairKind::VolumeSetting:
    case PairKind::FailedDisk: {
        const auto number = numberOf(instance, fields[0]);
        if (!number) return std::nullopt;
        return std::to_string(*number);
    }
    case PairKind::DriveKind:
    case PairKind::HotSpareOfKind:
    case PairKind::ProtectedOfKind: {
        // The pool end reads one value, "<controller>_<kind>".
        if (fields[1].property == nullptr) {
            const auto id = textOf(instance, fields[0]);
            const auto name = id ? storage::parsePrimordialPoolInstanceId(std::string(*id)) : std::nullopt;
            if (!name) return std::nullopt;
            return std::to_string(name->contrId);
        }
        const auto controller = numberOf(instance, fields[0]);
        if (!controller) return std::nullopt;
        return std::to_string(*controller);
    }
    case PairKind::SecondNamed:
    case PairKind::EveryPair:
        return std::string();
    }
    return std::nullopt;
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
