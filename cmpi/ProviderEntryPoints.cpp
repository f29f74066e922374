// The module's face toward the CIM server: the four factories it looks up
// by name, the MI tables they hand out, one-time start-up and the clean-up
// policy. Every MI function checks its arguments and forwards to the
// adapter; none of them throws.
#include "CMPIAdapter.h"
#include "Logger.h"
#include "PluginsManager.h"
#include "ProviderPluginCatalogue.h"
#include "cmpimacro.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

using orv::cim::adap::cmpi::CMPIAdapter;

namespace {

// The broker of the latest factory call; every status message is made with it.
std::atomic<const CMPIBroker*> providerBroker{nullptr};
// Start-up and shutdown each happen once per load. A server may call the
// factories, or the clean-ups, on several threads; the lock makes the
// second caller wait for the first to finish rather than race it.
std::mutex lifecycleMutex;
bool initialized = false;
bool cleanupDone = false;

constexpr const char* kInvalidParameters = "The input parameters are invalid";
constexpr const char* kNoAdapter = "Failed to get CMPIAdapter singleton instance";

void trace(const std::string& text) { LogTrace(text.c_str()); }

// Traces the entry into an MI function and, on every way out, its exit.
class TracedCall {
public:
    explicit TracedCall(const char* name) : name_(name) {
        trace("Entering CMPIMI " + name_ + "()");
    }
    ~TracedCall() { trace("Exiting CMPIMI " + name_ + "()"); }
    TracedCall(const TracedCall&) = delete;
    TracedCall& operator=(const TracedCall&) = delete;

private:
    std::string name_;
};

CMPIStatus statusOf(CMPIrc rc, const char* text = nullptr) {
    const CMPIBroker* broker = providerBroker.load();
    CMPIStatus status{rc, nullptr};
    if (text != nullptr && broker != nullptr) status.msg = broker->eft->newString(broker, text, nullptr);
    return status;
}

template <typename Encapsulated>
bool present(const Encapsulated* object) {
    return !CMIsNullObject(object);
}
bool present(const char* text) { return text != nullptr && *text != '\0'; }

template <typename... Arguments>
bool allPresent(const void* mi, const Arguments*... arguments) {
    return mi != nullptr && (present(arguments) && ...);
}

CMPIStatus invalidParameters() {
    LogMessage(5, "%s", kInvalidParameters);
    return statusOf(CMPI_RC_ERR_INVALID_PARAMETER, kInvalidParameters);
}

// Steps shared by every forwarding MI function once its arguments passed.
template <typename Operation>
CMPIStatus forward(const char* operationName, Operation&& operation) {
    // Held until the operation returns, so a clean-up on another thread
    // waits for it rather than freeing the adapter under it.
    const CMPIAdapter::Use adapter = CMPIAdapter::acquire();
    if (!adapter) {
        LogMessage(1, "%s", kNoAdapter);
        return statusOf(CMPI_RC_ERR_FAILED, kNoAdapter);
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    operation(*adapter, providerBroker.load(), status);
    if (status.rc != CMPI_RC_OK) {
        LogMessage(2, "%s operation failed,%srefer previous log lines for reason", operationName,
                   std::string(17, ' ').c_str());
    }
    return status;
}

void OrvInitialize() {
    trace("Entering CMPIMI OrvInitialize()");
    std::lock_guard lock(lifecycleMutex);
    if (initialized) {
        LogMessage(5, "Provider Initialization already done");
        trace("Exiting CMPIMI OrvInitialize()");
        return;
    }
    if (LogInitialize("SMIS", "SMIS") != 0) {
        std::fputs("Failed to enable Logging ... Continuing without Logging\n", stdout);
        std::fflush(stdout);
    }
    trace("Entering CMPIMI OrvInitialize()");
    // The framework knows its plugin classes only from the library that
    // links both, and must know them before it registers any.
    orv::cim::fwf::PluginsManager::setPluginCatalogue(&orv::cim::fwf::providerPluginCatalogue());
    CMPIAdapter* adapter = CMPIAdapter::getInstance();
    if (adapter == nullptr) {
        LogMessage(2, "Failed to create CMPIAdapter instance");
    } else if (!adapter->initialize()) {
        LogMessage(2, "Failed to initialize CMPIAdapter");
    } else {
        LogMessage(5, "CMPIMI : Provider Initialized successfully");
    }
    initialized = true;
    trace("Exiting CMPIMI OrvInitialize()");
}

// The server asks to unload an idle provider when terminating is false; the
// provider never agrees, because the RAID library and its event thread
// stay up for the life of the server. On shutdown it tears down once.
CMPIStatus cleanup(const char* name, const void* mi, const CMPIContext* ctx, CMPIBoolean terminating) {
    TracedCall call(name);
    if (!terminating) {
        trace("CleanUp routein called due to inactivity of provider and zero indication subscription");
        trace("Preventing provider from unloading this time");
        return CMPIStatus{CMPI_RC_DO_NOT_UNLOAD, nullptr};
    }
    trace("CleanUp routein called due to cimserver shutdown");
    std::lock_guard lock(lifecycleMutex);
    if (cleanupDone) {
        LogMessage(5, "Provider CleanUp already done");
        return CMPIStatus{CMPI_RC_OK, nullptr};
    }
    if (mi == nullptr || !present(ctx)) LogMessage(5, "%s", kInvalidParameters);
    CMPIAdapter::destroy();
    LogTerminate();
    cleanupDone = true;
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

// ---- Instance MI ---------------------------------------------------------------

CMPIStatus OrvCmpiMICleanup(CMPIInstanceMI* mi, const CMPIContext* ctx, CMPIBoolean terminating) {
    return cleanup("OrvCmpiMICleanup", mi, ctx, terminating);
}

CMPIStatus OrvCmpiMIEnumInstanceNames(CMPIInstanceMI* mi, const CMPIContext* ctx,
                                      const CMPIResult* rslt, const CMPIObjectPath* op) {
    TracedCall call("OrvCmpiMIEnumInstanceNames");
    if (!allPresent(mi, ctx, rslt, op)) return invalidParameters();
    return forward("EnumInstanceNames", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.EnumInstanceNames(ctx, rslt, op, broker, status);
    });
}

CMPIStatus OrvCmpiMIEnumInstances(CMPIInstanceMI* mi, const CMPIContext* ctx, const CMPIResult* rslt,
                                  const CMPIObjectPath* op, const char** properties) {
    TracedCall call("OrvCmpiMIEnumInstances");
    if (!allPresent(mi, ctx, rslt, op)) return invalidParameters();
    return forward("EnumInstances", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.EnumInstances(ctx, rslt, op, properties, broker, status);
    });
}

CMPIStatus OrvCmpiMIGetInstance(CMPIInstanceMI* mi, const CMPIContext* ctx, const CMPIResult* rslt,
                                const CMPIObjectPath* op, const char** properties) {
    TracedCall call("OrvCmpiMIGetInstance");
    if (!allPresent(mi, ctx, rslt, op)) return invalidParameters();
    return forward("GetInstance", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.GetInstance(ctx, rslt, op, properties, broker, status);
    });
}

