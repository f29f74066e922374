#include "JobControlManager.h"

#include <atomic>
#include <mutex>
#include <new>

namespace orv::cim::fwf {

namespace {
std::mutex singletonMutex;
std::atomic<JobControlManager*> singleton{nullptr};
}  // namespace

JobControlManager::JobControlManager() = default;
JobControlManager::~JobControlManager() = default;

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

// Placeholders until the job threads are built: reports are ignored.
bool JobControlManager::initialize() { return true; }
bool JobControlManager::isStarted() const { return false; }
void JobControlManager::queueLRCEvent(const orv::raidlib::PropertyContainer&) {}
void JobControlManager::ProcessNotificationLostEvent(uint32_t) {}
void JobControlManager::ProcessControllerShutdown(uint32_t) {}
void JobControlManager::expireDeviceJobs(uint32_t, uint32_t) {}

}  // namespace orv::cim::fwf
