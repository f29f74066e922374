#include "EventListener.h"

#include <atomic>
#include <exception>
#include <new>
#include <string>

#include "CIMException.h"
#include "FrameworkFacade.h"
#include "JobControlManager.h"
#include "LifeCycleIndications.h"
#include "Logger.h"
#include "PluginsManager.h"
#include "VrlRecords.h"

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

EventListener* EventListener::existing() { return singleton.load(std::memory_order_acquire); }

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

namespace {

using orv::raidlib::PropertyContainer;

template <typename T>
std::optional<T> eventValue(const PropertyContainer& event, const char* name) {
    T value{};
    if (event.getPropertyValue(value, name, false) != 0) return std::nullopt;
    return value;
}

// The log line that names the instance an indication carries.
const char* instanceLineOf(const std::string& indicationClass) {
    if (indicationClass == indicationClassOf(LifeCycleKind::Creation)) return "INSTANCE CREATION : %s = %s";
    if (indicationClass == indicationClassOf(LifeCycleKind::Deletion)) return "INSTANCE DELETION : %s = %s";
    if (indicationClass == indicationClassOf(LifeCycleKind::Modification)) return "INSTANCE MODIFICATION : %s = %s";
    return nullptr;
}

std::string textOf(const CIMInstance& instance, const char* name) {
    const CIMProperty* property = instance.getProperty(name);
    if (property == nullptr) return {};
    const CIMValue<std::string> value = property->getValue<std::string>();
    return value.getValues().empty() ? std::string() : value.getValues().front();
}

bool notifyFacade(FrameworkFacade& facade, const CIMInstance& indication) {
    try {
        return facade.notify(indication);
    } catch (...) {
        return false;
    }
}

}  // namespace

void EventListener::Update(orv::raidlib::PropertyContainer event) {
    LogTrace("Entering EventListener::Update()");
    // The event manager's thread must survive whatever one event does here.
    try {
        handle(event);
    } catch (const CIMException& e) {
        LogMessage(2, "EventListener::Update :: %s", e.getMessage().c_str());
    } catch (const std::exception& e) {
        LogMessage(2, "EventListener::Update :: %s", e.what());
    } catch (...) {
        LogMessage(2, "EventListener::Update :: unexpected failure, event dropped");
    }
    LogTrace("Exiting EventListener::Update()");
}

void EventListener::handle(const PropertyContainer& event) {
    event.print("Vrlib-AEN");
    const bool subscribed = hasSubscription();
    LogMessage(5, "EventListener::Update --> m_subscription = %d", subscribed ? 1 : 0);
    if (!subscribed) {
        LogMessage(4, "*###* Unable to deliver indication since no client subscription present");
        return;
    }
    FrameworkFacade* facade = FrameworkFacade::current();
    const std::optional<AenRecord> aen = AenRecord::read(event);
    // Progress reports carry no event identifier: they become jobs, and the
    // job indications get identifiers of their own.
    const bool identified = aen && (aen->eventId || aen->aenType == VrlEventCode::LrcProgress);
    if (facade == nullptr || !identified) {
        LogMessage(2, "Failed to get FrameworkFacade's singleton instance or Invalid ControllerID/AenType/SnmpID");
        return;
    }
    JobControlManager* jobs = facade->getJobControlManager();
    auto tellJobs = [&](const char* what, auto&& call) {
        if (jobs != nullptr) call(*jobs);
        else LogMessage(2, "EventListener::Update :: no JobControlManager for %s", what);
    };

    CIMInstanceList indications;
    try {
        switch (aen->aenType) {
        case VrlEventCode::DiskAdded:
        case VrlEventCode::VolumeAdded:
        case VrlEventCode::DiskRemoved:
        case VrlEventCode::VolumeRemoved:
        case VrlEventCode::ControllerChanged:
        case VrlEventCode::VolumeChanged:
        case VrlEventCode::DiskChanged:
            addLifeCycle(*aen, event, *facade, indications);
            if (aen->aenType == VrlEventCode::VolumeRemoved && aen->deviceId) {
                // Jobs of a virtual disk that no longer exists can never end.
                tellJobs("expiring the jobs of a deleted virtual disk",
                         [&](JobControlManager& manager) { manager.expireDeviceJobs(aen->contrId, *aen->deviceId); });
            }
            break;
        case VrlEventCode::AlertWithError:
        case VrlEventCode::AlertWithErrorInfo:
        case VrlEventCode::DeviceAlert:
            addAlert(*aen, indications);
            break;
        case VrlEventCode::NotificationLost:
            LogMessage(4, "Firmware CCN lost !!");
            tellJobs("a lost notification",
                     [&](JobControlManager& manager) { manager.ProcessNotificationLostEvent(aen->contrId); });
            addAlert(*aen, indications);
            break;
        case VrlEventCode::LrcProgress:
            LogMessage(4, "LRC Indication !!");
            tellJobs("a progress report", [&](JobControlManager& manager) { manager.queueLRCEvent(event); });
            return;
        case VrlEventCode::ControllerShutdown:
        case VrlEventCode::ControllerFailed:
            tellJobs("a controller shutdown",
                     [&](JobControlManager& manager) { manager.ProcessControllerShutdown(aen->contrId); });
            [[fallthrough]];
        case VrlEventCode::ControllerStateChange:
        case VrlEventCode::ControllerRestarted:
        case VrlEventCode::ControllerReset:
        case VrlEventCode::ControllerRecovered:
            LogMessage(4, "Controller State Change Event received !!");
            addAlert(*aen, indications);
            break;
        case VrlEventCode::UnknownNotification:
            LogMessage(4, "Unknown type CCN received, hence AEN dropped !!");
            return;
        default:
            return;
        }
    } catch (const std::exception&) {
        LogMessage(2, "Failed to create Indication Instance");
        return;
    }
    deliver(indications, *facade);
}

