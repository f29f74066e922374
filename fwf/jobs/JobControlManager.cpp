#include "JobControlManager.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <new>
#include <system_error>

#include "CIMException.h"
#include "EventListener.h"
#include "FrameworkFacade.h"
#include "Logger.h"
#include "OsServices.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

using orv::raidlib::PropertyContainer;
using orv::raidlib::VRLibFacadeIntf;
using namespace jobs;

namespace {

// Five minutes, unless a demonstration or an end-to-end test asks for a
// shorter time through the environment (a CIM interval such as
// "00000000000002.000000:000"); a text that is no interval is ignored.
std::string timeBeforeRemoval() {
    const char* asked = std::getenv("ORV_JOB_TIME_BEFORE_REMOVAL");
    if (asked == nullptr) return kKeepFiveMinutes;
    const std::string text(asked);
    bool interval = text.size() == 25 && text[14] == '.' && text[21] == ':';
    for (size_t i = 0; interval && i < text.size(); ++i)
        if (i != 14 && i != 21) interval = text[i] >= '0' && text[i] <= '9';
    if (interval) return text;
    LogMessage(2, "ORV_JOB_TIME_BEFORE_REMOVAL = %s is no CIM interval; jobs stay five minutes", asked);
    return kKeepFiveMinutes;
}

std::mutex singletonMutex;
std::atomic<JobControlManager*> singleton{nullptr};

constexpr auto kSweepInterval = std::chrono::seconds(5);

constexpr const char* kMonitorName = "orv::cim::fwf::JobControlManager::jobMonitor";
constexpr const char* kDeleteThreadName = "orv::cim::fwf::JobControlManager::jobMonitorDeleteQueue";
constexpr const char* kPollName = "orv::cim::fwf::JobControlManager::jobPoll";
constexpr const char* kUpdateName = "orv::cim::fwf::JobControlManager::updateJobMap";
constexpr const char* kAddName = "orv::cim::fwf::JobControlManager::addNewJob";
constexpr const char* kDeletionName = "orv::cim::fwf::JobControlManager::jobDeletion";
constexpr const char* kShutdownName = "orv::cim::fwf::JobControlManager::ProcessControllerShutdown";
constexpr const char* kNotifyName = "orv::cim::fwf::JobControlManager::forward";

// Commands that end a job: a report of one of them never creates a job, and
// a job reaching one leaves the running records.
bool isFinalState(uint32_t state) {
    return state == JobState::Completed || state == JobState::Terminated || state == JobState::Killed ||
           state == JobState::Exception;
}

uint32_t intOf(const PropertyContainer& record, const char* name) {
    uint32_t value = 0;
    record.getPropertyValue(value, name, false);
    return value;
}

std::string textOf(const PropertyContainer& record, const char* name) {
    std::string value;
    record.getPropertyValue(value, name, false);
    return value;
}

// The column of one LRC property, with the log line its absence writes.
struct LrcColumn {
    const char* name;
    const char* missingLine;
};
constexpr LrcColumn kLrcColumns[] = {
    {"deviceId", "%s :: Failed to retrieve LRC Device Ids on Controller : %d."},
    {"deviceType", "%s :: Failed to retrieve LRC Device Types on Controller : %d."},
    {"lrcType", "%s :: Failed to retrieve LRC Types on Controller : %d."},
    {"lrcStatus", "%s :: Failed to retrieve LRC Statuses on Controller : %d."},
    {"progPercentage", "%s :: Failed to retrieve LRC Progress percentage on Controller : %d."},
};

// Runs one step of a job thread: nothing it throws may end the thread.
template <typename Step>
void guarded(const char* qualifiedName, Step step) {
    try {
        step();
    } catch (const CIMException& failure) {
        LogMessage(2, "%s :: %s", qualifiedName, failure.getMessage().c_str());
    } catch (...) {
        LogMessage(2, "%s :: Unknown Error.", qualifiedName);
    }
}

// Severity of a job indication: a command that failed deserves a look; every
// other change is information.
uint16_t severityOf(uint32_t jobState) { return jobState == JobState::Exception ? 3 : 2; }

}  // namespace

JobControlManager::JobControlManager() = default;

JobControlManager::~JobControlManager() { stop(); }

