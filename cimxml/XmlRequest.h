// The operation request of a CIM-XML message, read into plain structures.
// Values keep the text they had in the message; the schema gives them their
// types later (ValueConversion.h), since a parameter value need not say its type.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace orv::cimxml {

struct XmlValue;
struct XmlPath;

struct XmlKeyBinding {
    enum class Kind { String, Boolean, Numeric, Reference };
    std::string name;
    Kind kind = Kind::String;
    std::string text;
    std::shared_ptr<const XmlPath> reference;  // Kind::Reference
};

struct XmlPath {
    std::string host;       // empty unless the message named one
    std::string nameSpace;  // empty unless the message named one
    std::string className;
    std::vector<XmlKeyBinding> keys;
};

struct XmlProperty;

struct XmlInstance {
    std::string className;
    std::vector<XmlProperty> properties;
};

// One value of a parameter or property, as it appeared.
struct XmlValue {
    enum class Kind {
        Null,            // no value element at all, or VALUE.NULL
        Scalar,          // VALUE
        Array,           // VALUE.ARRAY
        Reference,       // VALUE.REFERENCE
        ReferenceArray,  // VALUE.REFARRAY
        ClassName,       // CLASSNAME
        InstanceName,    // INSTANCENAME
        Instance,        // INSTANCE
        NamedInstance,   // VALUE.NAMEDINSTANCE
    };
    Kind kind = Kind::Null;
    std::string text;                    // Scalar, ClassName
    std::vector<std::string> texts;      // Array elements
    std::vector<bool> nullElements;      // Array: VALUE.NULL positions
    std::vector<XmlPath> paths;          // Reference (one), ReferenceArray, InstanceName (one)
    std::shared_ptr<XmlInstance> instance;  // Instance, NamedInstance
};

struct XmlProperty {
    std::string name;
    std::string typeName;  // TYPE attribute; "reference" for PROPERTY.REFERENCE
    bool isArray = false;
    XmlValue value;
};

struct NamedXmlValue {
    std::string name;
    std::string typeName;  // PARAMTYPE, empty when absent
    XmlValue value;
};

struct XmlRequest {
    std::string messageId;
    std::string protocolVersion;
    bool intrinsic = true;
    std::string methodName;
    std::string nameSpace;  // joined with "/"
    // Extrinsic calls: the target (keys empty and targetIsClass for a class).
    XmlPath target;
    bool targetIsClass = false;
    std::vector<NamedXmlValue> parameters;

    const NamedXmlValue* parameter(const std::string& name) const;
    // The second of two parameters with the same name, if the caller sent one.
    const NamedXmlValue* repeatedParameter() const;
};

// Reads a request body. Throws ProtocolError for text that is not XML
// ("request-not-well-formed") or XML that is not a CIM-XML operation
// request ("request-not-valid", or one of the unsupported-* values).
XmlRequest parseRequest(const std::string& body);

}  // namespace orv::cimxml
