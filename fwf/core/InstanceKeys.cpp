#include "InstanceKeys.h"

#include "CommonFunctions.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace orv::cim::fwf {

namespace {

// An integer of any width, kept exactly.
struct Number {
    bool negative = false;
    uint64_t magnitude = 0;

    bool operator==(const Number& other) const {
        return magnitude == other.magnitude && (negative == other.negative || magnitude == 0);
    }
};

template <typename T>
Number numberOf(T value) {
    if constexpr (std::is_signed_v<T>) {
        if (value < 0) return {true, static_cast<uint64_t>(-(static_cast<int64_t>(value) + 1)) + 1};
    }
    return {false, static_cast<uint64_t>(value)};
}

// The number a decimal text spells, all of it and nothing else.
std::optional<Number> numberOf(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    const char* first = text.data() + (negative ? 1 : 0);
    const char* last = text.data() + text.size();
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(first, last, magnitude);
    if (first == last || error != std::errc() || end != last) return std::nullopt;
    return Number{negative, magnitude};
}

// One key's single value in the forms that compare; texts and paths stay
// where the key binding keeps them, which outlives the comparison.
using KeyValue = std::variant<std::monostate, bool, Number, const std::string*, const CIMObjectPath*>;

KeyValue valueOf(const CIMKeyBinding& key) {
    return key.visitValue([](const auto& holder) -> KeyValue {
        using Holder = std::decay_t<decltype(holder)>;
        if constexpr (std::is_same_v<Holder, std::monostate>) {
            return std::monostate{};
        } else {
            using T = typename Holder::Element;
            if (holder.isNull() || holder.size() != 1) return std::monostate{};
            if constexpr (std::is_same_v<T, bool>) {
                return static_cast<bool>(holder.at(0));
            } else if constexpr (std::is_integral_v<T>) {
                return numberOf(holder.at(0));
            } else if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, CIMObjectPath>) {
                return KeyValue(std::in_place_type<const T*>, &holder.at(0));
            } else {
                return std::monostate{};
            }
        }
    });
}

bool holdsClassName(const std::string& keyName) {
    constexpr std::string_view kSuffix = "creationclassname";
    return keyName.size() >= kSuffix.size() &&
           CommonFunctions::equalsIgnoreCase(std::string_view(keyName).substr(keyName.size() - kSuffix.size()), kSuffix);
}

bool sameText(const std::string& a, const std::string& b, bool ignoreCase) {
    return ignoreCase ? CommonFunctions::equalsIgnoreCase(a, b) : a == b;
}

bool sameOptionalName(const std::string& a, const std::string& b) {
    return a.empty() || b.empty() || CommonFunctions::equalsIgnoreCase(a, b);
}

bool sameReference(const CIMObjectPath& a, const CIMObjectPath& b) {
    return CommonFunctions::equalsIgnoreCase(a.getClassName(), b.getClassName()) &&
           sameOptionalName(a.getNameSpace(), b.getNameSpace()) && sameOptionalName(a.getHost(), b.getHost()) &&
           keysNameInstance(a, b);
}

bool sameValue(const std::string& keyName, const KeyValue& wanted, const KeyValue& actual) {
    if (const auto* text = std::get_if<const std::string*>(&wanted)) {
        if (const auto* other = std::get_if<const std::string*>(&actual))
            return sameText(**text, **other, holdsClassName(keyName));
        if (const auto* number = std::get_if<Number>(&actual)) return numberOf(**text) == *number;
        return false;
    }
    if (const auto* number = std::get_if<Number>(&wanted)) {
        if (const auto* other = std::get_if<Number>(&actual)) return *number == *other;
        if (const auto* text = std::get_if<const std::string*>(&actual)) return numberOf(**text) == *number;
        return false;
    }
    if (const auto* flag = std::get_if<bool>(&wanted)) {
        const auto* other = std::get_if<bool>(&actual);
        return other != nullptr && *flag == *other;
    }
    if (const auto* path = std::get_if<const CIMObjectPath*>(&wanted)) {
        const auto* other = std::get_if<const CIMObjectPath*>(&actual);
        return other != nullptr && sameReference(**path, **other);
    }
    return false;
}

}  // namespace

bool keysNameInstance(const CIMObjectPath& request, const CIMObjectPath& instance) {
    const auto& wanted = request.getKeyBindings();
    const auto& actual = instance.getKeyBindings();
    if (wanted.size() != actual.size()) return false;
    // Every key of the instance must be matched; with equal counts that
    // leaves no request key over.
    for (const CIMKeyBinding& key : actual) {
        const CIMKeyBinding* partner = nullptr;
        for (const CIMKeyBinding& candidate : wanted) {
            if (CommonFunctions::equalsIgnoreCase(candidate.getName(), key.getName())) {
                if (partner != nullptr) return false;  // named twice
                partner = &candidate;
            }
        }
        if (partner == nullptr || !sameValue(key.getName(), valueOf(*partner), valueOf(key))) return false;
    }
    return true;
}

}  // namespace orv::cim::fwf