JobControlManager* JobControlManager::getInstance() {
    if (JobControlManager* existing = singleton.load(std::memory_order_acquire)) return existing;
    std::lock_guard<std::mutex> lock(singletonMutex);
    JobControlManager* created = singleton.load(std::memory_order_acquire);
    if (created == nullptr) {
        created = new (std::nothrow) JobControlManager();
        singleton.store(created, std::memory_order_release);
    }
    return created;
}

void JobControlManager::destroyInstance() {
    JobControlManager* manager = nullptr;
    {
        std::lock_guard<std::mutex> lock(singletonMutex);
        manager = singleton.exchange(nullptr, std::memory_order_acq_rel);
    }
    delete manager;
}

bool JobControlManager::initialize() {
    std::unique_lock<std::mutex> lock(queueMutex_);
    if (started_) return true;
    {
        std::lock_guard<std::mutex> hooks(hooksMutex_);
        if (library_ == nullptr) {
            if (FrameworkFacade* facade = FrameworkFacade::getInstance()) library_ = facade->getVRLibFacade();
        }
    }
    queue_.clear();
    monitorSignalled_ = false;
    JOB_THREAD_EXITING = false;
    try {
        monitorThread_ = std::thread([this] { jobMonitor(); });
    } catch (const std::system_error&) {
        LogMessage(2, "Failed to create monitor thread");
        return false;
    }
    try {
        deleteThread_ = std::thread([this] { jobMonitorDeleteQueue(); });
    } catch (const std::system_error&) {
        LogMessage(2, "Failed to create Delete thread");
        JOB_THREAD_EXITING = true;
        lock.unlock();
        monitorWake_.notify_all();
        monitorThread_.join();
        return false;
    }
    started_ = true;
    return true;
}

bool JobControlManager::isStarted() const {
    std::lock_guard<std::mutex> lock(queueMutex_);
    return started_;
}

void JobControlManager::stop() {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        started_ = false;
        JOB_THREAD_EXITING = true;
        queue_.clear();
    }
    monitorWake_.notify_all();
    deleteWake_.notify_all();
    if (monitorThread_.joinable()) monitorThread_.join();
    if (deleteThread_.joinable()) deleteThread_.join();
}

void JobControlManager::queueLRCEvent(const PropertyContainer& event) {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (!started_) return;
        queue_.push_back(event);
        monitorSignalled_ = true;
    }
    monitorWake_.notify_one();
}

void JobControlManager::jobMonitor() {
    std::unique_lock<std::mutex> lock(queueMutex_);
    for (;;) {
        monitorWake_.wait(lock, [this] { return monitorSignalled_ || JOB_THREAD_EXITING; });
        monitorSignalled_ = false;
        if (JOB_THREAD_EXITING) break;
        // One wake-up may stand for several reports: drain them all, but
        // stop between two reports when asked to.
        lock.unlock();
        while (jobPoll()) {
            std::lock_guard<std::mutex> check(queueMutex_);
            if (JOB_THREAD_EXITING) break;
        }
        lock.lock();
    }
    lock.unlock();
    LogMessage(4, "%s :: Exiting job thread : %lu", kMonitorName, OsGetThreadId());
}

void JobControlManager::jobMonitorDeleteQueue() {
    std::unique_lock<std::mutex> lock(queueMutex_);
    while (!JOB_THREAD_EXITING) {
        lock.unlock();
        jobDeletion();
        lock.lock();
        deleteWake_.wait_for(lock, kSweepInterval, [this] { return JOB_THREAD_EXITING; });
    }
    lock.unlock();
    LogMessage(4, "%s :: Exiting job thread : %lu", kDeleteThreadName, OsGetThreadId());
}

bool JobControlManager::jobPoll() {
    std::unique_lock<std::mutex> processing(processingMutex_);
    PropertyContainer report;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (queue_.empty()) return false;
        report = std::move(queue_.front());
        queue_.pop_front();
    }
    Indications pending;
    guarded(kPollName, [&] { applyReportUnlocked(report, pending); });
    deliver(processing, pending);
    return true;
}

