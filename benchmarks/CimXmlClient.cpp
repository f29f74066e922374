#include "CimXmlClient.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace orv::bench {

namespace {

std::string escapedHeader(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '/' ? std::string("%2F") : std::string(1, c);
    return out;
}

std::string envelope(const std::string& call) {
    return R"(<?xml version="1.0" encoding="utf-8"?>)"
           R"(<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="1" PROTOCOLVERSION="1.0"><SIMPLEREQ>)" +
           call + "</SIMPLEREQ></MESSAGE></CIM>";
}

}  // namespace

CimXmlClient::CimXmlClient(int port, int readTimeoutSeconds) : http_("127.0.0.1", port) {
    http_.set_keep_alive(true);
    // As curl (and so wbemcli) does: a request's header and body leave at
    // once instead of waiting for the server's acknowledgement.
    http_.set_tcp_nodelay(true);
    http_.set_read_timeout(readTimeoutSeconds, 0);
}

const tinyxml2::XMLElement* CimXmlClient::call(const std::string& method, const std::string& nameSpace,
                                               const std::string& parameters) {
    const auto* response =
        post(method, escapedHeader(nameSpace),
             R"(<IMETHODCALL NAME=")" + method + "\">" + localNamespace(nameSpace) + parameters + "</IMETHODCALL>",
             "IMETHODRESPONSE", method + " " + parameters);
    return response->FirstChildElement("IRETURNVALUE");
}

const tinyxml2::XMLElement* CimXmlClient::invoke(const std::string& method, const std::string& nameSpace,
                                                 const std::string& className, const std::string& instanceName,
                                                 const std::string& parameters) {
    return post(method, escapedHeader(nameSpace) + ":" + className,
                R"(<METHODCALL NAME=")" + method + R"("><LOCALINSTANCEPATH>)" + localNamespace(nameSpace) +
                    instanceName + "</LOCALINSTANCEPATH>" + parameters + "</METHODCALL>",
                "METHODRESPONSE", method + " on " + className);
}

const tinyxml2::XMLElement* CimXmlClient::post(const std::string& method, const std::string& cimObject,
                                               const std::string& call, const char* responseElement,
                                               const std::string& description) {
    // As management stations do, the client accepts trailers: the server
    // may then send a large answer in chunks while it writes it, and tell a
    // failure found part way in the trailer (which this library refuses to
    // read, so that such an answer fails here).
    const httplib::Headers headers{{"CIMProtocolVersion", "1.0"},
                                   {"CIMOperation", "MethodCall"},
                                   {"TE", "trailers"},
                                   {"Connection", "TE"},
                                   {"CIMMethod", method},
                                   {"CIMObject", cimObject}};
    const std::string body = envelope(call);
    const auto sent = std::chrono::steady_clock::now();
    const auto answer = http_.Post("/cimom", headers, body, "application/xml; charset=\"utf-8\"");
    answeredSeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    if (!answer) throw std::runtime_error(method + ": no answer (" + httplib::to_string(answer.error()) + ")");
    if (answer->status != 200) throw std::runtime_error(method + ": HTTP status " + std::to_string(answer->status));
    if (!answersDirectory_.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "/%05zu.xml", ++answered_);
        std::ofstream(answersDirectory_ + name, std::ios::binary) << answer->body;
    }
    document_.Clear();
    if (document_.Parse(answer->body.c_str(), answer->body.size()) != tinyxml2::XML_SUCCESS)
        throw std::runtime_error(method + ": the answer is not XML");
    const auto* response = tinyxml2::XMLConstHandle(document_)
                               .FirstChildElement("CIM")
                               .FirstChildElement("MESSAGE")
                               .FirstChildElement("SIMPLERSP")
                               .FirstChildElement(responseElement)
                               .ToElement();
    if (!response) throw std::runtime_error(method + ": the answer has no " + responseElement);
    if (const auto* error = response->FirstChildElement("ERROR"))
        throw CimErrorAnswer(error->IntAttribute("CODE"),
                             error->Attribute("DESCRIPTION") ? error->Attribute("DESCRIPTION") : "", description);
    return response;
}

std::string localNamespace(const std::string& nameSpace) {
    std::string out = "<LOCALNAMESPACEPATH>";
    std::size_t start = 0;
    while (start <= nameSpace.size()) {
        const auto slash = std::min(nameSpace.find('/', start), nameSpace.size());
        out += "<NAMESPACE NAME=\"" + nameSpace.substr(start, slash - start) + "\"/>";
        start = slash + 1;
    }
    return out + "</LOCALNAMESPACEPATH>";
}

std::string parameter(const std::string& name, const std::string& content) {
    return "<IPARAMVALUE NAME=\"" + name + "\">" + content + "</IPARAMVALUE>";
}

std::string classParameter(const std::string& name, const std::string& className) {
    return parameter(name, "<CLASSNAME NAME=\"" + className + "\"/>");
}

std::string classNameParameter(const std::string& name) { return classParameter("ClassName", name); }

std::string printed(const tinyxml2::XMLElement& element) {
    tinyxml2::XMLPrinter printer(nullptr, true);
    element.Accept(&printer);
    return printer.CStr();
}

std::size_t countChildren(const tinyxml2::XMLElement* values, const char* element) {
    std::size_t count = 0;
    if (values)
        for (auto* e = values->FirstChildElement(element); e; e = e->NextSiblingElement(element)) ++count;
    return count;
}

double cpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Fields after the command name, which is in parentheses and may hold spaces.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int index = 3; fields >> field && index <= 15; ++index)
        if (index == 14 || index == 15) ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long memoryKiB(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

}  // namespace orv::bench
