#include "XmlResponse.h"

#include "ValueConversion.h"
#include "XmlText.h"

#include <tinyxml2.h>

#include <algorithm>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;

namespace {

constexpr bool kCompact = true;

// Closes with an end tag even when the element is empty: some clients'
// parsers take only NAMESPACE, CLASSNAME and VALUE.NULL in the short form.
void close(tinyxml2::XMLPrinter& p) {
    p.PushText("");
    p.CloseElement(kCompact);
}

// Values come from the provider, which reads them from the hardware's
// records: a stray byte there must not make the whole answer unreadable.
void pushValueText(tinyxml2::XMLPrinter& p, const std::string& text) {
    p.PushText(isXmlSafe(text) ? text.c_str() : xmlSafe(text).c_str());
}

bool admitted(const std::optional<std::vector<std::string>>& list, const std::string& name) {
    if (!list) return true;
    return std::any_of(list->begin(), list->end(),
                       [&](const std::string& n) { return equalsIgnoreCase(n, name); });
}

void booleanQualifier(tinyxml2::XMLPrinter& p, const char* name) {
    p.OpenElement("QUALIFIER", kCompact);
    p.PushAttribute("NAME", name);
    p.PushAttribute("TYPE", "boolean");
    p.OpenElement("VALUE", kCompact);
    p.PushText("TRUE");
    close(p);
    close(p);
}

}  // namespace

ResponseWriter::ResponseWriter(const ServerSchema& schema, std::string hostName)
    : schema_(schema), hostName_(std::move(hostName)),
      printer_(std::make_unique<tinyxml2::XMLPrinter>(nullptr, kCompact)) {}

ResponseWriter::~ResponseWriter() = default;

void ResponseWriter::begin(const std::string& messageId, const std::string& methodName, bool intrinsic) {
    auto& p = *printer_;
    p.OpenElement("CIM", kCompact);
    p.PushAttribute("CIMVERSION", "2.0");
    p.PushAttribute("DTDVERSION", "2.0");
    p.OpenElement("MESSAGE", kCompact);
    p.PushAttribute("ID", messageId.c_str());
    p.PushAttribute("PROTOCOLVERSION", "1.0");
    p.OpenElement("SIMPLERSP", kCompact);
    p.OpenElement(intrinsic ? "IMETHODRESPONSE" : "METHODRESPONSE", kCompact);
    p.PushAttribute("NAME", methodName.c_str());
}

std::string ResponseWriter::end() {
    auto& p = *printer_;
    close(p);  // (I)METHODRESPONSE
    close(p);  // SIMPLERSP
    close(p);  // MESSAGE
    close(p);  // CIM
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n") + p.CStr() + "\n";
}

void ResponseWriter::openReturnValue() { printer_->OpenElement("IRETURNVALUE", kCompact); }
void ResponseWriter::closeReturnValue() { close(*printer_); }

void ResponseWriter::error(int code, const std::string& description) {
    auto& p = *printer_;
    p.OpenElement("ERROR", kCompact);
    p.PushAttribute("CODE", code);
    p.PushAttribute("DESCRIPTION", xmlSafe(description).c_str());
    close(p);
}

void ResponseWriter::keyBinding(const std::string& name, const Value& v) {
    auto& p = *printer_;
    p.OpenElement("KEYBINDING", kCompact);
    p.PushAttribute("NAME", name.c_str());
    if (v.elementType() == CMPI_ref && !v.isNull() && !v.isArray()) {
        p.OpenElement("VALUE.REFERENCE", kCompact);
        instancePath(v.asReference());
        close(p);
    } else {
        p.OpenElement("KEYVALUE", kCompact);
        p.PushAttribute("VALUETYPE", keyValueType(v.type()));
        // The CIM-XML DTD 2.4 requires the CIM type of every key value.
        p.PushAttribute("TYPE", cimNameOfType(v.type()).c_str());
        if (!v.isNull() && !v.isArray()) pushValueText(p, valueText(v));
        close(p);
    }
    close(p);
}

void ResponseWriter::instanceName(const ObjectPath& path) {
    auto& p = *printer_;
    p.OpenElement("INSTANCENAME", kCompact);
    p.PushAttribute("CLASSNAME", path.className.c_str());
    for (const auto& key : path.keys) keyBinding(key.name, key.value);
    close(p);
}

