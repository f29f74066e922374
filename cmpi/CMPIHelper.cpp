#include "CMPIHelper.h"

#include "CIMException.h"
#include "CIMProperty.h"
#include "Logger.h"
#include "cmpimacro.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace orv::cim::adap::cmpi {

using fwf::CIMArgumentList;
using fwf::CIMDataType;
using fwf::CIMException;
using fwf::CIMInstance;
using fwf::CIMKeyBinding;
using fwf::CIMObjectPath;
using fwf::CIMProperty;
using fwf::CIMValue;

namespace {

constexpr const char* kOperationFailed = " :: Operation Failed";
constexpr const char* kNotSupported = " :: Not supported";

[[noreturn]] void operationFailed() { throw CIMException(1, kOperationFailed); }
[[noreturn]] void notSupported() { throw CIMException(7, kNotSupported); }

CMPIStatus okStatus() { return CMPIStatus{CMPI_RC_OK, nullptr}; }

void checkCall(const CMPIStatus& status) {
    if (status.rc != CMPI_RC_OK) operationFailed();
}

std::string charsOf(const CMPIString* string) {
    if (string == nullptr) operationFailed();
    CMPIStatus status = okStatus();
    const char* chars = string->ft->getCharPtr(string, &status);
    if (status.rc != CMPI_RC_OK || chars == nullptr) operationFailed();
    return chars;
}

// The characters of a string that CMPI lets a server leave without any
// (a path's host, namespace or class name, a string value): nothing when
// the string or its characters are NULL. A failing call is still a failure.
std::optional<std::string> optionalCharsOf(const CMPIString* string) {
    if (string == nullptr) return std::nullopt;
    CMPIStatus status = okStatus();
    const char* chars = string->ft->getCharPtr(string, &status);
    checkCall(status);
    if (chars == nullptr) return std::nullopt;
    return std::string(chars);
}

bool isNull(const CMPIData& data) { return (data.state & CMPI_nullValue) != 0; }

// ---- From CMPI ----------------------------------------------------------

// One element of a CMPI value as the framework keeps it.
bool readElement(const CMPIValue& value, bool*) { return value.boolean != 0; }
uint8_t readElement(const CMPIValue& value, uint8_t*) { return value.uint8; }
uint16_t readElement(const CMPIValue& value, uint16_t*) { return value.uint16; }
uint32_t readElement(const CMPIValue& value, uint32_t*) { return value.uint32; }
uint64_t readElement(const CMPIValue& value, uint64_t*) { return value.uint64; }
// An array element whose characters are NULL reads as an empty string.
std::string readElement(const CMPIValue& value, std::string*) {
    return optionalCharsOf(value.string).value_or("");
}
CIMObjectPath readElement(const CMPIValue& value, CIMObjectPath*) {
    return CMPIHelper::CMPIObjectPathToFrameworkObjectPath(value.ref, true);
}

std::string readDateTime(const CMPIDateTime* dateTime) {
    if (dateTime == nullptr) operationFailed();
    CMPIStatus status = okStatus();
    CMPIString* text = dateTime->ft->getStringFormat(dateTime, &status);
    checkCall(status);
    return charsOf(text);
}

// A scalar as the framework keeps it: one element, or none when null. A
// string whose characters are NULL is a null value too.
template <typename T>
std::vector<T> scalarValues(const CMPIData& data) {
    std::vector<T> values;
    if (isNull(data)) return values;
    if constexpr (std::is_same_v<T, std::string>) {
        if (auto chars = optionalCharsOf(data.value.string)) values.push_back(std::move(*chars));
    } else {
        values.push_back(readElement(data.value, static_cast<T*>(nullptr)));
    }
    return values;
}

template <typename T>
CIMProperty scalarProperty(const std::string& name, const CMPIData& data, bool isKey,
                           CIMDataType type) {
    std::vector<T> values = scalarValues<T>(data);
    const bool null = values.empty();
    return CIMProperty(name, CIMValue<T>(std::move(values), false, null), isKey, type);
}

template <typename T>
CIMKeyBinding keyBinding(const std::string& name, const CMPIData& key, CIMDataType type) {
    return CIMKeyBinding(name, scalarValues<T>(key), type);
}

template <typename T>
CIMProperty arrayProperty(const std::string& name, const CMPIData& data, CIMDataType type,
                          CMPIStatus* status) {
    std::vector<T> values;
    const CMPIArray* array = data.value.array;
    if (!isNull(data)) {
        if (CMIsNullObject(array)) operationFailed();
        const CMPICount size = array->ft->getSize(array, status);
        checkCall(*status);
        for (CMPICount index = 0; index < size; ++index) {
            const CMPIData element = array->ft->getElementAt(array, index, status);
            checkCall(*status);
            values.push_back(isNull(element) ? T{}
                                             : readElement(element.value, static_cast<T*>(nullptr)));
        }
    }
    return CIMProperty(name, CIMValue<T>(std::move(values), true, isNull(data)), false, type);
}

// The framework property for a CMPI value of the scalar types that both
// instances and method arguments carry; nothing for any other type.
std::optional<CIMProperty> commonScalarProperty(const std::string& name, const CMPIData& data,
                                                bool isKey) {
    switch (data.type) {
    case CMPI_boolean: return scalarProperty<bool>(name, data, isKey, fwf::CIM_BOOLEAN);
    case CMPI_uint16: return scalarProperty<uint16_t>(name, data, isKey, fwf::CIM_UINT16);
    case CMPI_uint32: return scalarProperty<uint32_t>(name, data, isKey, fwf::CIM_UINT32);
    case CMPI_uint64: return scalarProperty<uint64_t>(name, data, isKey, fwf::CIM_UINT64);
    case CMPI_ref: return scalarProperty<CIMObjectPath>(name, data, isKey, fwf::CIM_REFERENCE);
    case CMPI_string: return scalarProperty<std::string>(name, data, isKey, fwf::CIM_STRING);
    default: return std::nullopt;
    }
}

// ---- Toward CMPI ----------------------------------------------------------

// Who receives a converted value decides which framework types it takes and
// how a refused type fails.
enum class Target { Key, Property, Argument };

bool isArrayType(CIMDataType type) { return type < fwf::CIM_INSTANCE && (type % 2) == 1; }

// The CMPI element type of a framework type, for the types that have one.
std::optional<CMPIType> cmpiElementType(CIMDataType type) {
    switch (type) {
    case fwf::CIM_BOOLEAN:
    case fwf::CIM_BOOLEAN_ARRAY: return CMPI_boolean;
    case fwf::CIM_DATETIME: return CMPI_dateTime;
    case fwf::CIM_SINT16:
    case fwf::CIM_SINT16_ARRAY: return CMPI_sint16;
    case fwf::CIM_SINT32:
    case fwf::CIM_SINT32_ARRAY: return CMPI_sint32;
    case fwf::CIM_SINT64:
    case fwf::CIM_SINT64_ARRAY: return CMPI_sint64;
    case fwf::CIM_SINT8:
    case fwf::CIM_SINT8_ARRAY: return CMPI_sint8;
    case fwf::CIM_STRING:
    case fwf::CIM_STRING_ARRAY: return CMPI_string;
    case fwf::CIM_UINT16:
    case fwf::CIM_UINT16_ARRAY: return CMPI_uint16;
    case fwf::CIM_UINT32:
    case fwf::CIM_UINT32_ARRAY: return CMPI_uint32;
    case fwf::CIM_UINT64:
    case fwf::CIM_UINT64_ARRAY: return CMPI_uint64;
    case fwf::CIM_UINT8:
    case fwf::CIM_UINT8_ARRAY: return CMPI_uint8;
    case fwf::CIM_REFERENCE:
    case fwf::CIM_REFERENCE_ARRAY: return CMPI_ref;
    case fwf::CIM_INSTANCE: return CMPI_instance;
    default: return std::nullopt;
    }
}

bool takes(Target target, CIMDataType type) {
    switch (target) {
    case Target::Key: return type <= fwf::CIM_REFERENCE;
    case Target::Property: return type != fwf::CIM_REFERENCE_ARRAY;
    case Target::Argument:
        switch (type) {
        case fwf::CIM_BOOLEAN:
        case fwf::CIM_SINT16:
        case fwf::CIM_SINT32:
        case fwf::CIM_SINT64:
        case fwf::CIM_SINT8:
        case fwf::CIM_STRING:
        case fwf::CIM_UINT16:
        case fwf::CIM_UINT32:
        case fwf::CIM_UINT64:
        case fwf::CIM_UINT64_ARRAY:
        case fwf::CIM_UINT8:
        case fwf::CIM_REFERENCE:
        case fwf::CIM_REFERENCE_ARRAY: return true;
        default: return false;
        }
    }
    return false;
}

// The CMPI element type for a target, or the target's failure: a key of an
// unknown type is an internal fault, a property or argument of a type the
// interface cannot carry is unsupported.
CMPIType elementTypeFor(Target target, CIMDataType type) {
    const std::optional<CMPIType> element = cmpiElementType(type);
    if (!element || !takes(target, type)) {
        if (target == Target::Key) operationFailed();
        notSupported();
    }
    return *element;
}

// Where each integral element lives in a CMPIValue.
template <typename T>
constexpr auto kValueMember = nullptr;
template <> constexpr auto kValueMember<bool> = &CMPIValue::boolean;
template <> constexpr auto kValueMember<uint8_t> = &CMPIValue::uint8;
template <> constexpr auto kValueMember<int8_t> = &CMPIValue::sint8;
template <> constexpr auto kValueMember<uint16_t> = &CMPIValue::uint16;
template <> constexpr auto kValueMember<int16_t> = &CMPIValue::sint16;
template <> constexpr auto kValueMember<uint32_t> = &CMPIValue::uint32;
template <> constexpr auto kValueMember<int32_t> = &CMPIValue::sint32;
template <> constexpr auto kValueMember<uint64_t> = &CMPIValue::uint64;
template <> constexpr auto kValueMember<int64_t> = &CMPIValue::sint64;

template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
CMPIValue makeElement(T element, CMPIType, const CMPIBroker*) {
    CMPIValue value{};
    value.*kValueMember<T> = element;
    return value;
}
CMPIValue makeElement(const std::string& element, CMPIType type, const CMPIBroker* broker) {
    CMPIValue value{};
    CMPIStatus status = okStatus();
    if (type == CMPI_dateTime) {
        value.dateTime = broker->eft->newDateTimeFromChars(broker, element.c_str(), &status);
    } else {
        value.string = broker->eft->newString(broker, element.c_str(), &status);
    }
    // Both members overlay the same pointer.
    if (status.rc != CMPI_RC_OK || value.string == nullptr) operationFailed();
    return value;
}
CMPIValue makeElement(const CIMObjectPath& element, CMPIType, const CMPIBroker* broker) {
    CMPIValue value{};
    value.ref = CMPIHelper::FrameworkObjectPathToCMPIObjectPath(element, broker);
    return value;
}
CMPIValue makeElement(const CIMInstance& element, CMPIType, const CMPIBroker* broker) {
    CMPIValue value{};
    value.inst = CMPIHelper::FrameworkInstanceToCMPIInstance(element, broker, nullptr);
    return value;
}
// Reals have no CMPI form in this provider; their types never get here.
CMPIValue makeElement(float, CMPIType, const CMPIBroker*) { operationFailed(); }
CMPIValue makeElement(double, CMPIType, const CMPIBroker*) { operationFailed(); }

// A framework value in CMPI form. A null value, or a scalar without an
// element, travels as a null value pointer of the right type. A scalar text
// travels as CMPI_chars, the C string itself in place of the value, as
// every CMPI server accepts it: the server copies the characters once, with
// no string object made first and looked up again.
struct CMPIForm {
    CMPIValue value{};
    CMPIType type = CMPI_null;
    bool null = true;
    const char* chars = nullptr;

