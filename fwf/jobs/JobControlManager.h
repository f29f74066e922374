// Long-running controller commands as CIM jobs: progress reports from the
// event listener are queued, applied to job records kept in the RAID library
// facade's object store ("RunningJobObject", "OldJobObject"), announced as
// lifecycle indications of ORV_ConcreteJob, and swept away once their time
// before removal has passed.
//
// Threads: the library's event thread appends reports (queueLRCEvent); the
// monitor thread applies them; the delete thread sweeps finished jobs every
// five seconds. Stop order (destructor): refuse new reports, raise
// JOB_THREAD_EXITING, wake both threads, join the monitor thread and then the
// delete thread, drop whatever reports are still queued.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CIMDateTime.h"
#include "CIMInstance.h"
#include "Indications.h"
#include "JobRecords.h"
#include "PropertyContainer.h"
#include "VRLibFacadeIntf.h"

namespace orv::cim::fwf {

class JobControlManager {
public:
    // Created on first call; null when it cannot be created.
    static JobControlManager* getInstance();
    // Stops the threads (if started) and deletes the singleton.
    static void destroyInstance();

    // Starts the monitor and delete threads over the framework's RAID
    // library facade; true at once when started.
    bool initialize();
    bool isStarted() const;
    // Refuses further reports and ends both threads (the destructor's first
    // step); reports still queued are dropped.
    void stop();

    // Event listener side, on the library's event thread.
    void queueLRCEvent(const orv::raidlib::PropertyContainer& event);
    void ProcessNotificationLostEvent(uint32_t contrId);
    void ProcessControllerShutdown(uint32_t contrId);
    // Every job of one device is removed at the next sweep (its virtual disk
    // was deleted).
    void expireDeviceJobs(uint32_t contrId, uint32_t deviceId);

    // One step of each thread, callable from tests: apply the oldest queued
    // report (false when none was queued); apply one progress entry; sweep
    // the finished jobs once.
    bool jobPoll();
    void updateJobMap(uint32_t contrId, uint32_t deviceId, uint32_t lrcType, uint32_t deviceType,
                      uint32_t percentage, uint32_t state);
    void jobDeletion();

    // Test hooks. The clock gives "now" for record times and the sweep; the
    // sink receives the job indications instead of the event listener.
    using Clock = std::function<CIMDateTime()>;
    using IndicationSink = std::function<bool(const CIMInstance&)>;
    void setClockForTesting(Clock clock);
    void setIndicationSinkForTesting(IndicationSink sink);
    void setLibraryForTesting(orv::raidlib::VRLibFacadeIntf* library);

    ~JobControlManager();

private:
    JobControlManager();

    using Indications = std::vector<CIMInstance>;

    void jobMonitor();
    void jobMonitorDeleteQueue();

    // The work of the public steps; the caller holds processingMutex_.
    void applyReportUnlocked(const orv::raidlib::PropertyContainer& report, Indications& pending);
    void updateJobMapUnlocked(const jobs::JobIdentity& identity, uint32_t deviceType, uint32_t percentage,
                              uint32_t state, Indications& pending);
    void addNewJobUnlocked(const jobs::JobIdentity& identity, uint32_t deviceType, uint32_t percentage,
                           Indications& pending);
    void moveToOldJobsUnlocked(orv::raidlib::VRLibFacadeIntf& library, const jobs::JobIdentity& identity);
    // Sets a zero time before removal on the old and running jobs that
    // `keys` match, and makes the running ones old.
    void expireJobsUnlocked(const orv::raidlib::PropertyContainer& keys);
    void jobDeletionUnlocked(Indications& pending);

    // Hands the indications on in the order they were made: the delivery
    // lock is taken before the processing lock is let go, and nothing is
    // called out while the processing lock is held.
    void deliver(std::unique_lock<std::mutex>& processingLock, Indications& pending);
    void forward(const CIMInstance& indication);

    CIMInstance generateJobCreationNotification(const orv::raidlib::PropertyContainer& record);
    CIMInstance generateModificationNotification(const orv::raidlib::PropertyContainer& record,
                                                 const orv::raidlib::PropertyContainer& previous);
    CIMInstance generateJobDeletionNotification(const orv::raidlib::PropertyContainer& record);
    CIMInstance jobIndication(LifeCycleKind kind, const orv::raidlib::PropertyContainer& record);

    CIMDateTime now() const;
    orv::raidlib::VRLibFacadeIntf* library() const;

    // Guarded by queueMutex_: the queue, the wake-up signals, the started
    // and stop flags.
    mutable std::mutex queueMutex_;
    std::condition_variable monitorWake_;
    std::condition_variable deleteWake_;
    std::deque<orv::raidlib::PropertyContainer> queue_;
    bool monitorSignalled_ = false;
    bool started_ = false;
    bool JOB_THREAD_EXITING = false;

    // Held while a report, a sweep or an expiry changes job records.
    std::mutex processingMutex_;
    // Held while indications are handed on.
    std::mutex deliveryMutex_;

    // Guarded by hooksMutex_.
    mutable std::mutex hooksMutex_;
    Clock clock_;
    IndicationSink sink_;
    orv::raidlib::VRLibFacadeIntf* library_ = nullptr;
    uint64_t indicationNumber_ = 0;

    // Started by initialize, joined by stop.
    std::thread monitorThread_;
    std::thread deleteThread_;
};

}  // namespace orv::cim::fwf
