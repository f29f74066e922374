// A bounded soak of orv-cimserver over loopback: many clients, each on a
// persistent connection of its own, mix enumerations, gets, association
// walks and configuration methods for a fixed time, while the simulated
// library raises events through its control socket (alerts, controller
// events, a disk pulled and inserted again). Prints the request rate, the
// median and 99th-percentile latency, the failures, and the server's
// resident memory at the start, after the first seconds and at the end.
//
// Exit status 0 when no request failed, the server ran to the end and its
// memory at the end stayed within the allowed growth over the early
// figure; 1 otherwise; 2 for a bad command line.
#include "BenchmarkSetup.h"
#include "CimXmlClient.h"
#include "ServerProcess.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <tinyxml2.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using orv::bench::CimErrorAnswer;
using orv::bench::CimXmlClient;
using orv::bench::classNameParameter;
using orv::bench::classParameter;
using orv::bench::parameter;
using orv::bench::printed;

constexpr const char* kStorage = "root/orv/Ambrix/smi_14";
constexpr const char* kInterop = "root/PG_InterOp";
constexpr int kNotFound = 6;
constexpr int kFailed = 1;

// ---- options --------------------------------------------------------------------

struct Disk {
    unsigned controller = 0;
    unsigned id = 0;
    std::string deviceId() const { return std::to_string(controller) + "_" + std::to_string(id); }
};

struct SoakOptions {
    unsigned clients = 16;
    unsigned seconds = 60;
    // The reference memory figure is taken this long after the load starts
    // (or at half a shorter run).
    unsigned earlySeconds = 10;
    unsigned eventIntervalMs = 250;
    // Allowed resident memory at the end, in percent of the early figure;
    // 0 reports without judging (a sanitizer's shadow memory grows).
    unsigned memoryLimitPercent = 110;
    bool churnDisk = true;
    Disk churn{1, 2};
    bool spares = true;
    Disk spare{0, 4};
    // A reserved array (ORV_ConcreteStoragePool InstanceID) to carve a
    // volume from and return it; empty leaves it out.
    std::string pool = "1_0";
    std::vector<std::string> wrapper;
    std::string serverProgram = ORV_CIMSERVER;
    std::string provider = PROVIDER_PATH;
    bool verboseServer = false;
    std::string serverLog = "soak-server.log";
};

unsigned number(const std::string& option, const std::string& text, unsigned smallest) {
    std::size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || value < smallest)
        throw std::invalid_argument(option + " needs a whole number of at least " + std::to_string(smallest));
    return static_cast<unsigned>(value);
}

// "C:D", or "none" to leave that part of the load out.
bool diskOption(const std::string& option, const std::string& text, Disk& disk) {
    if (text == "none") return false;
    const auto colon = text.find(':');
    if (colon == std::string::npos) throw std::invalid_argument(option + " needs CONTROLLER:DISK or none");
    disk = {number(option, text.substr(0, colon), 0), number(option, text.substr(colon + 1), 0)};
    return true;
}

const char* const kUsage =
    "soak_test [--threads=N] [--duration=S] [--topology=default|large|FILE] [--log-level=N|off]\n"
    "          [--events-every=MS] [--early=S] [--memory-limit=PERCENT]\n"
    "          [--churn-disk=C:D|none] [--spare-disk=C:D|none] [--pool=INSTANCEID|none]\n"
    "          [--server=PATH] [--provider=PATH] [--server-wrapper=COMMAND] [--server-verbose]\n"
    "          [--server-log=FILE]";

SoakOptions soakOptions(int argc, char** argv) {
    SoakOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : argument.substr(equals + 1);
        if (name == "--threads") options.clients = number(name, value, 1);
        else if (name == "--duration") options.seconds = number(name, value, 1);
        else if (name == "--early") options.earlySeconds = number(name, value, 1);
        else if (name == "--events-every") options.eventIntervalMs = number(name, value, 1);
        else if (name == "--memory-limit") options.memoryLimitPercent = number(name, value, 0);
        else if (name == "--churn-disk") options.churnDisk = diskOption(name, value, options.churn);
        else if (name == "--spare-disk") options.spares = diskOption(name, value, options.spare);
        else if (name == "--pool") options.pool = value == "none" ? "" : value;
        else if (name == "--server") options.serverProgram = value;
        else if (name == "--provider") options.provider = value;
        else if (name == "--server-log") options.serverLog = value;
        else if (name == "--server-verbose" && equals == std::string::npos) options.verboseServer = true;
        else if (name == "--server-wrapper") {
            std::istringstream words(value);
            for (std::string word; words >> word;) options.wrapper.push_back(word);
        } else {
            throw std::invalid_argument("unknown option " + argument + "\n" + kUsage);
        }
    }
    return options;
}