    const CMPIValue* pointer() const {
        if (chars != nullptr) return reinterpret_cast<const CMPIValue*>(chars);
        return null ? nullptr : &value;
    }
};

// The scalar element of a form. Text goes as characters to keys and
// properties; method arguments keep string objects, the form that servers
// have always been handed there.
template <typename T>
void setScalar(CMPIForm& form, const T& element, CMPIType type, Target target, const CMPIBroker* broker) {
    if constexpr (std::is_same_v<T, std::string>) {
        if (type == CMPI_string && target != Target::Argument) {
            form.chars = element.c_str();
            form.type = CMPI_chars;
            form.null = false;
            return;
        }
    }
    form.value = makeElement(element, type, broker);
    form.null = false;
}

template <typename Holder>
CMPIForm toCMPIForm(const Holder& holder, CIMDataType type, CMPIType element, Target target,
                    const CMPIBroker* broker) {
    CMPIForm form;
    const bool array = isArrayType(type);
    form.type = array ? static_cast<CMPIType>(element | CMPI_ARRAY) : element;
    if constexpr (!std::is_same_v<Holder, std::monostate>) {
        if (holder.isNull()) return form;
        if (!array) {
            if (holder.size() != 0) setScalar(form, holder.at(0), element, target, broker);
            return form;
        }
        CMPIStatus status = okStatus();
        CMPIArray* values = broker->eft->newArray(broker, static_cast<CMPICount>(holder.size()),
                                                  element, &status);
        if (status.rc != CMPI_RC_OK || CMIsNullObject(values)) operationFailed();
        for (std::size_t index = 0; index < holder.size(); ++index) {
            CMPIValue value = makeElement(holder.at(index), element, broker);
            checkCall(values->ft->setElementAt(values, static_cast<CMPICount>(index), &value, element));
        }
        form.value.array = values;
        form.null = false;
    }
    return form;
}

// Anything with a type code and a held value: properties, arguments, keys.
template <typename Valued>
CMPIForm toCMPIForm(const Valued& valued, Target target, const CMPIBroker* broker) {
    const CMPIType element = elementTypeFor(target, valued.getType());
    return valued.visitValue([&](const auto& holder) {
        return toCMPIForm(holder, valued.getType(), element, target, broker);
    });
}

}  // namespace

