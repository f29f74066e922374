// What the programs that drive orv-cimserver over loopback share: a
// CIM-XML client on one persistent connection, request fragments, and the
// server's CPU time and memory read from /proc.
#pragma once

#include <sys/types.h>

#include <httplib.h>
#include <tinyxml2.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <utility>

namespace orv::bench {

// The server answered the request with a CIM error: the request was read
// and refused, which a caller may expect (a change another client made
// first), unlike a broken or missing answer.
class CimErrorAnswer : public std::runtime_error {
public:
    CimErrorAnswer(int code, const std::string& description, const std::string& request)
        : std::runtime_error(request + ": CIM error " + std::to_string(code) + " " + description),
          code_(code),
          description_(description) {}
    int code() const { return code_; }
    const std::string& description() const { return description_; }

private:
    int code_;
    std::string description_;
};

// One client: one connection, kept open for every request it sends. Every
// failure throws, so that a broken answer never passes for a fast one.
class CimXmlClient {
public:
    explicit CimXmlClient(int port, int readTimeoutSeconds = 120);

    // An intrinsic call; answers its IRETURNVALUE (null when there is none).
    const tinyxml2::XMLElement* call(const std::string& method, const std::string& nameSpace,
                                     const std::string& parameters);
    // An extrinsic method on the instance `instanceName` (INSTANCENAME
    // text); `parameters` is PARAMVALUE text. Answers the METHODRESPONSE,
    // whose RETURNVALUE and output PARAMVALUEs the caller reads.
    const tinyxml2::XMLElement* invoke(const std::string& method, const std::string& nameSpace,
                                       const std::string& className, const std::string& instanceName,
                                       const std::string& parameters);

    // Keeps every answer body in `directory` (when not empty), one numbered
    // file per request in request order, to compare two builds' answers.
    void keepAnswersIn(std::string directory) { answersDirectory_ = std::move(directory); }

    // Time spent so far from sending each request to holding its whole
    // answer (the last chunk of a chunked one): what the server and the
    // wire cost, without this client's own parsing of the answers.
    double answeredSeconds() const { return answeredSeconds_; }

private:
    const tinyxml2::XMLElement* post(const std::string& method, const std::string& cimObject,
                                     const std::string& call, const char* responseElement,
                                     const std::string& description);

    httplib::Client http_;
    tinyxml2::XMLDocument document_;
    std::string answersDirectory_;
    std::size_t answered_ = 0;
    double answeredSeconds_ = 0;
};

std::string localNamespace(const std::string& nameSpace);
// An IPARAMVALUE named `name` holding `content` (XML text).
std::string parameter(const std::string& name, const std::string& content);
// The ClassName parameter; classParameter names any other class-valued one.
std::string classParameter(const std::string& name, const std::string& className);
std::string classNameParameter(const std::string& name);
// The element as compact XML text, e.g. an INSTANCENAME to send back.
std::string printed(const tinyxml2::XMLElement& element);
std::size_t countChildren(const tinyxml2::XMLElement* values, const char* element);

// User and system time of every thread of the process so far.
double cpuSeconds(pid_t pid);
// A field of /proc/PID/status in kB ("VmRSS", "VmHWM"); -1 when unreadable.
long memoryKiB(pid_t pid, const std::string& field);

}  // namespace orv::bench
