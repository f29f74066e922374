#include "CIMInstance.h"

#include "CIMKeyBinding.h"
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

// Key bindings of the types an instance keeps as key properties; a copied
// binding copies its value, a binding handed over gives it up.
template <typename Key>
void CIMInstance::addKeyProperty(Key&& key) {
    if (!isOneOf(key.getType(), {CIM_SINT16, CIM_SINT32, CIM_SINT8, CIM_STRING, CIM_UINT16, CIM_UINT32, CIM_UINT64,
                                 CIM_UINT8, CIM_REFERENCE})) {
        return;
    }
    const CIMDataType type = key.getType();
    std::string name;
    if constexpr (std::is_const_v<std::remove_reference_t<Key>> || std::is_lvalue_reference_v<Key>) {
        name = key.getName();
    } else {
        name = std::move(key).takeName();
    }
    std::forward<Key>(key).visitValue([&](auto&& holder) {
        using Holder = std::decay_t<decltype(holder)>;
        if constexpr (!std::is_same_v<Holder, std::monostate>) {
            if constexpr (std::is_const_v<std::remove_reference_t<decltype(holder)>>) {
                properties_.emplace_back(std::move(name), Holder(holder.getValues(), false, false), true, type);
            } else {
                properties_.emplace_back(std::move(name), std::move(holder), true, type);
            }
        }
    });
}

CIMInstance::CIMInstance(const CIMObjectPath& path)
    : host_(path.getHost()), nameSpace_(path.getNameSpace()), className_(path.getClassName()) {
    properties_.reserve(path.getKeyBindings().size());
    for (const auto& key : path.getKeyBindings()) addKeyProperty(key);
}

CIMInstance::CIMInstance(CIMObjectPath&& path) {
    std::vector<CIMKeyBinding> keys = path.releaseKeyBindings();
    properties_.reserve(keys.size());
    for (auto& key : keys) addKeyProperty(std::move(key));
    host_ = std::move(path).takeHost();
    nameSpace_ = std::move(path).takeNameSpace();
    className_ = std::move(path).takeClassName();
}

CIMInstance::CIMInstance(const CIMObjectPath& classPath, std::vector<CIMKeyBinding>&& keys,
                         std::size_t otherProperties)
    : host_(classPath.getHost()), nameSpace_(classPath.getNameSpace()), className_(classPath.getClassName()) {
    properties_.reserve(keys.size() + otherProperties);
    for (auto& key : keys) addKeyProperty(std::move(key));
}

void CIMInstance::setObjectPath(const CIMObjectPath& path) {
    host_ = path.getHost();
    nameSpace_ = path.getNameSpace();
    className_ = path.getClassName();
}

CIMObjectPath CIMInstance::getObjectPath() const {
    CIMObjectPath path(host_, nameSpace_, className_);
    // Keys come first in every instance the plugins build.
    std::size_t keys = 0;
    while (keys < properties_.size() && properties_[keys].isKey()) ++keys;
    path.reserveKeyBindings(keys);
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
