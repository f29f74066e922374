// A method's input or output arguments: named values in order.
#pragma once

#include "CIMProperty.h"
#include "CommonFunctions.h"

#include <cstddef>
#include <string>
#include <vector>

namespace orv::cim::fwf {

class CIMArgumentList {
public:
    void add(const CIMProperty& argument) { arguments_.push_back(argument); }
    std::size_t size() const { return arguments_.size(); }
    bool empty() const { return arguments_.empty(); }
    // Callers check size() first.
    const CIMProperty& at(std::size_t index) const { return arguments_[index]; }
    // The first argument with exactly this name, or nullptr.
    const CIMProperty* find(const std::string& name) const {
        for (const auto& argument : arguments_) {
            if (CommonFunctions::equalsIgnoreCase(argument.getName(), name)) return &argument;
        }
        return nullptr;
    }
    std::vector<CIMProperty>::const_iterator begin() const { return arguments_.begin(); }
    std::vector<CIMProperty>::const_iterator end() const { return arguments_.end(); }

private:
    std::vector<CIMProperty> arguments_;
};

}  // namespace orv::cim::fwf
