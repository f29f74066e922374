// A provider session over the simulated RAID library: a throw-away
// installation holding the library, its topology and the log, the real
// framework with the provider's plugin catalogue, and the library's control
// functions for its call log and for injecting failures.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "FrameworkFacade.h"
#include "FrameworkTestSupport.h"
#include "Logger.h"
#include "OsServices.h"
#include "PluginsManager.h"
#include "PropertyBuilders.h"
#include "ProviderPluginCatalogue.h"
#include "RaidLibFixture.h"
#include "TestInstallation.h"

namespace controllertest {

using namespace orv::cim::fwf;

constexpr const char* kStorage = "root/orv/Ambrix/smi_14";

// Controllers 0 and 2, so that a controller's number differs from its
// position; only controller 0 has a battery.
inline std::string controllerTopology() {
    return R"({
  "lrcIntervalMs": 3600000,
  "controllers": [
    {"id": 0, "serialNumber": "VRC00001", "productName": "Ambrix 8i SAS", "fwVersion": "1200",
     "cacheSize": 512, "supStripeSize": 960, "recStripeSize": 48, "supRAIDLevel": 7, "PCISubSysDeviceId": 8,
     "battery": {"battSerialNum": "BAT00001", "batteryType": 1, "estChargeRemaining": 95, "designVoltage": 3700},
     "disks": [{"compPdId": 0, "slotId": 0}]},
    {"id": 2, "serialNumber": "VRC00002", "productName": "Talvex-RAID 4i", "fwVersion": "1310",
     "cacheSize": 256, "supStripeSize": 12, "recStripeSize": 0, "supRAIDLevel": 15,
     "PCISubSysDeviceId": 610, "PCIVendorId": 4136, "PCIDeviceId": 115, "PCISubSysVendorId": 7530,
     "disks": [{"compPdId": 0, "slotId": 0}]}
  ]
})";
}

inline std::string thisHost() {
    char name[256] = {};
    EXPECT_EQ(OsGetHostName(name, sizeof name), 0);
    return name;
}

// Property values; a property that was left out reads as no values.
template <typename T>
std::vector<T> values(const CIMInstance& instance, const std::string& name) {
    const CIMProperty* property = instance.getProperty(name);
    return property == nullptr ? std::vector<T>{} : property->getValue<T>().getValues();
}
inline std::string text(const CIMInstance& instance, const std::string& name) {
    const auto all = values<std::string>(instance, name);
    return all.empty() ? "<none>" : all.front();
}
inline std::string keyText(const CIMObjectPath& path, const std::string& key) {
    const auto all = path.getKeyBinding(key).getValue<std::string>();
    return all.empty() ? "<none>" : all.front();
}

template <typename Fn>
void expectRefused(Fn fn, int code, const std::string& message) {
    try {
        fn();
        ADD_FAILURE() << "no exception, expected code " << code << " " << message;
    } catch (const CIMException& error) {
        EXPECT_EQ(error.getCode(), code);
        EXPECT_EQ(error.getMessage(), message);
    }
}

class ControllerModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        LogTerminate();
        installation = std::make_unique<orv::test::TestInstallation>();
        installation->writeDefaultLoggerConfig();
        ASSERT_EQ(0, LogInitialize("SMIS", "SMIS"));
    }
    void TearDown() override {
        FrameworkFacade::destroyInstance();
        PluginsManager::setPluginCatalogue(nullptr);
        sim.close();
        LogTerminate();
        installation.reset();
    }

    // The library is installed before the provider starts, so that failures
    // can be arranged for the start.
    void installLibrary() {
        installation->installRaidLibrary(VRLIB_PATH, controllerTopology());
        ASSERT_TRUE(sim.open(installation->root() + "/bin/VRLib.so")) << dlerror();
    }
    void startProvider() {
        PluginsManager::setPluginCatalogue(&providerPluginCatalogue());
        facade = FrameworkFacade::getInstance();
        ASSERT_TRUE(facade != nullptr && facade->initialize());
    }
    void start() {
        installLibrary();
        startProvider();
    }

    static CIMObjectPath pathOf(const std::string& className, const std::string& key = "",
                                const std::string& value = "") {
        CIMObjectPath path("cimhost", kStorage, className);
        if (!key.empty()) path.addKeyBinding(stringKey(key, value));
        return path;
    }
    CIMInstanceList instancesOf(const std::string& className) {
        CIMInstanceList instances;
        facade->enumerateInstances(pathOf(className), instances);
        return instances;
    }
    CIMObjectPathList namesOf(const std::string& className) {
        CIMObjectPathList names;
        facade->enumerateInstanceNames(pathOf(className), names);
        return names;
    }
    CIMInstanceList get(const CIMObjectPath& path) {
        CIMInstanceList found;
        orv::test::pluginFor(path).getCIMInstance(path, found);
        return found;
    }
    // The one instance a get with this single key answers.
    CIMInstance getOne(const std::string& className, const std::string& key, const std::string& value) {
        const CIMInstanceList found = get(pathOf(className, key, value));
        EXPECT_EQ(found.size(), 1u) << className << " " << key << "=" << value;
        return found.empty() ? CIMInstance() : found.front();
    }

    std::vector<raidtest::Call> callsOf(uint32_t opcode) {
        std::vector<raidtest::Call> found;
        for (uint32_t index = 0; index < sim.VrlSimCallCount(); ++index) {
            raidtest::Call call;
            unsigned char buffer[512] = {};
            uint32_t size = 0;
            sim.VrlSimGetCall(index, &call.opcode, &call.status, buffer, sizeof buffer, &size);
            call.input.assign(buffer, buffer + std::min<uint32_t>(size, sizeof buffer));
            if (call.opcode == opcode) found.push_back(call);
        }
        return found;
    }

    bool logged(const std::string& message) const {
        const auto lines = orv::test::TestInstallation::readLines(installation->logFile());
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.size() >= message.size() &&
                   line.compare(line.size() - message.size(), message.size(), message) == 0;
        });
    }

    std::unique_ptr<orv::test::TestInstallation> installation;
    raidtest::SimControl sim;
    FrameworkFacade* facade = nullptr;
};

}  // namespace controllertest
