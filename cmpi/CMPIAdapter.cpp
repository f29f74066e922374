#include "CMPIAdapter.h"

#include "AbstractAssociationProviderPlugin.h"
#include "CIMException.h"
#include "CMPIHelper.h"
#include "FrameworkFacade.h"
#include "LocalAdministrators.h"
#include "Logger.h"
#include "OsServices.h"
#include "cmpimacro.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orv::cim::adap::cmpi {

using fwf::AbstractAssociationProviderPlugin;
using fwf::AbstractProviderPlugin;
using fwf::CIMArgumentList;
using fwf::CIMException;
using fwf::CIMInstance;
using fwf::CIMInstanceList;
using fwf::CIMObjectPath;
using fwf::CIMObjectPathList;
using fwf::FrameworkFacade;
using fwf::PropertyNameList;

std::atomic<int> CMPIAdapter::subscriptionCount_{0};
std::atomic<bool> CMPIAdapter::m_subscription{false};

namespace {

// The adapter's life, all guarded by adapterMutex. The mutex lives as long
// as the module, so that a thread arriving during or after the clean-up
// still finds it.
std::mutex adapterMutex;
std::condition_variable usesEnded;
CMPIAdapter* singleton = nullptr;
int usesInFlight = 0;
bool terminated = false;  // set for good by the terminating clean-up

constexpr int kAdapterFailure = 24;
constexpr const char* kPathToFramework = "Failed to convert CMPI ObjectPath to CIM ObjectPath";
constexpr const char* kPathToCmpi = "Failed to convert CIM ObjectPath to CMPI ObjectPath";
constexpr const char* kInstanceToCmpi = "Failed to convert CIM Instance to CMPI Instance";
constexpr const char* kArgumentsToCmpi = "Failed to convert CIM Arguments to CMPI Arguments";

void trace(const std::string& text) { LogTrace(text.c_str()); }

CMPIString* messageOf(const CMPIBroker* broker, const std::string& text) {
    return broker ? broker->eft->newString(broker, text.c_str(), nullptr) : nullptr;
}

void setStatus(CMPIStatus& status, CMPIrc rc, const CMPIBroker* broker, const std::string& text) {
    status.rc = rc;
    status.msg = messageOf(broker, text);
}

// Framework codes that name a CIM status keep their number; the rest are
// plain failures.
CMPIrc cmpiCodeOf(int frameworkCode) {
    return frameworkCode >= 2 && frameworkCode <= 18 ? static_cast<CMPIrc>(frameworkCode)
                                                     : CMPI_RC_ERR_FAILED;
}

// The adapter's own failures: logged, then raised like any framework error.
[[noreturn]] void fail(const char* message, const char* logText = nullptr) {
    LogMessage(2, "%s", logText ? logText : message);
    throw CIMException(kAdapterFailure, message);
}

FrameworkFacade& facade() {
    FrameworkFacade* facade = FrameworkFacade::getInstance();
    if (facade == nullptr) {
        fail("Failed to Create FrameworkFacade Instance", "Failed to create FrameworkFacade instance");
    }
    return *facade;
}

std::string textOf(const char* text) { return text ? text : ""; }

PropertyNameList namesOf(const char** properties) {
    PropertyNameList names;
    for (const char** name = properties; name && *name; ++name) names.emplace_back(*name);
    return names;
}

// The properties a ModifyInstance changes: those the server lists, or with no
// list every property the client sent. Keys name the instance and cannot
// change, so a client that repeats them (OpenPegasus passes every property
// sent) is not refused for it.
PropertyNameList propertiesToModify(const char** properties, const CIMInstance& instance,
                                    const CIMObjectPath& path) {
    PropertyNameList names = namesOf(properties);
    if (properties == nullptr)
        for (const fwf::CIMProperty& property : instance.getProperties()) names.push_back(property.getName());
    auto isKey = [&path](const std::string& name) {
        for (const fwf::CIMKeyBinding& key : path.getKeyBindings())
            if (strcasecmp(key.getName().c_str(), name.c_str()) == 0) return true;
        return false;
    };
    names.erase(std::remove_if(names.begin(), names.end(), isKey), names.end());
    return names;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

CIMObjectPath requestPath(const CMPIObjectPath* op, bool withKeys) {
    return CMPIHelper::CMPIObjectPathToFrameworkObjectPath(op, withKeys);
}

// A framework path in CMPI form for the adapter's own use: a failure is the
// adapter's, not the caller's.
CMPIObjectPath* cmpiPathOf(const CIMObjectPath& path, const CMPIBroker* broker) {
    CMPIObjectPath* converted = nullptr;
    try {
        converted = CMPIHelper::FrameworkObjectPathToCMPIObjectPath(path, broker);
    } catch (const CIMException&) {
        converted = nullptr;
    }
    if (CMIsNullObject(converted)) fail(kPathToCmpi);
    return converted;
}

// One element of a result list in CMPI form, or null when it cannot be
// converted. A type the interface cannot carry at all stops the list.
template <typename Convert>
auto convertElement(Convert&& convert) -> decltype(convert()) {
    try {
        return convert();
    } catch (const CIMException& error) {
        if (error.getCode() == 7) throw;
        return nullptr;
    }
}

}  // namespace

CMPIAdapter::CMPIAdapter() {
    trace("Entering CMPIAdapter::CMPIAdapter()");
    trace("Exiting CMPIAdapter::CMPIAdapter()");
}

CMPIAdapter::~CMPIAdapter() {
    trace("Entering CMPIAdapter::~CMPIAdapter()");
    if (FrameworkFacade* framework = FrameworkFacade::getInstance()) {
        framework->unregisterForEvent();
        framework->deleteSubscription();
        FrameworkFacade::destroyInstance();
    }
    trace("Exiting CMPIAdapter::~CMPIAdapter()");
}

CMPIAdapter* CMPIAdapter::getInstance() {
    std::lock_guard lock(adapterMutex);
    if (terminated) return nullptr;
    if (singleton == nullptr) singleton = new (std::nothrow) CMPIAdapter();
    return singleton;
}

CMPIAdapter::Use CMPIAdapter::acquire() {
    std::lock_guard lock(adapterMutex);
    if (terminated || singleton == nullptr) return Use();
    ++usesInFlight;
    return Use(singleton);
}

CMPIAdapter::Use::~Use() {
    if (adapter_ == nullptr) return;
    bool last = false;
    {
        std::lock_guard lock(adapterMutex);
        last = --usesInFlight == 0;
    }
    if (last) usesEnded.notify_all();
}

void CMPIAdapter::destroy() {
    CMPIAdapter* adapter = nullptr;
    {
        std::unique_lock lock(adapterMutex);
        if (terminated) return;
        terminated = true;
        usesEnded.wait(lock, [] { return usesInFlight == 0; });
        adapter = std::exchange(singleton, nullptr);
    }
    // Outside the lock: the framework's teardown waits for its threads,
    // whose deliveries must be able to see that the adapter is gone.
    delete adapter;
}

bool CMPIAdapter::hasSubscription() { return m_subscription.load(); }

bool CMPIAdapter::initialize() {
    trace("Entering CMPIAdapter initialize()");
    bool initialized = false;
    FrameworkFacade* framework = FrameworkFacade::getInstance();
    if (framework == nullptr) {
        LogMessage(2, "Failed to create FrameworkFacade instance");
    } else if (!framework->registerForEvent(&CMPIAdapter::DeliverIndication)) {
        LogMessage(4, "CALLBACK REGISTRATION UnSuccessful.");
    } else {
        LogMessage(4, "CALLBACK REGISTRATION Successful.");
        if (!framework->initialize()) {
            LogMessage(2, "Failed to initialize FrameworkFacade");
        } else {
            LogMessage(5, "Successfully initialized FrameworkFacade");
            initialized = true;
        }
    }
    trace("Exiting CMPIAdapter initialize()");
    return initialized;
}

template <typename Body>
void CMPIAdapter::serve(const char* operation, const CMPIBroker* broker, CMPIStatus& status,
                        Body&& body) {
    trace(std::string("Entering CMPIAdapter::") + operation);
    try {
        body();
    } catch (const CIMException& error) {
        setStatus(status, cmpiCodeOf(error.getCode()), broker, error.getMessage());
    } catch (...) {
        setStatus(status, CMPI_RC_ERR_FAILED, broker, "Failed : Unknown Error");
    }
    trace(std::string("Exiting CMPIAdapter::") + operation);
}

// ---- Instances --------------------------------------------------------------

void CMPIAdapter::EnumInstanceNames(const CMPIContext*, const CMPIResult* rslt,
                                    const CMPIObjectPath* op, const CMPIBroker* broker,
                                    CMPIStatus& status) {
    serve("EnumInstanceNames", broker, status, [&] {
        const CIMObjectPath path = requestPath(op, false);
        if (path.getClassName().empty()) fail(kPathToFramework);
        LogMessage(5, "CMPIAdapter::EnumInstanceNames ClassName:%s", path.getClassName().c_str());
        CIMObjectPathList names;
        facade().enumerateInstanceNames(path, names);
        ReturnObjectPaths(broker, rslt, names, status);
    });
}

void CMPIAdapter::EnumInstances(const CMPIContext*, const CMPIResult* rslt,
                                const CMPIObjectPath* op, const char** properties,
                                const CMPIBroker* broker, CMPIStatus& status) {
    serve("EnumInstances", broker, status, [&] {
        const CIMObjectPath path = requestPath(op, false);
        if (path.getClassName().empty()) fail(kPathToFramework);
        LogMessage(5, "CMPIAdapter::EnumInstances ClassName:%s", path.getClassName().c_str());
        CIMInstanceList instances;
        facade().enumerateInstances(path, instances);
        ReturnInstances(broker, rslt, properties, instances, status);
    });
}

void CMPIAdapter::GetInstance(const CMPIContext*, const CMPIResult* rslt, const CMPIObjectPath* op,
                              const char** properties, const CMPIBroker* broker,
                              CMPIStatus& status) {
    serve("GetInstance", broker, status, [&] {
        const CIMObjectPath path = requestPath(op, true);
        if (path.getClassName().empty()) fail(kPathToFramework);
        LogMessage(5, "CMPIAdapter::GetInstance ClassName:%s", path.getClassName().c_str());
        CIMInstanceList instances;
        facade().getCIMInstance(path, instances);
        ReturnInstances(broker, rslt, properties, instances, status);
    });
}

// The provider creates and deletes no instances; once the request is
// understood these answer success without changing anything.
void CMPIAdapter::CreateInstance(const CMPIContext*, const CMPIResult* rslt,
                                 const CMPIObjectPath* op, const CMPIInstance*,
                                 const CMPIBroker* broker, CMPIStatus& status) {
    serve("CreateInstance", broker, status, [&] {
        const CIMObjectPath path = requestPath(op, true);
        if (status.rc != CMPI_RC_OK) fail(kPathToFramework);
        LogMessage(5, "CMPIAdapter::CreateInstance ClassName:%s", path.getClassName().c_str());
        facade();
        ReturnInstances(broker, rslt, nullptr, {}, status);
    });
}

void CMPIAdapter::DeleteInstance(const CMPIContext*, const CMPIResult*, const CMPIObjectPath* op,
                                 const CMPIBroker* broker, CMPIStatus& status) {
    serve("DeleteInstance", broker, status, [&] {
        const CIMObjectPath path = requestPath(op, true);
        if (status.rc != CMPI_RC_OK) fail(kPathToFramework);
        LogMessage(5, "CMPIAdapter::DeleteInstance ClassName:%s", path.getClassName().c_str());
        facade();
    });
}

void CMPIAdapter::ModifyInstance(const CMPIContext* ctx, const CMPIResult*,
                                 const CMPIObjectPath* op, const CMPIInstance* instance,
                                 const char** properties, const CMPIBroker* broker,
                                 CMPIStatus& status) {
    serve("ModifyInstance", broker, status, [&] {
        if (!authorize(ctx, broker, status, false)) return;
        const CIMObjectPath path = requestPath(op, true);
        if (status.rc != CMPI_RC_OK) fail(kPathToFramework);
        LogMessage(5, "CMPIAdapter::ModifyInstance ClassName:%s", path.getClassName().c_str());
        CIMInstance modified;
        modified.setObjectPath(path);
        if (!CMPIHelper::CMPIInstanceToFrameworkInstance(instance, modified)) {
            fail("Failed to convert CMPI Instance to CIM Instance");
        }
        FrameworkFacade& framework = facade();
        framework.modifyInstance(path, modified, propertiesToModify(properties, modified, path));
    });
}

// ---- Associations -----------------------------------------------------------

bool CMPIAdapter::narrowResultClass(const char* operation, const CIMObjectPath& path,
                                    const std::string& assocClass, std::string& resultClass,
                                    const CMPIBroker* broker) {
    AbstractProviderPlugin* plugin = facade().getPlugIn(assocClass);
    if (plugin == nullptr) {
        LogMessage(2, "Failed to get plugin for association class");
        return false;
    }
    // A class that is not an association has no endpoints to narrow by.
    auto* association = dynamic_cast<AbstractAssociationProviderPlugin*>(plugin);
    if (association == nullptr) return true;

    const std::string first = association->getFirstEndpointClassName();
    const std::string second = association->getSecondEndpointClassName();
    const std::string& className = path.getClassName();
    bool otherIsSecond = false;
    if (className == first) {
        otherIsSecond = true;
    } else if (className != second) {
        return true;
    }
    const std::string& other = otherIsSecond ? second : first;

    if (other.empty() || resultClass.empty()) return true;
    CMPIObjectPath* otherPath =
        cmpiPathOf(CIMObjectPath(path.getHost(), path.getNameSpace(), other), broker);
    if (!broker->eft->classPathIsA(broker, otherPath, resultClass.c_str(), nullptr)) {
        if (std::string(operation) == "Associators") {
            if (otherIsSecond) {
                LogMessage(5,
                           "******Exiting CMPIAdapter::Associators, AssociationClass = %s "
                           "DependentClass = %s",
                           assocClass.c_str(), second.c_str());
            } else {
                LogMessage(5,
                           "******Exiting CMPIAdapter::Associators, AssociationClass = %s "
                           "AntecedentClass = %s",
                           assocClass.c_str(), first.c_str());
            }
        }
        return false;
    }
    resultClass = lowerCase(other);
    return true;
}

bool CMPIAdapter::passesResultClass(const CIMObjectPath& path, const std::string& resultClass,
                                    const CMPIBroker* broker) {
    CMPIObjectPath* converted = nullptr;
    try {
        converted = CMPIHelper::FrameworkObjectPathToCMPIObjectPath(path, broker);
    } catch (const CIMException&) {
        return false;
    }
    return !CMIsNullObject(converted) && !path.getClassName().empty() &&
           broker->eft->classPathIsA(broker, converted, resultClass.c_str(), nullptr);
}

void CMPIAdapter::Associators(const CMPIContext*, const CMPIResult* rslt, const CMPIObjectPath* op,
                              const char* assocClass, const char* resultClass, const char* role,
                              const char* resultRole, const char** properties,
                              const CMPIBroker* broker, CMPIStatus& status) {
    serve("Associators", broker, status, [&] {
        const CIMObjectPath path = requestPath(op, true);
        if (path.getClassName().empty()) fail(kPathToFramework);
        const std::string association = textOf(assocClass);
        std::string result = textOf(resultClass);
        LogMessage(5, "CMPIAdapter::Associators: From:%s To:%s Tru:%s", path.getClassName().c_str(),
                   result.c_str(), association.c_str());
        if (!narrowResultClass("Associators", path, association, result, broker)) return;

        CIMInstanceList instances;
        facade().associators(path, association, instances, textOf(role), textOf(resultRole), result);
        if (!result.empty()) {
            CIMInstanceList kept;
            for (const CIMInstance& instance : instances) {
                if (passesResultClass(instance.getObjectPath(), result, broker)) kept.push_back(instance);
            }
            instances.swap(kept);
        }
        ReturnInstances(broker, rslt, properties, instances, status);
    });
}

void CMPIAdapter::AssociatorNames(const CMPIContext*, const CMPIResult* rslt,
                                  const CMPIObjectPath* op, const char* assocClass,
                                  const char* resultClass, const char* role,
                                  const char* resultRole, const CMPIBroker* broker,
                                  CMPIStatus& status) {
    serve("AssociatorNames", broker, status, [&] {
        const CIMObjectPath path = requestPath(op, true);
        if (path.getClassName().empty()) fail(kPathToFramework);
        const std::string association = textOf(assocClass);
        std::string result = textOf(resultClass);
        LogMessage(5, "CMPIAdapter::AssociatorNames: From:%s To:%s Tru:%s",
                   path.getClassName().c_str(), result.c_str(), association.c_str());
        if (!narrowResultClass("AssociatorNames", path, association, result, broker)) return;

        CIMObjectPathList names;
        facade().associatorsNames(path, association, names, textOf(role), textOf(resultRole), result);
        if (!result.empty()) {
            CIMObjectPathList kept;
            for (const CIMObjectPath& name : names) {
                if (passesResultClass(name, result, broker)) kept.push_back(name);
            }
            names.swap(kept);
        }
        ReturnObjectPaths(broker, rslt, names, status);
    });
}

void CMPIAdapter::References(const CMPIContext*, const CMPIResult* rslt, const CMPIObjectPath* op,
                             const char* resultClass, const char* role, const char** properties,
                             const CMPIBroker* broker, CMPIStatus& status) {
    serve("References", broker, status, [&] {
        const CIMObjectPath path = requestPath(op, true);
        if (status.rc != CMPI_RC_OK) fail(kPathToFramework);
        const std::string result = textOf(resultClass);
        LogMessage(5, "CMPIAdapter::References: From:%s To:%s ", path.getClassName().c_str(),
                   result.c_str());
        CIMInstanceList instances;
        facade().references(path, result, instances, textOf(role));
        ReturnInstances(broker, rslt, properties, instances, status);
    });
}

void CMPIAdapter::ReferenceNames(const CMPIContext*, const CMPIResult* rslt,
                                 const CMPIObjectPath* op, const char* resultClass,
                                 const char* role, const CMPIBroker* broker, CMPIStatus& status) {
    serve("ReferenceNames", broker, status, [&] {
        const CIMObjectPath path = requestPath(op, true);
        if (status.rc != CMPI_RC_OK) fail(kPathToFramework);
        const std::string result = textOf(resultClass);
        LogMessage(5, "CMPIAdapter::ReferenceNames: From:%s To:%s ", path.getClassName().c_str(),
                   result.c_str());
        CIMObjectPathList names;
        facade().referencesNames(path, result, names, textOf(role));
        ReturnObjectPaths(broker, rslt, names, status);
    });
}

// ---- Methods ----------------------------------------------------------------

void CMPIAdapter::InvokeMethod(const CMPIContext* ctx, const CMPIResult* rslt,
                               const CMPIObjectPath* op, const char* method, const CMPIArgs* in,
                               CMPIArgs* out, const CMPIBroker* broker, CMPIStatus& status) {
    const std::string methodName = textOf(method);
    LogMessage(5, "CMPIAdapter::InvokeMethod:%s", methodName.c_str());
    serve("InvokeMethod", broker, status, [&] {
        // A method always answers: a framework error becomes its return value.
        try {
            if (!authorize(ctx, broker, status, true)) return;
            const CIMObjectPath path = requestPath(op, true);
            if (status.rc != CMPI_RC_OK) fail(kPathToFramework);
            CIMArgumentList inArguments;
            try {
                inArguments = CMPIHelper::CMPIArgsToFrameworkArgs(in, nullptr);
            } catch (const CIMException&) {
                fail("Failed to convert CMPI Arguments to CIM Arguments",
                     "Failed to convert CMPI Args to CIM Args");
            }
            FrameworkFacade& framework = facade();
            CIMArgumentList outArguments;
            CMPIValue returnValue{};
            returnValue.uint32 = framework.invokeMethod(path, methodName, inArguments, outArguments);
            FormArguments(broker, rslt, outArguments, out, status);
            rslt->ft->returnData(rslt, &returnValue, CMPI_uint32);
            rslt->ft->returnDone(rslt);
        } catch (const CIMException& error) {
            CMPIValue returnValue{};
            returnValue.uint32 = static_cast<CMPIUint32>(error.getCode());
            rslt->ft->returnData(rslt, &returnValue, CMPI_uint32);
            rslt->ft->returnDone(rslt);
            setStatus(status, CMPI_RC_ERR_FAILED, broker, error.getMessage());
        }
    });
}

// ---- Delivering results -----------------------------------------------------

void CMPIAdapter::ReturnObjectPaths(const CMPIBroker* broker, const CMPIResult* rslt,
                                    const CIMObjectPathList& paths, CMPIStatus& status) {
    trace("Entering CMPIAdapter::ReturnObjectPaths()");
    for (const CIMObjectPath& path : paths) {
        CMPIObjectPath* converted = nullptr;
        if (status.rc == CMPI_RC_OK) {
            converted = convertElement(
                [&] { return CMPIHelper::FrameworkObjectPathToCMPIObjectPath(path, broker); });
        }
        if (status.rc != CMPI_RC_OK || CMIsNullObject(converted)) {
            LogMessage(2, "%s", kPathToCmpi);
            setStatus(status, CMPI_RC_ERR_FAILED, broker, kPathToCmpi);
            continue;
        }
        rslt->ft->returnObjectPath(rslt, converted);
    }
    rslt->ft->returnDone(rslt);
    trace("Exiting CMPIAdapter::ReturnObjectPaths()");
}

void CMPIAdapter::ReturnInstances(const CMPIBroker* broker, const CMPIResult* rslt,
                                  const char** properties, const CIMInstanceList& instances,
                                  CMPIStatus& status) {
    trace("Entering CMPIAdapter::ReturnInstances()");
    for (const CIMInstance& instance : instances) {
        CMPIInstance* converted = nullptr;
        if (status.rc == CMPI_RC_OK) {
            converted = convertElement([&] {
                return CMPIHelper::FrameworkInstanceToCMPIInstance(instance, broker, properties);
            });
        }
        if (status.rc != CMPI_RC_OK || CMIsNullObject(converted)) {
            LogMessage(2, "%s", kInstanceToCmpi);
            setStatus(status, CMPI_RC_ERR_FAILED, broker, kInstanceToCmpi);
            continue;
        }
        rslt->ft->returnInstance(rslt, converted);
    }
    rslt->ft->returnDone(rslt);
    trace("Exiting CMPIAdapter::ReturnInstances()");
}

void CMPIAdapter::FormArguments(const CMPIBroker* broker, const CMPIResult*,
                                const CIMArgumentList& arguments, CMPIArgs* out,
                                CMPIStatus& status) {
    trace("Entering CMPIAdapter::FormArguments()");
    if (!arguments.empty()) {
        if (!CMIsNullObject(out)) CMPIHelper::FrameworkArgsToCMPIArgs(arguments, out, broker);
        if (CMIsNullObject(out) || status.rc != CMPI_RC_OK) {
            LogMessage(2, "%s", kArgumentsToCmpi);
            setStatus(status, CMPI_RC_ERR_FAILED, broker, kArgumentsToCmpi);
        }
    }
    trace("Exiting CMPIAdapter::FormArguments()");
}

// ---- Rights -------------------------------------------------------------------

bool CMPIAdapter::isAdministrator(const std::string& userName, const std::string& serverName) {
    return isLocalAdministrator(userName, serverName);
}

namespace {

constexpr const char* kNoPrincipalEntry = "Failed to get context entry type CMPIPrinciple";
constexpr const char* kNoUserChars = "Failed to get CharsPtr from string username";

// The user the server authenticated, or an empty name when it
// authenticated nobody: with authentication off SFCB passes a principal
// whose characters are NULL, and a server may leave the entry out. With
// authentication on, every server names the user, so an empty name never
// lets an unauthenticated caller past a server that checks. Nothing when
// the context cannot be read, so that the request is refused.
std::optional<std::string> principalOf(const CMPIContext* ctx, const char*& failure) {
    if (CMIsNullObject(ctx)) {
        failure = kNoPrincipalEntry;
        return std::nullopt;
    }
    CMPIStatus rc{CMPI_RC_OK, nullptr};
    const CMPIData entry = ctx->ft->getEntry(ctx, CMPIPrincipal, &rc);
    if (rc.rc == CMPI_RC_ERR_NO_SUCH_PROPERTY ||
        (rc.rc == CMPI_RC_OK && ((entry.state & CMPI_notFound) != 0 || entry.type == CMPI_null))) {
        return std::string();
    }
    if (rc.rc != CMPI_RC_OK) {
        failure = kNoPrincipalEntry;
        return std::nullopt;
    }
    if ((entry.state & CMPI_nullValue) != 0) return std::string();
    const char* user = nullptr;
    if (entry.type == CMPI_chars) {
        user = entry.value.chars;
    } else if (entry.type == CMPI_string) {
        if (entry.value.string != nullptr) {
            user = entry.value.string->ft->getCharPtr(entry.value.string, &rc);
        }
    } else {
        rc.rc = CMPI_RC_ERR_TYPE_MISMATCH;
    }
    if (rc.rc != CMPI_RC_OK) {
        failure = kNoUserChars;
        return std::nullopt;
    }
    return std::string(user ? user : "");
}

}  // namespace

bool CMPIAdapter::authorize(const CMPIContext* ctx, const CMPIBroker* broker, CMPIStatus& status,
                            bool logIdentity) {
    char hostName[256] = {};
    OsGetHostName(hostName, sizeof hostName);
    const std::string serverName = std::string("\\\\") + hostName;

    const char* failure = nullptr;
    const std::optional<std::string> user = principalOf(ctx, failure);
    if (!user) {
        setStatus(status, CMPI_RC_ERR_FAILED, broker, failure);
        return false;
    }
    if (logIdentity) LogMessage(5, "UserName = %s, HostName = %s", user->c_str(), serverName.c_str());
    if (user->empty() || isAdministrator(*user, serverName)) return true;
    setStatus(status, CMPI_RC_ERR_ACCESS_DENIED, broker,
              *user + " : is not a member of Administrator/root");
    return false;
}

// ---- Indications ----------------------------------------------------------------

void CMPIAdapter::EnableIndications(const CMPIContext*, const CMPIBroker*, CMPIStatus&) {
    trace("Entering CMPIAdapter::EnableIndications");
    if (subscriptionCount_.fetch_add(1) + 1 == 1) {
        m_subscription.store(true);
        orv::cim::fwf::FrameworkFacade::setSubscription(true);
    }
    LogMessage(5, "CMPIAdapter::EnableIndications --> m_subscription = %d",
               m_subscription.load() ? 1 : 0);
    trace("Exiting CMPIAdapter::EnableIndications");
}

void CMPIAdapter::DisableIndications(const CMPIContext*, const CMPIBroker*, CMPIStatus&) {
    trace("Entering CMPIAdapter::DisableIndications");
    if (subscriptionCount_.fetch_sub(1) - 1 == 0) {
        m_subscription.store(false);
        orv::cim::fwf::FrameworkFacade::setSubscription(false);
    }
    trace("Exiting CMPIAdapter::DisableIndications");
}

void CMPIAdapter::ActivateFilter(const CMPIContext* ctx, const CMPISelectExp*, const char*,
                                 const CMPIObjectPath*, bool, const CMPIBroker* broker,
                                 CMPIStatus&) {
    trace("Entering CMPIAdapter::ActivateFilter");
    {
        std::lock_guard lock(indicationMutex_);
        // A prepared context lives until a thread detaches from it, and the
        // deliveries only prepare their own from it: one serves every
        // activation, where one each would be kept by the broker for good.
        const bool prepared = threadContext_ != nullptr && threadContext_ != savedContext_;
        savedContext_ = ctx;
        broker_ = broker;
        if (!prepared) {
            CMPIContext* fresh = broker ? broker->bft->prepareAttachThread(broker, ctx) : nullptr;
            threadContext_ = fresh ? fresh : const_cast<CMPIContext*>(ctx);
        }
    }
    trace("Exiting CMPIAdapter::ActivateFilter");
}

void CMPIAdapter::DeActivateFilter(const CMPIContext*, const CMPISelectExp*, const char*,
                                   const CMPIObjectPath*, bool, const CMPIBroker*, CMPIStatus&) {
    trace("Entering CMPIAdapter::DeActivateFilter");
    trace("Exiting CMPIAdapter::DeActivateFilter");
}

bool CMPIAdapter::DeliverIndication(const CIMInstance& indication) {
    trace("Entering CMPIAdapter::DeliverIndication()");
    try {
        const Use adapter = acquire();
        if (!adapter) {
            LogMessage(2, "Failed to get CMPIAdapter singleton instance");
            return false;
        }
        if (subscriptionCount_.load() == 0) {
            LogMessage(5, "No subscription to service indications");
            return true;
        }
        const CMPIContext* savedContext = nullptr;
        const CMPIBroker* broker = nullptr;
        CMPIContext* threadContext = nullptr;
        {
            std::lock_guard lock(adapter->indicationMutex_);
            savedContext = adapter->savedContext_;
            broker = adapter->broker_;
            threadContext = adapter->threadContext_;
        }
        if (broker == nullptr || savedContext == nullptr) {
            LogMessage(2, "NULL broker or context");
            return false;
        }
        if (threadContext == savedContext) {
            LogMessage(5, "Could not deliver indication");
            LogMessage(5, "#***#Thread Context not equal to Original Context");
            return false;
        }
        // Everything a thread makes while attached belongs to the context it
        // attached with and is freed when it detaches. The event thread
        // delivers for the life of the provider, so each delivery attaches
        // with a context of its own and detaches on every way out; attached
        // once for good, it would keep every indication it ever converted.
        CMPIContext* deliveryContext = broker->bft->prepareAttachThread(broker, threadContext);
        if (deliveryContext == nullptr || broker->bft->attachThread(broker, deliveryContext).rc != CMPI_RC_OK) {
            LogMessage(2, "Failed to attach context to new thread");
            return false;
        }
        struct Detach {
            const CMPIBroker* broker;
            CMPIContext* context;
            ~Detach() { broker->bft->detachThread(broker, context); }
        } detach{broker, deliveryContext};
        CMPIInstance* converted = nullptr;
        try {
            converted = CMPIHelper::FrameworkInstanceToCMPIInstance(indication, broker, nullptr);
        } catch (const CIMException&) {
            converted = nullptr;
        }
        if (CMIsNullObject(converted)) {
            LogMessage(2, "Failed to convert CMPI Instance to Framework Instance");
            return false;
        }
        const std::string nameSpace = indication.getNameSpace();
        if (broker->bft->deliverIndication(broker, deliveryContext, nameSpace.c_str(), converted).rc !=
            CMPI_RC_OK) {
            LogMessage(2, "Failed to deliver indication");
            return false;
        }
        return true;
    } catch (...) {
        LogMessage(2, "Failed to deliver indication");
        return false;
    }
}

}  // namespace orv::cim::adap::cmpi