void JobControlManager::applyReportUnlocked(const PropertyContainer& report, Indications& pending) {
    uint32_t contrId = 0;
    report.getPropertyValue(contrId, "contrId", true);
    uint32_t count = 0;
    if (report.getPropertyValue(count, "lrcCount", false) != 0) {
        LogMessage(2, "%s :: Failed to retrieve LRC Count on Controller : %d.", kPollName, static_cast<int>(contrId));
        return;
    }
    orv::raidlib::VrlVector columns[std::size(kLrcColumns)];
    for (size_t i = 0; i < std::size(kLrcColumns); ++i) {
        if (report.getPropertyValue(columns[i], kLrcColumns[i].name, false) != 0 || columns[i].size() < count) {
            LogMessage(2, kLrcColumns[i].missingLine, kPollName, static_cast<int>(contrId));
            return;
        }
    }
    const auto& [deviceIds, deviceTypes, lrcTypes, statuses, percentages] = columns;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t state = jobStateOf(statuses[i]);
        LogMessage(4, "%s :: Passing job %d-%d for updation with percentage %d, status %d.", kPollName,
                   static_cast<int>(contrId), static_cast<int>(deviceIds[i]), static_cast<int>(percentages[i]),
                   static_cast<int>(state));
        updateJobMapUnlocked({contrId, deviceIds[i], lrcTypes[i]}, deviceTypes[i], percentages[i], state, pending);
    }
}

void JobControlManager::updateJobMap(uint32_t contrId, uint32_t deviceId, uint32_t lrcType, uint32_t deviceType,
                                     uint32_t percentage, uint32_t state) {
    std::unique_lock<std::mutex> processing(processingMutex_);
    Indications pending;
    guarded(kUpdateName, [&] { updateJobMapUnlocked({contrId, deviceId, lrcType}, deviceType, percentage, state, pending); });
    deliver(processing, pending);
}

void JobControlManager::updateJobMapUnlocked(const JobIdentity& identity, uint32_t deviceType,
                                             uint32_t percentage, uint32_t state, Indications& pending) {
    VRLibFacadeIntf* store = library();
    if (store == nullptr) {
        LogMessage(2, "%s :: Failed to retrieve Vrlib handle.", kUpdateName);
        return;
    }
    PropertyContainer record;
    if (store->getObjectInstance(kRunningJobs, identity.keys(), record) != 0) {
        if (percentage < 100 && !isFinalState(state)) {
            addNewJobUnlocked(identity, deviceType, percentage, pending);
        } else {
            LogMessage(4, "%s :: Job %d_%d NOT ADDED, as PercentageComplete = %d and LRC Status = %d.", kUpdateName,
                       static_cast<int>(identity.contrId), static_cast<int>(identity.deviceId),
                       static_cast<int>(percentage), static_cast<int>(state));
        }
        return;
    }

    const uint32_t storedState = intOf(record, field::kJobState);
    const uint32_t storedPercentage = intOf(record, field::kPercentComplete);
    const std::string changedAt = now().toString();
    const PropertyContainer previous = record;
    const auto save = [&](const PropertyContainer& changes) {
        for (const auto& property : changes.nonKeyProperties()) record.updateProperty(*property, false, true);
        store->modifyObjectInstance(kRunningJobs, identity.keys(), changes);
    };

    if (state != storedState) {
        LogMessage(4, "%s :: Job %s, state changed to %d", kUpdateName, identity.text().c_str(),
                   static_cast<int>(state));
        PropertyContainer changes;
        changes.insertInt(field::kPercentComplete, percentage);
        changes.insertString(field::kTimeOfLastStateChange, changedAt);
        changes.insertInt(field::kPreviousState, storedState);
        changes.insertInt(field::kJobState, state);
        // A job that failed is of no more use to a client than its final
        // state, which this indication carries: it goes at the next sweep.
        if (state == JobState::Exception) changes.insertString(field::kTimeBeforeRemoval, kRemoveAtOnce);
        save(changes);
        pending.push_back(generateModificationNotification(record, previous));
        if (isFinalState(state)) moveToOldJobsUnlocked(*store, identity);
        return;
    }
    if (percentage == storedPercentage) return;

    PropertyContainer progress;
    progress.insertInt(field::kPercentComplete, percentage);
    save(progress);
    pending.push_back(generateModificationNotification(record, previous));
    if (percentage < 100) return;

    LogMessage(4, "%s :: Job %s Completed Successfully.", kUpdateName, identity.text().c_str());
    const PropertyContainer running = record;
    PropertyContainer completion;
    completion.insertInt(field::kPreviousState, storedState);
    completion.insertInt(field::kJobState, JobState::Completed);
    // The time before removal counts from the completion, not from the start.
    completion.insertString(field::kTimeOfLastStateChange, changedAt);
    save(completion);
    pending.push_back(generateModificationNotification(record, running));
    moveToOldJobsUnlocked(*store, identity);
}

