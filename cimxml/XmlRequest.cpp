#include "XmlRequest.h"

#include "CimError.h"
#include "Value.h"
#include "XmlText.h"

#include <pugixml.hpp>

#include <cstring>
#include <optional>
#include <vector>

namespace orv::cimxml {

namespace {

// Elements only: text, comments and processing instructions between them
// are not part of a request's structure.
class Element {
public:
    Element() = default;
    explicit Element(pugi::xml_node node) : node_(node) {}
    explicit operator bool() const { return static_cast<bool>(node_); }
    const char* name() const { return node_.name(); }
    // The attribute's value, or null when the element has none of that name.
    const char* attributeValue(const char* name) const {
        const pugi::xml_attribute a = node_.attribute(name);
        return a ? a.value() : nullptr;
    }
    // The text before the element's first child, as clients write a value.
    const char* firstText() const {
        const pugi::xml_node first = node_.first_child();
        return first && (first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata) ? first.value()
                                                                                                   : nullptr;
    }
    Element firstChild() const { return Element(elementFrom(node_.first_child(), nullptr)); }
    Element nextSibling(const char* name = nullptr) const {
        return Element(elementFrom(node_.next_sibling(), name));
    }
    bool operator==(const Element& other) const { return node_ == other.node_; }
    bool operator!=(const Element& other) const { return node_ != other.node_; }

private:
    static pugi::xml_node elementFrom(pugi::xml_node node, const char* name) {
        while (node && (node.type() != pugi::node_element || (name && std::strcmp(node.name(), name) != 0)))
            node = node.next_sibling();
        return node;
    }
    pugi::xml_node node_;
};

// Deeper nesting is refused, so that the recursive reading of references
// below cannot run out of stack on any request.
constexpr int kMaxElementDepth = 100;

// What the reader leaves to its user: nesting, attributes named twice and
// references to characters XML does not allow are found in one walk over
// the tree. The characters are judged after the reader resolved references,
// since it reads some text as values (a "<!--" inside an attribute value)
// that the check of the raw request passed over as markup.
std::optional<std::string> structureFault(const pugi::xml_document& doc) {
    std::vector<pugi::xml_node> path;
    for (pugi::xml_node node = doc.first_child(); node;) {
        // A CDATA section resolves nothing: the raw check saw its text as it is.
        if (node.type() == pugi::node_pcdata && !isXmlSafe(node.value()))
            return "the request refers to a character XML does not allow in the text of " +
                   std::string(node.parent().name());
        if (node.type() == pugi::node_element) {
            for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
                if (!isXmlSafe(a.value()))
                    return std::string("the request refers to a character XML does not allow in ") + node.name() +
                           " " + a.name();
                for (pugi::xml_attribute b = a.next_attribute(); b; b = b.next_attribute())
                    if (std::strcmp(a.name(), b.name()) == 0)
                        return std::string("the request is not well-formed XML: ") + node.name() +
                               " has two attributes named " + a.name();
            }
            if (node.first_child()) {
                path.push_back(node);
                if (path.size() >= static_cast<std::size_t>(kMaxElementDepth) &&
                    node.find_child([](pugi::xml_node c) { return c.type() == pugi::node_element; }))
                    return "the request nests elements deeper than " + std::to_string(kMaxElementDepth);
                node = node.first_child();
                continue;
            }
        }
        while (!node.next_sibling() && !path.empty()) {
            node = path.back();
            path.pop_back();
        }
        node = node.next_sibling();
    }
    return std::nullopt;
}

[[noreturn]] void invalid(const std::string& what) {
    throw ProtocolError(400, "request-not-valid", what);
}

bool named(Element e, const char* name) { return std::strcmp(e.name(), name) == 0; }

std::string attribute(Element e, const char* name, bool required = true) {
    const char* value = e.attributeValue(name);
    if (!value) {
        if (required) invalid(std::string(e.name()) + " has no " + name + " attribute");
        return {};
    }
    return value;
}

Element onlyChild(Element parent, const char* name) {
    Element child = parent.firstChild();
    if (!child || !named(child, name))
        invalid(std::string(parent.name()) + " must contain " + name);
    return child;
}

std::string text(Element e) {
    const char* t = e.firstText();
    return t ? t : "";
}

const char* requiredAttribute(Element e, const char* name) {
    const char* value = e.attributeValue(name);
    if (!value) invalid(std::string(e.name()) + " has no " + name + " attribute");
    return value;
}

std::string localNamespace(Element lnp) {
    std::string out;
    for (Element ns = lnp.firstChild(); ns; ns = ns.nextSibling()) {
        if (!named(ns, "NAMESPACE")) invalid("LOCALNAMESPACEPATH may only contain NAMESPACE");
        if (!out.empty()) out += '/';
        out += requiredAttribute(ns, "NAME");
    }
    if (out.empty()) invalid("LOCALNAMESPACEPATH names no namespace");
    return out;
}

XmlPath instanceName(Element e);

XmlPath referencedPath(Element target) {
    if (named(target, "INSTANCENAME")) return instanceName(target);
    if (named(target, "LOCALINSTANCEPATH")) {
        Element lnp = onlyChild(target, "LOCALNAMESPACEPATH");
        Element name = lnp.nextSibling("INSTANCENAME");
        if (!name) invalid("LOCALINSTANCEPATH without INSTANCENAME");
        XmlPath path = instanceName(name);
        path.nameSpace = localNamespace(lnp);
        return path;
    }
    if (named(target, "INSTANCEPATH")) {
        Element nsPath = onlyChild(target, "NAMESPACEPATH");
        Element host = onlyChild(nsPath, "HOST");
        Element lnp = host.nextSibling("LOCALNAMESPACEPATH");
        Element name = nsPath.nextSibling("INSTANCENAME");
        if (!lnp || !name) invalid("INSTANCEPATH needs a NAMESPACEPATH and an INSTANCENAME");
        XmlPath path = instanceName(name);
        path.host = text(host);
        path.nameSpace = localNamespace(lnp);
        return path;
    }
    if (named(target, "CLASSNAME") || named(target, "LOCALCLASSPATH") || named(target, "CLASSPATH"))
        invalid("a class reference cannot stand for an instance");
    invalid(std::string("unexpected ") + target.name() + " in a reference");
}

XmlPath valueReference(Element e) {
    Element target = e.firstChild();
    if (!target) invalid("VALUE.REFERENCE is empty");
    return referencedPath(target);
}

XmlPath instanceName(Element e) {
    XmlPath path;
    path.className = attribute(e, "CLASSNAME");
    for (Element kb = e.firstChild(); kb; kb = kb.nextSibling()) {
        XmlKeyBinding key;
        Element value = kb;
        if (named(kb, "KEYBINDING")) {
            key.name = attribute(kb, "NAME");
            value = kb.firstChild();
            if (!value) invalid("KEYBINDING " + key.name + " has no value");
        } else if (kb != e.firstChild() || kb.nextSibling()) {
            // Only a class with one key may name it by a lone, unnamed value.
            invalid("INSTANCENAME may only contain KEYBINDING");
        }
        if (named(value, "KEYVALUE")) {
            const char* type = value.attributeValue("VALUETYPE");
            std::string t = type ? type : "string";
            if (t == "string") key.kind = XmlKeyBinding::Kind::String;
            else if (t == "boolean") key.kind = XmlKeyBinding::Kind::Boolean;
            else if (t == "numeric") key.kind = XmlKeyBinding::Kind::Numeric;
            else invalid("KEYVALUE has an unknown VALUETYPE \"" + t + "\"");
            key.text = text(value);
        } else if (named(value, "VALUE.REFERENCE")) {
            key.kind = XmlKeyBinding::Kind::Reference;
            key.reference = std::make_shared<XmlPath>(valueReference(value));
        } else {
            invalid(std::string("unexpected ") + value.name() + " in a key binding");
        }
        path.keys.push_back(std::move(key));
    }
    return path;
}

XmlValue valueOf(Element parent);

XmlProperty property(Element e) {
    XmlProperty p;
    p.name = attribute(e, "NAME");
    if (named(e, "PROPERTY")) {
        p.typeName = attribute(e, "TYPE", false);
    } else if (named(e, "PROPERTY.ARRAY")) {
        p.typeName = attribute(e, "TYPE", false);
        p.isArray = true;
    } else if (named(e, "PROPERTY.REFERENCE")) {
        p.typeName = "reference";
    } else {
        invalid(std::string("unexpected ") + e.name() + " in an instance");
    }
    p.value = valueOf(e);
    return p;
}

std::shared_ptr<XmlInstance> instance(Element e) {
    auto out = std::make_shared<XmlInstance>();
    out->className = attribute(e, "CLASSNAME");
    for (Element c = e.firstChild(); c; c = c.nextSibling()) {
        if (named(c, "QUALIFIER")) continue;
        out->properties.push_back(property(c));
    }
    return out;
}

// The value a parameter or property element holds: its first child element
// that is a value, ignoring qualifiers.
XmlValue valueOf(Element parent) {
    XmlValue v;
    Element e = parent.firstChild();
    while (e && named(e, "QUALIFIER")) e = e.nextSibling();
    if (!e) return v;
    if (named(e, "VALUE")) {
        v.kind = XmlValue::Kind::Scalar;
        v.text = text(e);
    } else if (named(e, "VALUE.NULL")) {
        v.kind = XmlValue::Kind::Null;
    } else if (named(e, "VALUE.ARRAY")) {
        v.kind = XmlValue::Kind::Array;
        for (Element item = e.firstChild(); item; item = item.nextSibling()) {
            if (named(item, "VALUE")) {
                v.texts.push_back(text(item));
                v.nullElements.push_back(false);
            } else if (named(item, "VALUE.NULL")) {
                v.texts.emplace_back();
                v.nullElements.push_back(true);
            } else {
                invalid("VALUE.ARRAY may only contain VALUE or VALUE.NULL");
            }
        }
    } else if (named(e, "VALUE.REFERENCE")) {
        v.kind = XmlValue::Kind::Reference;
        v.paths.push_back(valueReference(e));
    } else if (named(e, "VALUE.REFARRAY")) {
        v.kind = XmlValue::Kind::ReferenceArray;
        for (Element item = e.firstChild(); item; item = item.nextSibling()) {
            if (!named(item, "VALUE.REFERENCE")) invalid("VALUE.REFARRAY may only contain VALUE.REFERENCE");
            v.paths.push_back(valueReference(item));
        }
    } else if (named(e, "CLASSNAME")) {
        v.kind = XmlValue::Kind::ClassName;
        v.text = attribute(e, "NAME");
    } else if (named(e, "INSTANCENAME")) {
        v.kind = XmlValue::Kind::InstanceName;
        v.paths.push_back(instanceName(e));
    } else if (named(e, "INSTANCE")) {
        v.kind = XmlValue::Kind::Instance;
        v.instance = instance(e);
    } else if (named(e, "VALUE.NAMEDINSTANCE")) {
        v.kind = XmlValue::Kind::NamedInstance;
        Element name = onlyChild(e, "INSTANCENAME");
        Element inst = name.nextSibling("INSTANCE");
        if (!inst) invalid("VALUE.NAMEDINSTANCE without INSTANCE");
        v.paths.push_back(instanceName(name));
        v.instance = instance(inst);
    } else {
        invalid(std::string("unexpected ") + e.name() + " in " + parent.name());
    }
    return v;
}

// Any 2.x CIM or DTD version and any 1.x protocol version is served.
const char* checkedVersion(Element e, const char* attr, char major, const char* cimError) {
    const char* version = requiredAttribute(e, attr);
    if (version[0] != major || version[1] != '.')
        throw ProtocolError(501, cimError, std::string(attr) + " " + version + " is not supported");
    return version;
}

}  // namespace