// ---- the simulated library's control socket -------------------------------------

// One request on a connection of its own; answers the command's output and
// throws when the library refuses or does not answer.
std::string control(const std::string& socketPath, const std::vector<std::string>& words) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) throw std::runtime_error("control socket path too long");
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0) close(fd);
        throw std::runtime_error("the simulated library does not answer on " + socketPath);
    }
    const std::string request = nlohmann::json(words).dump() + "\n";
    std::string answer;
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        while (answer.find('\n') == std::string::npos) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            answer.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    const auto parsed = nlohmann::json::parse(answer.substr(0, answer.find('\n')), nullptr, false);
    if (!parsed.is_object()) throw std::runtime_error(words.front() + ": no answer from the simulated library");
    if (!parsed.value("ok", false)) throw std::runtime_error(words.front() + ": " + parsed.value("error", ""));
    return parsed.value("output", "");
}

// The disk as the topology describes it, read field by field, so that
// inserting it again brings back the same disk.
std::string diskDescription(const std::string& socketPath, const Disk& disk) {
    nlohmann::json description = nlohmann::json::object();
    for (const char* field : {"compPdId", "slotId", "driveType", "blockDevType", "rawSize", "coercedSize"}) {
        std::string text = control(socketPath, {"get", "disk", std::to_string(disk.controller),
                                                std::to_string(disk.id), field});
        description[field] = std::stoull(text, nullptr, 0);
    }
    std::string serial = control(socketPath, {"get", "disk", std::to_string(disk.controller), std::to_string(disk.id),
                                              "serialNumber"});
    serial.erase(serial.find_last_not_of("\r\n") + 1);
    description["serialNumber"] = serial;
    return description.dump();
}

// ---- what the clients ask --------------------------------------------------------

enum class Kind : std::size_t {
    EnumerateInstances,
    EnumerateInstanceNames,
    GetInstance,
    AssociatorNames,
    References,
    Spares,
    Volume,
};
constexpr std::size_t kKinds = 7;
constexpr std::array<const char*, kKinds> kKindNames{"EnumerateInstances", "EnumerateInstanceNames", "GetInstance",
                                                     "AssociatorNames",    "References",
                                                     "AssignSpares/UnassignSpares",
                                                     "CreateOrModifyElement/ReturnToStoragePool"};
// Out of 100 requests; the methods change the configuration, the rest read.
constexpr std::array<unsigned, kKinds> kWeights{22, 15, 25, 18, 10, 5, 5};

struct Target {
    std::string nameSpace;
    std::string className;
};

struct Path {
    std::string instanceName;  // INSTANCENAME text
    // An object of the disk that is pulled and inserted again: it may be
    // gone when asked for.
    bool comesAndGoes = false;
};

// What the clients choose from, found before the load starts.
struct Workload {
    std::vector<Target> classes;
    std::vector<std::string> associations;
    std::vector<Path> paths;
    std::string spareService;        // INSTANCENAME of the controller's sparing service
    std::string spareArguments;      // InExtents, InPool, RedundancySet
    std::string unassignArguments;   // InExtents, InPool
    std::string configurationService;
    std::string volumeArguments;     // InPool, ElementName, initializationMode
    std::string volumeName;          // INSTANCENAME of the volume carved from the pool
};

std::string stringKey(const std::string& name, const std::string& value) {
    return R"(<KEYBINDING NAME=")" + name + R"("><KEYVALUE VALUETYPE="string">)" + value +
           "</KEYVALUE></KEYBINDING>";
}

std::string serviceName(const std::string& className, const std::string& name, unsigned controller) {
    return R"(<INSTANCENAME CLASSNAME=")" + className + "\">" +
           stringKey("CreationClassName", className) + stringKey("Name", name + "_" + std::to_string(controller)) +
           stringKey("SystemCreationClassName", "ORV_ControllerComputerSystem") +
           stringKey("SystemName", "AmbrixController_" + std::to_string(controller)) + "</INSTANCENAME>";
}

