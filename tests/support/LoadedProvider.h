// The built provider loaded the way a CIM server loads it: by path, with
// its factories looked up by name, in front of our own broker, over a test
// installation whose RAID library is the simulated one. Header only: the
// program that includes it defines PROVIDER_PATH (the built library) and
// VRLIB_PATH (the simulated RAID library), and
// links orv_cmpiserver, orv_testsupport and the dynamic loader.
#pragma once

#include "Broker.h"
#include "TestInstallation.h"
#include "TextSearch.h"
#include "cmpift.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace providertest {

using namespace orv::cmpiserver;

constexpr const char* kStorageNameSpace = "root/orv/Ambrix/smi_14";
constexpr const char* kInteropNameSpace = "root/PG_InterOp";
constexpr const char* kNoControllers = R"({"interfaceVersion": 2, "controllers": []})";

using InstanceFactory = CMPIInstanceMI* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);
using AssociationFactory = CMPIAssociationMI* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);
using IndicationFactory = CMPIIndicationMI* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);
using MethodFactory = CMPIMethodMI* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);

struct Factories {
    InstanceFactory instance = nullptr;
    AssociationFactory association = nullptr;
    IndicationFactory indication = nullptr;
    MethodFactory method = nullptr;
};

// Opens the library once per process; a provider keeps its state for as
// long as it stays loaded, as it does in a server.
inline Factories loadProvider() {
    void* handle = dlopen(PROVIDER_PATH, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw std::runtime_error(dlerror());
    Factories factories;
    factories.instance = reinterpret_cast<InstanceFactory>(dlsym(handle, "AmbrixProvider15_Create_InstanceMI"));
    factories.association =
        reinterpret_cast<AssociationFactory>(dlsym(handle, "AmbrixProvider15_Create_AssociationMI"));
    factories.indication =
        reinterpret_cast<IndicationFactory>(dlsym(handle, "AmbrixProvider15_Create_IndicationMI"));
    factories.method = reinterpret_cast<MethodFactory>(dlsym(handle, "AmbrixProvider15_Create_MethodMI"));
    return factories;
}

// How often a text occurs in a file.
inline std::size_t occurrences(const std::string& path, const std::string& text) {
    return orv::test::countOf(orv::test::TestInstallation::readFile(path), text);
}

inline std::string message(const CMPIStatus& status) { return readMessage(status); }

// What a request answered, read before the request's objects are freed.
struct Reply {
    CMPIrc rc = CMPI_RC_OK;
    std::string text;
    CollectedResult result;
};

inline std::ostream& operator<<(std::ostream& out, const Reply& reply) {
    return out << "rc " << reply.rc << (reply.text.empty() ? "" : " \"" + reply.text + "\"");
}

// One provider for a whole test program, started over a topology the way a
// server starts it and torn down when the program ends. A provider keeps its
// start-up state for as long as it is loaded, so the tests share it.
struct ProgramProvider {
    orv::test::TestInstallation installation;
    Broker broker;
    Factories factories;
    CMPIInstanceMI* instanceMI = nullptr;
    CMPIAssociationMI* associationMI = nullptr;
    CMPIIndicationMI* indicationMI = nullptr;
    CMPIMethodMI* methodMI = nullptr;
};
inline ProgramProvider* provider = nullptr;

// Starts `provider`; prepare, when given, readies the broker first (the
// provider asks it about classes when it filters association results).
class ProviderEnvironment : public ::testing::Environment {
public:
    explicit ProviderEnvironment(std::string topology, std::function<void(Broker&)> prepare = nullptr)
        : topology_(std::move(topology)), prepare_(std::move(prepare)) {}
    void SetUp() override {
        provider = new ProgramProvider();
        provider->installation.writeDefaultLoggerConfig();
        provider->installation.installRaidLibrary(VRLIB_PATH, topology_);
        if (prepare_) prepare_(provider->broker);
        provider->factories = loadProvider();
        const CMPIBroker* mb = provider->broker.cmpi();
        RequestScope request(provider->broker, kStorageNameSpace);
        provider->instanceMI = provider->factories.instance(mb, request.context(), nullptr);
        provider->associationMI = provider->factories.association(mb, request.context(), nullptr);
        provider->indicationMI = provider->factories.indication(mb, request.context(), nullptr);
        provider->methodMI = provider->factories.method(mb, request.context(), nullptr);
    }
    void TearDown() override {
        {
            RequestScope request(provider->broker, kStorageNameSpace);
            provider->instanceMI->ft->cleanup(provider->instanceMI, request.context(), 1);
        }
        delete provider;
        provider = nullptr;
    }

private:
    std::string topology_;
    std::function<void(Broker&)> prepare_;
};

// A request of `provider` in a namespace.
template <typename Call>
Reply request(const std::string& nameSpace, Call call) {
    RequestScope scope(provider->broker, nameSpace);
    const CMPIStatus status = call(scope);
    return Reply{status.rc, message(status), scope.collected()};
}

// A path as the server passes it: without host, in the request's namespace.
inline CMPIObjectPath* pathIn(const std::string& nameSpace, ObjectPath path) {
    path.host.clear();
    path.nameSpace = nameSpace;
    return provider->broker.newObjectPath(path);
}

inline Reply enumerateNames(const std::string& nameSpace, const std::string& className) {
    return request(nameSpace, [&](RequestScope& scope) {
        return provider->instanceMI->ft->enumerateInstanceNames(provider->instanceMI, scope.context(), scope.result(),
                                                                pathIn(nameSpace, ObjectPath{"", "", className, {}}));
    });
}

inline Reply enumerate(const std::string& nameSpace, const std::string& className) {
    return request(nameSpace, [&](RequestScope& scope) {
        return provider->instanceMI->ft->enumerateInstances(provider->instanceMI, scope.context(), scope.result(),
                                                            pathIn(nameSpace, ObjectPath{"", "", className, {}}),
                                                            nullptr);
    });
}

inline Reply getInstance(const std::string& nameSpace, const ObjectPath& name) {
    return request(nameSpace, [&](RequestScope& scope) {
        return provider->instanceMI->ft->getInstance(provider->instanceMI, scope.context(), scope.result(),
                                                     pathIn(nameSpace, name), nullptr);
    });
}

}  // namespace providertest
