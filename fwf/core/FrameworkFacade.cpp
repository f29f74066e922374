#include "FrameworkFacade.h"

#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "CIMException.h"
#include "EventListener.h"
#include "InstanceKeys.h"
#include "JobControlManager.h"
#include "Logger.h"
#include "PluginsManager.h"
#include "VRLibFacadeIntf.h"

namespace orv::cim::fwf {

namespace {

constexpr uint32_t kNoControllersFound = 0x10000003;
constexpr uint32_t kLibraryVersionMismatch = 0x10000010;
constexpr const char* kDestructorName = "orv::cim::fwf::FrameworkFacade::~FrameworkFacade";

// Lives as long as the module, so that the facade can be built again after a
// destruction (a CIM server that reloads the provider, a test).
std::mutex facadeMutex;
std::atomic<FrameworkFacade*> singleton{nullptr};
// Written by initialize, registerForEvent and destruction; read by request,
// event and job threads.
std::atomic<DeliverIndicationCallback> deliverIndication{nullptr};
std::atomic<orv::raidlib::VRLibFacadeIntf*> raidLibrary{nullptr};
std::atomic<orv::raidlib::VRLibFacadeIntf*> raidLibraryForTesting{nullptr};
std::atomic<JobControlManager*> jobControlManager{nullptr};

EventListener* findEventListener() { return EventListener::getInstance(); }
JobControlManager* findJobControlManager() { return JobControlManager::getInstance(); }

orv::raidlib::VRLibFacadeIntf* obtainRaidLibrary() {
    if (auto* substitute = raidLibraryForTesting.load(std::memory_order_acquire)) return substitute;
    return orv::raidlib::getVRLibFacade();
}

struct Dispatch {
    const char* entering;       // trace lines on the way in and out
    const char* exiting;
    const char* qualifiedName;  // the facade operation, for log lines and messages
    bool plainInternalError;    // a missing manager raises "Internal Error."
};

// The names of one facade operation, put together by the compiler: every
// request passes here, and its trace lines are filtered out in service.
#define ORV_FACADE_OPERATION(traceName, operation, plainInternalError)                                  \
    Dispatch {                                                                                          \
        "Entering FrameworkFacade " traceName "()", "Exiting FrameworkFacade " traceName "()",          \
            "orv::cim::fwf::FrameworkFacade::" operation, plainInternalError                             \
    }

// The shape every request takes: find the plugin of the class, call it, log
// and pass on what it throws. No plugin means an empty answer, not an error.
template <typename Operate, typename BeforeLookup>
void dispatch(const Dispatch& names, const std::string& className, Operate&& operate, BeforeLookup&& beforeLookup) {
    LogTrace(names.entering);
    beforeLookup();
    PluginsManager* manager = PluginsManager::getInstance();
    if (manager == nullptr) {
        LogMessage(2, "%s :: Failed to retrieve PluginManager handle.", names.qualifiedName);
        if (names.plainInternalError) throw CIMException(1, std::string("Internal Error."));
        throw CIMException(1, "%s :: Failed to retrieve PluginManager handle.", names.qualifiedName);
    }
    if (AbstractProviderPlugin* plugin = manager->getPlugin(className)) {
        try {
            operate(*plugin);
        } catch (const CIMException& e) {
            LogMessage(2, "%s :: %s", names.qualifiedName, e.getMessage().c_str());
            throw;
        }
    }
    LogTrace(names.exiting);
}

template <typename Operate>
void dispatch(const Dispatch& names, const std::string& className, Operate&& operate) {
    dispatch(names, className, std::forward<Operate>(operate), [] {});
}

// The instance the request's path names, from what the plugin selected for
// it. Plugins select by part of one key, so a path with a wrong or missing
// key would otherwise reach another object; CIM wants exactly that instance
// or CIM_ERR_NOT_FOUND.
[[noreturn]] void noSuchInstance(const CIMObjectPath& path) {
    throw CIMException(6, "No instance is named %s", path.toString().c_str());
}

CIMInstance namedInstance(AbstractProviderPlugin& plugin, const CIMObjectPath& path) {
    CIMInstanceList selected;
    plugin.getCIMInstance(path, selected);
    for (CIMInstance& instance : selected) {
        if (keysNameInstance(path, instance.getObjectPath())) return std::move(instance);
    }
    noSuchInstance(path);
}

}  // namespace

FrameworkFacade::FrameworkFacade() { LogTrace("Entering FrameworkFacade::FrameworkFacade()"); }

FrameworkFacade* FrameworkFacade::getInstance() {
    // Every request and many plugin calls pass here; only the creation is
    // worth a log line.
    if (FrameworkFacade* existing = singleton.load(std::memory_order_acquire)) return existing;
    LogMessage(5, "Entering FrameworkFacade getInstance()");
    FrameworkFacade* created = nullptr;
    {
        std::lock_guard<std::mutex> lock(facadeMutex);
        created = singleton.load(std::memory_order_acquire);
        if (created == nullptr) {
            created = new (std::nothrow) FrameworkFacade();
            singleton.store(created, std::memory_order_release);
        }
    }
    LogMessage(5, "Unlocked the mutex object");
    if (created == nullptr) {
        LogMessage(5, "ERROR : Insufficient Memory : FrameworkFacade::getInstance");
        return nullptr;
    }
    LogMessage(5, "Returning successfully formed FrameworkFacade singleton object");
    return created;
}

FrameworkFacade* FrameworkFacade::current() { return singleton.load(std::memory_order_acquire); }

void FrameworkFacade::destroyInstance() {
    FrameworkFacade* facade = nullptr;
    {
        std::lock_guard<std::mutex> lock(facadeMutex);
        facade = singleton.exchange(nullptr, std::memory_order_acq_rel);
    }
    delete facade;
}

void FrameworkFacade::setVRLibFacadeForTesting(orv::raidlib::VRLibFacadeIntf* facade) {
    raidLibraryForTesting.store(facade, std::memory_order_release);
}

bool FrameworkFacade::initialize() {
    LogTrace("Entering FrameworkFacade initialize()");
    bool selective = false;
    orv::raidlib::VRLibFacadeIntf* library = obtainRaidLibrary();
    raidLibrary.store(library, std::memory_order_release);
    if (library == nullptr) {
        LogMessage(4, "FrameworkFacade :: Failed to get VRLFacade instance");
        return false;
    }
    const uint32_t status = library->initialize("SMIS");
    LogMessage(2, "FrameworkFacade :: Vrlib initialisation failed with status = %d", static_cast<int>(status));
    if (status == kNoControllersFound) {
        LogMessage(2, "FrameworkFacade :: Vrlib initialisation suceeded but No Controllers found !!. ");
        LogMessage(4, "FrameworkFacade :: Switching to no controller scenario. ");
        selective = true;
    } else if (status == kLibraryVersionMismatch) {
        LogMessage(2, "FrameworkFacade :: Provider and Vrlib C Version Mismatch. ");
        LogMessage(4, "FrameworkFacade :: Switching to no controller scenario. ");
        selective = true;
    } else if (status == 0) {
        LogMessage(4, "FrameworkFacade :: Vrlib initialisation suceeded and Controllers found !!. ");
        if (createSubscription()) {
            LogMessage(5, "CMPIAdapter : Provider Initialized successfully");
        } else {
            LogMessage(2, "CMPIAdapter : createSubscription failed");
        }
    }
    LogMessage(4, "%s :: Vrlib initialized successfully ", "orv::cim::fwf::FrameworkFacade::initialize");

    PluginsManager* manager = PluginsManager::getInstance();
    if (manager == nullptr) {
        LogMessage(2, "Failed to create PluginsManager instance");
        LogTrace("Exiting FrameworkFacade initialize()");
        return false;
    }
    LogMessage(4, "SELECTIVE INITIALIZATION ? %d.", selective ? 1 : 0);
    if (!manager->initialize(selective)) {
        LogMessage(2, "Failed to initialize PluginsManager");
        LogTrace("Exiting FrameworkFacade initialize()");
        return false;
    }
    LogMessage(5, "FrameworkFacade : Provider Initialized successfully");

    JobControlManager* jobs = findJobControlManager();
    jobControlManager.store(jobs, std::memory_order_release);
    if (jobs == nullptr) {
        LogMessage(2, "Failed to create JobControlManager instance");
    } else if (!jobs->initialize()) {
        LogMessage(2, "Failed to initialize JobControlManager");
    }
    LogTrace("Exiting FrameworkFacade initialize()");
    return true;
}

bool FrameworkFacade::registerForEvent(DeliverIndicationCallback callback) {
    LogTrace("Entering FrameworkFacade registerForEvent()");
    if (callback == nullptr) {
        LogMessage(2, "_deliverIndication is NULL.");
        LogTrace("Exiting FrameworkFacade registerForEvent()");
        return false;
    }
    deliverIndication.store(callback, std::memory_order_release);
    LogMessage(4, "CALLBACK REGISTRATION Successful.");
    LogTrace("Exiting FrameworkFacade registerForEvent()");
    return true;
}

void FrameworkFacade::unregisterForEvent() {
    LogTrace("Entering FrameworkFacade registerForEvent()");
    deliverIndication.store(nullptr, std::memory_order_release);
    LogTrace("Exiting FrameworkFacade registerForEvent()");
}

bool FrameworkFacade::createSubscription() {
    LogTrace("Entering FrameworkFacade createSubscription()");
    bool attached = false;
    EventListener* listener = findEventListener();
    orv::raidlib::VRLibFacadeIntf* library = raidLibrary.load(std::memory_order_acquire);
    if (listener == nullptr) {
        LogMessage(2, "FrameworkFacade::createSubscription -> Failed to get EventListener singleton object");
    } else if (library == nullptr || !listener->attach(*library)) {
        LogMessage(2, "FrameworkFacade::createSubscription -> Failed To Attach Observer with VRLIB");
    } else {
        LogMessage(5, "FrameworkFacade::createSubscription -> Successfully Attached Observer with VRLIB");
        attached = true;
    }
    LogTrace("Exiting FrameworkFacade createSubscription()");
    return attached;
}

void FrameworkFacade::deleteSubscription() {
    LogTrace("Entering FrameworkFacade deleteSubscription()");
    EventListener* listener = findEventListener();
    if (listener == nullptr) {
        LogMessage(2, "FrameworkFacade::deleteSubscription -> Failed to get EventListener singleton object");
    } else if (!listener->detach()) {
        LogMessage(2, "FrameworkFacade::deleteSubscription -> Failed To Detach Observer with VRLIB");
    } else {
        LogMessage(5, "FrameworkFacade::deleteSubscription -> Successfully Detached Observer with VRLIB");
    }
    LogTrace("Exiting FrameworkFacade deleteSubscription()");
}

void FrameworkFacade::setSubscription(bool subscribed) { EventListener::setSubscription(subscribed); }

bool FrameworkFacade::notify(CIMInstance indication) {
    LogTrace("Entering FrameworkFacade notify()");
    const DeliverIndicationCallback deliver = deliverIndication.load(std::memory_order_acquire);
    bool delivered = false;
    if (deliver != nullptr) {
        delivered = deliver(indication);
        if (delivered) {
            LogMessage(5, "FrameworkFacade::notify -> Successfully Delivered Indication");
        } else {
            LogMessage(2, "FrameworkFacade::notify -> Failed To Deliver Indication");
        }
    }
    LogTrace("Exiting FrameworkFacade notify()");
    return delivered;
}

AbstractProviderPlugin* FrameworkFacade::getPlugIn(const std::string& className) {
    LogTrace("Entering FrameworkFacade getPlugIn()");
    PluginsManager* manager = PluginsManager::getInstance();
    if (manager == nullptr) {
        LogMessage(2, "Failed to get PlugManager Object");
        throw CIMException(1, std::string("Failed to get PlugManager Object"));
    }
    AbstractProviderPlugin* plugin = manager->getPlugin(className);
    LogTrace("Exiting FrameworkFacade getPlugIn()");
    return plugin;
}

void FrameworkFacade::enumerateInstanceNames(CIMObjectPath path, CIMObjectPathList& out) {
    dispatch(ORV_FACADE_OPERATION("enumerateInstanceNames", "enumerateInstanceNames", true),
             path.getClassName(), [&](AbstractProviderPlugin& plugin) { plugin.enumerateInstanceNames(path, out); });
}

void FrameworkFacade::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    dispatch(ORV_FACADE_OPERATION("enumerateInstances", "enumerateInstances", false),
             path.getClassName(), [&](AbstractProviderPlugin& plugin) { plugin.enumerateInstances(path, out); });
}

