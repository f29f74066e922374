#include "SchemaAgreement.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <set>

#include "SchemaGenerators.h"

namespace agreementtest {

namespace schema = orv::schema;
using orv::cmpiserver::toLower;

const schema::ClassTable& providerSchema() {
    static const schema::ClassTable table = schema::loadProviderSchema(ORV_SCHEMA_DIR);
    return table;
}

std::vector<ServedClass> servedClasses() {
    std::vector<ServedClass> served;
    for (const auto& registration : schema::providerRegistrations(providerSchema())) {
        // Indication classes are delivered, never enumerated.
        if (!registration.instance) continue;
        for (const auto& nameSpace : registration.namespaces)
            served.push_back({nameSpace, registration.className, registration.association});
    }
    return served;
}

std::vector<ServedClass> servedAssociations() {
    std::vector<ServedClass> associations;
    for (auto& served : servedClasses())
        if (served.association) associations.push_back(std::move(served));
    return associations;
}

void PrintTo(const ServedClass& served, std::ostream* out) { *out << served.nameSpace << ":" << served.className; }

std::string testNameOf(const ServedClass& served) {
    const bool interop = served.nameSpace == schema::kInteropNamespace;
    return std::string(interop ? "Interop_" : "Storage_") + served.className;
}

std::string canonicalPath(const ObjectPath& path) {
    std::vector<std::string> keys;
    for (const auto& key : path.keys) {
        const std::string text = key.value.elementType() == CMPI_ref && !key.value.isNull()
                                     ? "{" + canonicalPath(key.value.asReference()) + "}"
                                     : key.value.toString();
        keys.push_back(toLower(key.name) + "=" + text);
    }
    std::sort(keys.begin(), keys.end());
    std::string text = toLower(path.className);
    for (std::size_t i = 0; i < keys.size(); ++i) text += (i == 0 ? "." : ",") + keys[i];
    return text;
}

bool sameValue(const Value& a, const Value& b) {
    const bool references = a.type() == CMPI_ref && b.type() == CMPI_ref && !a.isNull() && !b.isNull();
    return references ? canonicalPath(a.asReference()) == canonicalPath(b.asReference()) : a == b;
}

namespace {

// The schema type a CMPI element type stands for; embedded instances are
// strings in the schema and are told apart by a qualifier.
std::optional<schema::CimType> schemaTypeOf(CMPIType elementType) {
    using T = schema::CimType;
    static const std::pair<CMPIType, T> types[] = {
        {CMPI_boolean, T::Boolean}, {CMPI_char16, T::Char16},   {CMPI_real32, T::Real32},  {CMPI_real64, T::Real64},
        {CMPI_uint8, T::UInt8},     {CMPI_sint8, T::SInt8},     {CMPI_uint16, T::UInt16},  {CMPI_sint16, T::SInt16},
        {CMPI_uint32, T::UInt32},   {CMPI_sint32, T::SInt32},   {CMPI_uint64, T::UInt64},  {CMPI_sint64, T::SInt64},
        {CMPI_string, T::String},   {CMPI_chars, T::String},    {CMPI_dateTime, T::DateTime}, {CMPI_ref, T::Reference}};
    for (const auto& [cmpi, cim] : types)
        if (cmpi == elementType) return cim;
    return std::nullopt;
}

std::string declaredTypeText(const schema::Property& declared) {
    std::string text(schema::typeName(declared.type));
    if (declared.isReference()) text = declared.referenceClass + " ref";
    return declared.isArray ? text + "[]" : text;
}

}  // namespace

std::string typeDisagreement(const schema::Property& declared, const Value& value) {
    const CMPIType element = value.elementType();
    bool agrees = value.isArray() == declared.isArray;
    if (element == CMPI_instance) {
        agrees = agrees && declared.type == schema::CimType::String &&
                 (declared.qualifiers.isSet("EmbeddedInstance") || declared.qualifiers.isSet("EmbeddedObject"));
    } else {
        const auto type = schemaTypeOf(element);
        agrees = agrees && type && *type == declared.type;
    }
    if (agrees) return {};
    return "provider " + orv::cmpiserver::typeName(value.type()) + ", schema " + declaredTypeText(declared);
}

std::vector<std::string> propertyDisagreements(const std::string& className, const Instance& instance) {
    const auto& table = providerSchema();
    std::vector<std::string> problems;
    for (const auto& property : instance.properties) {
        const std::string where = className + "." + property.name + ": ";
        const schema::Property* declared = table.findProperty(className, property.name);
        if (declared == nullptr) {
            problems.push_back(where + "not declared on the class or its ancestors (provider " +
                               orv::cmpiserver::typeName(property.value.type()) + ")");
            continue;
        }
        if (const std::string mismatch = typeDisagreement(*declared, property.value); !mismatch.empty()) {
            problems.push_back(where + mismatch);
            continue;
        }
        if (declared->isReference() && !property.value.isNull()) {
            const std::string& target = property.value.asReference().className;
            if (!table.isA(target, declared->referenceClass))
                problems.push_back(where + "refers to " + target + ", schema expects " + declared->referenceClass);
        }
    }
    return problems;
}

std::vector<std::string> keyDisagreements(const std::string& className, const ObjectPath& path) {
    const auto& table = providerSchema();
    std::vector<std::string> problems;
    std::set<std::string> declaredKeys;
    for (const schema::Property* key : table.keyProperties(className)) declaredKeys.insert(toLower(key->name));
    std::set<std::string> pathKeys;
    for (const auto& key : path.keys) {
        pathKeys.insert(toLower(key.name));
        const std::string where = className + "." + key.name + ": ";
        if (declaredKeys.count(toLower(key.name)) == 0) {
            problems.push_back(where + "a key of the provider's path but not a key in the schema");
            continue;
        }
        const schema::Property* declared = table.findProperty(className, key.name);
        if (const std::string mismatch = typeDisagreement(*declared, key.value); !mismatch.empty())
            problems.push_back(where + "key " + mismatch);
    }
    for (const schema::Property* key : table.keyProperties(className))
        if (pathKeys.count(toLower(key->name)) == 0)
            problems.push_back(className + "." + key->name +
                               ": a key in the schema but missing from the provider's path");
    return problems;
}

const schema::ClassTable* dmtfAndProviderSchema() {
    static const std::unique_ptr<schema::ClassTable> table = []() -> std::unique_ptr<schema::ClassTable> {
        const std::string dmtf = std::string(ORV_DMTF_SCHEMA_DIR) + "/CIM_Schema.mof";
        if (!std::filesystem::exists(dmtf)) return nullptr;
        auto loaded = std::make_unique<schema::ClassTable>(schema::ClassTable::load(dmtf));
        loaded->addFile(std::string(ORV_SCHEMA_DIR) + "/" + schema::kProviderSchemaFile);
        return loaded;
    }();
    return table.get();
}

namespace {

const schema::Qualifier* nearestValueMap(const schema::ClassTable& table, const std::string& className,
                                         const std::string& propertyName) {
    for (const schema::ClassDecl* decl : table.lineage(className)) {
        const schema::Property* property = decl->ownProperty(propertyName);
        if (property == nullptr) continue;
        if (const schema::Qualifier* map = property->qualifiers.find("ValueMap"); map != nullptr && map->value)
            return map;
    }
    return nullptr;
}

std::optional<long double> numberOf(const Value& value) {
    switch (value.elementType()) {
        case CMPI_uint8: case CMPI_uint16: case CMPI_uint32: case CMPI_uint64:
            return static_cast<long double>(value.asUnsigned());
        case CMPI_sint8: case CMPI_sint16: case CMPI_sint32: case CMPI_sint64:
            return static_cast<long double>(value.asSigned());
        default:
            return std::nullopt;
    }
}

// A map entry is a value or a range "low..high" whose ends may be left open.
// Texts are compared as they are; other kinds of value carry no map.
bool entryAdmits(const std::string& entry, const Value& value) {
    if (value.elementType() == CMPI_string || value.elementType() == CMPI_chars) return entry == value.asString();
    const auto v = numberOf(value);
    if (!v) return true;
    const auto bound = [](const std::string& text, long double open) {
        return text.empty() ? open : static_cast<long double>(std::strtoll(text.c_str(), nullptr, 0));
    };
    const std::size_t dots = entry.find("..");
    if (dots == std::string::npos) return !entry.empty() && bound(entry, 0) == *v;
    const long double infinity = std::numeric_limits<long double>::infinity();
    return bound(entry.substr(0, dots), -infinity) <= *v && *v <= bound(entry.substr(dots + 2), infinity);
}

}  // namespace

ValueMapCheck checkValueMaps(const schema::ClassTable& table, const std::string& className,
                             const Instance& instance) {
    ValueMapCheck check;
    for (const auto& property : instance.properties) {
        const schema::Qualifier* map = nearestValueMap(table, className, property.name);
        if (map == nullptr || property.value.isNull()) continue;
        const std::string where = className + "." + property.name;
        check.mappedProperties.push_back(where);
        const std::vector<Value> values =
            property.value.isArray() ? property.value.elements() : std::vector<Value>{property.value};
        for (const Value& value : values) {
            const bool admitted = std::any_of(map->value->elements.begin(), map->value->elements.end(),
                                              [&](const schema::Value::Scalar& entry) {
                                                  return entryAdmits(entry.text, value);
                                              });
            if (!admitted) check.problems.push_back(where + ": " + value.toString() + " is not in its ValueMap");
        }
    }
    return check;
}

std::vector<const schema::Property*> referencesOf(const std::string& associationClass) {
    std::vector<const schema::Property*> references;
    for (const schema::Property* property : providerSchema().allProperties(associationClass))
        if (property->isReference()) references.push_back(property);
    return references;
}

}  // namespace agreementtest
