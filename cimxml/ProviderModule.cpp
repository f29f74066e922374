#include "ProviderModule.h"

#include <dlfcn.h>

#include <stdexcept>

namespace orv::cimxml {

using cmpiserver::RequestScope;

namespace {

template <class MI>
using Factory = MI* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);

template <class MI>
MI* callFactory(void* library, const std::string& symbol, cmpiserver::Broker& broker) {
    void* address = dlsym(library, symbol.c_str());
    if (!address) return nullptr;
    auto factory = reinterpret_cast<Factory<MI>>(address);
    RequestScope scope(broker, "root/cimv2");
    CMPIStatus status{CMPI_RC_OK, nullptr};
    return factory(broker.cmpi(), scope.context(), &status);
}

// Null-terminated property list for the provider; the strings live in `names`.
struct CPropertyList {
    explicit CPropertyList(const PropertyList& list) {
        if (!list) return;
        for (const auto& name : *list) pointers.push_back(name.c_str());
        pointers.push_back(nullptr);
    }
    explicit CPropertyList(const std::vector<std::string>& list) {
        for (const auto& name : list) pointers.push_back(name.c_str());
        pointers.push_back(nullptr);
    }
    const char** get() { return pointers.empty() ? nullptr : pointers.data(); }
    std::vector<const char*> pointers;
};

const char* cString(const OptionalName& name) { return name ? name->c_str() : nullptr; }

ProviderOutcome unsupported(const char* what) {
    ProviderOutcome out;
    out.rc = CMPI_RC_ERR_NOT_SUPPORTED;
    out.message = std::string("the provider offers no ") + what;
    return out;
}

// Runs one call in its own request scope and reads back everything the
// provider produced before the scope frees it.
template <class Call>
ProviderOutcome inScope(cmpiserver::Broker& broker, const CallContext& context, Call&& call) {
    RequestScope scope(broker, context.nameSpace, context.principal);
    ProviderOutcome out;
    CMPIStatus status = call(scope);
    out.rc = status.rc;
    out.message = cmpiserver::readMessage(status);
    out.collected = scope.takeCollected();
    return out;
}

}  // namespace

ProviderModule::ProviderModule(cmpiserver::Broker& broker, const std::string& libraryPath,
                               const std::string& providerName)
    : broker_(broker) {
    library_ = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        const char* error = dlerror();
        throw std::runtime_error("cannot load " + libraryPath + ": " + (error ? error : "unknown error"));
    }
    instanceMI_ = callFactory<CMPIInstanceMI>(library_, providerName + "_Create_InstanceMI", broker_);
    associationMI_ = callFactory<CMPIAssociationMI>(library_, providerName + "_Create_AssociationMI", broker_);
    methodMI_ = callFactory<CMPIMethodMI>(library_, providerName + "_Create_MethodMI", broker_);
    indicationMI_ = callFactory<CMPIIndicationMI>(library_, providerName + "_Create_IndicationMI", broker_);
    if (!instanceMI_ && !associationMI_ && !methodMI_ && !indicationMI_)
        throw std::runtime_error(libraryPath + " offers no " + providerName + "_Create_*MI factory");
}

ProviderOutcome ProviderModule::enumerateInstanceNames(const CallContext& context,
                                                       const ObjectPath& classPath,
                                                       const cmpiserver::PathConsumer& consumer) {
    if (!instanceMI_) return unsupported("instance provider");
    return inScope(broker_, context, [&](RequestScope& scope) {
        if (consumer) scope.consumePaths(consumer);
        return instanceMI_->ft->enumerateInstanceNames(instanceMI_, scope.context(), scope.result(),
                                                       broker_.newObjectPath(classPath));
    });
}

ProviderOutcome ProviderModule::enumerateInstances(const CallContext& context, const ObjectPath& classPath,
                                                   const PropertyList& properties,
                                                   const cmpiserver::InstanceConsumer& consumer) {
    if (!instanceMI_) return unsupported("instance provider");
    CPropertyList list(properties);
    return inScope(broker_, context, [&](RequestScope& scope) {
        if (consumer) scope.consumeInstances(consumer);
        return instanceMI_->ft->enumerateInstances(instanceMI_, scope.context(), scope.result(),
                                                   broker_.newObjectPath(classPath), list.get());
    });
}