void FrameworkFacade::enumerateInstanceNamesOfSystem(CIMObjectPath path, const std::string& systemName,
                                                     CIMObjectPathList& out) {
    dispatch(ORV_FACADE_OPERATION("enumerateInstanceNames", "enumerateInstanceNames", true),
             path.getClassName(),
             [&](AbstractProviderPlugin& plugin) { plugin.enumerateInstanceNamesOfSystem(path, systemName, out); });
}

void FrameworkFacade::enumerateInstancesOfSystem(CIMObjectPath path, const std::string& systemName,
                                                 const PropertyNameList* nonKeysRead, CIMInstanceList& out) {
    dispatch(ORV_FACADE_OPERATION("enumerateInstances", "enumerateInstances", false), path.getClassName(),
             [&](AbstractProviderPlugin& plugin) {
                 plugin.enumerateInstancesOfSystem(path, systemName, nonKeysRead, out);
             });
}

void FrameworkFacade::getCIMInstance(CIMObjectPath path, CIMInstanceList& out) {
    bool served = false;
    dispatch(ORV_FACADE_OPERATION("getCIMInstance", "getCIMInstance", false), path.getClassName(),
             [&](AbstractProviderPlugin& plugin) {
                 out.push_back(namedInstance(plugin, path));
                 served = true;
             });
    // A class this provider does not serve names no instance either.
    if (!served) noSuchInstance(path);
}

