#include "SchemaFromMof.h"

namespace orv::cimxml {

namespace {

CMPIType cmpiType(schema::CimType type) {
    using schema::CimType;
    switch (type) {
    case CimType::Boolean: return CMPI_boolean;
    case CimType::String: return CMPI_string;
    case CimType::Char16: return CMPI_char16;
    case CimType::DateTime: return CMPI_dateTime;
    case CimType::UInt8: return CMPI_uint8;
    case CimType::SInt8: return CMPI_sint8;
    case CimType::UInt16: return CMPI_uint16;
    case CimType::SInt16: return CMPI_sint16;
    case CimType::UInt32: return CMPI_uint32;
    case CimType::SInt32: return CMPI_sint32;
    case CimType::UInt64: return CMPI_uint64;
    case CimType::SInt64: return CMPI_sint64;
    case CimType::Real32: return CMPI_real32;
    case CimType::Real64: return CMPI_real64;
    case CimType::Reference: return CMPI_ref;
    }
    return CMPI_string;
}

TypeDecl typeDecl(schema::CimType type, bool isArray, const std::string& referenceClass) {
    TypeDecl out;
    out.type = static_cast<CMPIType>(cmpiType(type) | (isArray ? CMPI_ARRAY : 0));
    out.referenceClass = referenceClass;
    return out;
}

}  // namespace

ServerSchema toServerSchema(const schema::ClassTable& table,
                            const std::vector<schema::Registration>& registrations) {
    ServerSchema out;
    for (const auto& name : table.classNames()) {
        const schema::ClassDecl* mof = table.find(name);
        ClassDecl decl;
        decl.name = mof->name;
        decl.superClass = mof->superClass;
        decl.isAssociation = mof->isAssociation();
        decl.isIndication = mof->isIndication();
        decl.isAbstract = mof->isAbstract();
        for (const auto& p : mof->properties)
            decl.properties.push_back(PropertyDecl{p.name, typeDecl(p.type, p.isArray, p.referenceClass),
                                                   table.isKeyProperty(mof->name, p.name)});
        for (const auto& m : mof->methods) {
            MethodDecl method;
            method.name = m.name;
            method.returnType = cmpiType(m.returnType);
            for (const auto& p : m.parameters)
                method.parameters.push_back(ParameterDecl{p.name, typeDecl(p.type, p.isArray, p.referenceClass),
                                                          p.isIn(), p.isOut()});
            decl.methods.push_back(std::move(method));
        }
        out.addClass(std::move(decl));
    }
    for (const auto& registration : registrations) {
        if (registration.indication)
            for (const auto& nameSpace : registration.namespaces)
                out.registerIndicationClass(nameSpace, registration.className);
        if (!registration.instance && !registration.association && !registration.method) continue;
        for (const auto& nameSpace : registration.namespaces)
            out.registerProviderClass(nameSpace, registration.className);
    }
    return out;
}

ServerSchema schemaFromMof(const std::string& schemaDirectory) {
    const schema::ClassTable table = schema::loadProviderSchema(schemaDirectory);
    ServerSchema out = toServerSchema(table, schema::providerRegistrations(table));
    // Both namespaces are served even while no class is registered in one.
    out.addNamespace(schema::kStorageNamespace);
    out.addNamespace(schema::kInteropNamespace);
    return out;
}

}  // namespace orv::cimxml