const NamedXmlValue* XmlRequest::parameter(const std::string& name) const {
    for (const auto& p : parameters)
        if (cmpiserver::equalsIgnoreCase(p.name, name)) return &p;
    return nullptr;
}

const NamedXmlValue* XmlRequest::repeatedParameter() const {
    for (auto p = parameters.begin(); p != parameters.end(); ++p)
        for (auto q = parameters.begin(); q != p; ++q)
            if (cmpiserver::equalsIgnoreCase(p->name, q->name)) return &*p;
    return nullptr;
}

XmlRequest parseRequest(const std::string& body) {
    // The XML reader passes bad UTF-8 and references to control characters
    // through, and they would come back in error descriptions.
    if (const auto fault = xmlTextFault(body)) throw ProtocolError(400, "request-not-well-formed", *fault);
    pugi::xml_document doc;
    // Attribute values keep their tabs and line feeds as the client sent
    // them; references and line ends are resolved as XML says.
    const pugi::xml_parse_result read = doc.load_buffer(body.data(), body.size(),
                                                        pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol,
                                                        pugi::encoding_utf8);
    if (!read)
        throw ProtocolError(400, "request-not-well-formed",
                            std::string("the request is not well-formed XML: ") + read.description() + " at byte " +
                                std::to_string(read.offset));
    if (const auto fault = structureFault(doc)) throw ProtocolError(400, "request-not-well-formed", *fault);
    Element cim(doc.document_element());
    if (!cim || !named(cim, "CIM")) invalid("the document element must be CIM");
    checkedVersion(cim, "CIMVERSION", '2', "unsupported-cim-version");
    checkedVersion(cim, "DTDVERSION", '2', "unsupported-dtd-version");
    Element message = onlyChild(cim, "MESSAGE");

    XmlRequest request;
    request.messageId = attribute(message, "ID");
    request.protocolVersion = checkedVersion(message, "PROTOCOLVERSION", '1', "unsupported-protocol-version");
    Element req = message.firstChild();
    if (req && named(req, "MULTIREQ"))
        throw ProtocolError(501, "multiple-requests-unsupported", "multiple requests are not supported");
    if (!req || !named(req, "SIMPLEREQ")) invalid("MESSAGE must contain SIMPLEREQ");
    Element call = req.firstChild();
    if (!call) invalid("SIMPLEREQ is empty");

    if (named(call, "IMETHODCALL")) {
        request.intrinsic = true;
        request.methodName = attribute(call, "NAME");
        Element lnp = onlyChild(call, "LOCALNAMESPACEPATH");
        request.nameSpace = localNamespace(lnp);
        for (Element p = lnp.nextSibling(); p; p = p.nextSibling()) {
            if (!named(p, "IPARAMVALUE")) invalid(std::string("unexpected ") + p.name() + " in IMETHODCALL");
            request.parameters.push_back(NamedXmlValue{attribute(p, "NAME"), {}, valueOf(p)});
        }
    } else if (named(call, "METHODCALL")) {
        request.intrinsic = false;
        request.methodName = attribute(call, "NAME");
        Element target = call.firstChild();
        if (!target) invalid("METHODCALL names no target");
        if (named(target, "LOCALINSTANCEPATH")) {
            request.target = referencedPath(target);
        } else if (named(target, "LOCALCLASSPATH")) {
            Element lnp = onlyChild(target, "LOCALNAMESPACEPATH");
            Element cls = lnp.nextSibling("CLASSNAME");
            if (!cls) invalid("LOCALCLASSPATH without CLASSNAME");
            request.target.nameSpace = localNamespace(lnp);
            request.target.className = attribute(cls, "NAME");
            request.targetIsClass = true;
        } else {
            invalid("METHODCALL must start with LOCALINSTANCEPATH or LOCALCLASSPATH");
        }
        request.nameSpace = request.target.nameSpace;
        for (Element p = target.nextSibling(); p; p = p.nextSibling()) {
            if (!named(p, "PARAMVALUE")) invalid(std::string("unexpected ") + p.name() + " in METHODCALL");
            request.parameters.push_back(
                NamedXmlValue{attribute(p, "NAME"), attribute(p, "PARAMTYPE", false), valueOf(p)});
        }
    } else {
        invalid(std::string("SIMPLEREQ must contain IMETHODCALL or METHODCALL, not ") + call.name());
    }
    return request;
}

}  // namespace orv::cimxml
