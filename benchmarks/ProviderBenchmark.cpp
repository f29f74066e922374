// Requests as a CIM server makes them: the built provider loaded by path,
// started once, and called through its CMPI function tables in front of our
// broker, over the simulated RAID library. Each iteration is one whole
// request, from building its context and object path to reading back what
// the provider answered.
#include "BenchmarkSetup.h"
#include "LoadedProvider.h"
#include "ClassTable.h"

#include <iostream>
#include <memory>

namespace {

using namespace providertest;

const ObjectPath kServerProfile{"", kInteropNameSpace, "ORV_RegisteredProfile",
                                {{"InstanceID", Value::string("SNIA+Server+1.4.0")}}};
const ObjectPath kControllerProfile{"", kInteropNameSpace, "ORV_RegisteredProfile",
                                    {{"InstanceID", Value::string("SNIA+Host Hardware RAID Controller+1.4.0")}}};

struct Provider {
    orv::test::TestInstallation installation;
    Broker broker;
    CMPIInstanceMI* instanceMI = nullptr;
    CMPIAssociationMI* associationMI = nullptr;
};
Provider* provider = nullptr;

struct Reply {
    CMPIStatus status{};
    CollectedResult result;
};

template <typename Call>
Reply request(const std::string& nameSpace, Call call) {
    RequestScope scope(provider->broker, nameSpace);
    Reply reply;
    reply.status = call(scope);
    reply.result = scope.collected();
    return reply;
}

CMPIObjectPath* pathIn(const std::string& nameSpace, ObjectPath path) {
    path.nameSpace = nameSpace;
    return provider->broker.newObjectPath(path);
}

Reply enumerate(const std::string& className) {
    return request(kStorageNameSpace, [&](RequestScope& s) {
        return provider->instanceMI->ft->enumerateInstances(provider->instanceMI, s.context(), s.result(),
                                                            pathIn(kStorageNameSpace, {"", "", className, {}}),
                                                            nullptr);
    });
}

Reply enumerateNames(const std::string& className) {
    return request(kStorageNameSpace, [&](RequestScope& s) {
        return provider->instanceMI->ft->enumerateInstanceNames(provider->instanceMI, s.context(), s.result(),
                                                                pathIn(kStorageNameSpace, {"", "", className, {}}));
    });
}

Reply getInstance(const ObjectPath& name) {
    return request(kStorageNameSpace, [&](RequestScope& s) {
        return provider->instanceMI->ft->getInstance(provider->instanceMI, s.context(), s.result(),
                                                     pathIn(kStorageNameSpace, name), nullptr);
    });
}

Reply associators(const std::string& nameSpace, const ObjectPath& from, const char* association) {
    return request(nameSpace, [&](RequestScope& s) {
        return provider->associationMI->ft->associators(provider->associationMI, s.context(), s.result(),
                                                        pathIn(nameSpace, from), association, nullptr, nullptr,
                                                        nullptr, nullptr);
    });
}

Reply associatorNames(const std::string& nameSpace, const ObjectPath& from, const char* association) {
    return request(nameSpace, [&](RequestScope& s) {
        return provider->associationMI->ft->associatorNames(provider->associationMI, s.context(), s.result(),
                                                            pathIn(nameSpace, from), association, nullptr, nullptr,
                                                            nullptr);
    });
}

Reply referenceNames(const std::string& nameSpace, const ObjectPath& from, const char* association) {
    return request(nameSpace, [&](RequestScope& s) {
        return provider->associationMI->ft->referenceNames(provider->associationMI, s.context(), s.result(),
                                                           pathIn(nameSpace, from), association, nullptr);
    });
}

// Runs one request per iteration and reports how many objects it answered;
// a failed answer, or an empty one unless allowed, ends the benchmark with
// the reason.
template <typename Request>
void measure(benchmark::State& state, Request makeRequest, bool emptyAllowed = false) {
    std::size_t answered = 0;
    for (auto _ : state) {
        const Reply reply = makeRequest();
        if (reply.status.rc != CMPI_RC_OK) {
            state.SkipWithError(("rc " + std::to_string(reply.status.rc) + " " + message(reply.status)).c_str());
            break;
        }
        answered = reply.result.instances.size() + reply.result.objectPaths.size();
        benchmark::DoNotOptimize(answered);
    }
    if (answered == 0 && !emptyAllowed && !state.error_occurred())
        state.SkipWithError("the provider answered nothing");
    state.counters["objects"] = static_cast<double>(answered);
}

// The provider starts as in a server: the broker knows the schema's class
// hierarchy, and the factories are called once.
void startProvider(const orv::bench::Options& options) {
    provider = new Provider();
    orv::bench::prepareInstallation(provider->installation, options);
    const auto table = orv::schema::loadProviderSchema(ORV_SCHEMA_DIR);
    for (const std::string& name : table.classNames())
        provider->broker.classHierarchy().addClass(name, table.superClassOf(name).value_or(""));
    const Factories factories = loadProvider();
    RequestScope scope(provider->broker, kStorageNameSpace);
    provider->instanceMI = factories.instance(provider->broker.cmpi(), scope.context(), nullptr);
    provider->associationMI = factories.association(provider->broker.cmpi(), scope.context(), nullptr);
    if (provider->instanceMI == nullptr || provider->associationMI == nullptr)
        throw std::runtime_error("the provider did not start");
}

void stopProvider() {
    provider->instanceMI->ft->cleanup(provider->instanceMI, nullptr, 1);
    delete provider;
    provider = nullptr;
}

// Every association class of the schema whose ends are both fixed: all its
// pairs, and the pairs of the last controller where it is one of the ends.
// A class whose plugin or whose endpoint class is not served yet answers
// nothing (objects 0).
void registerAssociationBenchmarks(const orv::bench::Options& options) {
    const auto table = orv::schema::loadProviderSchema(ORV_SCHEMA_DIR);
    const std::vector<ObjectPath> controllers = enumerateNames("ORV_ControllerComputerSystem").result.objectPaths;
    if (controllers.empty()) throw std::runtime_error("the provider lists no ORV_ControllerComputerSystem");
    const ObjectPath controller = controllers.back();
    for (const std::string& name : table.classNames()) {
        const auto* declared = table.find(name);
        if (!declared->isAssociation() || name.rfind("ORV_", 0) != 0) continue;
        std::vector<std::string> ends;
        for (const auto* property : table.allProperties(name))
            if (property->isReference()) ends.push_back(property->referenceClass);
        const auto isFixed = [](const std::string& end) { return end.rfind("ORV_", 0) == 0; };
        if (ends.size() != 2 || !isFixed(ends[0]) || !isFixed(ends[1])) continue;
        orv::bench::addBenchmark(options, "EnumerateInstanceNames/" + name, [name](benchmark::State& state) {
            measure(state, [&] { return enumerateNames(name); }, true);
        });
        if (ends[0] == "ORV_ControllerComputerSystem" || ends[1] == "ORV_ControllerComputerSystem")
            orv::bench::addBenchmark(options, "AssociatorNames/" + name, [name, controller](benchmark::State& state) {
                measure(state, [&] { return associatorNames(kStorageNameSpace, controller, name.c_str()); }, true);
            });
    }
}

void registerBenchmarks(const orv::bench::Options& options) {
    registerAssociationBenchmarks(options);
    for (const char* className : {"ORV_DiskDrive", "ORV_StorageVolume", "ORV_ControllerComputerSystem"})
        orv::bench::addBenchmark(options, std::string("EnumerateInstances/") + className,
                                 [className](benchmark::State& state) {
                                     measure(state, [&] { return enumerate(className); });
                                 });

    // The last volume listed: where a search through the cache goes furthest.
    const std::vector<ObjectPath> volumes = enumerateNames("ORV_StorageVolume").result.objectPaths;
    if (volumes.empty()) throw std::runtime_error("the provider lists no ORV_StorageVolume");
    const ObjectPath volume = volumes.back();
    orv::bench::addBenchmark(options, "GetInstance/ORV_StorageVolume", [volume](benchmark::State& state) {
        measure(state, [&] { return getInstance(volume); });
    });

    orv::bench::addBenchmark(options, "Associators/ORV_ReferencedProfile", [](benchmark::State& state) {
        measure(state, [] { return associators(kInteropNameSpace, kServerProfile, "ORV_ReferencedProfile"); });
    });
    orv::bench::addBenchmark(options, "ReferenceNames/ORV_ReferencedProfile", [](benchmark::State& state) {
        measure(state, [] { return referenceNames(kInteropNameSpace, kServerProfile, "ORV_ReferencedProfile"); });
    });
    // One link per controller: grows with the topology.
    orv::bench::addBenchmark(options, "ReferenceNames/ORV_ElementConformsToProfile", [](benchmark::State& state) {
        measure(state, [] {
            return referenceNames(kInteropNameSpace, kControllerProfile, "ORV_ElementConformsToProfile");
        });
    });
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const orv::bench::Options options = orv::bench::takeOptions(argc, argv);
        startProvider(options);
        registerBenchmarks(options);
        const int status = orv::bench::runBenchmarks(argc, argv, options);
        stopProvider();
        return status;
    } catch (const std::exception& error) {
        std::cerr << "provider_benchmarks: " << error.what() << "\n";
        return 1;
    }
}