CMPIStatus OrvCmpiMICreateInstance(CMPIInstanceMI* mi, const CMPIContext* ctx, const CMPIResult* rslt,
                                   const CMPIObjectPath* op, const CMPIInstance* inst) {
    TracedCall call("OrvCmpiMICreateInstance");
    if (!allPresent(mi, ctx, rslt, op, inst)) return invalidParameters();
    return forward("CreateInstance", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.CreateInstance(ctx, rslt, op, inst, broker, status);
    });
}

// Only mi is checked here: the adapter's rights check comes first and must see
// the request as the server sent it. A NULL property list is CMPI's "every
// property the client sent" (SFCB passes one for a ModifyInstance without
// PropertyList), so it reaches the adapter.
CMPIStatus OrvCmpiMIModifyInstance(CMPIInstanceMI* mi, const CMPIContext* ctx, const CMPIResult* rslt,
                                   const CMPIObjectPath* op, const CMPIInstance* inst,
                                   const char** properties) {
    TracedCall call("OrvCmpiMIModifyInstance");
    if (mi == nullptr) return invalidParameters();
    return forward("ModifyInstance", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.ModifyInstance(ctx, rslt, op, inst, properties, broker, status);
    });
}

CMPIStatus OrvCmpiMIDeleteInstance(CMPIInstanceMI* mi, const CMPIContext* ctx, const CMPIResult* rslt,
                                   const CMPIObjectPath* op) {
    TracedCall call("OrvCmpiMIDeleteInstance");
    if (!allPresent(mi, ctx, rslt, op)) return invalidParameters();
    return forward("DeleteInstance", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.DeleteInstance(ctx, rslt, op, broker, status);
    });
}

