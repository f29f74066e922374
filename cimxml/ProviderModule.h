// A provider library loaded as a CIM server loads it: dlopen by path, the
// four <name>_Create_<kind>MI factories called once with our broker, and
// each request made in a request scope of its own whose context carries
// the namespace and the principal.
#pragma once

#include "Broker.h"
#include "cmpift.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orv::cimxml {

using cmpiserver::ArgumentList;
using cmpiserver::CollectedResult;
using cmpiserver::Instance;
using cmpiserver::ObjectPath;

// Who asks, and where. Without authentication the principal is a string
// without characters, as SFCB passes it.
struct CallContext {
    std::string nameSpace;
    cmpiserver::Principal principal = cmpiserver::Principal::unauthenticated();
};

// What the provider answered to one call.
struct ProviderOutcome {
    CMPIrc rc = CMPI_RC_OK;
    std::string message;
    CollectedResult collected;
    ArgumentList outArgs;  // InvokeMethod only

    bool ok() const { return rc == CMPI_RC_OK; }
};

// Optional text arguments of association calls; nothing means a null pointer.
using OptionalName = std::optional<std::string>;
using PropertyList = std::optional<std::vector<std::string>>;

class ProviderModule {
public:
    // Loads the library and calls its factories. Throws std::runtime_error
    // when the library cannot be loaded or offers none of the factories.
    ProviderModule(cmpiserver::Broker& broker, const std::string& libraryPath,
                   const std::string& providerName);
    // The library stays mapped: a provider may leave threads behind.
    ~ProviderModule() = default;
    ProviderModule(const ProviderModule&) = delete;
    ProviderModule& operator=(const ProviderModule&) = delete;

    bool hasInstanceMI() const { return instanceMI_ != nullptr; }
    bool hasAssociationMI() const { return associationMI_ != nullptr; }
    bool hasMethodMI() const { return methodMI_ != nullptr; }
    bool hasIndicationMI() const { return indicationMI_ != nullptr; }

    // With a consumer, the instances or paths go there as the provider
    // returns them and the outcome collects none.
    ProviderOutcome enumerateInstanceNames(const CallContext& context, const ObjectPath& classPath,
                                           const cmpiserver::PathConsumer& consumer = {});
    ProviderOutcome enumerateInstances(const CallContext& context, const ObjectPath& classPath,
                                       const PropertyList& properties,
                                       const cmpiserver::InstanceConsumer& consumer = {});
    ProviderOutcome getInstance(const CallContext& context, const ObjectPath& path,
                                const PropertyList& properties);
    ProviderOutcome createInstance(const CallContext& context, const ObjectPath& path,
                                   const Instance& instance);
    ProviderOutcome modifyInstance(const CallContext& context, const ObjectPath& path,
                                   const Instance& instance, const std::vector<std::string>& properties);
    ProviderOutcome deleteInstance(const CallContext& context, const ObjectPath& path);
    ProviderOutcome associators(const CallContext& context, const ObjectPath& path,
                                const OptionalName& assocClass, const OptionalName& resultClass,
                                const OptionalName& role, const OptionalName& resultRole,
                                const PropertyList& properties, const cmpiserver::InstanceConsumer& consumer = {});
    ProviderOutcome associatorNames(const CallContext& context, const ObjectPath& path,
                                    const OptionalName& assocClass, const OptionalName& resultClass,
                                    const OptionalName& role, const OptionalName& resultRole,
                                    const cmpiserver::PathConsumer& consumer = {});
    ProviderOutcome references(const CallContext& context, const ObjectPath& path,
                               const OptionalName& resultClass, const OptionalName& role,
                               const PropertyList& properties, const cmpiserver::InstanceConsumer& consumer = {});
    ProviderOutcome referenceNames(const CallContext& context, const ObjectPath& path,
                                   const OptionalName& resultClass, const OptionalName& role,
                                   const cmpiserver::PathConsumer& consumer = {});
    ProviderOutcome invokeMethod(const CallContext& context, const ObjectPath& path,
                                 const std::string& method, const ArgumentList& in);

    // Subscribes to every indication the provider raises in a namespace,
    // as a CIM server does when a client's subscription arrives: filter
    // activation, then enabling indications.
    ProviderOutcome subscribeIndications(const CallContext& context, const std::string& indicationClass);

    // The indication functions one at a time, for client subscriptions.
    ProviderOutcome activateFilter(const CallContext& context, const std::string& query,
                                   const std::string& language, const std::string& indicationClass, bool first);
    ProviderOutcome deActivateFilter(const CallContext& context, const std::string& query,
                                     const std::string& language, const std::string& indicationClass, bool last);
    ProviderOutcome enableIndications(const CallContext& context);
    ProviderOutcome disableIndications(const CallContext& context);

    // Calls every cleanup function with terminating true; later calls do nothing.
    void cleanup();

private:
    cmpiserver::Broker& broker_;
    void* library_ = nullptr;
    CMPIInstanceMI* instanceMI_ = nullptr;
    CMPIAssociationMI* associationMI_ = nullptr;
    CMPIMethodMI* methodMI_ = nullptr;
    CMPIIndicationMI* indicationMI_ = nullptr;
    std::once_flag cleanedUp_;
};

}  // namespace orv::cimxml
