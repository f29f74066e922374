// The observers of the library's events, their delivery, and the callback
// registration that follows the list: registered while any observer is
// attached and the library runs.
//
// Threads. Attach and detach come from CIM request threads, and from inside
// Update; delivery runs on the library's event thread and on request threads
// (the configuration methods tell of their own changes). The list lock is
// held only to read or change the list and the registration state, never
// across a library call or an Update. One thread at a time makes the
// registration calls (REGISTER_AEN, UNREGISTER_AEN) and, before it lets go,
// repeats them until the registration matches the list again, so that
// changes made meanwhile by others are never lost.
//
// Waiting. A thread outside any delivery may wait: attach for a registration
// call in progress, detach for Updates of the detached observer still
// running on other threads. A thread inside the library's callback or inside
// an Update never waits (the registration call may itself be waiting for
// that callback to return), so from there attach and detach change the list
// and leave the registration to whoever is making the calls.
//
// Promises to observers: no Update reaches an observer once DetachObserver
// has returned and it is no longer attached, unless the detach was made from
// inside an Update, where the event being delivered on another thread may
// still arrive. Do not hold a lock that your Update takes while detaching.
//
// Stop order (facade terminate): closeRegistration refuses new registration
// calls and waits for the one in progress; the library is then shut down,
// which forgets its registration (forgetRegistration); the list stays, and
// openRegistration after the next start registers again if it is not empty.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "VRLibFacadeIntf.h"

namespace orv::raidlib {

class VRLEventManager {
public:
    virtual ~VRLEventManager() = default;

    // Calls Update on every observer attached now, in attachment order, each
    // with its own copy of the event; an observer detached meanwhile is
    // skipped.
    void Notify(const PropertyContainer& event);
    void notifyAll(const std::vector<PropertyContainer>& events);

    // Marks the calling thread as inside the library's callback for the
    // scope's life: it must not wait for registration calls.
    class CallbackScope {
    public:
        CallbackScope();
        ~CallbackScope();
        CallbackScope(const CallbackScope&) = delete;
        CallbackScope& operator=(const CallbackScope&) = delete;
    };

protected:
    // Registration with the library; the facade supplies the library call.
    virtual uint32_t registerEventCallback() = 0;
    virtual void unregisterEventCallback() = 0;

    uint32_t attach(EventObserver* observer);
    uint32_t detach(EventObserver* observer);

    // The library has started: registration calls may go to it, and an
    // observer list kept from before is registered.
    void openRegistration();
    // The library is about to stop: no new registration call, wait for the
    // one in progress.
    void closeRegistration();
    // The library stopped and forgot our callback.
    void forgetRegistration();

private:
    struct Entry {
        EventObserver* observer;
        uint64_t id;  // tells two attachments of one observer apart
    };
    struct Delivery {
        EventObserver* observer;
        std::thread::id thread;
    };

    bool attachedUnlocked(EventObserver* observer) const;
    bool deliveringElsewhereUnlocked(EventObserver* observer) const;
    // Makes registration calls until the registration matches the list; the
    // caller has set changing_.
    void reconcileUnlocked(std::unique_lock<std::mutex>& lock);
    void reconcileIfIdleUnlocked(std::unique_lock<std::mutex>& lock);

    std::mutex listMutex_;
    std::condition_variable changed_;
    std::vector<Entry> observers_;
    std::vector<Delivery> deliveries_;  // Updates running now
    uint64_t nextId_ = 1;
    bool libraryUp_ = false;   // registration calls may be made
    bool registered_ = false;  // the library holds our callback
    bool changing_ = false;    // a thread is making registration calls
};

}  // namespace orv::raidlib
