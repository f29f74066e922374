#include "VRLEventManager.h"

#include <algorithm>

#include "Logger.h"
#include "VrlRecords.h"

namespace orv::raidlib {

uint32_t VRLEventManager::attach(EventObserver* observer) {
    LogTrace("Enter -- Attach()");
    if (observer == nullptr) {
        LogTrace("Exit -- Attach()");
        return VrlStatus::InvalidArgument;
    }
    std::lock_guard<std::mutex> lock(listMutex_);
    if (observers_.empty() && registerEventCallback() != VrlStatus::Success) {
        LogTrace("Exit -- Attach()");
        return VrlStatus::LibraryUnusable;
    }
    observers_.push_back(observer);
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
    bool nowEmpty = false;
    {
        std::lock_guard<std::mutex> lock(listMutex_);
        auto it = std::find(observers_.begin(), observers_.end(), observer);
        if (it != observers_.end()) {
            observers_.erase(it);
            nowEmpty = observers_.empty();
        }
    }
    // Outside the list lock: the library waits for a callback in progress,
    // and that callback may be reading the list.
    if (nowEmpty) unregisterEventCallback();
    LogTrace("Exit -- Detach()");
    return VrlStatus::Success;
}

void VRLEventManager::Notify(const PropertyContainer& event) {
    LogTrace("Enter -- Notify()");
    std::vector<EventObserver*> observers;
    {
        std::lock_guard<std::mutex> lock(listMutex_);
        observers = observers_;
    }
    for (EventObserver* observer : observers) observer->Update(event);
    LogTrace("Exit -- Notify()");
}

void VRLEventManager::notifyAll(const std::vector<PropertyContainer>& events) {
    for (const PropertyContainer& event : events) Notify(event);
}

}  // namespace orv::raidlib