void JobControlManager::addNewJobUnlocked(const JobIdentity& identity, uint32_t deviceType, uint32_t percentage,
                                          Indications& pending) {
    VRLibFacadeIntf* store = library();
    if (store == nullptr) {
        LogMessage(2, "%s :: Failed to retrieve Vrlib handle.", kAddName);
        return;
    }
    try {
        store->deleteObjectInstance(kOldJobs, identity.keys());
        const std::string startedAt = now().toString();
        PropertyContainer record = identity.keys();
        record.insertInt(field::kDeviceType, deviceType);
        record.insertString(field::kJobName, jobNameOf(identity.lrcType));
        record.insertInt(field::kPercentComplete, percentage);
        record.insertInt(field::kJobState, JobState::Running);
        record.insertInt(field::kPreviousState, JobState::Starting);
        record.insertString(field::kStartTime, startedAt);
        record.insertString(field::kTimeOfLastStateChange, startedAt);
        record.insertString(field::kTimeBeforeRemoval, timeBeforeRemoval());
        record.insertInt(field::kDeleteOnCompletion, 1);
        store->addObjectInstance(kRunningJobs, record);
        pending.push_back(generateJobCreationNotification(record));
    } catch (...) {
        LogMessage(2, "%s :: Unknown Error.", kAddName);
    }
}

void JobControlManager::moveToOldJobsUnlocked(VRLibFacadeIntf& store, const JobIdentity& identity) {
    PropertyContainer record;
    if (store.getObjectInstance(kRunningJobs, identity.keys(), record) != 0) return;
    // Added before the running record goes, so that a job is never missing
    // from a read in between; readers list running jobs first and skip the
    // old copy.
    store.deleteObjectInstance(kOldJobs, identity.keys());
    store.addObjectInstance(kOldJobs, record);
    store.deleteObjectInstance(kRunningJobs, identity.keys());
}

void JobControlManager::jobDeletion() {
    std::unique_lock<std::mutex> processing(processingMutex_);
    Indications pending;
    guarded(kDeletionName, [&] { jobDeletionUnlocked(pending); });
    deliver(processing, pending);
}

void JobControlManager::jobDeletionUnlocked(Indications& pending) {
    VRLibFacadeIntf* store = library();
    if (store == nullptr) return;
    std::vector<PropertyContainer> oldJobs;
    store->getStorageClass(kOldJobs, oldJobs);
    const CIMDateTime current = now();
    for (const PropertyContainer& record : oldJobs) {
        const std::optional<JobIdentity> identity = identityOf(record);
        if (!identity || intOf(record, field::kDeleteOnCompletion) == 0) continue;
        bool expired = false;
        try {
            expired = current.hasElapsed(CIMDateTime(textOf(record, field::kTimeOfLastStateChange)),
                                         CIMDateTime(textOf(record, field::kTimeBeforeRemoval)));
        } catch (...) {
            // An unreadable time, or a clock set back across a year: keep the
            // job until the next sweep rather than guess.
            continue;
        }
        if (!expired) continue;
        LogMessage(4, "%s :: Deleting job %s from system.", kDeletionName, identity->text().c_str());
        pending.push_back(generateJobDeletionNotification(record));
        store->deleteObjectInstance(kOldJobs, identity->keys());
    }
}

void JobControlManager::expireJobsUnlocked(const PropertyContainer& keys) {
    VRLibFacadeIntf* store = library();
    if (store == nullptr) return;
    PropertyContainer removeAtOnce;
    removeAtOnce.insertString(field::kTimeBeforeRemoval, kRemoveAtOnce);
    store->modifyObjectInstance(kOldJobs, keys, removeAtOnce);
    std::vector<PropertyContainer> running;
    store->getStorageClass(kRunningJobs, running);
    for (const PropertyContainer& record : running) {
        const std::optional<JobIdentity> identity = identityOf(record);
        if (!identity || orv::raidlib::matchKeys(record, keys) != 0) continue;
        store->modifyObjectInstance(kRunningJobs, identity->keys(), removeAtOnce);
        moveToOldJobsUnlocked(*store, *identity);
    }
}

void JobControlManager::ProcessNotificationLostEvent(uint32_t contrId) {
    if (!isStarted()) return;
    std::lock_guard<std::mutex> processing(processingMutex_);
    PropertyContainer keys;
    keys.insertInt(field::kContrId, contrId, true);
    expireJobsUnlocked(keys);
}

