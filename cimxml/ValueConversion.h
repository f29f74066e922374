// Between the text of CIM-XML values and the server's typed values. Types
// come from the schema: a key, property or parameter takes the type its
// class declares, whatever the message says about it.
#pragma once

#include "ServerSchema.h"
#include "Value.h"
#include "XmlRequest.h"

#include <string>
#include <string_view>

namespace orv::cimxml {

using cmpiserver::Instance;
using cmpiserver::NamedValue;
using cmpiserver::ObjectPath;
using cmpiserver::Value;

// Parses one scalar of the given type; throws CimError (invalid parameter)
// naming `what` when the text does not fit the type.
Value parseScalar(std::string_view text, CMPIType type, const std::string& what);

// The text of a scalar value as it goes into a VALUE or KEYVALUE element.
std::string valueText(const Value& scalar);
// The same text without a string of its own where it can: a string value
// is read in place, a number is written into `room`. The view lives as
// long as both the value and the room.
struct ScalarRoom {
    char digits[40];
    std::string text;  // references and embedded instances
};
std::string_view scalarText(const Value& scalar, ScalarRoom& room);
// The VALUETYPE attribute for a key of that type: string, boolean or numeric.
const char* keyValueType(CMPIType type);

class ValueConverter {
public:
    ValueConverter(const ServerSchema& schema, std::string nameSpace)
        : schema_(schema), nameSpace_(std::move(nameSpace)) {}

    // An instance name with its keys typed after the class's key
    // declarations. A path without a namespace gets the request's.
    ObjectPath path(const XmlPath& xml) const;
    // A value of the declared type.
    Value value(const XmlValue& xml, const TypeDecl& type, const std::string& what) const;
    // An instance whose properties take their declared types; properties the
    // class does not declare are refused. The path is made from its keys.
    Instance instance(const XmlInstance& xml) const;

private:
    Value keyValue(const XmlKeyBinding& key, const PropertyDecl* decl, std::string_view name,
                   const std::string& className) const;

    const ServerSchema& schema_;
    std::string nameSpace_;
};

}  // namespace orv::cimxml
