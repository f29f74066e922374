// The observers of the library's events and their delivery. The list has
// its own small lock, held only while the list is read or changed, never
// while an observer runs: an observer may attach, detach or call the facade
// from Update.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "VRLibFacadeIntf.h"

namespace orv::raidlib {

class VRLEventManager {
public:
    virtual ~VRLEventManager() = default;

    // Calls Update on every observer attached now, in attachment order, each
    // with its own copy of the event.
    void Notify(const PropertyContainer& event);
    void notifyAll(const std::vector<PropertyContainer>& events);

protected:
    // Registration with the library; the facade supplies the library call.
    virtual uint32_t registerEventCallback() = 0;
    virtual void unregisterEventCallback() = 0;

    uint32_t attach(EventObserver* observer);
    uint32_t detach(EventObserver* observer);

private:
    std::mutex listMutex_;
    std::vector<EventObserver*> observers_;
};

}  // namespace orv::raidlib