void JobControlManager::ProcessControllerShutdown(uint32_t contrId) {
    LogMessage(4, "Enter %s", kShutdownName);
    ProcessNotificationLostEvent(contrId);
    LogMessage(4, "Exit %s", kShutdownName);
}

void JobControlManager::expireDeviceJobs(uint32_t contrId, uint32_t deviceId) {
    if (!isStarted()) return;
    std::lock_guard<std::mutex> processing(processingMutex_);
    PropertyContainer keys;
    keys.insertInt(field::kContrId, contrId, true);
    keys.insertInt(field::kDeviceId, deviceId, true);
    expireJobsUnlocked(keys);
}

void JobControlManager::deliver(std::unique_lock<std::mutex>& processingLock, Indications& pending) {
    if (pending.empty()) return;
    std::lock_guard<std::mutex> order(deliveryMutex_);
    processingLock.unlock();
    for (const CIMInstance& indication : pending) forward(indication);
}

void JobControlManager::forward(const CIMInstance& indication) {
    const CIMProperty* modelPath = indication.getProperty("SourceInstanceModelPath");
    const std::string described = indication.getClassName() + " " +
                                  (modelPath != nullptr ? modelPath->getValue<std::string>().at(0) : std::string());
    IndicationSink sink;
    {
        std::lock_guard<std::mutex> hooks(hooksMutex_);
        sink = sink_;
    }
    if (sink) {
        LogMessage(4, "%s :: Notifying EventListener for indication instance : %s.", kNotifyName, described.c_str());
        sink(indication);
        return;
    }
    EventListener* listener = EventListener::existing();
    if (listener == nullptr) {
        LogMessage(2, "%s :: Failed to forward indication, no EventListener.", kNotifyName);
        return;
    }
    LogMessage(4, "%s :: Notifying EventListener for indication instance : %s.", kNotifyName, described.c_str());
    listener->deliverJobIndication(indication);
}

CIMInstance JobControlManager::jobIndication(LifeCycleKind kind, const PropertyContainer& record) {
    uint64_t number = 0;
    {
        std::lock_guard<std::mutex> hooks(hooksMutex_);
        number = ++indicationNumber_;
    }
    if (sourceInstanceHost().empty())
        LogMessage(2, "%s :: Failed to retrieve host name.", "orv::cim::fwf::JobControlManager::jobIndication");
    // Unique within this provider's run: the job, then the manager's count.
    const IndicationOrigin origin{identityOf(record)->text() + ":" + std::to_string(number), now().toString(),
                                  severityOf(intOf(record, field::kJobState))};
    return lifeCycleIndication(kind, concreteJobInstance(record, "", kJobNamespace), origin);
}

CIMInstance JobControlManager::generateJobCreationNotification(const PropertyContainer& record) {
    return jobIndication(LifeCycleKind::Creation, record);
}

CIMInstance JobControlManager::generateModificationNotification(const PropertyContainer& record,
                                                                const PropertyContainer& previous) {
    CIMInstance indication = jobIndication(LifeCycleKind::Modification, record);
    indication.addProperty(
        scalarProperty("PreviousInstance", concreteJobInstance(previous, "", kJobNamespace), CIM_INSTANCE));
    return indication;
}

CIMInstance JobControlManager::generateJobDeletionNotification(const PropertyContainer& record) {
    return jobIndication(LifeCycleKind::Deletion, record);
}

CIMDateTime JobControlManager::now() const {
    Clock clock;
    {
        std::lock_guard<std::mutex> hooks(hooksMutex_);
        clock = clock_;
    }
    return clock ? clock() : CIMDateTime::now();
}

VRLibFacadeIntf* JobControlManager::library() const {
    std::lock_guard<std::mutex> hooks(hooksMutex_);
    return library_;
}

void JobControlManager::setClockForTesting(Clock clock) {
    std::lock_guard<std::mutex> hooks(hooksMutex_);
    clock_ = std::move(clock);
}

void JobControlManager::setIndicationSinkForTesting(IndicationSink sink) {
    std::lock_guard<std::mutex> hooks(hooksMutex_);
    sink_ = std::move(sink);
}

void JobControlManager::setLibraryForTesting(VRLibFacadeIntf* library) {
    std::lock_guard<std::mutex> hooks(hooksMutex_);
    library_ = library;
}

}  // namespace orv::cim::fwf
