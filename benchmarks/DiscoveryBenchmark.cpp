// A whole discovery as an SMI-S management station makes it, over one
// persistent HTTP/1.1 connection to orv-cimserver: the class names of both
// namespaces, GetClass of every ORV_ class, EnumerateInstances of every
// ORV_ class, and AssociatorNames from every controller through every
// association class. Prints the time, request and object count of each
// phase and the server's peak resident memory. With --connect=PORT it
// measures a CIM server already running on loopback instead (another server
// hosting the same provider, set up by hand): --connect-pids=PID,PID names
// its processes, whose CPU time and memory are then summed.
#include "BenchmarkSetup.h"
#include "CimXmlClient.h"
#include "ServerProcess.h"

#include <tinyxml2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The processes that serve: ours, or those named for a server we did not
// start (a CIM server and its provider agent). CPU and memory are summed.
std::vector<pid_t> gServerPids;

double serverCpuSeconds() {
    double sum = 0;
    for (pid_t pid : gServerPids) sum += orv::bench::cpuSeconds(pid);
    return sum;
}

long serverMemoryKiB(const std::string& field) {
    long sum = 0;
    for (pid_t pid : gServerPids) sum += std::max(0L, orv::bench::memoryKiB(pid, field));
    return sum;
}
using Client = orv::bench::CimXmlClient;
using orv::bench::classNameParameter;
using orv::bench::classParameter;
using orv::bench::parameter;
using orv::bench::countChildren;
using orv::bench::printed;

const char* const kNamespaces[] = {"root/orv/Ambrix/smi_14", "root/PG_InterOp"};
constexpr const char* kImplementation = "root/orv/Ambrix/smi_14";
constexpr const char* kController = "ORV_ControllerComputerSystem";

struct Phase {
    const char* name;
    std::size_t requests = 0;
    std::size_t objects = 0;
    double seconds = 0;          // wall time, the client's parsing included
    double answeredSeconds = 0;  // requests sent to answers received
    double serverCpuSeconds = 0;
};

// How long each request took to be answered, to name the slowest.
using RequestTimes = std::vector<std::pair<double, std::string>>;

// One discovery; adds its figures to `phases`, and each request's answer
// time to `times` when given.
void discover(Client& client, std::vector<Phase>& phases, RequestTimes* times = nullptr) {
    auto call = [&](const char* operation, const std::string& nameSpace, const std::string& parameters,
                    const std::string& label) {
        const double before = client.answeredSeconds();
        const auto* answer = client.call(operation, nameSpace, parameters);
        if (times)
            times->emplace_back(client.answeredSeconds() - before,
                                std::string(operation) + " " + nameSpace + " " + label);
        return answer;
    };
    auto timed = [&](Phase& phase, auto&& body) {
        const double cpuBefore = serverCpuSeconds();
        const double answeredBefore = client.answeredSeconds();
        const auto started = Clock::now();
        body();
        phase.seconds += std::chrono::duration<double>(Clock::now() - started).count();
        phase.answeredSeconds += client.answeredSeconds() - answeredBefore;
        phase.serverCpuSeconds += serverCpuSeconds() - cpuBefore;
    };
    struct NamespaceClasses {
        std::string nameSpace;
        std::vector<std::string> orvClasses;
    };
    std::vector<NamespaceClasses> classes;
    timed(phases[0], [&] {
        for (const char* nameSpace : kNamespaces) {
            const auto* names = call("EnumerateClassNames", nameSpace,
                                     parameter("DeepInheritance", "<VALUE>TRUE</VALUE>"), "");
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
                const auto* value = call("GetClass", ns.nameSpace, classNameParameter(name), name);
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
                const auto* values = call("EnumerateInstances", ns.nameSpace, classNameParameter(name), name);
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
                    parameter("ObjectName", controller) + classParameter("AssocClass", association);
                const auto* values = call("AssociatorNames", kImplementation, parameters, association);
                ++phases[3].requests;
                phases[3].objects += countChildren(values, "OBJECTPATH");
            }
    });
}

std::vector<Phase> freshPhases() {
    return {Phase{"class names"}, Phase{"GetClass"}, Phase{"EnumerateInstances"}, Phase{"AssociatorNames"}};
}

void printPhases(const std::vector<Phase>& phases, std::size_t discoveries) {
    double total = 0;
    double answered = 0;
    double cpu = 0;
    std::size_t requests = 0;
    std::printf("  %-20s %15s %15s %9s %11s %14s\n", "", "", "", "answered", "with parse", "server CPU");
    for (const auto& p : phases) {
        std::printf("  %-20s %6zu requests %7zu objects %9.1f %8.1f ms %11.0f ms\n", p.name,
                    p.requests / discoveries, p.objects / discoveries, 1000 * p.answeredSeconds / discoveries,
                    1000 * p.seconds / discoveries, 1000 * p.serverCpuSeconds / discoveries);
        total += p.seconds;
        answered += p.answeredSeconds;
        cpu += p.serverCpuSeconds;
        requests += p.requests;
    }
    std::printf("  %-20s %6zu requests %15s %9.1f %8.1f ms %11.0f ms\n", "discovery", requests / discoveries, "",
                1000 * answered / discoveries, 1000 * total / discoveries, 1000 * cpu / discoveries);
}