std::string deviceName(const std::string& className, const std::string& deviceId, unsigned controller) {
    return R"(<INSTANCENAME CLASSNAME=")" + className + "\">" + stringKey("CreationClassName", className) +
           stringKey("DeviceID", deviceId) + stringKey("SystemCreationClassName", "ORV_ControllerComputerSystem") +
           stringKey("SystemName", "AmbrixController_" + std::to_string(controller)) + "</INSTANCENAME>";
}

std::string idName(const std::string& className, const std::string& instanceId) {
    return R"(<INSTANCENAME CLASSNAME=")" + className + "\">" + stringKey("InstanceID", instanceId) +
           "</INSTANCENAME>";
}

std::string reference(const std::string& instanceName) {
    return "<VALUE.REFERENCE><LOCALINSTANCEPATH>" + orv::bench::localNamespace(kStorage) + instanceName +
           "</LOCALINSTANCEPATH></VALUE.REFERENCE>";
}

std::string referenceParameter(const std::string& name, const std::string& instanceName) {
    return R"(<PARAMVALUE NAME=")" + name + R"(" PARAMTYPE="reference">)" + reference(instanceName) + "</PARAMVALUE>";
}

std::string referenceArrayParameter(const std::string& name, const std::string& instanceName) {
    return R"(<PARAMVALUE NAME=")" + name + R"(" PARAMTYPE="reference"><VALUE.REFARRAY>)" + reference(instanceName) +
           "</VALUE.REFARRAY></PARAMVALUE>";
}

std::string valueParameter(const std::string& name, const char* type, const std::string& value) {
    return R"(<PARAMVALUE NAME=")" + name + R"(" PARAMTYPE=")" + type + R"("><VALUE>)" + value +
           "</VALUE></PARAMVALUE>";
}

// The keys of every instance of every class that is not an association.
std::set<std::string> namesOfEveryObject(CimXmlClient& client, const Workload& workload,
                                         std::vector<Path>* paths = nullptr) {
    std::set<std::string> names;
    for (const auto& target : workload.classes) {
        if (target.nameSpace != kStorage ||
            std::find(workload.associations.begin(), workload.associations.end(), target.className) !=
                workload.associations.end())
            continue;
        const auto* values = client.call("EnumerateInstanceNames", kStorage, classNameParameter(target.className));
        if (!values) continue;
        for (auto* e = values->FirstChildElement("INSTANCENAME"); e; e = e->NextSiblingElement("INSTANCENAME")) {
            const std::string text = printed(*e);
            // A class lists the instances of its subclasses too.
            if (!names.insert(text).second) continue;
            if (paths) paths->push_back({text, false});
        }
    }
    return names;
}

