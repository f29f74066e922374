// A whole discovery as an SMI-S management station makes it, over one
// persistent HTTP/1.1 connection to orv-cimserver: the class names of both
// namespaces, GetClass of every ORV_ class, EnumerateInstances of every
// ORV_ class, and AssociatorNames from every controller through every
// association class. Prints the time, request and object count of each
// phase and the server's peak resident memory.
#include "BenchmarkSetup.h"
#include "ServerProcess.h"

#include <httplib.h>
#include <tinyxml2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* const kNamespaces[] = {"root/orv/Ambrix/smi_14", "root/PG_InterOp"};
constexpr const char* kImplementation = "root/orv/Ambrix/smi_14";
constexpr const char* kController = "ORV_ControllerComputerSystem";

struct Phase {
    const char* name;
    std::size_t requests = 0;
    std::size_t objects = 0;
    double seconds = 0;
    double serverCpuSeconds = 0;
};

// User and system time of every thread of the server so far: on a shared
// machine the server's own work varies far less than the wall time.
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

std::string escapedHeader(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '/' ? std::string("%2F") : std::string(1, c);
    return out;
}

// One client: one connection, kept open for every request it sends.
class Client {
public:
    // With answersDirectory, every answer body is kept there in a file of
    // its own, numbered in request order, to compare two builds' answers.
    explicit Client(int port, std::string answersDirectory = {})
        : http_("127.0.0.1", port), answersDirectory_(std::move(answersDirectory)) {
        http_.set_keep_alive(true);
        // As curl (and so wbemcli) does: a request's header and body leave
        // at once instead of waiting for the server's acknowledgement.
        http_.set_tcp_nodelay(true);
        http_.set_read_timeout(120, 0);
    }

    // Posts an intrinsic call and answers the parsed IRETURNVALUE; throws
    // on any failure, so that a broken answer never passes for a fast one.
    const tinyxml2::XMLElement* call(const std::string& method, const std::string& nameSpace,
                                     const std::string& parameters) {
        const std::string body = R"(<?xml version="1.0" encoding="utf-8"?>)"
                                 R"(<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="1" PROTOCOLVERSION="1.0">)"
                                 R"(<SIMPLEREQ><IMETHODCALL NAME=")" + method + "\">" + localNamespace(nameSpace) +
                                 parameters + "</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>";
        const httplib::Headers headers{{"CIMProtocolVersion", "1.0"},
                                       {"CIMOperation", "MethodCall"},
                                       {"CIMMethod", method},
                                       {"CIMObject", escapedHeader(nameSpace)}};
        const auto answer = http_.Post("/cimom", headers, body, "application/xml; charset=\"utf-8\"");
        if (!answer) throw std::runtime_error(method + ": no answer (" + httplib::to_string(answer.error()) + ")");
        if (answer->status != 200)
            throw std::runtime_error(method + ": HTTP status " + std::to_string(answer->status));
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
                                   .FirstChildElement("IMETHODRESPONSE")
                                   .ToElement();
        if (!response) throw std::runtime_error(method + ": the answer has no IMETHODRESPONSE");
        if (const auto* error = response->FirstChildElement("ERROR"))
            throw std::runtime_error(method + " " + parameters + ": CIM error " + error->Attribute("CODE") + " " +
                                     (error->Attribute("DESCRIPTION") ? error->Attribute("DESCRIPTION") : ""));
        return response->FirstChildElement("IRETURNVALUE");
    }

private:
    httplib::Client http_;
    std::string answersDirectory_;
    std::size_t answered_ = 0;
    tinyxml2::XMLDocument document_;
};

std::size_t countChildren(const tinyxml2::XMLElement* values, const char* element) {
    std::size_t count = 0;
    if (values)
        for (auto* e = values->FirstChildElement(element); e; e = e->NextSiblingElement(element)) ++count;
    return count;
}

std::string classNameParameter(const std::string& name) {
    return R"(<IPARAMVALUE NAME="ClassName"><CLASSNAME NAME=")" + name + R"("/></IPARAMVALUE>)";
}

std::string printed(const tinyxml2::XMLElement& element) {
    tinyxml2::XMLPrinter printer(nullptr, true);
    element.Accept(&printer);
    return printer.CStr();
}

