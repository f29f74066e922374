// A named CIM property value. The type code selects the one holder that is
// meaningful; a property of a type without storage (char16, reals, datetime
// arrays, unknown codes) carries only its name, type and key flag.
#pragma once

#include "CIMInstance.h"
#include "CIMValueHolder.h"

#include <string>
#include <utility>
#include <variant>

namespace orv::cim::fwf {

class CIMProperty {
public:
    CIMProperty() = default;
    // The type must name a type that uses T's holder (the string holder
    // serves CIM_STRING, CIM_STRING_ARRAY and CIM_DATETIME); otherwise the
    // value is dropped.
    template <typename T>
    CIMProperty(std::string name, CIMValue<T> value, bool isKey, CIMDataType type)
        : name_(std::move(name)), type_(type), isKey_(isKey) {
        // Properties never carry real values, whatever a caller hands in.
        if (type != CIM_REAL32 && type != CIM_REAL64) {
            holder_ = makeHolder<PropertyValueHolder>(type, std::move(value));
        }
    }

    const std::string& getName() const { return name_; }
    CIMDataType getType() const { return type_; }
    bool isKey() const { return isKey_; }

    // A copy of T's holder; empty unless the type selects it.
    template <typename T>
    CIMValue<T> getValue() const {
        static_assert(holdsValueOf<CIMValue<T>, PropertyValueHolder>, "no holder for this element type");
        if (const auto* value = std::get_if<CIMValue<T>>(&holder_)) return *value;
        return {};
    }

    // Calls visitor with the held CIMValue, or std::monostate when none.
    template <typename Visitor>
    decltype(auto) visitValue(Visitor&& visitor) const {
        return std::visit(std::forward<Visitor>(visitor), holder_);
    }

private:
    std::string name_;
    CIMDataType type_ = CIM_BOOLEAN;
    bool isKey_ = false;
    // Only ever holds the value that type_ selects, so the implicit copy
    // follows the copy rule by construction.
    PropertyValueHolder holder_;
};

}  // namespace orv::cim::fwf
