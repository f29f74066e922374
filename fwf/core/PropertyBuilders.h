// Short forms for the properties and key bindings that plugins build: every
// value is a vector of elements, so a scalar is wrapped in a vector of one.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "CIMDataType.h"
#include "CIMKeyBinding.h"
#include "CIMObjectPath.h"
#include "CIMProperty.h"

namespace orv::cim::fwf {

// A vector of one element, moved in: a braced list would copy it.
template <typename T>
std::vector<T> oneElement(T value) {
    std::vector<T> values;
    values.reserve(1);
    values.push_back(std::move(value));
    return values;
}

template <typename T>
CIMProperty scalarProperty(std::string name, T value, CIMDataType type, bool isKey = false) {
    return CIMProperty(std::move(name), CIMValue<T>(oneElement(std::move(value)), false, false), isKey, type);
}

template <typename T>
CIMProperty arrayProperty(std::string name, std::vector<T> values, CIMDataType arrayType) {
    return CIMProperty(std::move(name), CIMValue<T>(std::move(values), true, false), false, arrayType);
}

inline CIMProperty stringProperty(std::string name, std::string value) {
    return scalarProperty(std::move(name), std::move(value), CIM_STRING);
}

inline CIMProperty referenceProperty(std::string name, CIMObjectPath path, bool isKey = true) {
    return scalarProperty(std::move(name), std::move(path), CIM_REFERENCE, isKey);
}

inline CIMKeyBinding stringKey(std::string name, std::string value) {
    return CIMKeyBinding(std::move(name), oneElement(std::move(value)), CIM_STRING);
}

}  // namespace orv::cim::fwf