CIMObjectPath CMPIHelper::CMPIObjectPathToFrameworkObjectPath(const CMPIObjectPath* path,
                                                              bool withKeys) {
    if (CMIsNullObject(path)) operationFailed();
    CMPIStatus status = okStatus();

    // Servers leave out what they do not have: SFCB's request paths carry
    // no host. A missing part is carried as an empty text.
    CMPIString* host = path->ft->getHostname(path, &status);
    checkCall(status);
    const std::string hostName = optionalCharsOf(host).value_or("");

    CMPIString* nameSpace = path->ft->getNameSpace(path, &status);
    if (status.rc != CMPI_RC_OK || nameSpace == nullptr) {
        throw CIMException(3, " :: Invalid namespace");
    }
    const std::string nameSpaceName = optionalCharsOf(nameSpace).value_or("");

    CMPIString* className = path->ft->getClassName(path, &status);
    if (status.rc != CMPI_RC_OK || className == nullptr) throw CIMException(5, " :: Invalid class");
    const std::string classNameText = optionalCharsOf(className).value_or("");

    CIMObjectPath result(hostName, nameSpaceName, classNameText);
    if (withKeys && !CMPIKeysToFrameworkKeys(path, result)) operationFailed();
    return result;
}

bool CMPIHelper::CMPIKeysToFrameworkKeys(const CMPIObjectPath* path, CIMObjectPath& out) {
    if (CMIsNullObject(path)) return false;
    CMPIStatus status = okStatus();
    const CMPICount count = path->ft->getKeyCount(path, &status);
    checkCall(status);
    for (CMPICount index = 0; index < count; ++index) {
        CMPIString* nameString = nullptr;
        const CMPIData key = path->ft->getKeyAt(path, index, &nameString, &status);
        checkCall(status);
        const std::string name = charsOf(nameString);
        switch (key.type) {
        case CMPI_boolean: out.addKeyBinding(keyBinding<bool>(name, key, fwf::CIM_BOOLEAN)); break;
        case CMPI_sint64: {
            // The server hands every integer key over as sint64; the
            // provider's numeric keys are all 32-bit unsigned.
            std::vector<uint32_t> values;
            if (!isNull(key)) values.push_back(static_cast<uint32_t>(key.value.sint64));
            out.addKeyBinding(CIMKeyBinding(name, std::move(values), fwf::CIM_UINT32));
            break;
        }
        case CMPI_ref: out.addKeyBinding(keyBinding<CIMObjectPath>(name, key, fwf::CIM_REFERENCE)); break;
        case CMPI_string: out.addKeyBinding(keyBinding<std::string>(name, key, fwf::CIM_STRING)); break;
        default: break;
        }
    }
    return true;
}