void ResponseWriter::instancePath(const ObjectPath& path) {
    auto& p = *printer_;
    if (path.nameSpace.empty()) {
        instanceName(path);
        return;
    }
    p.OpenElement("INSTANCEPATH", kCompact);
    p.OpenElement("NAMESPACEPATH", kCompact);
    p.OpenElement("HOST", kCompact);
    p.PushText(path.host.empty() ? hostName_.c_str() : path.host.c_str());
    close(p);
    p.OpenElement("LOCALNAMESPACEPATH", kCompact);
    std::string::size_type start = 0;
    while (start <= path.nameSpace.size()) {
        const auto slash = path.nameSpace.find('/', start);
        const std::string part =
            path.nameSpace.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!part.empty()) {
            p.OpenElement("NAMESPACE", kCompact);
            p.PushAttribute("NAME", part.c_str());
            p.CloseElement(kCompact);
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    close(p);  // LOCALNAMESPACEPATH
    close(p);  // NAMESPACEPATH
    instanceName(path);
    close(p);  // INSTANCEPATH
}

void ResponseWriter::objectPath(const ObjectPath& path) {
    printer_->OpenElement("OBJECTPATH", kCompact);
    instancePath(path);
    close(*printer_);
}

void ResponseWriter::value(const Value& v) {
    auto& p = *printer_;
    if (v.isNull()) return;
    if (v.isArray()) {
        const bool refs = v.elementType() == CMPI_ref;
        p.OpenElement(refs ? "VALUE.REFARRAY" : "VALUE.ARRAY", kCompact);
        for (const auto& element : v.elements()) {
            if (element.isNull()) {
                p.OpenElement("VALUE.NULL", kCompact);
                p.CloseElement(kCompact);
            } else {
                value(element);
            }
        }
        close(p);
        return;
    }
    if (v.elementType() == CMPI_ref) {
        p.OpenElement("VALUE.REFERENCE", kCompact);
        instancePath(v.asReference());
        close(p);
        return;
    }
    p.OpenElement("VALUE", kCompact);
    if (v.elementType() == CMPI_instance) {
        // An embedded instance travels as the escaped text of its INSTANCE element.
        ResponseWriter inner(schema_, hostName_);
        inner.instance(v.asInstance(), std::nullopt, false);
        p.PushText(inner.printer_->CStr());
    } else {
        pushValueText(p, valueText(v));
    }
    close(p);
}

void ResponseWriter::property(const std::string& name, const Value& v, const TypeDecl* declared,
                              const std::string& classOrigin) {
    auto& p = *printer_;
    // A null value of unknown type takes what the class declares.
    CMPIType type = v.type();
    std::string referenceClass;
    if (declared && (v.isNull() || type == CMPI_null)) type = declared->type;
    if (declared) referenceClass = declared->referenceClass;
    const bool isArray = (type & CMPI_ARRAY) != 0;
    const CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    if (element == CMPI_ref && !isArray) {
        p.OpenElement("PROPERTY.REFERENCE", kCompact);
        p.PushAttribute("NAME", name.c_str());
        if (!referenceClass.empty()) p.PushAttribute("REFERENCECLASS", referenceClass.c_str());
    } else {
        p.OpenElement(isArray ? "PROPERTY.ARRAY" : "PROPERTY", kCompact);
        p.PushAttribute("NAME", name.c_str());
        p.PushAttribute("TYPE", cimNameOfType(element).c_str());
        if (element == CMPI_instance) p.PushAttribute("EmbeddedObject", "instance");
    }
    if (!classOrigin.empty()) p.PushAttribute("CLASSORIGIN", classOrigin.c_str());
    value(v);
    close(p);
}

void ResponseWriter::instance(const Instance& inst, const std::optional<std::vector<std::string>>& propertyList,
                              bool includeClassOrigin) {
    auto& p = *printer_;
    p.OpenElement("INSTANCE", kCompact);
    p.PushAttribute("CLASSNAME", inst.path.className.c_str());
    for (const auto& prop : inst.properties) {
        if (!admitted(propertyList, prop.name)) continue;
        const auto decl = schema_.property(inst.path.className, prop.name);
        property(decl ? decl->decl->name : prop.name, prop.value, decl ? &decl->decl->type : nullptr,
                 includeClassOrigin && decl ? decl->originClass : std::string());
    }
    close(p);
}

void ResponseWriter::namedInstance(const Instance& inst,
                                   const std::optional<std::vector<std::string>>& propertyList,
                                   bool includeClassOrigin) {
    printer_->OpenElement("VALUE.NAMEDINSTANCE", kCompact);
    instanceName(inst.path);
    instance(inst, propertyList, includeClassOrigin);
    close(*printer_);
}

void ResponseWriter::objectWithPath(const Instance& inst,
                                    const std::optional<std::vector<std::string>>& propertyList,
                                    bool includeClassOrigin) {
    printer_->OpenElement("VALUE.OBJECTWITHPATH", kCompact);
    instancePath(inst.path);
    instance(inst, propertyList, includeClassOrigin);
    close(*printer_);
}

void ResponseWriter::className(const std::string& name) {
    printer_->OpenElement("CLASSNAME", kCompact);
    printer_->PushAttribute("NAME", name.c_str());
    printer_->CloseElement(kCompact);
}

void ResponseWriter::classDecl(const ClassDecl& decl, const ClassOptions& options) {
    auto& p = *printer_;
    p.OpenElement("CLASS", kCompact);
    p.PushAttribute("NAME", decl.name.c_str());
    if (!decl.superClass.empty()) p.PushAttribute("SUPERCLASS", decl.superClass.c_str());
    if (options.includeQualifiers) {
        if (decl.isAssociation) booleanQualifier(p, "Association");
        if (decl.isIndication) booleanQualifier(p, "Indication");
        if (decl.isAbstract) booleanQualifier(p, "Abstract");
    }
    for (const auto& prop : schema_.effectiveProperties(decl.name)) {
        const bool local = equalsIgnoreCase(prop.originClass, decl.name);
        if (options.localOnly && !local) continue;
        if (!admitted(options.propertyList, prop.decl->name)) continue;
        const TypeDecl& type = prop.decl->type;
        if (type.isReference() && !type.isArray()) {
            p.OpenElement("PROPERTY.REFERENCE", kCompact);
            p.PushAttribute("NAME", prop.decl->name.c_str());
            if (!type.referenceClass.empty()) p.PushAttribute("REFERENCECLASS", type.referenceClass.c_str());
        } else {
            p.OpenElement(type.isArray() ? "PROPERTY.ARRAY" : "PROPERTY", kCompact);
            p.PushAttribute("NAME", prop.decl->name.c_str());
            p.PushAttribute("TYPE", cimNameOfType(type.elementType()).c_str());
        }
        if (options.includeClassOrigin) p.PushAttribute("CLASSORIGIN", prop.originClass.c_str());
        if (!local) p.PushAttribute("PROPAGATED", "true");
        if (options.includeQualifiers && prop.decl->isKey) booleanQualifier(p, "Key");
        close(p);
    }
    for (const auto& method : schema_.effectiveMethods(decl.name)) {
        const bool local = equalsIgnoreCase(method.originClass, decl.name);
        if (options.localOnly && !local) continue;
        p.OpenElement("METHOD", kCompact);
        p.PushAttribute("NAME", method.decl->name.c_str());
        p.PushAttribute("TYPE", cimNameOfType(method.decl->returnType).c_str());
        if (options.includeClassOrigin) p.PushAttribute("CLASSORIGIN", method.originClass.c_str());
        if (!local) p.PushAttribute("PROPAGATED", "true");
        for (const auto& param : method.decl->parameters) {
            const TypeDecl& type = param.type;
            const char* element = type.isReference() ? (type.isArray() ? "PARAMETER.REFARRAY" : "PARAMETER.REFERENCE")
                                                     : (type.isArray() ? "PARAMETER.ARRAY" : "PARAMETER");
            p.OpenElement(element, kCompact);
            p.PushAttribute("NAME", param.name.c_str());
            if (type.isReference()) {
                if (!type.referenceClass.empty()) p.PushAttribute("REFERENCECLASS", type.referenceClass.c_str());
            } else {
                p.PushAttribute("TYPE", cimNameOfType(type.elementType()).c_str());
            }
            if (options.includeQualifiers) {
                if (param.in) booleanQualifier(p, "IN");
                if (param.out) booleanQualifier(p, "OUT");
            }
            close(p);
        }
        close(p);
    }
    close(p);
}

void ResponseWriter::methodResult(const Value& returnValue, const std::vector<cmpiserver::NamedValue>& outArgs) {
    auto& p = *printer_;
    p.OpenElement("RETURNVALUE", kCompact);
    p.PushAttribute("PARAMTYPE", cimNameOfType(returnValue.elementType()).c_str());
    value(returnValue);
    close(p);
    for (const auto& arg : outArgs) {
        p.OpenElement("PARAMVALUE", kCompact);
        p.PushAttribute("NAME", arg.name.c_str());
        if (arg.value.type() != CMPI_null) {
            const CMPIType element = arg.value.elementType();
            p.PushAttribute("PARAMTYPE", element == CMPI_ref ? "reference" : cimNameOfType(element).c_str());
        }
        value(arg.value);
        close(p);
    }
}

std::string instanceXml(const ServerSchema& schema, const Instance& instance) {
    ResponseWriter writer(schema, "localhost");
    writer.instance(instance, std::nullopt, false);
    return writer.printer_->CStr();
}

std::string errorDocument(const ServerSchema& schema, const std::string& messageId,
                          const std::string& methodName, bool intrinsic, int code,
                          const std::string& description) {
    ResponseWriter writer(schema, "localhost");
    writer.begin(messageId, methodName, intrinsic);
    writer.error(code, description);
    return writer.end();
}

std::string errorDocument(const std::string& messageId, const std::string& methodName, bool intrinsic, int code,
                          const std::string& description) {
    static const ServerSchema noClasses;
    return errorDocument(noClasses, messageId, methodName, intrinsic, code, description);
}

}  // namespace orv::cimxml