void FrameworkFacade::modifyInstance(CIMObjectPath path, CIMInstance instance,
                                     const PropertyNameList& propertyNames) {
    dispatch(ORV_FACADE_OPERATION("modifyInstance", "modifyInstance", false), path.getClassName(),
             [&](AbstractProviderPlugin& plugin) {
                 namedInstance(plugin, path);
                 plugin.modifyInstance(path, instance, propertyNames);
             });
}

void FrameworkFacade::associators(CIMObjectPath path, const std::string& associationClass, CIMInstanceList& out,
                                  const std::string& role, const std::string& resultRole,
                                  const std::string& resultClass) {
    dispatch(
        ORV_FACADE_OPERATION("associators", "associators", false), associationClass,
        [&](AbstractProviderPlugin& plugin) {
            plugin.associators(path, associationClass, out, role, resultRole, resultClass);
        },
        [&] {
            LogMessage(5, "################ FrameworkFacade::associators() ######################");
            LogMessage(5, "LHS ObjectPath = %s", path.toString().c_str());
            LogMessage(5, "AssociationClass Name = %s", associationClass.c_str());
            LogMessage(5, "RHS resultClass = %s", resultClass.c_str());
            LogMessage(5, "Role = %s", role.c_str());
            LogMessage(5, "ResultRole = %s", resultRole.c_str());
            LogMessage(5, "######################################################################");
        });
}