Workload prepareWorkload(CimXmlClient& client, const SoakOptions& options, const std::string& socketPath,
                         std::string& churnDescription) {
    Workload workload;
    for (const char* nameSpace : {kStorage, kInterop}) {
        const auto* names = client.call("EnumerateClassNames", nameSpace,
                                        parameter("DeepInheritance", "<VALUE>TRUE</VALUE>"));
        std::vector<std::string> orvClasses;
        for (auto* e = names ? names->FirstChildElement("CLASSNAME") : nullptr; e;
             e = e->NextSiblingElement("CLASSNAME"))
            if (std::string name = e->Attribute("NAME"); name.rfind("ORV_", 0) == 0) orvClasses.push_back(name);
        // The client's next answer replaces this one.
        for (const auto& name : orvClasses) {
            workload.classes.push_back({nameSpace, name});
            if (std::string(nameSpace) != kStorage) continue;
            const auto* decl = client.call("GetClass", nameSpace, classNameParameter(name));
            decl = decl ? decl->FirstChildElement("CLASS") : nullptr;
            for (auto* q = decl ? decl->FirstChildElement("QUALIFIER") : nullptr; q;
                 q = q->NextSiblingElement("QUALIFIER"))
                if (std::string(q->Attribute("NAME")) == "Association") workload.associations.push_back(name);
        }
    }
    if (workload.classes.empty()) throw std::runtime_error("the server lists no ORV_ classes");

    namesOfEveryObject(client, workload, &workload.paths);
    if (options.churnDisk) {
        // The objects the pulled disk takes with it are those missing while
        // it is out.
        churnDescription = diskDescription(socketPath, options.churn);
        control(socketPath, {"pull-disk", std::to_string(options.churn.controller), std::to_string(options.churn.id)});
        const auto remaining = namesOfEveryObject(client, workload);
        control(socketPath, {"insert-disk", std::to_string(options.churn.controller), churnDescription});
        for (auto& path : workload.paths) path.comesAndGoes = remaining.count(path.instanceName) == 0;
    }

    if (options.spares) {
        const unsigned controller = options.spare.controller;
        const std::string extent = deviceName("ORV_StorageExtent", options.spare.deviceId(), controller);
        // The disk's primordial pool and redundancy set: those of the
        // controller that hold disks of its kind.
        std::string pool;
        const auto* pools = client.call(
            "AssociatorNames", kStorage,
            parameter("ObjectName", extent) + classParameter("ResultClass", "ORV_PrimordialStoragePool"));
        const auto* found = tinyxml2::XMLConstHandle(pools)
                                .FirstChildElement("OBJECTPATH")
                                .FirstChildElement("INSTANCEPATH")
                                .FirstChildElement("INSTANCENAME")
                                .FirstChildElement("KEYBINDING")
                                .FirstChildElement("KEYVALUE")
                                .ToElement();
        if (!found || !found->GetText())
            throw std::runtime_error("no primordial pool holds the spare disk " + options.spare.deviceId());
        pool = found->GetText();
        workload.spareService = serviceName("ORV_SpareConfigurationService", "SpareConfigService", controller);
        workload.unassignArguments = referenceArrayParameter("InExtents", extent) +
                                     referenceParameter("InPool", idName("ORV_PrimordialStoragePool", pool));
        workload.spareArguments =
            workload.unassignArguments +
            referenceParameter("RedundancySet", idName("ORV_StorageRedundancySet", pool));
    }
    if (!options.pool.empty()) {
        const unsigned controller = number("--pool", options.pool.substr(0, options.pool.find('_')), 0);
        workload.configurationService =
            serviceName("ORV_StorageConfigurationService", "StorageConfigurationService", controller);
        workload.volumeArguments = referenceParameter("InPool", idName("ORV_ConcreteStoragePool", options.pool)) +
                                   valueParameter("ElementName", "string", "Soak") +
                                   valueParameter("initializationMode", "boolean", "false");
        workload.volumeName = deviceName("ORV_StorageVolume", options.pool, controller);
    }
    if (workload.paths.empty()) throw std::runtime_error("the server lists no instances");
    return workload;
}

// ---- the clients -----------------------------------------------------------------

struct KindFigures {
    std::size_t requests = 0;
    std::size_t refused = 0;
    std::size_t failed = 0;
    std::vector<std::uint32_t> microseconds;
};

struct ClientFigures {
    std::array<KindFigures, kKinds> kinds;
    std::vector<std::string> failures;  // the first few, to print
};

enum class Outcome { Answered, Refused, Failed };

class SoakClient {
public:
    SoakClient(int port, const Workload& workload, unsigned seed)
        : port_(port), client_(std::make_unique<CimXmlClient>(port, kReadTimeoutSeconds)), workload_(workload),
          random_(seed) {}

    void run(Clock::time_point until, ClientFigures& figures) {
        std::discrete_distribution<std::size_t> choose(kWeights.begin(), kWeights.end());
        while (Clock::now() < until) {
            const auto kind = static_cast<Kind>(choose(random_));
            if ((kind == Kind::Spares && workload_.spareService.empty()) ||
                (kind == Kind::Volume && workload_.configurationService.empty()))
                continue;
            auto& tally = figures.kinds[static_cast<std::size_t>(kind)];
            std::string problem;
            const auto started = Clock::now();
            const Outcome outcome = send(kind, problem);
            tally.microseconds.push_back(static_cast<std::uint32_t>(
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started).count()));
            ++tally.requests;
            if (outcome == Outcome::Refused) ++tally.refused;
            if (outcome != Outcome::Failed) continue;
            ++tally.failed;
            if (figures.failures.size() < 5) figures.failures.push_back(problem);
            // A broken connection is not the next request's fault.
            client_ = std::make_unique<CimXmlClient>(port_, kReadTimeoutSeconds);
        }
    }

