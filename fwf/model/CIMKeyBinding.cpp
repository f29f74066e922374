#include "CIMKeyBinding.h"

#include "CIMException.h"

namespace orv::cim::fwf {

bool CIMKeyBinding::isKeyType(CIMDataType type) {
    switch (type) {
    case CIM_BOOLEAN:
    case CIM_REAL32:
    case CIM_REAL64:
    case CIM_SINT16:
    case CIM_SINT32:
    case CIM_SINT64:
    case CIM_STRING:
    case CIM_UINT16:
    case CIM_UINT32:
    case CIM_UINT64:
    case CIM_REFERENCE: return true;
    default: return false;
    }
}

CIMKeyBinding::CIMKeyBinding(const CIMKeyBinding& other) : name_(other.name_), type_(other.type_) {
    if (!isKeyType(type_)) {
        throw CIMException(1, "%s :: Invalid datatype %d.", "orv::cim::fwf::CIMKeyBinding::CIMKeyBinding",
                           static_cast<int>(type_));
    }
    holder_ = other.holder_;
}

CIMKeyBinding& CIMKeyBinding::operator=(const CIMKeyBinding& other) {
    if (this != &other) {
        CIMKeyBinding copy(other);
        name_ = std::move(copy.name_);
        type_ = copy.type_;
        holder_ = std::move(copy.holder_);
    }
    return *this;
}

bool CIMKeyBinding::operator==(const CIMKeyBinding& other) const {
    if (type_ != other.type_) return false;
    // Reals and the types without storage have no reliable equality as keys.
    if ((type_ >= CIM_CHAR16 && type_ <= CIM_REAL64_ARRAY) || type_ > CIM_REFERENCE) {
        throw CIMException(7, "%s :: %s", "orv::cim::fwf::CIMKeyBinding::operator ==", " :: Not supported");
    }
    return std::visit(
        [](const auto& mine, const auto& theirs) {
            using Mine = std::decay_t<decltype(mine)>;
            if constexpr (!std::is_same_v<Mine, std::decay_t<decltype(theirs)>>) {
                return false;
            } else if constexpr (std::is_same_v<Mine, std::monostate>) {
                return true;
            } else {
                return mine.getValues() == theirs.getValues();
            }
        },
        holder_, other.holder_);
}

}  // namespace orv::cim::fwf