bool CMPIHelper::CMPIInstanceToFrameworkInstance(const CMPIInstance* instance, CIMInstance& out) {
    if (CMIsNullObject(instance)) return false;
    CMPIStatus status = okStatus();
    const CMPICount count = instance->ft->getPropertyCount(instance, &status);
    checkCall(status);
    for (CMPICount index = 0; index < count; ++index) {
        CMPIString* nameString = nullptr;
        const CMPIData data = instance->ft->getPropertyAt(instance, index, &nameString, &status);
        checkCall(status);
        const std::string name = charsOf(nameString);
        const bool isKey = (data.state & CMPI_keyValue) != 0;
        if (data.type == CMPI_dateTime) {
            std::vector<std::string> values;
            if (!isNull(data)) values.push_back(readDateTime(data.value.dateTime));
            out.addProperty(CIMProperty(name, CIMValue<std::string>(std::move(values), false, isNull(data)),
                                        isKey, fwf::CIM_DATETIME));
        } else if (auto property = commonScalarProperty(name, data, isKey)) {
            out.addProperty(*property);
        }
    }
    return true;
}

CIMArgumentList CMPIHelper::CMPIArgsToFrameworkArgs(const CMPIArgs* args, CMPIStatus* status) {
    CMPIStatus local = okStatus();
    if (status == nullptr) status = &local;
    CIMArgumentList result;
    if (CMIsNullObject(args)) operationFailed();
    const CMPICount count = args->ft->getArgCount(args, status);
    checkCall(*status);
    for (CMPICount index = 0; index < count; ++index) {
        CMPIString* nameString = nullptr;
        const CMPIData data = args->ft->getArgAt(args, index, &nameString, status);
        checkCall(*status);
        const std::string name = charsOf(nameString);
        if (auto property = commonScalarProperty(name, data, false)) {
            result.add(*property);
            continue;
        }
        switch (data.type) {
        case CMPI_uint8A:
            result.add(arrayProperty<uint8_t>(name, data, fwf::CIM_UINT8_ARRAY, status));
            break;
        case CMPI_uint32A:
            result.add(arrayProperty<uint32_t>(name, data, fwf::CIM_UINT32_ARRAY, status));
            break;
        case CMPI_refA:
            result.add(arrayProperty<CIMObjectPath>(name, data, fwf::CIM_REFERENCE_ARRAY, status));
            break;
        case CMPI_stringA:
            result.add(arrayProperty<std::string>(name, data, fwf::CIM_STRING_ARRAY, status));
            break;
        default: notSupported();
        }
    }
    return result;
}