// One discovery; adds its figures to `phases`.
void discover(Client& client, pid_t server, std::vector<Phase>& phases) {
    auto timed = [&](Phase& phase, auto&& body) {
        const double cpuBefore = cpuSeconds(server);
        const auto started = Clock::now();
        body();
        phase.seconds += std::chrono::duration<double>(Clock::now() - started).count();
        phase.serverCpuSeconds += cpuSeconds(server) - cpuBefore;
    };
    struct NamespaceClasses {
        std::string nameSpace;
        std::vector<std::string> orvClasses;
    };
    std::vector<NamespaceClasses> classes;
    timed(phases[0], [&] {
        for (const char* nameSpace : kNamespaces) {
            const auto* names = client.call("EnumerateClassNames", nameSpace,
                                            R"(<IPARAMVALUE NAME="DeepInheritance"><VALUE>TRUE</VALUE></IPARAMVALUE>)");
            NamespaceClasses found{nameSpace, {}};
            if (names)
                for (auto* e = names->FirstChildElement("CLASSNAME"); e; e = e->NextSiblingElement("CLASSNAME")) {
                    ++phases[0].objects;
                    const std::string name = e->Attribute("NAME");
                    if (name.rfind("ORV_", 0) == 0) found.orvClasses.push_back(name);
                }
            ++phases[0].requests;
            classes.push_back(std::move(found));
        }
    });
    std::vector<std::string> associationClasses;
    timed(phases[1], [&] {
        for (const auto& ns : classes)
            for (const auto& name : ns.orvClasses) {
                const auto* value = client.call("GetClass", ns.nameSpace, classNameParameter(name));
                ++phases[1].requests;
                const auto* decl = value ? value->FirstChildElement("CLASS") : nullptr;
                if (!decl) throw std::runtime_error("GetClass " + name + ": no CLASS");
                ++phases[1].objects;
                if (ns.nameSpace != kImplementation) continue;
                for (auto* q = decl->FirstChildElement("QUALIFIER"); q; q = q->NextSiblingElement("QUALIFIER"))
                    if (std::string(q->Attribute("NAME")) == "Association") associationClasses.push_back(name);
            }
    });
    std::vector<std::string> controllers;
    timed(phases[2], [&] {
        for (const auto& ns : classes)
            for (const auto& name : ns.orvClasses) {
                const auto* values = client.call("EnumerateInstances", ns.nameSpace, classNameParameter(name));
                ++phases[2].requests;
                phases[2].objects += countChildren(values, "VALUE.NAMEDINSTANCE");
                if (ns.nameSpace != kImplementation || name != kController || !values) continue;
                for (auto* i = values->FirstChildElement("VALUE.NAMEDINSTANCE"); i;
                     i = i->NextSiblingElement("VALUE.NAMEDINSTANCE"))
                    controllers.push_back(printed(*i->FirstChildElement("INSTANCENAME")));
            }
    });
    timed(phases[3], [&] {
        for (const auto& controller : controllers)
            for (const auto& association : associationClasses) {
                const std::string parameters =
                    R"(<IPARAMVALUE NAME="ObjectName">)" + controller +
                    R"(</IPARAMVALUE><IPARAMVALUE NAME="AssocClass"><CLASSNAME NAME=")" + association +
                    R"("/></IPARAMVALUE>)";
                const auto* values = client.call("AssociatorNames", kImplementation, parameters);
                ++phases[3].requests;
                phases[3].objects += countChildren(values, "OBJECTPATH");
            }
    });
}

std::vector<Phase> freshPhases() {
    return {Phase{"class names"}, Phase{"GetClass"}, Phase{"EnumerateInstances"}, Phase{"AssociatorNames"}};
}

