// The CIM-XML server end to end: orv-cimserver runs as its own process with
// the provider over the simulated library, and each iteration posts one
// EnumerateInstances request over loopback, on a new connection as wbemcli
// makes it, and parses the answer.
#include "BenchmarkSetup.h"

#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// orv-cimserver on a free port; stopped with SIGTERM so that it takes the
// provider down in order.
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> arguments) {
        int output[2];
        if (pipe(output) != 0) throw std::runtime_error("cannot make a pipe");
        arguments.insert(arguments.begin(), ORV_CIMSERVER);
        arguments.insert(arguments.end(), {"--port", "0"});
        pid_ = fork();
        if (pid_ < 0) throw std::runtime_error("cannot start orv-cimserver");
        if (pid_ == 0) {
            dup2(output[1], STDOUT_FILENO);
            close(output[0]);
            close(output[1]);
            std::vector<char*> argv;
            for (auto& argument : arguments) argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(ORV_CIMSERVER, argv.data());
            _exit(127);
        }
        close(output[1]);
        // It prints "orv-cimserver listening on ADDRESS:PORT" once it listens.
        std::string line;
        char c = 0;
        while (read(output[0], &c, 1) == 1 && c != '\n') line += c;
        close(output[0]);
        const auto colon = line.rfind(':');
        if (line.find("listening on") == std::string::npos || colon == std::string::npos) {
            stop();
            throw std::runtime_error("orv-cimserver did not start: " + line);
        }
        port_ = std::stoi(line.substr(colon + 1));
    }
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }

private:
    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    pid_t pid_ = -1;
    int port_ = 0;
};

std::string enumerateInstancesBody(const std::string& className) {
    return R"(<?xml version="1.0" encoding="utf-8"?>)"
           R"(<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="1" PROTOCOLVERSION="1.0"><SIMPLEREQ>)"
           R"(<IMETHODCALL NAME="EnumerateInstances"><LOCALNAMESPACEPATH>)"
           R"(<NAMESPACE NAME="root"/><NAMESPACE NAME="orv"/><NAMESPACE NAME="Ambrix"/><NAMESPACE NAME="smi_14"/>)"
           R"(</LOCALNAMESPACEPATH><IPARAMVALUE NAME="ClassName"><CLASSNAME NAME=")" +
           className + R"("/></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>)";
}

// The instances of a response, or a reason why there are none.
std::size_t countInstances(const std::string& body, std::string& problem) {
    tinyxml2::XMLDocument document;
    if (document.Parse(body.c_str(), body.size()) != tinyxml2::XML_SUCCESS) {
        problem = "the answer is not XML";
        return 0;
    }
    const tinyxml2::XMLElement* response = tinyxml2::XMLConstHandle(document)
                                               .FirstChildElement("CIM")
                                               .FirstChildElement("MESSAGE")
                                               .FirstChildElement("SIMPLERSP")
                                               .FirstChildElement("IMETHODRESPONSE")
                                               .ToElement();
    if (response == nullptr) {
        problem = "the answer has no IMETHODRESPONSE";
        return 0;
    }
    if (const auto* error = response->FirstChildElement("ERROR")) {
        problem = std::string("CIM error ") + error->Attribute("CODE");
        return 0;
    }
    std::size_t count = 0;
    constexpr const char* kInstance = "VALUE.NAMEDINSTANCE";
    if (const auto* values = response->FirstChildElement("IRETURNVALUE"))
        for (auto* e = values->FirstChildElement(kInstance); e; e = e->NextSiblingElement(kInstance)) ++count;
    if (count == 0) problem = "the answer holds no instance";
    return count;
}

void enumerateOverHttp(benchmark::State& state, int port, const std::string& className) {
    const std::string body = enumerateInstancesBody(className);
    const httplib::Headers headers{{"CIMProtocolVersion", "1.0"},
                                   {"CIMOperation", "MethodCall"},
                                   {"CIMMethod", "EnumerateInstances"},
                                   {"CIMObject", "root%2Forv%2FAmbrix%2Fsmi_14"}};
    std::size_t count = 0;
    for (auto _ : state) {
        httplib::Client client("127.0.0.1", port);
        const auto answer = client.Post("/cimom", headers, body, "application/xml; charset=\"utf-8\"");
        std::string problem;
        if (!answer || answer->status != 200) {
            problem = answer ? "HTTP status " + std::to_string(answer->status) : "no answer";
        } else {
            count = countInstances(answer->body, problem);
        }
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
            break;
        }
    }
    state.counters["objects"] = static_cast<double>(count);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const orv::bench::Options options = orv::bench::takeOptions(argc, argv);
        orv::test::TestInstallation installation;
        orv::bench::prepareInstallation(installation, options);
        // The child inherits the registry variable the installation set.
        ServerProcess server({"--provider", PROVIDER_PATH, "--no-indications"});
        for (const char* className : {"ORV_DiskDrive", "ORV_StorageVolume"})
            orv::bench::addBenchmark(options, std::string("CimXml/EnumerateInstances/") + className,
                                     [&server, className](benchmark::State& state) {
                                         enumerateOverHttp(state, server.port(), className);
                                     })
                ->UseRealTime();
        return orv::bench::runBenchmarks(argc, argv, options);
    } catch (const std::exception& error) {
        std::cerr << "cimserver_benchmarks: " << error.what() << "\n";
        return 1;
    }
}
