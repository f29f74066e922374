// Each test gets a fresh installation with the simulated library in its bin
// folder, the real logger writing into it, and the process-wide facade
// started from there; TearDown terminates the facade, which unloads the
// library, so no state survives into the next test.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "EventContainers.h"
#include "Logger.h"
#include "SimControl.h"
#include "TestInstallation.h"
#include "VRLibFacade.h"
#include "VrlRecords.h"

namespace raidtest {

using orv::raidlib::PropertyContainer;
using orv::raidlib::VrlInt;
using orv::raidlib::VrlVector;

using SimControl = orv::test::SimControl;

// One call the library received: its opcode, status and input record.
struct Call {
    uint32_t opcode = 0;
    uint32_t status = 0;
    std::vector<unsigned char> input;

    template <typename T>
    T at(size_t offset) const {
        T value{};
        std::memcpy(&value, input.data() + offset, sizeof value);
        return value;
    }
    uint8_t u8(size_t offset) const { return input.at(offset); }
    uint16_t u16(size_t offset) const { return at<uint16_t>(offset); }
    uint32_t u32(size_t offset) const { return at<uint32_t>(offset); }
    uint64_t u64(size_t offset) const { return at<uint64_t>(offset); }
    std::string text(size_t offset, size_t width) const {
        const char* start = reinterpret_cast<const char*>(input.data() + offset);
        return std::string(start, strnlen(start, width));
    }
};

// Collects the events it is given; may run a hook inside Update.
class RecordingObserver : public orv::raidlib::EventObserver {
public:
    void Update(PropertyContainer event) override {
        std::function<void(const PropertyContainer&)> hook;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back(event);
            hook = hook_;
        }
        if (hook) hook(event);
    }
    std::vector<PropertyContainer> events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.clear();
    }
    void setHook(std::function<void(const PropertyContainer&)> hook) {
        std::lock_guard<std::mutex> lock(mutex_);
        hook_ = std::move(hook);
    }

private:
    std::mutex mutex_;
    std::vector<PropertyContainer> events_;
    std::function<void(const PropertyContainer&)> hook_;
};

inline VrlInt intOf(const PropertyContainer& c, const std::string& name, bool isKey = false) {
    VrlInt value = 0xDEADBEEF;
    c.getPropertyValue(value, name, isKey);
    return value;
}
inline std::string textOf(const PropertyContainer& c, const std::string& name) {
    std::string value = "<missing>";
    c.getPropertyValue(value, name, false);
    return value;
}
inline uint64_t u64Of(const PropertyContainer& c, const std::string& name) {
    uint64_t value = 0xDEADBEEF;
    c.getPropertyValue(value, name, false);
    return value;
}
inline VrlVector vectorOf(const PropertyContainer& c, const std::string& name, bool isKey = false) {
    VrlVector value;
    c.getPropertyValue(value, name, isKey);
    return value;
}
inline bool has(const PropertyContainer& c, const std::string& name, bool isKey = false) {
    return c.findProperty(name, isKey) != nullptr;
}

// The keys of a controller, or of one of its devices.
inline PropertyContainer keysOf(VrlInt contrId, const char* idName = nullptr, VrlInt id = 0) {
    PropertyContainer keys;
    keys.insertInt("contrId", contrId, true);
    if (idName != nullptr) keys.insertInt(idName, id, true);
    return keys;
}

// The input of createVolume: a volume of the given level over the disks, in
// stripes of 64 KiB.
inline PropertyContainer volumeRequest(VrlInt contrId, VrlInt raidLevel, const VrlVector& disks) {
    PropertyContainer in = keysOf(contrId);
    in.insertInt("raidLevel", raidLevel);
    in.insertInt("stripeSize", 64);
    in.insertInt("pdCount", static_cast<VrlInt>(disks.size()));
    in.insertVector("compPdId", disks);
    return in;
}

// Events of one code (aenType) for one device.
inline std::vector<PropertyContainer> eventsOf(const std::vector<PropertyContainer>& events, uint32_t aenType) {
    std::vector<PropertyContainer> found;
    for (const PropertyContainer& e : events)
        if (intOf(e, "aenType") == aenType) found.push_back(e);
    return found;
}

// A small topology: controller 0 with five disks (0-2 in RAID 5 volume 0,
// 3 a hot spare, 4 free), an enclosure and a battery; controller 1 with
// three free disks, no enclosure and no battery. Long-running commands
// advance only by hand.
inline std::string twoControllerTopology() {
    return R"({
  "lrcIntervalMs": 3600000,
  "controllers": [
    {"id": 0, "serialNumber": "SERIAL01", "bootVolumeId": 0,
     "enclosure": {"serialNumber": "ENC00001", "powerSupplyState": [1, 2]},
     "battery": {"battSerialNum": "BAT00001", "batteryType": 1},
     "disks": [{"compPdId": 0, "slotId": 0}, {"compPdId": 1, "slotId": 1}, {"compPdId": 2, "slotId": 2},
               {"compPdId": 3, "slotId": 3, "hotSpare": true}, {"compPdId": 4, "slotId": 4}],
     "volumes": [{"vdIndex": 0, "RAIDLevel": 5, "compPdId": [0, 1, 2], "volumeName": "DataVol"}]},
    {"id": 1, "disks": [{"compPdId": 0}, {"compPdId": 1}, {"compPdId": 2}]}
  ]
})";
}

