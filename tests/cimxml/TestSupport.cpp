#include "TestSupport.h"

#include "FixtureSchema.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace orv::cimxml::test {

FixtureStack::FixtureStack() : schema(fixtureSchema()) {
    for (const ClassDecl* decl : schema.classes()) broker.classHierarchy().addClass(decl->name, decl->superClass);
    provider = std::make_unique<ProviderModule>(broker, FIXTURE_PROVIDER, "Fixture");
    static std::mutex logMutex;
    operations = std::make_unique<CimOperations>(schema, *provider, "testhost", [this](const std::string& line) {
        std::lock_guard lock(logMutex);
        logLines.push_back(line);
    });
}

FixtureStack& FixtureStack::instance() {
    static FixtureStack stack;
    return stack;
}

CimXmlService FixtureStack::service(UserTable users, std::size_t maxBytes) {
    return CimXmlService(*operations, std::move(users), maxBytes);
}

namespace {

std::string localNamespace(const std::string& nameSpace) {
    std::string out = "<LOCALNAMESPACEPATH>";
    std::stringstream parts(nameSpace);
    for (std::string part; std::getline(parts, part, '/');) out += "<NAMESPACE NAME=\"" + part + "\"/>";
    return out + "</LOCALNAMESPACEPATH>";
}

const char* kEnvelopeStart =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">"
    "<MESSAGE ID=\"4711\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ>";
const char* kEnvelopeEnd = "</SIMPLEREQ></MESSAGE></CIM>\n";

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '%' || c == ':' || c == '/') {
            char buffer[4];
            std::snprintf(buffer, sizeof buffer, "%%%02X", static_cast<unsigned char>(c));
            out += buffer;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string intrinsicBody(const std::string& method, const std::string& nameSpace, const std::string& params) {
    return std::string(kEnvelopeStart) + "<IMETHODCALL NAME=\"" + method + "\">" + localNamespace(nameSpace) +
           params + "</IMETHODCALL>" + kEnvelopeEnd;
}

std::string extrinsicBody(const std::string& method, const std::string& nameSpace, const std::string& className,
                          const std::string& keys, const std::string& params, bool onClass) {
    std::string target = onClass ? "<LOCALCLASSPATH>" + localNamespace(nameSpace) + "<CLASSNAME NAME=\"" +
                                       className + "\"/></LOCALCLASSPATH>"
                                 : "<LOCALINSTANCEPATH>" + localNamespace(nameSpace) + "<INSTANCENAME CLASSNAME=\"" +
                                       className + "\">" + keys + "</INSTANCENAME></LOCALINSTANCEPATH>";
    return std::string(kEnvelopeStart) + "<METHODCALL NAME=\"" + method + "\">" + target + params + "</METHODCALL>" +
           kEnvelopeEnd;
}

HttpExchange exchange(const std::string& method, const std::string& nameSpace, const std::string& body,
                      bool intrinsic, const std::string& className) {
    HttpExchange e;
    e.headers = {{"Content-Type", "application/xml; charset=\"utf-8\""},
                 {"CIMProtocolVersion", "1.0"},
                 {"CIMOperation", "MethodCall"},
                 {"CIMMethod", method},
                 {"CIMObject", escaped(intrinsic ? nameSpace : nameSpace + ":" + className)}};
    e.body = body;
    return e;
}

std::string classNameParam(const std::string& name, const std::string& className) {
    return "<IPARAMVALUE NAME=\"" + name + "\"><CLASSNAME NAME=\"" + className + "\"/></IPARAMVALUE>";
}

std::string stringKey(const std::string& name, const std::string& value) {
    return "<KEYBINDING NAME=\"" + name + "\"><KEYVALUE VALUETYPE=\"string\">" + value + "</KEYVALUE></KEYBINDING>";
}

std::string numericKey(const std::string& name, const std::string& value) {
    return "<KEYBINDING NAME=\"" + name + "\"><KEYVALUE VALUETYPE=\"numeric\">" + value + "</KEYVALUE></KEYBINDING>";
}

std::string instanceNameParam(const std::string& name, const std::string& className, const std::string& keys) {
    return "<IPARAMVALUE NAME=\"" + name + "\"><INSTANCENAME CLASSNAME=\"" + className + "\">" + keys +
           "</INSTANCENAME></IPARAMVALUE>";
}

std::string valueParam(const std::string& name, const std::string& value) {
    return "<IPARAMVALUE NAME=\"" + name + "\"><VALUE>" + value + "</VALUE></IPARAMVALUE>";
}

// ---- Response ---------------------------------------------------------------------

Response::Response(const std::string& body) { ok_ = doc_.Parse(body.c_str(), body.size()) == tinyxml2::XML_SUCCESS; }

namespace {

void collect(const tinyxml2::XMLElement* e, const char* name, std::vector<const tinyxml2::XMLElement*>& out) {
    for (; e; e = e->NextSiblingElement()) {
        if (std::string(e->Name()) == name) out.push_back(e);
        collect(e->FirstChildElement(), name, out);
    }
}

}  // namespace

std::vector<const tinyxml2::XMLElement*> Response::all(const char* name) const {
    std::vector<const tinyxml2::XMLElement*> out;
    collect(doc_.RootElement(), name, out);
    return out;
}

int Response::errorCode() const {
    auto errors = all("ERROR");
    return errors.empty() ? 0 : errors.front()->IntAttribute("CODE");
}

std::string Response::errorDescription() const {
    auto errors = all("ERROR");
    const char* d = errors.empty() ? nullptr : errors.front()->Attribute("DESCRIPTION");
    return d ? d : "";
}

std::string Response::property(const std::string& name, std::size_t instanceIndex) const {
    auto instances = all("INSTANCE");
    if (instanceIndex >= instances.size()) return "<no instance>";
    for (auto* p = instances[instanceIndex]->FirstChildElement(); p; p = p->NextSiblingElement()) {
        const char* n = p->Attribute("NAME");
        if (!n || name != n) continue;
        const auto* v = p->FirstChildElement();
        if (!v) return "<null>";
        if (std::string(v->Name()) == "VALUE.ARRAY") {
            std::string out;
            for (auto* item = v->FirstChildElement(); item; item = item->NextSiblingElement())
                out += std::string(out.empty() ? "" : ",") + (item->GetText() ? item->GetText() : "");
            return out;
        }
        return v->GetText() ? v->GetText() : "";
    }
    return "<none>";
}

std::vector<std::string> Response::attributes(const char* element, const char* attribute) const {
    std::vector<std::string> out;
    for (auto* e : all(element)) out.push_back(e->Attribute(attribute) ? e->Attribute(attribute) : "");
    return out;
}

// ---- processes -----------------------------------------------------------------------

std::vector<std::string> serverWrapper() {
    std::vector<std::string> words;
    if (const char* wrapper = std::getenv("ORV_TEST_SERVER_WRAPPER")) {
        std::istringstream text(wrapper);
        for (std::string word; text >> word;) words.push_back(word);
    }
    return words;
}

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

ServerProcess::ServerProcess(const std::string& program, const std::vector<std::string>& arguments,
                             const std::vector<std::pair<std::string, std::string>>& environment) {
    char pattern[] = "/tmp/orv-cimserver-stderr-XXXXXX";
    const int errorFd = mkstemp(pattern);
    if (errorFd < 0) throw std::runtime_error("cannot make a file for the server's errors");
    errorFile_ = pattern;
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("cannot make a pipe");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("cannot fork");
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(errorFd, STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
        std::vector<std::string> all = serverWrapper();
        all.push_back(program);
        all.insert(all.end(), arguments.begin(), arguments.end());
        all.push_back("--port");
        all.push_back("0");
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv.front(), argv.data());
        _exit(127);
    }
    close(errorFd);
    close(out[1]);
    // The server prints "... listening on 127.0.0.1:<port>" once it listens,
    // and a second such line ending in "(HTTPS)" when it serves HTTPS too;
    // the provider it loads may print before that.
    const auto readPort = [&] {
        std::string line;
        char c;
        for (bool more = true; more && line.find("listening on") == std::string::npos;) {
            if (!line.empty()) startOutput_ += line + "\n";
            line.clear();
            while ((more = read(out[0], &c, 1) == 1) && c != '\n') line += c;
        }
        const auto colon = line.rfind(':');
        if (line.find("listening on") == std::string::npos || colon == std::string::npos) {
            close(out[0]);
            stop(SIGKILL);
            throw std::runtime_error("the server did not start: " + startOutput_ + line + "\n" + errorOutput());
        }
        return std::stoi(line.substr(colon + 1));
    };
    port_ = readPort();
    if (std::find(arguments.begin(), arguments.end(), "--https-port") != arguments.end()) tlsPort_ = readPort();
    close(out[0]);
}

ServerProcess::~ServerProcess() {
    if (pid_ > 0 && !serverWrapper().empty()) {
        // A tool such as valgrind reports at the program's exit, and says
        // by its exit status whether it found anything.
        const int status = stop(SIGTERM);
        if (status != 0) ADD_FAILURE() << "the server under ORV_TEST_SERVER_WRAPPER ended with " << status;
    }
    if (pid_ > 0) stop(SIGKILL);
    if (!errorFile_.empty()) std::remove(errorFile_.c_str());
}

std::string ServerProcess::url(const std::string& nameSpace) const {
    return "http://localhost:" + std::to_string(port_) + "/" + nameSpace;
}

int ServerProcess::stop(int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ServerProcess::errorOutput() const {
    std::ifstream in(errorFile_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace orv::cimxml::test