// Queries are not served: a well-formed one answers nothing, successfully.
CMPIStatus OrvCmpiMIExecQuery(CMPIInstanceMI* mi, const CMPIContext* ctx, const CMPIResult* rslt,
                              const CMPIObjectPath* op, const char* query, const char* lang) {
    TracedCall call("OrvCmpiMIExecQuery");
    if (!allPresent(mi, ctx, rslt, op, query, lang)) return invalidParameters();
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

// ---- Association MI ------------------------------------------------------------

CMPIStatus OrvCmpiMIAssociationCleanup(CMPIAssociationMI* mi, const CMPIContext* ctx,
                                       CMPIBoolean terminating) {
    return cleanup("OrvCmpiMIAssociationCleanup", mi, ctx, terminating);
}

CMPIStatus OrvCmpiMIAssociators(CMPIAssociationMI* mi, const CMPIContext* ctx, const CMPIResult* rslt,
                                const CMPIObjectPath* op, const char* assocClass,
                                const char* resultClass, const char* role, const char* resultRole,
                                const char** properties) {
    TracedCall call("OrvCmpiMIAssociators");
    if (!allPresent(mi, ctx, rslt, op)) return invalidParameters();
    return forward("Associators", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.Associators(ctx, rslt, op, assocClass, resultClass, role, resultRole, properties,
                            broker, status);
    });
}

CMPIStatus OrvCmpiMIAssociatorNames(CMPIAssociationMI* mi, const CMPIContext* ctx,
                                    const CMPIResult* rslt, const CMPIObjectPath* op,
                                    const char* assocClass, const char* resultClass,
                                    const char* role, const char* resultRole) {
    TracedCall call("OrvCmpiMIAssociatorNames");
    if (!allPresent(mi, ctx, rslt, op, assocClass)) return invalidParameters();
    return forward("AssociatorNames", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.AssociatorNames(ctx, rslt, op, assocClass, resultClass, role, resultRole, broker, status);
    });
}

CMPIStatus OrvCmpiMIReferences(CMPIAssociationMI* mi, const CMPIContext* ctx, const CMPIResult* rslt,
                               const CMPIObjectPath* op, const char* resultClass, const char* role,
                               const char** properties) {
    TracedCall call("OrvCmpiMIReferences");
    if (!allPresent(mi, ctx, rslt, op)) return invalidParameters();
    return forward("References", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.References(ctx, rslt, op, resultClass, role, properties, broker, status);
    });
}

CMPIStatus OrvCmpiMIReferenceNames(CMPIAssociationMI* mi, const CMPIContext* ctx,
                                   const CMPIResult* rslt, const CMPIObjectPath* op,
                                   const char* resultClass, const char* role) {
    TracedCall call("OrvCmpiMIReferenceNames");
    if (!allPresent(mi, ctx, rslt, op)) return invalidParameters();
    return forward("ReferenceNames", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.ReferenceNames(ctx, rslt, op, resultClass, role, broker, status);
    });
}

// ---- Indication MI -------------------------------------------------------------

CMPIStatus OrvCmpiMIIndicationCleanup(CMPIIndicationMI* mi, const CMPIContext* ctx,
                                      CMPIBoolean terminating) {
    return cleanup("OrvCmpiMIIndicationCleanup", mi, ctx, terminating);
}

// Every subscription is accepted; the indications are pushed, never polled.
CMPIStatus OrvCmpiMIAuthorizeFilter(CMPIIndicationMI* mi, const CMPIContext* ctx,
                                    const CMPISelectExp* filter, const char* className,
                                    const CMPIObjectPath* op, const char* owner) {
    TracedCall call("OrvCmpiMIAuthorizeFilter");
    if (!allPresent(mi, ctx, filter, className, op, owner)) return invalidParameters();
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

CMPIStatus OrvCmpiMIMustPoll(CMPIIndicationMI* mi, const CMPIContext* ctx, const CMPISelectExp* filter,
                             const char* className, const CMPIObjectPath* op) {
    TracedCall call("OrvCmpiMIMustPoll");
    if (!allPresent(mi, ctx, filter, className, op)) return invalidParameters();
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

CMPIStatus OrvCmpiMIActivateFilter(CMPIIndicationMI* mi, const CMPIContext* ctx,
                                   const CMPISelectExp* filter, const char* className,
                                   const CMPIObjectPath* op, CMPIBoolean firstActivation) {
    TracedCall call("OrvCmpiMIActivateFilter");
    if (!allPresent(mi, ctx, filter, className, op)) {
        LogMessage(5, "%s", "INVALID : indType = ");
        return invalidParameters();
    }
    LogMessage(5, "%s", "VALID : indType = ");
    return forward("ActivateFilter", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.ActivateFilter(ctx, filter, className, op, firstActivation != 0, broker, status);
    });
}

CMPIStatus OrvCmpiMIDeActivateFilter(CMPIIndicationMI* mi, const CMPIContext* ctx,
                                     const CMPISelectExp* filter, const char* className,
                                     const CMPIObjectPath* op, CMPIBoolean lastActivation) {
    TracedCall call("OrvCmpiMIDeActivateFilter");
    if (!allPresent(mi, ctx, filter, className, op)) return invalidParameters();
    return forward("DeActivateFilter", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.DeActivateFilter(ctx, filter, className, op, lastActivation != 0, broker, status);
    });
}