void EventListener::addAlert(const AenRecord& aen, CIMInstanceList& out) {
    if (aen.description.empty()) {
        LogMessage(2, "Empty description property for Alert Indication");
        return;
    }
    try {
        out.push_back(alertIndication(aen));
    } catch (const std::exception&) {
        LogMessage(2, "Failed to generate Alert Indications");
    }
}

void EventListener::addLifeCycle(const AenRecord& aen, const PropertyContainer& event, FrameworkFacade& facade,
                                 CIMInstanceList& out) {
    const bool modification = aen.aenType == VrlEventCode::ControllerChanged ||
                              aen.aenType == VrlEventCode::VolumeChanged || aen.aenType == VrlEventCode::DiskChanged;
    PluginsManager* plugins = PluginsManager::getInstance();
    orv::raidlib::VRLibFacadeIntf* library = facade.getVRLibFacade();
    if (plugins == nullptr || library == nullptr) {
        LogMessage(2, "Failed to get PluginManager's singleton instance or Invalid Device ID");
        return;
    }
    const std::string changeList = modification ? eventValue<std::string>(event, "changeList").value_or("") : "";
    const std::optional<uint32_t> volReserved = aen.aenType == VrlEventCode::VolumeRemoved
                                                    ? eventValue<uint32_t>(event, "volReserved")
                                                    : std::nullopt;
    try {
        generateLifeCycleIndications(aen, changeList, volReserved, *library, *plugins, out);
    } catch (const std::exception&) {
        LogMessage(2, modification ? "Failed to generate LifeCycle(Modify) Indications"
                                   : "Failed to generate LifeCycle(Create/Delete) Indications");
    }
    const std::optional<uint32_t> externalError = eventValue<uint32_t>(event, "externalError");
    if (!externalError || *externalError == kNoExternalError) {
        LogMessage(5, "No Alert indication information associated with this LifeCycle indication");
        return;
    }
    const size_t before = out.size();
    addAlert(aen, out);
    if (out.size() == before) LogMessage(2, "Failed to generate Alert indication due to this LifeCycle indication");
}

void EventListener::deliver(const CIMInstanceList& indications, FrameworkFacade& facade) {
    LogMessage(4, "--> Number of indications to be delivered = %d", static_cast<int>(indications.size()));
    for (const CIMInstance& indication : indications) {
        const std::string& className = indication.getClassName();
        LogMessage(4, "^^^^^^^ To Deliver the following indication ^^^^^^^");
        if (const char* line = instanceLineOf(className))
            LogMessage(4, line, "SourceInstanceModelPath", textOf(indication, "SourceInstanceModelPath").c_str());
        if (notifyFacade(facade, indication))
            LogMessage(4, "Successfully Delivered Indication of classname = %s", className.c_str());
        else
            LogMessage(2, "Failed To Deliver Indication of classname = %s", className.c_str());
    }
}

bool EventListener::deliverJobIndication(const CIMInstance& indication) {
    FrameworkFacade* facade = FrameworkFacade::current();
    if (facade == nullptr || indication.getClassName().empty()) {
        LogMessage(2, "Failed to get FrameworkFacade's singleton instance or Invalid JobIndication instance");
        return false;
    }
    if (!notifyFacade(*facade, indication)) {
        LogMessage(2, "Failed To Deliver Job Indication");
        return false;
    }
    LogMessage(4, "Successfully Delivered Job Indication");
    return true;
}

}  // namespace orv::cim::fwf