private:
    template <typename T>
    const T& any(const std::vector<T>& items) {
        return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random_)];
    }

    // A CIM error counts as refused only where another client or the
    // library's events may have changed what the request is about.
    Outcome send(Kind kind, std::string& problem) {
        bool mayBeGone = false;
        try {
            switch (kind) {
                case Kind::EnumerateInstances: {
                    const auto& target = any(workload_.classes);
                    client_->call("EnumerateInstances", target.nameSpace, classNameParameter(target.className));
                    break;
                }
                case Kind::EnumerateInstanceNames: {
                    const auto& target = any(workload_.classes);
                    client_->call("EnumerateInstanceNames", target.nameSpace, classNameParameter(target.className));
                    break;
                }
                case Kind::GetInstance: {
                    const auto& path = any(workload_.paths);
                    mayBeGone = path.comesAndGoes;
                    client_->call("GetInstance", kStorage, parameter("InstanceName", path.instanceName));
                    break;
                }
                case Kind::AssociatorNames: {
                    const auto& path = any(workload_.paths);
                    mayBeGone = path.comesAndGoes;
                    std::string parameters = parameter("ObjectName", path.instanceName);
                    if (random_() % 2) parameters += classParameter("AssocClass", any(workload_.associations));
                    client_->call("AssociatorNames", kStorage, parameters);
                    break;
                }
                case Kind::References: {
                    const auto& path = any(workload_.paths);
                    mayBeGone = path.comesAndGoes;
                    client_->call("References", kStorage, parameter("ObjectName", path.instanceName));
                    break;
                }
                case Kind::Spares:
                    return changeSpares(problem);
                case Kind::Volume:
                    return changeVolume(problem);
            }
            return Outcome::Answered;
        } catch (const CimErrorAnswer& error) {
            problem = error.what();
            return mayBeGone && error.code() == kNotFound ? Outcome::Refused : Outcome::Failed;
        } catch (const std::exception& error) {
            problem = error.what();
            return Outcome::Failed;
        }
    }

    // Every client assigns and unassigns the same disk, and carves the same
    // volume from the reserved array and returns it, so another client may
    // have made the change first. The provider answers a method the library
    // refuses with CIM_ERR_FAILED and the library's reason.
    Outcome changeSpares(std::string& problem) {
        const bool assign = random_() % 2;
        return configure(problem, [&] {
            return client_->invoke(assign ? "AssignSpares" : "UnassignSpares", kStorage,
                                   "ORV_SpareConfigurationService", workload_.spareService,
                                   assign ? workload_.spareArguments : workload_.unassignArguments);
        });
    }

    Outcome changeVolume(std::string& problem) {
        const bool create = random_() % 2;
        return configure(problem, [&] {
            return create ? client_->invoke("CreateOrModifyElementFromStoragePool", kStorage,
                                            "ORV_StorageConfigurationService", workload_.configurationService,
                                            workload_.volumeArguments)
                          : client_->invoke("ReturnToStoragePool", kStorage, "ORV_StorageConfigurationService",
                                            workload_.configurationService,
                                            referenceParameter("TheElement", workload_.volumeName));
        });
    }

    template <typename Invoke>
    Outcome configure(std::string& problem, Invoke&& invoke) {
        try {
            return returnValue(invoke(), problem);
        } catch (const CimErrorAnswer& error) {
            problem = error.what();
            return error.code() == kFailed && changedFirst(error.description()) ? Outcome::Refused
                                                                                  : Outcome::Failed;
        }
    }

    // The library's "wrong state" status (0x10000003) and the provider's
    // own check that the array holds no volume yet.
    static bool changedFirst(const std::string& description) {
        return description.find("in the wrong state") != std::string::npos ||
               description == "Volume already exist in this array";
    }

    static Outcome returnValue(const tinyxml2::XMLElement* response, std::string& problem) {
        const auto* value = response->FirstChildElement("RETURNVALUE");
        const char* text = value && value->FirstChildElement("VALUE") ? value->FirstChildElement("VALUE")->GetText()
                                                                      : nullptr;
        if (text && std::string(text) == "0") return Outcome::Answered;
        problem = std::string(response->Attribute("NAME")) + ": return value " + (text ? text : "(none)");
        return Outcome::Failed;
    }

    static constexpr int kReadTimeoutSeconds = 60;
    int port_;
    std::unique_ptr<CimXmlClient> client_;
    const Workload& workload_;
    std::mt19937 random_;
};


