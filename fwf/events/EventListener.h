// Turns the RAID library's events into CIM indications: alerts, lifecycle
// indications of the affected classes, and long-running-command progress
// handed to the job control manager. The one observer the framework attaches
// to the library's event manager.
#pragma once

#include <cstdint>
#include <mutex>

#include "AbstractProviderPlugin.h"
#include "CIMInstance.h"
#include "Indications.h"
#include "VRLibFacadeIntf.h"

namespace orv::cim::fwf {

class FrameworkFacade;

class EventListener : public orv::raidlib::EventObserver {
public:
    // Created on first call; null only when memory runs out.
    static EventListener* getInstance();
    // The listener if one exists; never creates one (job threads during
    // clean-up).
    static EventListener* existing();
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

    // Event manager callback, on the library's event thread (or on the
    // request thread of a configuration method that tells of its own
    // changes). Builds the event's indications and delivers them one by one
    // through the facade. Never throws.
    void Update(orv::raidlib::PropertyContainer event) override;

    // Delivers one indication built on a job thread through the facade.
    // True when the facade's callback accepted it.
    bool deliverJobIndication(const CIMInstance& indication);

    ~EventListener() override;

private:
    EventListener();

    void handle(const orv::raidlib::PropertyContainer& event);
    // One alert for the event; none (and a log line) without a description.
    static void addAlert(const AenRecord& aen, CIMInstanceList& out);
    // The creation, deletion or modification indications of the event, and
    // an alert when it also carries an external error.
    static void addLifeCycle(const AenRecord& aen, const orv::raidlib::PropertyContainer& event,
                             FrameworkFacade& facade, CIMInstanceList& out);
    static void deliver(const CIMInstanceList& indications, FrameworkFacade& facade);

    mutable std::mutex mutex_;
    orv::raidlib::VRLibFacadeIntf* attachedTo_ = nullptr;
};

}  // namespace orv::cim::fwf
