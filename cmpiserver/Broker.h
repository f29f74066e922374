// The server side of the provider interface: a broker whose function
// tables a provider calls, request scopes that own what a request creates,
// and the C++ accessors with which the server owner builds the CMPI objects
// it passes in and reads back what the provider answered.
#pragma once

#include "ClassHierarchy.h"
#include "Value.h"
#include "cmpift.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv::cmpiserver {

namespace detail {
struct BrokerCore;
class ContextObject;
class ResultObject;
class Arena;
}  // namespace detail

// Receives every indication a provider delivers: the namespace it named
// and a copy of the indication instance.
using IndicationSink = std::function<void(const std::string& nameSpace, const Instance& indication)>;

// A line the provider wrote through logMessage or trace.
struct LogRecord {
    bool isTrace = false;
    int level = 0;  // severity for log lines, level for trace lines
    std::string component;
    std::string text;
};

// An extended error a provider returned with returnError.
struct ErrorRecord {
    std::string owningEntity;
    std::string messageId;
    std::string message;
    CMPIErrorSeverity severity = ErrorSevUnknown;
    CMPIErrorProbableCause probableCause = ErrorProbCauseUnknown;
    CMPIrc statusCode = CMPI_RC_OK;
};

// Everything a provider handed to one result, in the order of each kind.
struct CollectedResult {
    std::vector<Instance> instances;
    std::vector<ObjectPath> objectPaths;
    std::vector<Value> data;
    std::vector<ErrorRecord> errors;
    int doneCount = 0;
    int returnsAfterDone = 0;  // items handed over after returnDone
};

// Takes each instance a provider returns as it arrives. The instance is
// the provider's own object: read it during the call, keep no reference,
// throw nothing (the provider's code is on the stack).
using InstanceConsumer = std::function<void(const Instance& instance)>;
// The same for object paths (names of instances, associated objects).
using PathConsumer = std::function<void(const ObjectPath& path)>;

// Thread attachment figures, for the server owner's diagnostics and tests.
struct ThreadFigures {
    std::size_t prepared = 0;
    std::size_t attached = 0;
    std::size_t detached = 0;
    std::size_t indicationsDelivered = 0;
    std::size_t indicationsDropped = 0;  // no sink registered
};

class Broker {
public:
    Broker();
    ~Broker();
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    const CMPIBroker* cmpi() const;
    ClassHierarchy& classHierarchy();
    void setIndicationSink(IndicationSink sink);
    ThreadFigures threadFigures() const;
    std::vector<LogRecord> logRecords() const;
    // Objects alive outside any request: clones, prepared thread contexts,
    // and objects made on threads that were neither in a request nor attached.
    std::size_t longLivedObjectCount() const;

    // CMPI objects built from C++ values. They belong to the calling
    // thread's current request (or attached context) and die with it.
    CMPIObjectPath* newObjectPath(const ObjectPath& path);
    CMPIInstance* newInstance(const Instance& instance);
    CMPIArgs* newArgs(const ArgumentList& arguments = {});
    CMPISelectExp* newSelectExp(const std::string& query, const std::string& language);
    CMPIEnumeration* newEnumeration(std::vector<Value> items);

private:
    friend class RequestScope;
    std::unique_ptr<detail::BrokerCore> core_;
};

// The CMPIPrincipal entry of a request's context. With authentication on a
// server names the user; with it off SFCB passes a string whose characters
// are NULL; a context made outside a client's request (a factory call, a
// clean-up) may carry no entry at all.
struct Principal {
    enum class Form { Absent, WithoutChars, Named };

    Principal() = default;
    Principal(std::string user) : form(Form::Named), name(std::move(user)) {}
    Principal(const char* user) : Principal(std::string(user)) {}
    static Principal unauthenticated() {
        Principal principal;
        principal.form = Form::WithoutChars;
        return principal;
    }

    Form form = Form::Absent;
    std::string name;
};

// One request to a provider. While it lives, everything the broker creates
// on this thread belongs to it; its destructor frees all of it. It also
// owns the request's context (namespace, principal, invocation flags) and
// the result that collects the provider's answer.
class RequestScope {
public:
    RequestScope(Broker& broker, const std::string& nameSpace, const Principal& principal = {},
                 CMPIFlags flags = 0);
    ~RequestScope();
    RequestScope(const RequestScope&) = delete;
    RequestScope& operator=(const RequestScope&) = delete;

    const CMPIContext* context() const;
    const CMPIResult* result() const;
    CollectedResult collected() const;
    // The answer moved out, for a caller done with the request: large
    // enumerations are not copied on their way to the client.
    CollectedResult takeCollected();
    // From now on instances go to `consumer`, under the result's lock and
    // on the thread that returns them, and are not collected: an
    // enumeration is written out without a copy of each instance.
    void consumeInstances(InstanceConsumer consumer);
    // Likewise for object paths: names are written without a copy.
    void consumePaths(PathConsumer consumer);
    std::size_t objectCount() const;

private:
    detail::BrokerCore& core_;
    std::unique_ptr<detail::Arena> arena_;
    detail::ContextObject* context_ = nullptr;
    detail::ResultObject* result_ = nullptr;
    std::uint64_t previousBroker_ = 0;
    detail::Arena* previousArena_ = nullptr;
};

// Readers for CMPI objects made by a Broker. They throw
// std::invalid_argument for a null pointer or a null handle.
ObjectPath readObjectPath(const CMPIObjectPath* path);
Instance readInstance(const CMPIInstance* instance);
ArgumentList readArgs(const CMPIArgs* args);
std::string readString(const CMPIString* string);
// The property names an instance's filter admits; nothing when unfiltered.
std::optional<std::vector<std::string>> readPropertyFilter(const CMPIInstance* instance);
// A status's message text; empty when it carries none.
std::string readMessage(const CMPIStatus& status);
Value readData(const CMPIData& data);

}  // namespace orv::cmpiserver
