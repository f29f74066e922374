#include "CIMInstance.h"

#include "CommonFunctions.h"

#include <algorithm>
#include <cassert>
#include <initializer_list>

namespace orv::cim::fwf {

namespace {

bool isOneOf(CIMDataType type, std::initializer_list<CIMDataType> types) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

}  // namespace

CIMInstance::CIMInstance() = default;
CIMInstance::CIMInstance(const CIMInstance& other) = default;
CIMInstance::CIMInstance(CIMInstance&& other) noexcept = default;
CIMInstance& CIMInstance::operator=(const CIMInstance& other) = default;
CIMInstance& CIMInstance::operator=(CIMInstance&& other) noexcept = default;
CIMInstance::~CIMInstance() = default;

CIMInstance::CIMInstance(const CIMObjectPath& path)
    : host_(path.getHost()), nameSpace_(path.getNameSpace()), className_(path.getClassName()) {
    for (const auto& key : path.getKeyBindings()) {
        if (!isOneOf(key.getType(), {CIM_SINT16, CIM_SINT32, CIM_SINT8, CIM_STRING, CIM_UINT16, CIM_UINT32,
                                     CIM_UINT64, CIM_UINT8, CIM_REFERENCE})) {
            continue;
        }
        key.visitValue([&](const auto& holder) {
            using Holder = std::decay_t<decltype(holder)>;
            if constexpr (!std::is_same_v<Holder, std::monostate>) {
                properties_.emplace_back(key.getName(), Holder(holder.getValues(), false, false), true,
                                         key.getType());
            }
        });
    }
}

void CIMInstance::setObjectPath(const CIMObjectPath& path) {
    host_ = path.getHost();
    nameSpace_ = path.getNameSpace();
    className_ = path.getClassName();
}

CIMObjectPath CIMInstance::getObjectPath() const {
    CIMObjectPath path(host_, nameSpace_, className_);
    for (const auto& property : properties_) {
        if (!property.isKey() || !isOneOf(property.getType(), {CIM_BOOLEAN, CIM_SINT16, CIM_SINT32, CIM_SINT64,
                                                               CIM_STRING, CIM_UINT16, CIM_UINT32, CIM_UINT64,
                                                               CIM_REFERENCE})) {
            continue;
        }
        property.visitValue([&](const auto& holder) {
            using Holder = std::decay_t<decltype(holder)>;
            if constexpr (holdsValueOf<Holder, KeyValueHolder>) {
                path.addKeyBinding(CIMKeyBinding(property.getName(), holder.getValues(), property.getType()));
            }
        });
    }
    return path;
}

void CIMInstance::addProperty(const CIMProperty& property) { properties_.push_back(property); }
void CIMInstance::addProperty(CIMProperty&& property) { properties_.push_back(std::move(property)); }

const CIMProperty& CIMInstance::getPropertyAt(std::size_t index) const {
    assert(index < properties_.size());
    return properties_[index];
}

const CIMProperty* CIMInstance::getProperty(const std::string& name) const {
    for (const auto& property : properties_) {
        if (CommonFunctions::equalsIgnoreCase(property.getName(), name)) return &property;
    }
    return nullptr;
}

}  // namespace orv::cim::fwf
