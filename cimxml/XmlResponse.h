// Writing CIM-XML responses: the message envelope and the elements that
// carry instances, paths, values and classes.
#pragma once

#include "ServerSchema.h"
#include "Value.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLPrinter;
}

namespace orv::cimxml {

using cmpiserver::Instance;
using cmpiserver::ObjectPath;
using cmpiserver::Value;

struct ClassOptions {
    bool localOnly = true;
    bool includeQualifiers = true;
    bool includeClassOrigin = false;
    std::optional<std::vector<std::string>> propertyList;
};

class ResponseWriter {
public:
    // hostName goes into instance paths whose own host is empty.
    ResponseWriter(const ServerSchema& schema, std::string hostName);
    ~ResponseWriter();

    // Opens CIM/MESSAGE/SIMPLERSP and IMETHODRESPONSE or METHODRESPONSE.
    void begin(const std::string& messageId, const std::string& methodName, bool intrinsic);
    // The rest of the document as one string, with the XML declaration.
    std::string end();

    void openReturnValue();   // IRETURNVALUE
    void closeReturnValue();
    void error(int code, const std::string& description);

    void instanceName(const ObjectPath& path);
    void instancePath(const ObjectPath& path);
    void objectPath(const ObjectPath& path);  // OBJECTPATH around INSTANCEPATH
    void instance(const Instance& instance, const std::optional<std::vector<std::string>>& propertyList,
                  bool includeClassOrigin);
    void namedInstance(const Instance& instance, const std::optional<std::vector<std::string>>& propertyList,
                       bool includeClassOrigin);
    void objectWithPath(const Instance& instance, const std::optional<std::vector<std::string>>& propertyList,
                        bool includeClassOrigin);
    void className(const std::string& name);
    void classDecl(const ClassDecl& decl, const ClassOptions& options);
    // RETURNVALUE and the output PARAMVALUEs of an extrinsic method.
    void methodResult(const Value& returnValue, const std::vector<cmpiserver::NamedValue>& outArgs);

private:
    friend std::string instanceXml(const ServerSchema& schema, const Instance& instance);
    void value(const Value& v);
    void property(const std::string& name, const Value& v, const TypeDecl* declared,
                  const std::string& classOrigin);
    void keyBinding(const std::string& name, const Value& v);

    const ServerSchema& schema_;
    std::string hostName_;
    std::unique_ptr<tinyxml2::XMLPrinter> printer_;
};

// An INSTANCE element on its own, for logs and diagnostics.
std::string instanceXml(const ServerSchema& schema, const Instance& instance);

// A complete error response for a request whose method name is known.
std::string errorDocument(const ServerSchema& schema, const std::string& messageId,
                          const std::string& methodName, bool intrinsic, int code,
                          const std::string& description);
// The same for a failure found before the schema has a say.
std::string errorDocument(const std::string& messageId, const std::string& methodName, bool intrinsic, int code,
                          const std::string& description);

}  // namespace orv::cimxml
