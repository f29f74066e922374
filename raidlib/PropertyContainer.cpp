#include "PropertyContainer.h"

#include <algorithm>

#include "Logger.h"

namespace orv::raidlib {

namespace {

// A property whose stored code does not match its value type is treated as
// an unknown type everywhere, so a mislabelled property can never be read
// through the wrong value type.
template <typename T>
const Property<T>* as(const AbstractDataType& property, int32_t code) {
    if (property.getType() != code) return nullptr;
    return property.valueAs<T>();
}

bool isKnownType(const AbstractDataType& property) {
    switch (property.getType()) {
    case VRLCINT: return as<VrlInt>(property, VRLCINT) != nullptr;
    case VRLCFLOAT: return as<float>(property, VRLCFLOAT) != nullptr;
    case VRLCSTRING: return as<std::string>(property, VRLCSTRING) != nullptr;
    case VRLCVECTOR: return as<VrlVector>(property, VRLCVECTOR) != nullptr;
    case VRLCU64: return as<uint64_t>(property, VRLCU64) != nullptr;
    default: return false;
    }
}

const PropertyContainer::List& chosen(const PropertyContainer& container, bool isKey) {
    return isKey ? container.keyProperties() : container.nonKeyProperties();
}

template <typename T>
uint32_t readValue(const PropertyContainer& container, T& value, std::string_view name, bool isKey,
                   int32_t code) {
    const AbstractDataType* found = container.findProperty(name, isKey);
    if (found == nullptr) return ContainerStatus::PropertyNotFound;
    const Property<T>* typed = as<T>(*found, code);
    if (typed == nullptr) return ContainerStatus::WrongType;
    value = typed->getValue();
    return ContainerStatus::Success;
}

template <typename T>
bool sameValue(const AbstractDataType& a, const AbstractDataType& b, int32_t code) {
    const Property<T>* left = as<T>(a, code);
    const Property<T>* right = as<T>(b, code);
    return left != nullptr && right != nullptr && left->getValue() == right->getValue();
}

void printProperty(const AbstractDataType& property, const char* listLabel) {
    const std::string& name = property.getName();
    if (name.empty()) return;
    switch (property.getType()) {
    case VRLCINT:
        if (auto* p = as<VrlInt>(property, VRLCINT)) {
            LogMessage(5, "%s:[VRLCINT] %s = %u", listLabel, name.c_str(), p->getValue());
            return;
        }
        break;
    case VRLCFLOAT:
        if (auto* p = as<float>(property, VRLCFLOAT)) {
            LogMessage(5, "%s:[VRLCFLOAT] %s = %f", listLabel, name.c_str(), static_cast<double>(p->getValue()));
            return;
        }
        break;
    case VRLCSTRING:
        if (auto* p = as<std::string>(property, VRLCSTRING)) {
            if (!p->getValue().empty())
                LogMessage(5, "%s:[VRLCSTRING] %s = %s", listLabel, name.c_str(), p->getValue().c_str());
            return;
        }
        break;
    case VRLCVECTOR:
        if (auto* p = as<VrlVector>(property, VRLCVECTOR)) {
            if (p->getValue().empty()) return;
            LogMessage(5, "%s:[VRLCVECTOR] %s", listLabel, name.c_str());
            LogMessage(5, "---------------------------------------------");
            for (uint32_t element : p->getValue()) LogMessage(5, "--> %d", static_cast<int>(element));
            LogMessage(5, "---------------------------------------------");
            return;
        }
        break;
    case VRLCU64:
        if (auto* p = as<uint64_t>(property, VRLCU64)) {
            // Only the low half is shown, as the log has always done.
            LogMessage(5, "%s:[VRLCU64] %s = %u", listLabel, name.c_str(),
                       static_cast<unsigned>(p->getValue() & 0xFFFFFFFFu));
            return;
        }
        break;
    default:
        break;
    }
    LogMessage(5, "[ERROR] No matching property type");
}

}  // namespace

uint32_t PropertyContainer::insertProperty(std::unique_ptr<AbstractDataType> property, bool isKey) {
    if (!property) return ContainerStatus::Success;
    if (findProperty(property->getName(), isKey) != nullptr) return ContainerStatus::AlreadyPresent;
    (isKey ? keys_ : nonKeys_).push_back(std::move(property));
    return ContainerStatus::Success;
}

uint32_t PropertyContainer::CopyProperty(const AbstractDataType& property, bool isKey) {
    if (!isKnownType(property)) {
        LogMessage(2, "ERROR: property %s has an unsupported type to insert", property.getName().c_str());
        return ContainerStatus::Success;
    }
    insertProperty(property.clone(), isKey);
    return ContainerStatus::Success;
}

void PropertyContainer::updateProperty(const AbstractDataType& property, bool isKey, bool insertIfMissing) {
    updateProperty(std::shared_ptr<const AbstractDataType>(property.clone()), isKey, insertIfMissing);
}

void PropertyContainer::updateProperty(const std::shared_ptr<const AbstractDataType>& property, bool isKey,
                                       bool insertIfMissing) {
    List& list = isKey ? keys_ : nonKeys_;
    const auto found = std::find_if(list.begin(), list.end(),
                                    [&](const auto& p) { return p->getName() == property->getName(); });
    if (!isKnownType(*property)) {
        if (found == list.end() && insertIfMissing) {
            LogMessage(2, "ERROR: property %s has an unsupported type to insert", property->getName().c_str());
        }
        return;
    }
    if (found == list.end()) {
        if (insertIfMissing) list.push_back(property);
        return;
    }
    if ((*found)->getType() == property->getType() && isKnownType(**found)) *found = property;
}

void PropertyContainer::shareProperties(const PropertyContainer& other) {
    auto share = [](const List& from, List& to) {
        to.reserve(from.size());
        for (const auto& property : from)
            if (isKnownType(*property)) to.push_back(property);
    };
    share(other.keys_, keys_);
    share(other.nonKeys_, nonKeys_);
}

const AbstractDataType* PropertyContainer::findProperty(std::string_view name, bool isKey) const {
    for (const auto& property : chosen(*this, isKey))
        if (property->getName() == name) return property.get();
    return nullptr;
}

uint32_t PropertyContainer::removeProperty(const std::string& name, bool isKey) {
    List& list = isKey ? keys_ : nonKeys_;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if ((*it)->getName() == name) {
            list.erase(it);
            return ContainerStatus::Success;
        }
    }
    return ContainerStatus::NoMatch;
}

