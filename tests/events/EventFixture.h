// The framework with its real plugins over the simulated library, a
// subscription enabled, and every indication the adapter's callback would
// receive kept for the test.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "EventContainers.h"
#include "EventListener.h"
#include "SimulatedControllers.h"
#include "VrlRecords.h"

namespace eventstest {

using namespace poolstest;
using orv::raidlib::EventFields;

// Controller 0: a RAID 5 volume on three SAS disks, a reserved array on a
// SATA disk, one free SATA disk.
inline const char* const kEventTopology = R"({
  "lrcIntervalMs": 3600000,
  "controllers": [
    {"id": 0, "autoRebuild": 1, "disks": [
       {"compPdId": 0, "slotId": 0, "driveType": 2}, {"compPdId": 1, "slotId": 1, "driveType": 2},
       {"compPdId": 2, "slotId": 2, "driveType": 2}, {"compPdId": 3, "slotId": 3, "driveType": 1},
       {"compPdId": 4, "slotId": 4, "driveType": 1}],
     "volumes": [{"vdIndex": 0, "RAIDLevel": 5, "compPdId": [0, 1, 2], "volumeName": "Data", "volReserved": 0},
                 {"vdIndex": 1, "RAIDLevel": 0, "compPdId": [3], "volumeName": "Held", "volReserved": 1}]}]
})";

inline std::mutex deliveredMutex;
inline CIMInstanceList delivered;  // guarded by deliveredMutex

inline bool record(const CIMInstance& indication) {
    std::lock_guard<std::mutex> lock(deliveredMutex);
    delivered.push_back(indication);
    return true;
}

class EventFixture : public SimulatedControllers {
protected:
    std::string topology() const override { return kEventTopology; }
    void SetUp() override {
        SimulatedControllers::SetUp();
        ASSERT_TRUE(FrameworkFacade::getInstance()->registerForEvent(&record));
        EventListener::setSubscription(true);
        std::lock_guard<std::mutex> lock(deliveredMutex);
        delivered.clear();
    }
    void TearDown() override {
        EventListener::setSubscription(false);
        SimulatedControllers::TearDown();
    }

    // What was delivered once the library's events are all handled.
    CIMInstanceList drained(uint32_t timeoutMs = 5000) {
        EXPECT_EQ(0, sim.VrlSimWaitEventsDrained(timeoutMs));
        std::lock_guard<std::mutex> lock(deliveredMutex);
        CIMInstanceList out;
        out.swap(delivered);
        return out;
    }
    // "<indication class> <source class>" per indication, in delivery order.
    static std::vector<std::string> summary(const CIMInstanceList& indications) {
        std::vector<std::string> lines;
        for (const CIMInstance& indication : indications) {
            std::string line = indication.getClassName();
            if (has(indication, "SourceInstance")) line += " " + value<CIMInstance>(indication, "SourceInstance").getClassName();
            lines.push_back(line);
        }
        return lines;
    }
    void setProperty(int kind, uint32_t id, const char* name, const std::string& text) {
        ASSERT_EQ(0, sim.VrlSimSetProperty(kind, 0, id, name, text.c_str(), 1)) << sim.lastError();
    }
    void inject(uint32_t code, uint32_t deviceType, uint32_t deviceId, uint32_t severity, const char* description,
                uint32_t eventId = 4711) {
        VrlEventRecord event = raidtest::eventRecord(code, 0, deviceType, deviceId, 0, description);
        event.aenTimestamp = 1700000000;
        event.snmpEvtId = eventId;
        event.severity = severity;
        ASSERT_EQ(0, sim.VrlSimInjectEvent(&event, sizeof event)) << sim.lastError();
    }
    // An event straight into the listener, as the event manager hands it over.
    static void update(uint32_t aenType, const std::string& description = "something happened") {
        EventFields fields;
        fields.snmpEvtId = 7;
        fields.description = description;
        fields.aenType = aenType;
        EventListener::getInstance()->Update(orv::raidlib::eventContainer(fields));
    }
};

}  // namespace eventstest
