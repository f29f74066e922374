#include "EventListener.h"

#include <atomic>
#include <new>

namespace orv::cim::fwf {

namespace {
std::mutex singletonMutex;
std::atomic<EventListener*> singleton{nullptr};
std::atomic<bool> subscription{false};
}  // namespace

EventListener::EventListener() = default;
EventListener::~EventListener() = default;

EventListener* EventListener::getInstance() {
    if (EventListener* existing = singleton.load(std::memory_order_acquire)) return existing;
    std::lock_guard<std::mutex> lock(singletonMutex);
    EventListener* created = singleton.load(std::memory_order_acquire);
    if (created == nullptr) {
        created = new (std::nothrow) EventListener();
        singleton.store(created, std::memory_order_release);
    }
    return created;
}

void EventListener::destroyInstance() {
    EventListener* listener = nullptr;
    {
        std::lock_guard<std::mutex> lock(singletonMutex);
        listener = singleton.exchange(nullptr, std::memory_order_acq_rel);
    }
    if (listener != nullptr) listener->detach();
    delete listener;
}

void EventListener::setSubscription(bool subscribed) { subscription.store(subscribed); }
bool EventListener::hasSubscription() { return subscription.load(); }

bool EventListener::attach(orv::raidlib::VRLibFacadeIntf& library) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (attachedTo_ != nullptr) return true;
    if (library.AttachObserver(this) != 0) return false;
    attachedTo_ = &library;
    return true;
}

bool EventListener::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (attachedTo_ == nullptr) return true;
    const bool detached = attachedTo_->DetachObserver(this) == 0;
    attachedTo_ = nullptr;
    return detached;
}

bool EventListener::isAttached() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return attachedTo_ != nullptr;
}

// Placeholder until the listener is built: events are dropped.
void EventListener::Update(orv::raidlib::PropertyContainer) {}

bool EventListener::deliverJobIndication(const CIMInstance&) { return false; }

}  // namespace orv::cim::fwf
