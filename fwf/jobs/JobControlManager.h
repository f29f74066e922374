// Long-running controller commands as CIM jobs: progress reports from the
// event listener are queued, applied to job records kept in the RAID library
// facade's object store ("RunningJobObject", "OldJobObject"), announced as
// lifecycle indications of ORV_ConcreteJob, and swept away once their time
// before removal has passed.
#pragma once

#include <cstdint>

#include "PropertyContainer.h"

namespace orv::cim::fwf {

class JobControlManager {
public:
    // Created on first call; null when it cannot be created.
    static JobControlManager* getInstance();
    // Stops the threads (if started) and deletes the singleton.
    static void destroyInstance();

    // Starts the monitor and delete threads; true at once when started.
    bool initialize();
    bool isStarted() const;

    // Event listener side, on the library's event thread.
    void queueLRCEvent(const orv::raidlib::PropertyContainer& event);
    void ProcessNotificationLostEvent(uint32_t contrId);
    void ProcessControllerShutdown(uint32_t contrId);
    // Every job of one device is removed at the next sweep (its virtual disk
    // was deleted).
    void expireDeviceJobs(uint32_t contrId, uint32_t deviceId);

    ~JobControlManager();

private:
    JobControlManager();
};

}  // namespace orv::cim::fwf
