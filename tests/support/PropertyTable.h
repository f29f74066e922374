// Expected property values written as table rows, one row per property, and
// checked against an instance row by row: a failure names the object and the
// property of its row. Values compare as text, so one row type serves every
// property type; a row may name the CIM type as well.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "CIMDataType.h"
#include "CIMInstance.h"
#include "CIMProperty.h"

namespace orv::test {

// What a property without values, or an instance without the property, reads as.
constexpr const char* kAbsent = "<none>";

template <typename T>
std::string elementText(const T& element) {
    if constexpr (std::is_same_v<T, bool>) {
        return element ? "true" : "false";
    } else if constexpr (std::is_same_v<T, std::string>) {
        return element;
    } else if constexpr (std::is_arithmetic_v<T>) {
        return std::to_string(element);
    } else if constexpr (std::is_same_v<T, orv::cim::fwf::CIMObjectPath>) {
        return element.toString();
    } else {
        return "<instance>";
    }
}

template <typename T>
std::string joined(const std::vector<T>& elements) {
    std::string text;
    for (std::size_t i = 0; i < elements.size(); ++i) text += (i == 0 ? "" : ",") + elementText<T>(elements[i]);
    return elements.empty() ? kAbsent : text;
}

// A property's values as text: "2,3" for an array, kAbsent when it has none.
inline std::string propertyText(const orv::cim::fwf::CIMInstance& instance, const std::string& name) {
    const orv::cim::fwf::CIMProperty* property = instance.getProperty(name);
    if (property == nullptr) return kAbsent;
    return property->visitValue([](const auto& held) -> std::string {
        if constexpr (std::is_same_v<std::decay_t<decltype(held)>, std::monostate>) {
            return kAbsent;
        } else {
            return joined(held.getValues());
        }
    });
}

// One row: a property, the value it should read as (a text, a number or a
// flag) and, where the row names one, the CIM type it should carry.
struct Pin {
    static constexpr int kAnyType = -1;
    std::string property;
    std::string expected;
    int type = kAnyType;
    template <typename T>
    Pin(std::string name, const T& value, int cimType = kAnyType)
        : property(std::move(name)), expected(textOf(value)), type(cimType) {}

private:
    static std::string textOf(const char* value) { return value; }
    static std::string textOf(const std::string& value) { return value; }
    template <typename T>
    static std::string textOf(const T& value) { return elementText<T>(value); }
};

// A failure also names the line of the table that holds the row.
inline void expectProperties(const orv::cim::fwf::CIMInstance& instance, const std::string& object,
                             const std::vector<Pin>& rows, const char* file = __builtin_FILE(),
                             int line = __builtin_LINE()) {
    const ::testing::ScopedTrace table(file, line, object);
    for (const Pin& row : rows) {
        EXPECT_EQ(propertyText(instance, row.property), row.expected) << object << " " << row.property;
        if (row.type == Pin::kAnyType) continue;
        const orv::cim::fwf::CIMProperty* property = instance.getProperty(row.property);
        EXPECT_EQ(property == nullptr ? Pin::kAnyType : static_cast<int>(property->getType()), row.type)
            << object << " " << row.property << " type";
    }
}

}  // namespace orv::test