namespace {

// A CMPI path of the framework's host, namespace and class; `addKeys`
// adds the keys.
template <typename AddKeys>
CMPIObjectPath* newCMPIPath(const std::string& host, const std::string& nameSpace, const std::string& className,
                            const CMPIBroker* broker, AddKeys&& addKeys) {
    if (broker == nullptr) operationFailed();
    CMPIStatus status = okStatus();
    CMPIObjectPath* result = broker->eft->newObjectPath(broker, nameSpace.c_str(), className.c_str(), &status);
    if (status.rc != CMPI_RC_OK || CMIsNullObject(result)) operationFailed();

    // A path without host stays without one; the server names itself.
    if (!host.empty() && result->ft->setHostname(result, host.c_str()).rc != CMPI_RC_OK) {
        LogMessage(5, "%s:Cannot set object path.",
                   "orv::cim::adap::cmpi::CMPIHelper::FrameworkObjectPathToCMPIObjectPath");
    }
    addKeys(result);
    return result;
}

// Key properties of the types a path takes, as CIMInstance::getObjectPath
// turns them into key bindings, added straight to a CMPI path: an instance
// is answered with its path, and a copy of the path first costs as much as
// the rest of the conversion.
// The key values already in CMPI form, so that the instance's key properties
// take the same values instead of converting them again (a reference would
// otherwise become a second CMPI path). Instances have a handful of keys;
// any beyond the room here are simply converted twice.
class KeyForms {
public:
    void remember(const CIMProperty& property, const CMPIForm& form) {
        if (count_ < entries_.size()) entries_[count_++] = {&property, form};
    }
    const CMPIForm* find(const CIMProperty& property) const {
        for (std::size_t i = 0; i < count_; ++i) {
            if (entries_[i].first == &property) return &entries_[i].second;
        }
        return nullptr;
    }

private:
    std::array<std::pair<const CIMProperty*, CMPIForm>, 8> entries_{};
    std::size_t count_ = 0;
};

void addKeysOfInstance(const CIMInstance& instance, CMPIObjectPath* path, const CMPIBroker* broker,
                       KeyForms& converted) {
    for (const CIMProperty& property : instance.getProperties()) {
        if (!property.isKey()) continue;
        switch (property.getType()) {
        case fwf::CIM_BOOLEAN: case fwf::CIM_SINT16: case fwf::CIM_SINT32: case fwf::CIM_SINT64:
        case fwf::CIM_STRING: case fwf::CIM_UINT16: case fwf::CIM_UINT32: case fwf::CIM_UINT64:
        case fwf::CIM_REFERENCE: break;
        default: continue;
        }
        property.visitValue([&](const auto& holder) {
            using Holder = std::decay_t<decltype(holder)>;
            if constexpr (fwf::holdsValueOf<Holder, fwf::KeyValueHolder>) {
                // A key binding is never null: it holds the property's elements.
                const CMPIType element = elementTypeFor(Target::Key, property.getType());
                CMPIForm form;
                form.type = element;
                if (holder.size() != 0) setScalar(form, holder.at(0), element, Target::Key, broker);
                checkCall(path->ft->addKey(path, property.getName().c_str(), form.pointer(), form.type));
                // As a property a null value stays null, so only a value is shared.
                if (!form.null && !holder.isNull()) converted.remember(property, form);
            }
        });
    }
}

}  // namespace