void FrameworkFacade::associatorsNames(CIMObjectPath path, const std::string& associationClass,
                                       CIMObjectPathList& out, const std::string& role,
                                       const std::string& resultRole, const std::string& resultClass) {
    dispatch(ORV_FACADE_OPERATION("associatorNames", "associatorsNames", false), associationClass,
             [&](AbstractProviderPlugin& plugin) {
                 plugin.associatorNames(path, associationClass, out, role, resultRole, resultClass);
             });
}

void FrameworkFacade::references(CIMObjectPath path, const std::string& resultClass, CIMInstanceList& out,
                                 const std::string& role) {
    dispatch(ORV_FACADE_OPERATION("references", "references", false), resultClass,
             [&](AbstractProviderPlugin& plugin) { plugin.references(path, resultClass, out, role); });
}

void FrameworkFacade::referencesNames(CIMObjectPath path, const std::string& resultClass, CIMObjectPathList& out,
                                      const std::string& role) {
    dispatch(ORV_FACADE_OPERATION("referenceNames", "referencesNames", false), resultClass,
             [&](AbstractProviderPlugin& plugin) { plugin.referencesNames(path, resultClass, out, role); });
}

uint32_t FrameworkFacade::invokeMethod(CIMObjectPath path, const std::string& methodName,
                                       const CIMArgumentList& in, CIMArgumentList& out) {
    uint32_t result = 0;
    dispatch(ORV_FACADE_OPERATION("invokeMethod", "invokeMethod", false), path.getClassName(),
             [&](AbstractProviderPlugin& plugin) {
                 // A method on an instance needs that instance; one on the class does not.
                 if (!path.getKeyBindings().empty()) namedInstance(plugin, path);
                 result = plugin.invokeMethod(path, methodName, in, out);
             });
    return result;
}

