// The value storage shared by properties and key bindings. One alternative per
// element type; the type code decides which one a property or key binding may
// hold, so a value of a type without storage is never kept, never copied and
// never observable.
#pragma once

#include "CIMDataType.h"
#include "CIMValue.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace orv::cim::fwf {

class CIMObjectPath;
class CIMInstance;

// Tag naming the element type that a type code keeps its values as.
template <typename T>
struct HolderOf {
    using Element = T;
};
// Tag for the codes that have no storage anywhere in the framework.
struct NoHolder {};

// The one mapping from type code to holder. Construction, copying, equality,
// formatting and the CMPI conversions all go through it.
template <typename Visitor>
decltype(auto) visitHolderType(CIMDataType type, Visitor&& visit) {
    switch (type) {
    case CIM_BOOLEAN:
    case CIM_BOOLEAN_ARRAY: return visit(HolderOf<bool>{});
    case CIM_DATETIME:
    case CIM_STRING:
    case CIM_STRING_ARRAY: return visit(HolderOf<std::string>{});
    case CIM_REAL32: return visit(HolderOf<float>{});
    case CIM_REAL64: return visit(HolderOf<double>{});
    case CIM_SINT16:
    case CIM_SINT16_ARRAY: return visit(HolderOf<int16_t>{});
    case CIM_SINT32:
    case CIM_SINT32_ARRAY: return visit(HolderOf<int32_t>{});
    case CIM_SINT64:
    case CIM_SINT64_ARRAY: return visit(HolderOf<int64_t>{});
    case CIM_SINT8:
    case CIM_SINT8_ARRAY: return visit(HolderOf<int8_t>{});
    case CIM_UINT16:
    case CIM_UINT16_ARRAY: return visit(HolderOf<uint16_t>{});
    case CIM_UINT32:
    case CIM_UINT32_ARRAY: return visit(HolderOf<uint32_t>{});
    case CIM_UINT64:
    case CIM_UINT64_ARRAY: return visit(HolderOf<uint64_t>{});
    case CIM_UINT8:
    case CIM_UINT8_ARRAY: return visit(HolderOf<uint8_t>{});
    case CIM_REFERENCE:
    case CIM_REFERENCE_ARRAY: return visit(HolderOf<CIMObjectPath>{});
    case CIM_INSTANCE: return visit(HolderOf<CIMInstance>{});
    default: return visit(NoHolder{});
    }
}

// Holders in the traditional order; a property adds the instance holder.
template <typename... Extra>
using CIMValueHolderOf =
    std::variant<std::monostate, CIMValue<std::string>, CIMValue<uint8_t>, CIMValue<int8_t>,
                 CIMValue<uint16_t>, CIMValue<int16_t>, CIMValue<uint32_t>, CIMValue<int32_t>,
                 CIMValue<float>, CIMValue<double>, CIMValue<uint64_t>, CIMValue<int64_t>,
                 CIMValue<bool>, CIMValue<CIMObjectPath>, Extra...>;
using KeyValueHolder = CIMValueHolderOf<>;
using PropertyValueHolder = CIMValueHolderOf<CIMValue<CIMInstance>>;

template <typename Alternative, typename Holder>
struct IsHolderAlternative : std::false_type {};
template <typename Alternative, typename... Alternatives>
struct IsHolderAlternative<Alternative, std::variant<Alternatives...>>
    : std::disjunction<std::is_same<Alternative, Alternatives>...> {};
// True when Holder can keep a value of this kind (std::monostate excluded).
template <typename Value, typename Holder>
inline constexpr bool holdsValueOf =
    !std::is_same_v<Value, std::monostate> && IsHolderAlternative<Value, Holder>::value;

// The holder for `value` when `type` selects its element type, else empty.
template <typename Holder, typename T>
Holder makeHolder(CIMDataType type, CIMValue<T>&& value) {
    static_assert(holdsValueOf<CIMValue<T>, Holder>, "no holder for this element type");
    Holder holder;
    visitHolderType(type, [&](auto selected) {
        if constexpr (std::is_same_v<decltype(selected), HolderOf<T>>) {
            holder = std::move(value);
        }
    });
    return holder;
}

}  // namespace orv::cim::fwf