ProviderOutcome ProviderModule::getInstance(const CallContext& context, const ObjectPath& path,
                                            const PropertyList& properties) {
    if (!instanceMI_) return unsupported("instance provider");
    CPropertyList list(properties);
    return inScope(broker_, context, [&](RequestScope& scope) {
        return instanceMI_->ft->getInstance(instanceMI_, scope.context(), scope.result(),
                                            broker_.newObjectPath(path), list.get());
    });
}

ProviderOutcome ProviderModule::createInstance(const CallContext& context, const ObjectPath& path,
                                               const Instance& instance) {
    if (!instanceMI_) return unsupported("instance provider");
    return inScope(broker_, context, [&](RequestScope& scope) {
        return instanceMI_->ft->createInstance(instanceMI_, scope.context(), scope.result(),
                                               broker_.newObjectPath(path), broker_.newInstance(instance));
    });
}

ProviderOutcome ProviderModule::modifyInstance(const CallContext& context, const ObjectPath& path,
                                               const Instance& instance,
                                               const std::vector<std::string>& properties) {
    if (!instanceMI_) return unsupported("instance provider");
    CPropertyList list(properties);
    return inScope(broker_, context, [&](RequestScope& scope) {
        return instanceMI_->ft->modifyInstance(instanceMI_, scope.context(), scope.result(),
                                               broker_.newObjectPath(path), broker_.newInstance(instance),
                                               list.get());
    });
}

ProviderOutcome ProviderModule::deleteInstance(const CallContext& context, const ObjectPath& path) {
    if (!instanceMI_) return unsupported("instance provider");
    return inScope(broker_, context, [&](RequestScope& scope) {
        return instanceMI_->ft->deleteInstance(instanceMI_, scope.context(), scope.result(),
                                               broker_.newObjectPath(path));
    });
}

ProviderOutcome ProviderModule::associators(const CallContext& context, const ObjectPath& path,
                                            const OptionalName& assocClass, const OptionalName& resultClass,
                                            const OptionalName& role, const OptionalName& resultRole,
                                            const PropertyList& properties,
                                            const cmpiserver::InstanceConsumer& consumer) {
    if (!associationMI_) return unsupported("association provider");
    CPropertyList list(properties);
    return inScope(broker_, context, [&](RequestScope& scope) {
        if (consumer) scope.consumeInstances(consumer);
        return associationMI_->ft->associators(associationMI_, scope.context(), scope.result(),
                                               broker_.newObjectPath(path), cString(assocClass),
                                               cString(resultClass), cString(role), cString(resultRole),
                                               list.get());
    });
}

ProviderOutcome ProviderModule::associatorNames(const CallContext& context, const ObjectPath& path,
                                                const OptionalName& assocClass,
                                                const OptionalName& resultClass, const OptionalName& role,
                                                const OptionalName& resultRole,
                                                const cmpiserver::PathConsumer& consumer) {
    if (!associationMI_) return unsupported("association provider");
    return inScope(broker_, context, [&](RequestScope& scope) {
        if (consumer) scope.consumePaths(consumer);
        return associationMI_->ft->associatorNames(associationMI_, scope.context(), scope.result(),
                                                   broker_.newObjectPath(path), cString(assocClass),
                                                   cString(resultClass), cString(role), cString(resultRole));
    });
}

ProviderOutcome ProviderModule::references(const CallContext& context, const ObjectPath& path,
                                           const OptionalName& resultClass, const OptionalName& role,
                                           const PropertyList& properties,
                                           const cmpiserver::InstanceConsumer& consumer) {
    if (!associationMI_) return unsupported("association provider");
    CPropertyList list(properties);
    return inScope(broker_, context, [&](RequestScope& scope) {
        if (consumer) scope.consumeInstances(consumer);
        return associationMI_->ft->references(associationMI_, scope.context(), scope.result(),
                                              broker_.newObjectPath(path), cString(resultClass),
                                              cString(role), list.get());
    });
}