orv::raidlib::VRLibFacadeIntf* FrameworkFacade::getVRLibFacade() const {
    return raidLibrary.load(std::memory_order_acquire);
}

JobControlManager* FrameworkFacade::getJobControlManager() const {
    return jobControlManager.load(std::memory_order_acquire);
}

FrameworkFacade::~FrameworkFacade() {
    LogTrace("Entering FrameworkFacade::~FrameworkFacade()");
    // The listener is detached first: detaching waits for an Update in
    // progress, which may still be asking the plugins for the instances it
    // indicates or handing reports to the jobs. The job threads then stop
    // while the listener they deliver through still exists, and only then
    // do the listener and the plugins go.
    EventListener* listener = findEventListener();
    if (listener == nullptr) {
        LogMessage(2, "%s :: Failed to get EventListener instance", kDestructorName);
    } else {
        listener->detach();
    }
    if (jobControlManager.exchange(nullptr, std::memory_order_acq_rel) == nullptr) {
        LogMessage(2, "%s :: Failed to get JobControlManager instance", kDestructorName);
    } else {
        LogMessage(5, "Just Before JobControlManager::JOB_THREAD_EXITING = TRUE;");
        JobControlManager::destroyInstance();
        LogMessage(5, "Just After JobControlManager::JOB_THREAD_EXITING = TRUE;");
    }
    if (listener != nullptr) EventListener::destroyInstance();
    deliverIndication.store(nullptr, std::memory_order_release);
    if (PluginsManager::getInstance() == nullptr) {
        LogMessage(2, "~FrameworkFacade :: Failed to get PluginsManager instance");
    } else {
        PluginsManager::destroyInstance();
    }
    if (orv::raidlib::VRLibFacadeIntf* library = raidLibrary.exchange(nullptr, std::memory_order_acq_rel)) {
        if (library->terminate() != 0) LogMessage(2, "FrameworkFacade :: Failed to terminate VRLib library");
    } else {
        LogMessage(2, "FrameworkFacade :: Failed to retrieve VRLib instance.");
    }
    LogTrace("Exiting ~FrameworkFacade()");
}

}  // namespace orv::cim::fwf