// The requests that took longest, those of one operation on one class
// counted together (AssociatorNames from every controller, for instance).
void printSlowest(const RequestTimes& times, std::size_t count, int discoveries) {
    std::map<std::string, std::pair<double, std::size_t>> byLabel;
    for (const auto& [seconds, label] : times) {
        auto& [total, requests] = byLabel[label];
        total += seconds;
        ++requests;
    }
    std::vector<std::pair<double, std::string>> ranked;
    for (const auto& [label, sum] : byLabel) ranked.emplace_back(sum.first, label);
    std::sort(ranked.rbegin(), ranked.rend());
    std::printf("slowest requests (answered, summed per operation and class):\n");
    for (std::size_t i = 0; i < std::min(count, ranked.size()); ++i)
        std::printf("  %8.2f ms %5zu x  %s\n", 1000 * ranked[i].first / discoveries,
                    byLabel[ranked[i].second].second / discoveries, ranked[i].second.c_str());
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
        int slowest = 0;
        int connectPort = 0;
        for (int i = 1; i < argc; ++i) {
            const std::string argument = argv[i];
            if (argument.rfind("--rounds=", 0) == 0) {
                rounds = number("--rounds", argument.substr(9));
            } else if (argument.rfind("--clients=", 0) == 0) {
                clients = number("--clients", argument.substr(10));
            } else if (argument.rfind("--server-threads=", 0) == 0) {
                serverArguments.insert(serverArguments.end(), {"--threads", argument.substr(17)});
            } else if (argument.rfind("--server-busy-poll-us=", 0) == 0) {
                serverArguments.insert(serverArguments.end(), {"--busy-poll-us", argument.substr(22)});
            } else if (argument.rfind("--server=", 0) == 0) {
                serverProgram = argument.substr(9);
            } else if (argument.rfind("--slowest=", 0) == 0) {
                slowest = number("--slowest", argument.substr(10));
            } else if (argument.rfind("--connect=", 0) == 0) {
                connectPort = number("--connect", argument.substr(10));
            } else if (argument.rfind("--connect-pids=", 0) == 0) {
                std::istringstream pids(argument.substr(15));
                for (std::string pid; std::getline(pids, pid, ',');) gServerPids.push_back(std::stoi(pid));
            } else if (argument.rfind("--answers=", 0) == 0) {
                answersDirectory = argument.substr(10);
            } else if (argument.rfind("--server-wrapper=", 0) == 0) {
                std::istringstream words(argument.substr(17));
                for (std::string word; words >> word;) wrapper.push_back(word);
            } else {
                throw std::invalid_argument("unknown option " + argument +
                                            " (--topology=, --log-level=, --rounds=N, --clients=N, "
                                            "--server-threads=N, --server-busy-poll-us=N, --server=PATH, --server-wrapper=COMMAND, --answers=DIR, "
                                            "--slowest=N, --connect=PORT, --connect-pids=PID,...)");
            }
        }
        orv::test::TestInstallation installation;
        std::optional<orv::bench::ServerProcess> ours;
        if (connectPort == 0) {
            orv::bench::prepareInstallation(installation, options);
            ours.emplace(serverArguments, wrapper, serverProgram);
            gServerPids = {ours->pid()};
            std::printf("topology %s, provider log level %s, %d client(s), %d discoveries each\n",
                        options.topologyName.c_str(),
                        options.logLevel < 0 ? "off" : std::to_string(options.logLevel).c_str(), clients, rounds);
        } else {
            std::printf("the server on port %d, %d client(s), %d discoveries each\n", connectPort, clients, rounds);
        }
        const int port = ours ? ours->port() : connectPort;

        if (clients == 1) {
            Client client(port);
            client.keepAnswersIn(answersDirectory);
            RequestTimes times;
            for (int round = 1; round <= rounds; ++round) {
                auto phases = freshPhases();
                discover(client, phases, slowest > 0 ? &times : nullptr);
                std::printf("discovery %d, server VmRSS %ld kB\n", round, serverMemoryKiB("VmRSS"));
                printPhases(phases, 1);
            }
            if (slowest > 0) printSlowest(times, slowest, rounds);
        } else {
            // Every client runs its discoveries on a connection of its own;
            // the wall time of all of them together is what counts.
            std::vector<std::vector<Phase>> results(clients, freshPhases());
            std::vector<std::string> failures;
            std::mutex failuresMutex;
            const double cpuBefore = serverCpuSeconds();
            const auto started = Clock::now();
            std::vector<std::thread> threads;
            for (int c = 0; c < clients; ++c)
                threads.emplace_back([&, c] {
                    try {
                        Client client(port);
                        for (int round = 0; round < rounds; ++round) discover(client, results[c]);
                    } catch (const std::exception& error) {
                        std::lock_guard lock(failuresMutex);
                        failures.push_back(error.what());
                    }
                });
            for (auto& t : threads) t.join();
            const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
            if (!failures.empty()) throw std::runtime_error(failures.front());
            std::printf("%d clients together: %.1f ms wall time, server CPU %.0f ms\n", clients, 1000 * seconds,
                        1000 * (serverCpuSeconds() - cpuBefore));
            std::printf("the first client's phases (server CPU overlaps the other clients'):\n");
            printPhases(results[0], rounds);
        }
        std::printf("server peak memory VmHWM %ld kB, now VmRSS %ld kB\n", serverMemoryKiB("VmHWM"),
                    serverMemoryKiB("VmRSS"));
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "discovery_benchmark: " << error.what() << "\n";
        return 1;
    }
}