ProviderOutcome ProviderModule::referenceNames(const CallContext& context, const ObjectPath& path,
                                               const OptionalName& resultClass, const OptionalName& role,
                                               const cmpiserver::PathConsumer& consumer) {
    if (!associationMI_) return unsupported("association provider");
    return inScope(broker_, context, [&](RequestScope& scope) {
        if (consumer) scope.consumePaths(consumer);
        return associationMI_->ft->referenceNames(associationMI_, scope.context(), scope.result(),
                                                  broker_.newObjectPath(path), cString(resultClass),
                                                  cString(role));
    });
}

ProviderOutcome ProviderModule::invokeMethod(const CallContext& context, const ObjectPath& path,
                                             const std::string& method, const ArgumentList& in) {
    if (!methodMI_) return unsupported("method provider");
    ArgumentList out;
    ProviderOutcome outcome = inScope(broker_, context, [&](RequestScope& scope) {
        CMPIArgs* outArgs = broker_.newArgs();
        CMPIStatus status = methodMI_->ft->invokeMethod(methodMI_, scope.context(), scope.result(),
                                                        broker_.newObjectPath(path), method.c_str(),
                                                        broker_.newArgs(in), outArgs);
        out = cmpiserver::readArgs(outArgs);
        return status;
    });
    outcome.outArgs = std::move(out);
    return outcome;
}

ProviderOutcome ProviderModule::subscribeIndications(const CallContext& context,
                                                     const std::string& indicationClass) {
    if (!indicationMI_) return unsupported("indication provider");
    return inScope(broker_, context, [&](RequestScope& scope) {
        const std::string query = "SELECT * FROM " + indicationClass;
        CMPISelectExp* filter = broker_.newSelectExp(query, "WQL");
        ObjectPath classPath{"", context.nameSpace, indicationClass, {}};
        CMPIStatus status = indicationMI_->ft->activateFilter(
            indicationMI_, scope.context(), filter, indicationClass.c_str(),
            broker_.newObjectPath(classPath), true);
        if (status.rc != CMPI_RC_OK) return status;
        return indicationMI_->ft->enableIndications(indicationMI_, scope.context());
    });
}

ProviderOutcome ProviderModule::activateFilter(const CallContext& context, const std::string& query,
                                               const std::string& language, const std::string& indicationClass,
                                               bool first) {
    if (!indicationMI_) return unsupported("indication provider");
    return inScope(broker_, context, [&](RequestScope& scope) {
        ObjectPath classPath{"", context.nameSpace, indicationClass, {}};
        return indicationMI_->ft->activateFilter(indicationMI_, scope.context(), broker_.newSelectExp(query, language),
                                                 indicationClass.c_str(), broker_.newObjectPath(classPath), first);
    });
}

ProviderOutcome ProviderModule::deActivateFilter(const CallContext& context, const std::string& query,
                                                 const std::string& language, const std::string& indicationClass,
                                                 bool last) {
    if (!indicationMI_) return unsupported("indication provider");
    return inScope(broker_, context, [&](RequestScope& scope) {
        ObjectPath classPath{"", context.nameSpace, indicationClass, {}};
        return indicationMI_->ft->deActivateFilter(indicationMI_, scope.context(),
                                                   broker_.newSelectExp(query, language), indicationClass.c_str(),
                                                   broker_.newObjectPath(classPath), last);
    });
}

ProviderOutcome ProviderModule::enableIndications(const CallContext& context) {
    if (!indicationMI_) return unsupported("indication provider");
    return inScope(broker_, context, [&](RequestScope& scope) {
        return indicationMI_->ft->enableIndications(indicationMI_, scope.context());
    });
}

ProviderOutcome ProviderModule::disableIndications(const CallContext& context) {
    if (!indicationMI_) return unsupported("indication provider");
    return inScope(broker_, context, [&](RequestScope& scope) {
        return indicationMI_->ft->disableIndications(indicationMI_, scope.context());
    });
}

void ProviderModule::cleanup() {
    std::call_once(cleanedUp_, [this] {
        RequestScope scope(broker_, "root/cimv2");
        if (instanceMI_) instanceMI_->ft->cleanup(instanceMI_, scope.context(), true);
        if (associationMI_) associationMI_->ft->cleanup(associationMI_, scope.context(), true);
        if (methodMI_) methodMI_->ft->cleanup(methodMI_, scope.context(), true);
        if (indicationMI_) indicationMI_->ft->cleanup(indicationMI_, scope.context(), true);
    });
}

}  // namespace orv::cimxml