uint32_t PropertyContainer::getPropertyValue(VrlInt& value, std::string_view name, bool isKey) const {
    return readValue(*this, value, name, isKey, VRLCINT);
}
uint32_t PropertyContainer::getPropertyValue(uint64_t& value, std::string_view name, bool isKey) const {
    return readValue(*this, value, name, isKey, VRLCU64);
}
uint32_t PropertyContainer::getPropertyValue(float& value, std::string_view name, bool isKey) const {
    return readValue(*this, value, name, isKey, VRLCFLOAT);
}
uint32_t PropertyContainer::getPropertyValue(std::string& value, std::string_view name, bool isKey) const {
    return readValue(*this, value, name, isKey, VRLCSTRING);
}
uint32_t PropertyContainer::getPropertyValue(VrlVector& value, std::string_view name, bool isKey) const {
    return readValue(*this, value, name, isKey, VRLCVECTOR);
}

uint32_t PropertyContainer::insertInt(const std::string& name, VrlInt value, bool isKey) {
    return insertProperty(std::make_unique<IntProperty>(name, VRLCINT, value), isKey);
}
uint32_t PropertyContainer::insertU64(const std::string& name, uint64_t value, bool isKey) {
    return insertProperty(std::make_unique<U64Property>(name, VRLCU64, value), isKey);
}
uint32_t PropertyContainer::insertFloat(const std::string& name, float value, bool isKey) {
    return insertProperty(std::make_unique<FloatProperty>(name, VRLCFLOAT, value), isKey);
}
uint32_t PropertyContainer::insertString(const std::string& name, std::string value, bool isKey) {
    return insertProperty(std::make_unique<StringProperty>(name, VRLCSTRING, std::move(value)), isKey);
}
uint32_t PropertyContainer::insertVector(const std::string& name, VrlVector value, bool isKey) {
    return insertProperty(std::make_unique<VectorProperty>(name, VRLCVECTOR, std::move(value)), isKey);
}

void PropertyContainer::clear() {
    keys_.clear();
    nonKeys_.clear();
}

void PropertyContainer::print(const std::string& label) const {
    LogMessage(5, "******************** Printing %s propertycontainer ********************", label.c_str());
    for (const auto& property : keys_) printProperty(*property, "[KEY]");
    for (const auto& property : nonKeys_) printProperty(*property, "[NON-KEY]");
    LogMessage(5, "******************************************************************");
}

uint32_t matchKeys(const PropertyContainer& object, const PropertyContainer& keys) {
    bool matched = false;
    for (const auto& key : keys.keyProperties()) {
        const int32_t code = key->getType();
        if (code < VRLCINT || code > VRLCU64) {
            LogMessage(2, "ERROR: key %s has an invalid data type %d", key->getName().c_str(), static_cast<int>(code));
            return ContainerStatus::NoMatch;
        }
        for (const auto& candidate : object.keyProperties()) {
            if (candidate->getName() != key->getName() || candidate->getType() != code) continue;
            bool equal = false;
            switch (code) {
            case VRLCINT: equal = sameValue<VrlInt>(*candidate, *key, code); break;
            case VRLCFLOAT: equal = sameValue<float>(*candidate, *key, code); break;
            case VRLCSTRING: equal = sameValue<std::string>(*candidate, *key, code); break;
            case VRLCU64: equal = sameValue<uint64_t>(*candidate, *key, code); break;
            case VRLCVECTOR: equal = sameValue<VrlVector>(*candidate, *key, code); break;
            }
            if (!equal) return ContainerStatus::NoMatch;
            matched = true;
        }
    }
    return matched ? ContainerStatus::Success : ContainerStatus::NoMatch;
}

}  // namespace orv::raidlib