// ---- the library's events --------------------------------------------------------

struct EventFigures {
    std::size_t raised = 0;
    std::vector<std::string> refusals;
};

// Alerts and controller events in turn, with the churned disk out for
// three steps of eight; every command raises its events before it answers.
void raiseEvents(const std::string& socketPath, const SoakOptions& options, const std::string& churnDescription,
                 Clock::time_point until, EventFigures& figures) {
    std::vector<std::vector<std::string>> script{
        {"battery-alert", "0"},
        {"controller-event", "0", "14"},
        {"enclosure-alert", "0"},
        {"controller-event", "0", "16"},
        {"controller-event", "0", "11"},
    };
    if (options.churnDisk) {
        const std::string controller = std::to_string(options.churn.controller);
        script.insert(script.begin() + 1, {"pull-disk", controller, std::to_string(options.churn.id)});
        script.insert(script.begin() + 4, {"insert-disk", controller, churnDescription});
        script.push_back({"controller-event", controller, "11"});
    }
    const auto interval = std::chrono::milliseconds(options.eventIntervalMs);
    auto next = Clock::now() + interval;
    for (std::size_t step = 0; next < until; ++step, next += interval) {
        std::this_thread::sleep_until(next);
        const auto& command = script[step % script.size()];
        try {
            control(socketPath, command);
            ++figures.raised;
        } catch (const std::exception& error) {
            figures.refusals.push_back(error.what());
        }
    }
    // The disk goes back in, so that a run leaves the library as it found it.
    if (options.churnDisk) {
        try {
            control(socketPath, {"insert-disk", std::to_string(options.churn.controller), churnDescription});
        } catch (const std::exception&) {
            // It was in already.
        }
    }
}

// ---- figures ---------------------------------------------------------------------

double percentileMs(std::vector<std::uint32_t>& microseconds, double fraction) {
    if (microseconds.empty()) return 0;
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(microseconds.size() - 1));
    std::nth_element(microseconds.begin(), microseconds.begin() + static_cast<std::ptrdiff_t>(index),
                     microseconds.end());
    return microseconds[index] / 1000.0;
}

std::string waitStatusText(int status) {
    if (WIFSIGNALED(status)) return std::string("killed by signal ") + std::to_string(WTERMSIG(status)) + " (" +
                                    strsignal(WTERMSIG(status)) + ")";
    return "exit status " + std::to_string(WEXITSTATUS(status));
}

