// A typed CIM value: every value, scalar or array, is a vector of elements;
// a scalar is a vector of one. The flags keep what CMPI reported about it.
#pragma once

#include <cassert>
#include <cstddef>
#include <utility>
#include <vector>

namespace orv::cim::fwf {

template <typename T>
class CIMValue {
public:
    using Element = T;

    CIMValue() = default;
    CIMValue(std::vector<T> values, bool isArray, bool isNull)
        : values_(std::move(values)), isArray_(isArray), isNull_(isNull) {}

    const std::vector<T>& getValues() const { return values_; }
    std::size_t size() const { return values_.size(); }
    // Callers check size() first; std::vector<bool> answers a plain bool here.
    decltype(auto) at(std::size_t index) const {
        assert(index < values_.size());
        return values_[index];
    }
    bool isArray() const { return isArray_; }
    bool isNull() const { return isNull_; }

private:
    std::vector<T> values_;
    bool isArray_ = false;
    bool isNull_ = false;
};

}  // namespace orv::cim::fwf
