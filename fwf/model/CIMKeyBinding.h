// One key of an object path: a name and a single value of a key type.
#pragma once

#include "CIMObjectPath.h"
#include "CIMValueHolder.h"

#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace orv::cim::fwf {

class CIMKeyBinding {
public:
    CIMKeyBinding() = default;
    template <typename T>
    CIMKeyBinding(std::string name, std::vector<T> values, CIMDataType type)
        : name_(std::move(name)),
          type_(type),
          holder_(makeHolder<KeyValueHolder>(type, CIMValue<T>(std::move(values), false, false))) {}
    // A key binding of a type that cannot be a key cannot be copied (and
    // therefore not be put into a path): code 1, "Invalid datatype".
    CIMKeyBinding(const CIMKeyBinding& other);
    CIMKeyBinding& operator=(const CIMKeyBinding& other);
    // A move only hands over what already exists, so it checks nothing and
    // lets vectors of key bindings grow without copying every element.
    CIMKeyBinding(CIMKeyBinding&& other) noexcept = default;
    CIMKeyBinding& operator=(CIMKeyBinding&& other) noexcept = default;
    ~CIMKeyBinding() = default;

    static bool isKeyType(CIMDataType type);

    const std::string& getName() const { return name_; }
    // The name, given up by a binding that is not needed any more.
    std::string takeName() && { return std::move(name_); }
    CIMDataType getType() const { return type_; }

    // The elements of the holder of T; empty unless the type selects it.
    template <typename T>
    std::vector<T> getValue() const {
        if (const auto* value = std::get_if<CIMValue<T>>(&holder_)) return value->getValues();
        return {};
    }

    // Calls visitor with the held CIMValue, or std::monostate when none.
    template <typename Visitor>
    decltype(auto) visitValue(Visitor&& visitor) const& {
        return std::visit(std::forward<Visitor>(visitor), holder_);
    }
    // The same with the value as an rvalue, for a caller that takes it over.
    template <typename Visitor>
    decltype(auto) visitValue(Visitor&& visitor) && {
        return std::visit(std::forward<Visitor>(visitor), std::move(holder_));
    }

    // Compares type and value, not the name (callers pair keys by name).
    // Types that cannot be compared raise code 7, "Not supported".
    bool operator==(const CIMKeyBinding& other) const;
    bool operator!=(const CIMKeyBinding& other) const { return !(*this == other); }

private:
    std::string name_;
    CIMDataType type_ = CIM_BOOLEAN;
    KeyValueHolder holder_;
};

}  // namespace orv::cim::fwf