int soak(const orv::bench::Options& options, const SoakOptions& soak) {
    orv::test::TestInstallation installation;
    orv::bench::prepareInstallation(installation, options);
    const std::string socketPath = installation.root() + "/vrlib.sock";
    setenv("ORV_VRLIB_CONTROL_SOCKET", socketPath.c_str(), 1);

    std::vector<std::string> serverArguments{"--provider", soak.provider};
    if (soak.verboseServer) serverArguments.push_back("--verbose");
    orv::bench::ServerProcess server(serverArguments, soak.wrapper, soak.serverProgram, soak.serverLog);
    const pid_t pid = server.pid();
    std::printf("soak: %u clients for %u s, topology %s, provider log level %s, library events every %u ms\n",
                soak.clients, soak.seconds, options.topologyName.c_str(),
                options.logLevel < 0 ? "off" : std::to_string(options.logLevel).c_str(), soak.eventIntervalMs);
    std::printf("server: %s, standard error in %s\n", soak.serverProgram.c_str(), soak.serverLog.c_str());

    CimXmlClient setup(server.port());
    std::string churnDescription;
    const Workload workload = prepareWorkload(setup, soak, socketPath, churnDescription);
    std::size_t comesAndGoes = 0;
    for (const auto& path : workload.paths) comesAndGoes += path.comesAndGoes;
    std::printf("workload: %zu classes, %zu association classes, %zu instances (%zu of the pulled disk)\n",
                workload.classes.size(), workload.associations.size(), workload.paths.size(), comesAndGoes);

    const long rssStart = orv::bench::memoryKiB(pid, "VmRSS");
    std::printf("server VmRSS at start: %ld kB\n", rssStart);
    std::fflush(stdout);

    const auto started = Clock::now();
    const auto until = started + std::chrono::seconds(soak.seconds);
    std::vector<ClientFigures> figures(soak.clients);
    EventFigures events;
    std::vector<std::thread> threads;
    for (unsigned c = 0; c < soak.clients; ++c)
        threads.emplace_back([&, c] { SoakClient(server.port(), workload, 7919 * (c + 1)).run(until, figures[c]); });
    threads.emplace_back([&] { raiseEvents(socketPath, soak, churnDescription, until, events); });

    const unsigned early = std::min(soak.earlySeconds, std::max(1u, soak.seconds / 2));
    std::this_thread::sleep_until(started + std::chrono::seconds(early));
    const long rssEarly = orv::bench::memoryKiB(pid, "VmRSS");
    std::printf("server VmRSS after %u s: %ld kB\n", early, rssEarly);
    std::fflush(stdout);
    for (auto& thread : threads) thread.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const long rssEnd = orv::bench::memoryKiB(pid, "VmRSS");
    const long peak = orv::bench::memoryKiB(pid, "VmHWM");

    // Totals by kind of request.
    KindFigures all;
    std::array<KindFigures, kKinds> kinds;
    std::vector<std::string> failures;
    for (auto& client : figures) {
        for (std::size_t k = 0; k < kKinds; ++k) {
            auto& from = client.kinds[k];
            for (KindFigures* to : {&kinds[k], &all}) {
                to->requests += from.requests;
                to->refused += from.refused;
                to->failed += from.failed;
                to->microseconds.insert(to->microseconds.end(), from.microseconds.begin(), from.microseconds.end());
            }
        }
        failures.insert(failures.end(), client.failures.begin(), client.failures.end());
    }
    std::printf("%-42s %9s %8s %7s %9s %9s\n", "request", "count", "refused", "failed", "p50 ms", "p99 ms");
    for (std::size_t k = 0; k < kKinds; ++k)
        std::printf("%-42s %9zu %8zu %7zu %9.2f %9.2f\n", kKindNames[k], kinds[k].requests, kinds[k].refused,
                    kinds[k].failed, percentileMs(kinds[k].microseconds, 0.5),
                    percentileMs(kinds[k].microseconds, 0.99));
    const double p50 = percentileMs(all.microseconds, 0.5);
    const double p99 = percentileMs(all.microseconds, 0.99);
    std::printf("requests: %zu in %.1f s, %.1f per second; latency p50 %.2f ms, p99 %.2f ms\n", all.requests,
                seconds, static_cast<double>(all.requests) / seconds, p50, p99);
    std::printf("failed requests: %zu; refused as expected: %zu\n", all.failed, all.refused);
    for (const auto& failure : failures) std::printf("  failure: %s\n", failure.c_str());
    std::printf("library events: %zu raised, %zu refused\n", events.raised, events.refusals.size());
    for (std::size_t i = 0; i < events.refusals.size() && i < 5; ++i)
        std::printf("  refused: %s\n", events.refusals[i].c_str());

    bool passed = all.failed == 0 && events.refusals.empty();
    if (const auto crash = server.ended()) {
        std::printf("server: ended during the run, %s\n", waitStatusText(*crash).c_str());
        passed = false;
    } else {
        const double percent = rssEarly > 0 ? 100.0 * static_cast<double>(rssEnd) / static_cast<double>(rssEarly) : 0;
        std::printf("server VmRSS at end: %ld kB (%.1f %% of the figure after %u s), peak VmHWM %ld kB\n", rssEnd,
                    percent, early, peak);
        if (soak.memoryLimitPercent > 0 && percent > soak.memoryLimitPercent) {
            std::printf("server memory grew beyond %u %%\n", soak.memoryLimitPercent);
            passed = false;
        }
        const int status = server.stop();
        std::printf("server: stopped, %s\n", waitStatusText(status).c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) passed = false;
    }
    std::printf("soak %s\n", passed ? "passed" : "FAILED");
    return passed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    orv::bench::Options options;
    SoakOptions soakOptionsGiven;
    try {
        options = orv::bench::takeOptions(argc, argv);
        soakOptionsGiven = soakOptions(argc, argv);
    } catch (const std::invalid_argument& error) {
        std::cerr << "soak_test: " << error.what() << "\n";
        return 2;
    }
    try {
        return soak(options, soakOptionsGiven);
    } catch (const std::exception& error) {
        std::cerr << "soak_test: " << error.what() << "\n";
        return 1;
    }
}
