// The CIM-XML server end to end: orv-cimserver runs as its own process with
// the provider over the simulated library, and each iteration posts one
// EnumerateInstances request over loopback, on a new connection as wbemcli
// makes it, and parses the answer. The time reported is from connecting to
// holding the whole answer; the client's parsing, which any client does its
// own way, is counted apart (parse_ms).
#include "BenchmarkSetup.h"
#include "ServerProcess.h"

#include <httplib.h>
#include <tinyxml2.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <vector>

namespace {

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
    double parseSeconds = 0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto started = Clock::now();
        httplib::Client client("127.0.0.1", port);
        const auto answer = client.Post("/cimom", headers, body, "application/xml; charset=\"utf-8\"");
        const auto answered = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(answered - started).count());
        std::string problem;
        if (!answer || answer->status != 200) {
            problem = answer ? "HTTP status " + std::to_string(answer->status) : "no answer";
        } else {
            count = countInstances(answer->body, problem);
        }
        parseSeconds += std::chrono::duration<double>(Clock::now() - answered).count();
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
            break;
        }
    }
    state.counters["objects"] = static_cast<double>(count);
    if (state.iterations() > 0)
        state.counters["parse_ms"] = 1000 * parseSeconds / static_cast<double>(state.iterations());
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const orv::bench::Options options = orv::bench::takeOptions(argc, argv);
        orv::test::TestInstallation installation;
        orv::bench::prepareInstallation(installation, options);
        // The child inherits the registry variable the installation set.
        orv::bench::ServerProcess server({"--provider", PROVIDER_PATH, "--no-indications"});
        for (const char* className : {"ORV_DiskDrive", "ORV_StorageVolume"})
            orv::bench::addBenchmark(options, std::string("CimXml/EnumerateInstances/") + className,
                                     [&server, className](benchmark::State& state) {
                                         enumerateOverHttp(state, server.port(), className);
                                     })
                ->UseManualTime();
        return orv::bench::runBenchmarks(argc, argv, options);
    } catch (const std::exception& error) {
        std::cerr << "cimserver_benchmarks: " << error.what() << "\n";
        return 1;
    }
}
