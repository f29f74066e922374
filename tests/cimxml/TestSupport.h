// Helpers for the server's tests: the fixture provider behind the request
// handling without sockets, CIM-XML request text, reading responses, and
// server processes driven by wbemcli.
#pragma once

#include "Broker.h"
#include "CimOperations.h"
#include "CimXmlService.h"
#include "ProviderModule.h"
#include "ServerSchema.h"

#include <tinyxml2.h>

#include <memory>
#include <string>
#include <vector>

namespace orv::cimxml::test {

// Schema, broker, the fixture provider and the service in front of them,
// shared by every test of a program (a provider library loads once).
struct FixtureStack {
    ServerSchema schema;
    cmpiserver::Broker broker;
    std::unique_ptr<ProviderModule> provider;
    std::vector<std::string> logLines;
    std::unique_ptr<CimOperations> operations;

    static FixtureStack& instance();
    // A service over the shared operations with its own user table and limit.
    CimXmlService service(UserTable users = {}, std::size_t maxBytes = kDefaultMaxRequestBytes);

private:
    FixtureStack();
};

// An IMETHODCALL document; `params` is the IPARAMVALUE text.
std::string intrinsicBody(const std::string& method, const std::string& nameSpace, const std::string& params);
// A METHODCALL document on an instance path (`keys` is KEYBINDING text) or,
// when keys is empty and onClass is true, on the class.
std::string extrinsicBody(const std::string& method, const std::string& nameSpace, const std::string& className,
                          const std::string& keys, const std::string& params, bool onClass = false);
// A POST with the headers a client sends for that request.
HttpExchange exchange(const std::string& method, const std::string& nameSpace, const std::string& body,
                      bool intrinsic = true, const std::string& className = {});

std::string classNameParam(const std::string& name, const std::string& className);
std::string stringKey(const std::string& name, const std::string& value);
std::string numericKey(const std::string& name, const std::string& value);
std::string instanceNameParam(const std::string& name, const std::string& className, const std::string& keys);
std::string valueParam(const std::string& name, const std::string& value);

// A parsed response body.
class Response {
public:
    explicit Response(const std::string& body);
    bool wellFormed() const { return ok_; }
    // The ERROR element's CODE, or 0 when there is none.
    int errorCode() const;
    std::string errorDescription() const;
    // Every element of that name, in document order.
    std::vector<const tinyxml2::XMLElement*> all(const char* name) const;
    // The text of the VALUE of the named PROPERTY (or PROPERTY.ARRAY) of
    // the first INSTANCE; "<none>" when the property is absent.
    std::string property(const std::string& name, std::size_t instanceIndex = 0) const;
    // Attribute values of one kind of element: e.g. all("CLASSNAME", "NAME").
    std::vector<std::string> attributes(const char* element, const char* attribute) const;

private:
    tinyxml2::XMLDocument doc_;
    bool ok_ = false;
};

// ---- processes ------------------------------------------------------------------

struct CommandResult {
    int exitStatus = -1;
    std::string output;  // standard output and error together
};

// Runs a shell command and collects what it prints.
CommandResult runCommand(const std::string& command);

// The words of ORV_TEST_SERVER_WRAPPER, put before every server command
// (e.g. "valgrind --error-exitcode=99 --leak-check=full"); a server started
// under one is stopped with SIGTERM, and a non-zero exit fails the test.
std::vector<std::string> serverWrapper();

// A server program started in its own process on a free loopback port.
class ServerProcess {
public:
    // Starts `program` with `arguments` plus "--port 0"; waits until it
    // names its port. Throws std::runtime_error when it does not start.
    ServerProcess(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::pair<std::string, std::string>>& environment = {});
    ~ServerProcess();

    int port() const { return port_; }
    // The HTTPS port, when the arguments asked for one with --https-port.
    int tlsPort() const { return tlsPort_; }
    std::string url(const std::string& nameSpace) const;
    // Sends a signal and waits; returns the exit status (-1 when killed by a signal).
    int stop(int signal);
    // What the server printed on standard error so far.
    std::string errorOutput() const;
    // What the server printed on standard output before it listened (a
    // provider's start-up complaints).
    const std::string& startOutput() const { return startOutput_; }

private:
    int pid_ = -1;
    int port_ = 0;
    int tlsPort_ = 0;
    std::string errorFile_;
    std::string startOutput_;
};

}  // namespace orv::cimxml::test
