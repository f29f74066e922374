// The built provider loaded the way a CIM server loads it: by path, with
// its factories looked up by name, in front of our own broker, over a test
// installation whose RAID library is the simulated one. Header only: the
// program that includes it defines PROVIDER_PATH (the built library) and
// links orv_cmpiserver, orv_testsupport and the dynamic loader.
#pragma once

#include "Broker.h"
#include "TestInstallation.h"
#include "cmpift.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
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
    const std::string content = orv::test::TestInstallation::readFile(path);
    std::size_t count = 0;
    for (std::size_t at = content.find(text); at != std::string::npos; at = content.find(text, at + 1)) ++count;
    return count;
}

inline std::string message(const CMPIStatus& status) { return readMessage(status); }

}  // namespace providertest