// A raw event record as the library hands it to its callback.
inline VrlEventRecord eventRecord(uint32_t code, uint8_t contrId, uint32_t deviceType, uint32_t deviceId,
                                  uint32_t changedAttr = 0, const char* description = "injected") {
    VrlEventRecord record;
    std::memset(&record, 0, sizeof record);
    record.aenTimestamp = 1268643600;
    record.contrId = contrId;
    record.eventCode = code;
    record.deviceType = deviceType;
    record.deviceId = deviceId;
    record.snmpEvtId = 77;
    record.severity = VrlSeverity::Information;
    record.changedAttr = changedAttr;
    std::strncpy(record.description, description, sizeof record.description - 1);
    return record;
}

class RaidLibTest : public ::testing::Test {
protected:
    orv::raidlib::VRLibFacade& facade = orv::raidlib::VRLibFacade::instance();
    std::unique_ptr<orv::test::TestInstallation> installation;
    SimControl sim;
    std::vector<orv::raidlib::EventObserver*> attached;

    void SetUp() override {
        LogTerminate();
        unsetenv("ORV_VRLIB_TOPOLOGY");
        installation = std::make_unique<orv::test::TestInstallation>();
        installation->writeDefaultLoggerConfig();
        ASSERT_EQ(0, LogInitialize("SMIS", "SMIS"));
    }

    void TearDown() override {
        for (auto* observer : attached) facade.DetachObserver(observer);
        attached.clear();
        sim.close();
        facade.terminate();
        LogTerminate();
        installation.reset();
    }

    std::string libraryPath() const { return installation->root() + "/bin/VRLib.so"; }

    // Installs the library with the topology and opens its control
    // functions, without starting the facade (so that failures can be set
    // up for the start).
    void installLibrary(const std::string& topology) {
        installation->installRaidLibrary(VRLIB_PATH, topology);
        ASSERT_TRUE(sim.open(libraryPath())) << dlerror();
    }

    uint32_t start(const std::string& topology = twoControllerTopology()) {
        installLibrary(topology);
        return facade.initialize("SMIS");
    }

    void attach(orv::raidlib::EventObserver& observer) {
        ASSERT_EQ(0u, facade.AttachObserver(&observer));
        attached.push_back(&observer);
    }

    void drain(uint32_t timeoutMs = 5000) {
        ASSERT_EQ(0, sim.VrlSimWaitEventsDrained(timeoutMs)) << sim.lastError();
    }

    std::vector<Call> calls() {
        std::vector<Call> all;
        const uint32_t count = sim.VrlSimCallCount();
        for (uint32_t i = 0; i < count; ++i) {
            Call call;
            unsigned char buffer[512] = {};
            uint32_t size = 0;
            sim.VrlSimGetCall(i, &call.opcode, &call.status, nullptr, 0, &size);
            if (size > 0) sim.VrlSimGetCall(i, nullptr, nullptr, buffer, sizeof buffer, nullptr);
            call.input.assign(buffer, buffer + std::min<uint32_t>(size, sizeof buffer));
            all.push_back(call);
        }
        return all;
    }
    std::vector<Call> callsOf(uint32_t opcode) {
        std::vector<Call> found;
        for (const Call& call : calls())
            if (call.opcode == opcode) found.push_back(call);
        return found;
    }

    std::vector<PropertyContainer> objects(const std::string& className) {
        std::vector<PropertyContainer> list;
        EXPECT_EQ(0u, facade.getStorageClass(className, list));
        return list;
    }
    std::vector<PropertyContainer> objectsOf(const std::string& className, uint32_t contrId) {
        std::vector<PropertyContainer> list;
        for (const PropertyContainer& o : objects(className))
            if (intOf(o, "contrId", true) == contrId) list.push_back(o);
        return list;
    }
    // The cached object with these keys; fails the test when absent.
    PropertyContainer cached(const std::string& className, uint32_t contrId, const char* idName = nullptr,
                             uint32_t id = 0) {
        PropertyContainer object;
        EXPECT_EQ(0u, facade.getObjectInstance(className, keysOf(contrId, idName, id), object))
            << className << " " << contrId << " " << (idName ? idName : "") << " " << id;
        return object;
    }
    size_t logCount(const std::string& text) const {
        const auto lines = orv::test::TestInstallation::readLines(installation->logFile());
        return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.size() >= text.size() && line.compare(line.size() - text.size(), text.size(), text) == 0;
        }));
    }
    bool logged(const std::string& text) const { return logCount(text) > 0; }

    void setProperty(int kind, uint32_t contrId, uint32_t id, const char* name, const char* value, bool event) {
        ASSERT_EQ(0, sim.VrlSimSetProperty(kind, contrId, id, name, value, event ? 1 : 0)) << sim.lastError();
    }

    void inject(const VrlEventRecord& record) {
        ASSERT_EQ(0, sim.VrlSimInjectEvent(&record, sizeof record)) << sim.lastError();
    }
};

}  // namespace raidtest
