#include "VRLEventManager.h"

#include <algorithm>

#include "Logger.h"
#include "VrlRecords.h"

namespace orv::raidlib {

namespace {

// How deep the calling thread is inside the library's callback or an Update.
// Initial-exec, as the provider is unloaded with dlclose (see TableAssociation).
[[gnu::tls_model("initial-exec")]] thread_local int insideDelivery = 0;

bool mayWait() { return insideDelivery == 0; }

VrlInt aenTypeOf(const PropertyContainer& event) {
    VrlInt code = 0;
    event.getPropertyValue(code, "aenType", false);
    return code;
}

}  // namespace

VRLEventManager::CallbackScope::CallbackScope() { ++insideDelivery; }

VRLEventManager::CallbackScope::~CallbackScope() { --insideDelivery; }

bool VRLEventManager::attachedUnlocked(EventObserver* observer) const {
    return std::any_of(observers_.begin(), observers_.end(),
                       [observer](const Entry& entry) { return entry.observer == observer; });
}

bool VRLEventManager::deliveringElsewhereUnlocked(EventObserver* observer) const {
    const std::thread::id self = std::this_thread::get_id();
    return std::any_of(deliveries_.begin(), deliveries_.end(), [&](const Delivery& delivery) {
        return delivery.observer == observer && delivery.thread != self;
    });
}

void VRLEventManager::reconcileUnlocked(std::unique_lock<std::mutex>& lock) {
    while (libraryUp_ && registered_ == observers_.empty()) {
        const bool want = !observers_.empty();
        lock.unlock();
        uint32_t status = VrlStatus::Success;
        if (want)
            status = registerEventCallback();
        else
            unregisterEventCallback();
        lock.lock();
        if (status != VrlStatus::Success) {
            // Reached only when an observer attached from inside a delivery
            // while the callback was being unregistered; that attach has
            // already been answered.
            LogMessage(2, "ERROR[%d]--event callback registration failed, %d observers get no events",
                       static_cast<int>(status), static_cast<int>(observers_.size()));
            break;
        }
        registered_ = want;
    }
    changing_ = false;
    changed_.notify_all();
}

void VRLEventManager::reconcileIfIdleUnlocked(std::unique_lock<std::mutex>& lock) {
    // A thread making registration calls checks the list again before it
    // lets go; it will see this change.
    if (changing_) return;
    changing_ = true;
    reconcileUnlocked(lock);
}

uint32_t VRLEventManager::attach(EventObserver* observer) {
    LogTrace("Enter -- Attach()");
    if (observer == nullptr) {
        LogTrace("Exit -- Attach()");
        return VrlStatus::InvalidArgument;
    }
    std::unique_lock<std::mutex> lock(listMutex_);
    if (mayWait()) changed_.wait(lock, [this] { return !changing_; });
    if (!registered_ && !changing_) {
        if (!libraryUp_) {
            LogTrace("Exit -- Attach()");
            return VrlStatus::LibraryUnusable;
        }
        changing_ = true;
        lock.unlock();
        const uint32_t status = registerEventCallback();
        lock.lock();
        if (status != VrlStatus::Success) {
            reconcileUnlocked(lock);
            LogTrace("Exit -- Attach()");
            return VrlStatus::LibraryUnusable;
        }
        registered_ = true;
        observers_.push_back(Entry{observer, nextId_++});
        reconcileUnlocked(lock);
    } else {
        observers_.push_back(Entry{observer, nextId_++});
    }
    // The log has always shown the successful attach closing twice; log
    // readers key on that shape.
    LogTrace("Exit -- Attach()");
    LogTrace("Exit -- Attach()");
    return VrlStatus::Success;
}

uint32_t VRLEventManager::detach(EventObserver* observer) {
    LogTrace("Enter -- Detach()");
    if (observer == nullptr) {
        LogTrace("Exit -- Detach()");
        return VrlStatus::InvalidArgument;
    }
    std::unique_lock<std::mutex> lock(listMutex_);
    auto it = std::find_if(observers_.begin(), observers_.end(),
                           [observer](const Entry& entry) { return entry.observer == observer; });
    if (it != observers_.end()) {
        observers_.erase(it);
        if (mayWait() && !attachedUnlocked(observer))
            changed_.wait(lock, [&] { return !deliveringElsewhereUnlocked(observer); });
        if (observers_.empty()) reconcileIfIdleUnlocked(lock);
    }
    LogTrace("Exit -- Detach()");
    return VrlStatus::Success;
}

void VRLEventManager::openRegistration() {
    std::unique_lock<std::mutex> lock(listMutex_);
    libraryUp_ = true;
    reconcileIfIdleUnlocked(lock);
}

void VRLEventManager::closeRegistration() {
    std::unique_lock<std::mutex> lock(listMutex_);
    libraryUp_ = false;
    if (mayWait()) changed_.wait(lock, [this] { return !changing_; });
}

void VRLEventManager::forgetRegistration() {
    std::lock_guard<std::mutex> lock(listMutex_);
    registered_ = false;
}

void VRLEventManager::Notify(const PropertyContainer& event) {
    LogTrace("Enter -- Notify()");
    std::vector<Entry> snapshot;
    {
        std::lock_guard<std::mutex> lock(listMutex_);
        snapshot = observers_;
    }
    const std::thread::id self = std::this_thread::get_id();
    for (const Entry& entry : snapshot) {
        {
            std::lock_guard<std::mutex> lock(listMutex_);
            const bool stillAttached = std::any_of(observers_.begin(), observers_.end(),
                                                   [&](const Entry& e) { return e.id == entry.id; });
            if (!stillAttached) continue;
            deliveries_.push_back(Delivery{entry.observer, self});
        }
        ++insideDelivery;
        try {
            entry.observer->Update(event);
        } catch (...) {
            // Nothing thrown may leave the library's thread.
            LogMessage(2, "ERROR: an event observer failed on event <%d>", static_cast<int>(aenTypeOf(event)));
        }
        --insideDelivery;
        {
            std::lock_guard<std::mutex> lock(listMutex_);
            auto running = std::find_if(deliveries_.begin(), deliveries_.end(), [&](const Delivery& d) {
                return d.observer == entry.observer && d.thread == self;
            });
            if (running != deliveries_.end()) deliveries_.erase(running);
        }
        changed_.notify_all();
    }
    LogTrace("Exit -- Notify()");
}

void VRLEventManager::notifyAll(const std::vector<PropertyContainer>& events) {
    for (const PropertyContainer& event : events) Notify(event);
}

}  // namespace orv::raidlib