CMPIStatus OrvCmpiMIEnableIndications(CMPIIndicationMI* mi, const CMPIContext* ctx) {
    TracedCall call("OrvCmpiMIEnableIndications");
    if (!allPresent(mi, ctx)) return invalidParameters();
    return forward("EnableIndications", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.EnableIndications(ctx, broker, status);
    });
}

CMPIStatus OrvCmpiMIDisableIndications(CMPIIndicationMI* mi, const CMPIContext* ctx) {
    TracedCall call("OrvCmpiMIDisableIndications");
    if (!allPresent(mi, ctx)) return invalidParameters();
    return forward("DisableIndications", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.DisableIndications(ctx, broker, status);
    });
}

// ---- Method MI -----------------------------------------------------------------

CMPIStatus OrvCmpiMIMethodCleanup(CMPIMethodMI* mi, const CMPIContext* ctx, CMPIBoolean terminating) {
    return cleanup("OrvCmpiMIMethodCleanup", mi, ctx, terminating);
}

CMPIStatus OrvCmpiMIInvokeMethod(CMPIMethodMI* mi, const CMPIContext* ctx, const CMPIResult* rslt,
                                 const CMPIObjectPath* op, const char* method, const CMPIArgs* in,
                                 CMPIArgs* out) {
    TracedCall call("OrvCmpiMIInvokeMethod");
    if (!allPresent(mi, ctx, rslt, op, method, in, static_cast<const CMPIArgs*>(out))) {
        return invalidParameters();
    }
    return forward("InvokeMethod", [&](CMPIAdapter& adapter, const CMPIBroker* broker, CMPIStatus& status) {
        adapter.InvokeMethod(ctx, rslt, op, method, in, out, broker, status);
    });
}

// ---- Tables --------------------------------------------------------------------

CMPIInstanceMIFT instanceTable = {
    CMPIVersion200,           CMPIVersion200,        "instanceAmbrixProvider15",
    OrvCmpiMICleanup,         OrvCmpiMIEnumInstanceNames, OrvCmpiMIEnumInstances,
    OrvCmpiMIGetInstance,     OrvCmpiMICreateInstance,    OrvCmpiMIModifyInstance,
    OrvCmpiMIDeleteInstance,  OrvCmpiMIExecQuery,
};
CMPIAssociationMIFT associationTable = {
    CMPIVersion200,        CMPIVersion200,           "associationAmbrixProvider15",
    OrvCmpiMIAssociationCleanup, OrvCmpiMIAssociators, OrvCmpiMIAssociatorNames,
    OrvCmpiMIReferences,   OrvCmpiMIReferenceNames,
};
CMPIIndicationMIFT indicationTable = {
    CMPIVersion200,           CMPIVersion200,          "IndicationAmbrixProvider15",
    OrvCmpiMIIndicationCleanup, OrvCmpiMIAuthorizeFilter, OrvCmpiMIMustPoll,
    OrvCmpiMIActivateFilter,  OrvCmpiMIDeActivateFilter, OrvCmpiMIEnableIndications,
    OrvCmpiMIDisableIndications,
};
CMPIMethodMIFT methodTable = {
    CMPIVersion200, CMPIVersion200, "methodAmbrixProvider15", OrvCmpiMIMethodCleanup,
    OrvCmpiMIInvokeMethod,
};

CMPIInstanceMI instanceMI = {nullptr, &instanceTable};
CMPIAssociationMI associationMI = {nullptr, &associationTable};
CMPIIndicationMI indicationMI = {nullptr, &indicationTable};
CMPIMethodMI methodMI = {nullptr, &methodTable};

// Each factory keeps the latest broker and makes sure start-up has run.
template <typename MI>
MI* create(const CMPIBroker* broker, MI* mi) {
    providerBroker.store(broker);
    OrvInitialize();
    return mi;
}

}  // namespace

CMPI_EXTERN_C CMPIInstanceMI* AmbrixProvider15_Create_InstanceMI(const CMPIBroker* broker,
                                                                 const CMPIContext*, CMPIStatus*) {
    return create(broker, &instanceMI);
}

CMPI_EXTERN_C CMPIAssociationMI* AmbrixProvider15_Create_AssociationMI(const CMPIBroker* broker,
                                                                       const CMPIContext*,
                                                                       CMPIStatus*) {
    return create(broker, &associationMI);
}

CMPI_EXTERN_C CMPIIndicationMI* AmbrixProvider15_Create_IndicationMI(const CMPIBroker* broker,
                                                                     const CMPIContext*, CMPIStatus*) {
    return create(broker, &indicationMI);
}

CMPI_EXTERN_C CMPIMethodMI* AmbrixProvider15_Create_MethodMI(const CMPIBroker* broker,
                                                             const CMPIContext*, CMPIStatus*) {
    return create(broker, &methodMI);
}