// "VmHWM:     12345 kB" -> 12345, from the server's /proc status.
long memoryKiB(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

void printPhases(const std::vector<Phase>& phases, std::size_t discoveries) {
    double total = 0;
    double cpu = 0;
    std::size_t requests = 0;
    for (const auto& p : phases) {
        std::printf("  %-20s %6zu requests %7zu objects %9.1f ms  server CPU %8.0f ms\n", p.name,
                    p.requests / discoveries, p.objects / discoveries, 1000 * p.seconds / discoveries,
                    1000 * p.serverCpuSeconds / discoveries);
        total += p.seconds;
        cpu += p.serverCpuSeconds;
        requests += p.requests;
    }
    std::printf("  %-20s %6zu requests %15s %9.1f ms  server CPU %8.0f ms\n", "discovery",
                requests / discoveries, "", 1000 * total / discoveries, 1000 * cpu / discoveries);
}

int number(const std::string& option, const std::string& text) {
    const int value = std::stoi(text);
    if (value < 1) throw std::invalid_argument(option + " needs a number of at least 1");
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const orv::bench::Options options = orv::bench::takeOptions(argc, argv);
        int rounds = 1;
        int clients = 1;
        std::vector<std::string> serverArguments{"--provider", PROVIDER_PATH, "--no-indications"};
        std::vector<std::string> wrapper;
        std::string serverProgram = ORV_CIMSERVER;
        std::string answersDirectory;
        for (int i = 1; i < argc; ++i) {
            const std::string argument = argv[i];
            if (argument.rfind("--rounds=", 0) == 0) {
                rounds = number("--rounds", argument.substr(9));
            } else if (argument.rfind("--clients=", 0) == 0) {
                clients = number("--clients", argument.substr(10));
            } else if (argument.rfind("--server-threads=", 0) == 0) {
                serverArguments.insert(serverArguments.end(), {"--threads", argument.substr(17)});
            } else if (argument.rfind("--server=", 0) == 0) {
                serverProgram = argument.substr(9);
            } else if (argument.rfind("--answers=", 0) == 0) {
                answersDirectory = argument.substr(10);
            } else if (argument.rfind("--server-wrapper=", 0) == 0) {
                std::istringstream words(argument.substr(17));
                for (std::string word; words >> word;) wrapper.push_back(word);
            } else {
                throw std::invalid_argument("unknown option " + argument +
                                            " (--topology=, --log-level=, --rounds=N, --clients=N, "
                                            "--server-threads=N, --server=PATH, --server-wrapper=COMMAND, --answers=DIR)");
            }
        }
        orv::test::TestInstallation installation;
        orv::bench::prepareInstallation(installation, options);
        orv::bench::ServerProcess server(serverArguments, wrapper, serverProgram);
        std::printf("topology %s, provider log level %s, %d client(s), %d discoveries each\n",
                    options.topologyName.c_str(),
                    options.logLevel < 0 ? "off" : std::to_string(options.logLevel).c_str(), clients, rounds);

        if (clients == 1) {
            Client client(server.port(), answersDirectory);
            for (int round = 1; round <= rounds; ++round) {
                auto phases = freshPhases();
                discover(client, server.pid(), phases);
                std::printf("discovery %d, server VmRSS %ld kB\n", round, memoryKiB(server.pid(), "VmRSS"));
                printPhases(phases, 1);
            }
        } else {
            // Every client runs its discoveries on a connection of its own;
            // the wall time of all of them together is what counts.
            std::vector<std::vector<Phase>> results(clients, freshPhases());
            std::vector<std::string> failures;
            std::mutex failuresMutex;
            const double cpuBefore = cpuSeconds(server.pid());
            const auto started = Clock::now();
            std::vector<std::thread> threads;
            for (int c = 0; c < clients; ++c)
                threads.emplace_back([&, c] {
                    try {
                        Client client(server.port());
                        for (int round = 0; round < rounds; ++round) discover(client, server.pid(), results[c]);
                    } catch (const std::exception& error) {
                        std::lock_guard lock(failuresMutex);
                        failures.push_back(error.what());
                    }
                });
            for (auto& t : threads) t.join();
            const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
            if (!failures.empty()) throw std::runtime_error(failures.front());
            std::printf("%d clients together: %.1f ms wall time, server CPU %.0f ms\n", clients, 1000 * seconds,
                        1000 * (cpuSeconds(server.pid()) - cpuBefore));
            std::printf("the first client's phases (server CPU overlaps the other clients'):\n");
            printPhases(results[0], rounds);
        }
        std::printf("server peak memory VmHWM %ld kB, now VmRSS %ld kB\n", memoryKiB(server.pid(), "VmHWM"),
                    memoryKiB(server.pid(), "VmRSS"));
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "discovery_benchmark: " << error.what() << "\n";
        return 1;
    }
}
