// What the framework and plugin tests share: a RAID library facade that
// answers from tables, and a framework session that brings the facade and the
// plugins up over it with the real logger writing into a throw-away
// installation.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "CIMException.h"
#include "FrameworkFacade.h"
#include "LogCapture.h"
#include "OsServices.h"
#include "PluginsManager.h"
#include "VRLibFacadeIntf.h"

namespace orv::test {

class FakeRaidLibrary : public orv::raidlib::VRLibFacadeIntf {
public:
    using PropertyContainer = orv::raidlib::PropertyContainer;

    uint32_t initializeStatus = 0;
    uint32_t terminateStatus = 0;
    int terminateCalls = 0;
    std::map<std::string, std::vector<PropertyContainer>> storageClasses;
    uint32_t storageClassStatus = 0;
    // Methods answer methodStatus and copy methodOutput into the caller's out.
    uint32_t methodStatus = 0;
    PropertyContainer methodOutput;
    std::vector<std::string> methodsCalled;

    uint32_t initialize(const std::string&) override { return initializeStatus; }
    uint32_t terminate() override {
        ++terminateCalls;
        return terminateStatus;
    }
    void getStorageClassNames(std::vector<std::string>& names) override {
        for (const auto& entry : storageClasses) names.push_back(entry.first);
    }
    uint32_t getStorageClass(const std::string& className, std::vector<PropertyContainer>& objects) override {
        const auto found = storageClasses.find(className);
        if (found != storageClasses.end()) objects.insert(objects.end(), found->second.begin(), found->second.end());
        return storageClassStatus;
    }
    // The first object of the class whose keys match, as the cache answers.
    uint32_t getObjectInstance(const std::string& className, const PropertyContainer& keys,
                               PropertyContainer& object) override {
        const auto found = storageClasses.find(className);
        if (found == storageClasses.end()) return 0x10000011;
        for (const PropertyContainer& candidate : found->second) {
            if (orv::raidlib::matchKeys(candidate, keys) == 0) {
                object = candidate;
                return 0;
            }
        }
        return 0x10000011;
    }
    uint32_t deleteObjectInstance(const std::string&, const PropertyContainer&) override { return 0x10000005; }
    uint32_t addObjectInstance(const std::string&, const PropertyContainer&) override { return 0x10000005; }
    uint32_t modifyObjectInstance(const std::string&, const PropertyContainer&, const PropertyContainer&) override {
        return 0x10000005;
    }
    uint32_t invokeMethod(const std::string& methodName, const PropertyContainer&, PropertyContainer& out) override {
        methodsCalled.push_back(methodName);
        out = methodOutput;
        return methodStatus;
    }
    uint32_t AttachObserver(orv::raidlib::EventObserver*) override { return 0; }
    uint32_t DetachObserver(orv::raidlib::EventObserver*) override { return 0; }

    // A controller object as the cache holds it.
    void addController(uint32_t contrId) {
        PropertyContainer controller;
        controller.insertInt("contrId", contrId, true);
        storageClasses["IOAs"].push_back(std::move(controller));
    }
};

// Test fixture: the log, the fake library, and the framework over a
// catalogue; the facade (and with it every plugin) is destroyed at the end.
class FrameworkTest : public ::testing::Test {
protected:
    void TearDown() override { stopFramework(); }

    // Initialises the facade over the fake library with this catalogue and
    // library status; false when the facade refused.
    bool startFramework(const orv::cim::fwf::PluginCatalogue& catalogue, uint32_t libraryStatus) {
        library.initializeStatus = libraryStatus;
        orv::cim::fwf::FrameworkFacade::setVRLibFacadeForTesting(&library);
        orv::cim::fwf::PluginsManager::setPluginCatalogue(&catalogue);
        facade = orv::cim::fwf::FrameworkFacade::getInstance();
        return facade != nullptr && facade->initialize();
    }
    void stopFramework() {
        orv::cim::fwf::FrameworkFacade::destroyInstance();
        orv::cim::fwf::FrameworkFacade::setVRLibFacadeForTesting(nullptr);
        orv::cim::fwf::PluginsManager::setPluginCatalogue(nullptr);
        facade = nullptr;
    }
    bool logged(const std::string& line) const { return log.hasLineEndingWith(line); }

    LogCapture log;
    FakeRaidLibrary library;
    orv::cim::fwf::FrameworkFacade* facade = nullptr;
};

// The code and message of the CIMException that body raises; the test fails
// when it raises none.
template <typename Body>
std::pair<int, std::string> failureOf(Body&& body) {
    try {
        body();
    } catch (const orv::cim::fwf::CIMException& e) {
        return {e.getCode(), e.getMessage()};
    }
    ADD_FAILURE() << "no CIMException";
    return {0, ""};
}

// The plugin of a path's class, for the tests of how each plugin selects by
// its keys: the facade answers only what every key of a path names.
inline orv::cim::fwf::AbstractProviderPlugin& pluginFor(const orv::cim::fwf::CIMObjectPath& path) {
    auto* plugin = orv::cim::fwf::FrameworkFacade::getInstance()->getPlugIn(path.getClassName());
    if (plugin == nullptr) throw std::runtime_error("no plugin for " + path.getClassName());
    return *plugin;
}

// The name of this machine, as the plugins report it.
inline std::string thisHost() {
    char name[256] = {};
    EXPECT_EQ(OsGetHostName(name, sizeof name), 0);
    return name;
}

// The first value of a text key, "<none>" when it has none.
inline std::string keyText(const orv::cim::fwf::CIMObjectPath& path, const std::string& key) {
    const auto values = path.getKeyBinding(key).getValue<std::string>();
    return values.empty() ? "<none>" : values.front();
}

// The path a reference property of an association holds; an empty path
// when the association has none.
inline orv::cim::fwf::CIMObjectPath referenceOf(const orv::cim::fwf::CIMInstance& association,
                                                const std::string& role) {
    const orv::cim::fwf::CIMProperty* found = association.getProperty(role);
    if (found == nullptr || found->getValue<orv::cim::fwf::CIMObjectPath>().size() == 0) return {};
    return found->getValue<orv::cim::fwf::CIMObjectPath>().at(0);
}

}  // namespace orv::test