CMPIObjectPath* CMPIHelper::FrameworkObjectPathToCMPIObjectPath(const CIMObjectPath& path,
                                                               const CMPIBroker* broker) {
    return newCMPIPath(path.getHost(), path.getNameSpace(), path.getClassName(), broker,
                       [&](CMPIObjectPath* result) {
                           for (const CIMKeyBinding& key : path.getKeyBindings()) {
                               const CMPIForm form = toCMPIForm(key, Target::Key, broker);
                               checkCall(result->ft->addKey(result, key.getName().c_str(), form.pointer(),
                                                            form.type));
                           }
                       });
}

CMPIInstance* CMPIHelper::FrameworkInstanceToCMPIInstance(const CIMInstance& instance,
                                                        const CMPIBroker* broker,
                                                        const char** propertyList) {
    if (broker == nullptr) operationFailed();
    KeyForms keyForms;
    CMPIObjectPath* path =
        newCMPIPath(instance.getHost(), instance.getNameSpace(), instance.getClassName(), broker,
                    [&](CMPIObjectPath* result) { addKeysOfInstance(instance, result, broker, keyForms); });
    if (CMIsNullObject(path)) operationFailed();

    CMPIStatus status = okStatus();
    CMPIInstance* result = broker->eft->newInstance(broker, path, &status);
    if (status.rc != CMPI_RC_OK || CMIsNullObject(result)) operationFailed();
    if (propertyList != nullptr) result->ft->setPropertyFilter(result, propertyList, nullptr);

    for (const CIMProperty& property : instance.getProperties()) {
        const CMPIForm* key = property.isKey() ? keyForms.find(property) : nullptr;
        const CMPIForm form = key != nullptr ? *key : toCMPIForm(property, Target::Property, broker);
        const CMPIStatus set =
            result->ft->setProperty(result, property.getName().c_str(), form.pointer(), form.type);
        if (set.rc != CMPI_RC_OK) {
            LogMessage(5, "%s:Exception due to Type MisMatch ->%d.",
                       "orv::cim::adap::cmpi::CMPIHelper::FrameworkInstanceToCMPIInstance",
                       static_cast<int>(set.rc));
            operationFailed();
        }
    }
    path->ft->release(path);
    return result;
}

void CMPIHelper::FrameworkArgsToCMPIArgs(const CIMArgumentList& arguments, CMPIArgs* out,
                                         const CMPIBroker* broker) {
    if (broker == nullptr || CMIsNullObject(out)) operationFailed();
    for (const CIMProperty& argument : arguments) {
        const CMPIForm form = toCMPIForm(argument, Target::Argument, broker);
        checkCall(out->ft->addArg(out, argument.getName().c_str(), form.pointer(), form.type));
    }
}

}  // namespace orv::cim::adap::cmpi
