// Turns the RAID library's events into CIM indications: alerts, lifecycle
// indications of the affected classes, and long-running-command progress
// handed to the job control manager. The one observer the framework attaches
// to the library's event manager.
#pragma once

#include <cstdint>
#include <mutex>

#include "CIMInstance.h"
#include "VRLibFacadeIntf.h"

namespace orv::cim::fwf {

class EventListener : public orv::raidlib::EventObserver {
public:
    // Created on first call; null only when memory runs out.
    static EventListener* getInstance();
    // Detaches (if attached) and deletes the singleton.
    static void destroyInstance();

    // The process-wide subscription flag: set while at least one client
    // subscription is enabled. Events arriving without one are dropped.
    static void setSubscription(bool subscribed);
    static bool hasSubscription();

    // Attaches to / detaches from the RAID library's event manager; true on
    // success.
    bool attach(orv::raidlib::VRLibFacadeIntf& library);
    bool detach();
    bool isAttached() const;

    // Event manager callback, on the library's event thread. Never throws.
    void Update(orv::raidlib::PropertyContainer event) override;

    // Delivers one indication built on a job thread through the facade.
    // True when the facade's callback accepted it.
    bool deliverJobIndication(const CIMInstance& indication);

    ~EventListener() override;

private:
    EventListener();

    mutable std::mutex mutex_;
    orv::raidlib::VRLibFacadeIntf* attachedTo_ = nullptr;
};

}  // namespace orv::cim::fwf
