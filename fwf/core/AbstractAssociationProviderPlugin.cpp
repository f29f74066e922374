#include "AbstractAssociationProviderPlugin.h"

#include <cstdlib>
#include <utility>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "FrameworkFacade.h"
#include "Logger.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

namespace {

FrameworkFacade& framework(const char* qualifiedName) {
    FrameworkFacade* facade = FrameworkFacade::getInstance();
    if (facade == nullptr) {
        LogMessage(2, "%s :: Failed to get FrameworkFacade handle.", qualifiedName);
        throw CIMException(1, "%s :: Failed to get FrameworkFacade handle.", qualifiedName);
    }
    return *facade;
}

std::optional<std::string> keyField(const CIMInstance& instance, KeyField field) {
    const CIMProperty* property = instance.getProperty(field.property);
    if (property == nullptr) return std::nullopt;
    const auto value = property->getValue<std::string>();
    if (value.size() == 0) return std::nullopt;
    return CommonFunctions::token(value.getValues().front(), field.field);
}

// Reference properties of an association instance, with their paths.
template <typename Visit>
void forEachReference(const CIMInstance& association, Visit&& visit) {
    for (const auto& property : association.getProperties()) {
        if (property.getType() != CIM_REFERENCE) continue;
        const auto value = property.getValue<CIMObjectPath>();
        if (value.size() == 0) continue;
        visit(property.getName(), value.getValues().front());
    }
}

// Plugins are shared by every request thread. Initial-exec: the provider is
// loaded and unloaded with dlopen/dlclose, and a dynamic TLS block left behind
// by an unloaded library trips LeakSanitizer's scan at exit.
[[gnu::tls_model("initial-exec")]] thread_local const CIMObjectPath* tracedSource = nullptr;

class TraversalScope {
public:
    explicit TraversalScope(const CIMObjectPath& source) : previous_(tracedSource) { tracedSource = &source; }
    ~TraversalScope() { tracedSource = previous_; }
    TraversalScope(const TraversalScope&) = delete;
    TraversalScope& operator=(const TraversalScope&) = delete;

private:
    const CIMObjectPath* previous_;
};

}  // namespace

const CIMObjectPath* AbstractAssociationProviderPlugin::traversalSource() { return tracedSource; }

AbstractAssociationProviderPlugin::AbstractAssociationProviderPlugin(AssociationEnd first, AssociationEnd second)
    : first_(std::move(first)), second_(std::move(second)) {}

CIMObjectPath AbstractAssociationProviderPlugin::endpointPath(const CIMObjectPath& request,
                                                              const AssociationEnd& end) const {
    return CIMObjectPath(request.getHost(), end.nameSpace.empty() ? request.getNameSpace() : end.nameSpace,
                         end.className);
}

std::string AbstractAssociationProviderPlugin::systemOf(const CIMObjectPath& object) {
    const auto text = [&](const char* key) -> std::string {
        const CIMKeyBinding binding = object.getKeyBinding(key);
        if (binding.getName().empty() || binding.getType() != CIM_STRING) return {};
        const std::vector<std::string> values = binding.getValue<std::string>();
        return values.empty() ? std::string() : values.front();
    };
    if (std::string system = text("SystemName"); !system.empty()) return system;
    if (object.getKeyBindings().size() == 2 && !text("CreationClassName").empty()) return text("Name");
    return {};
}

namespace {

// The facade serving this request; getInstance would write two log entries
// on each of a walk's calls.
FrameworkFacade& servingFacade() {
    FrameworkFacade* current = FrameworkFacade::current();
    return current != nullptr ? *current
                              : framework("orv::cim::fwf::AbstractAssociationProviderPlugin::endpointInstances");
}

}  // namespace

CIMInstanceList AbstractAssociationProviderPlugin::endpointInstances(const CIMObjectPath& request,
                                                                     const AssociationEnd& end,
                                                                     const std::string& systemName,
                                                                     const PropertyNameList* nonKeysRead) const {
    const CIMObjectPath path = endpointPath(request, end);
    CIMInstanceList instances;
    if (systemName.empty() && nonKeysRead == nullptr)
        servingFacade().enumerateInstances(path, instances);
    else
        servingFacade().enumerateInstancesOfSystem(path, systemName, nonKeysRead, instances);
    return instances;
}

CIMObjectPathList AbstractAssociationProviderPlugin::endpointNames(const CIMObjectPath& request,
                                                                   const AssociationEnd& end,
                                                                   const std::string& systemName) const {
    const CIMObjectPath path = endpointPath(request, end);
    CIMObjectPathList names;
    if (systemName.empty())
        servingFacade().enumerateInstanceNames(path, names);
    else
        servingFacade().enumerateInstanceNamesOfSystem(path, systemName, names);
    return names;
}

CIMInstance AbstractAssociationProviderPlugin::makeAssociation(const CIMObjectPath& request, CIMObjectPath first,
                                                               CIMObjectPath second) const {
    // The request's host, namespace and class, none of its keys, and room
    // for the two references.
    CIMInstance association(request, {}, 2);
    association.addProperty(referenceProperty(getFirstRoleName(), std::move(first)));
    association.addProperty(referenceProperty(getSecondRoleName(), std::move(second)));
    return association;
}

void AbstractAssociationProviderPlugin::pairInstances(const CIMObjectPath& request, const CIMInstanceList& firsts,
                                                      const CIMInstanceList& seconds, CIMInstanceList& out) {
    for (const auto& first : firsts) {
        for (const auto& second : seconds) {
            if (MatchInstances(first, second)) {
                out.push_back(makeAssociation(request, first.getObjectPath(), second.getObjectPath()));
            }
        }
    }
}

void AbstractAssociationProviderPlugin::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    constexpr const char* kName = "orv::cim::fwf::AbstractAssociationProviderPlugin::enumerateInstances";
    LogTrace("Entering AbstractAssociationProviderPlugin::enumerateInstances()");
    try {
        pairInstances(path, endpointInstances(path, first_), endpointInstances(path, second_), out);
    } catch (const CIMException& e) {
        LogMessage(2, "%s :: %s", kName, e.getMessage().c_str());
        throw;
    }
    LogTrace("Exiting AbstractAssociationProviderPlugin::enumerateInstances()");
}

void AbstractAssociationProviderPlugin::enumerateInstanceNames(CIMObjectPath path, CIMObjectPathList& out) {
    LogTrace("Entering AbstractAssociationProviderPlugin::                enumerateInstanceNames()");
    CIMInstanceList associations;
    enumerateInstances(path, associations);
    for (const auto& association : associations) out.push_back(association.getObjectPath());
    LogTrace("Exiting AbstractAssociationProviderPlugin::enumerateInstanceNames()");
}

void AbstractAssociationProviderPlugin::getCIMInstance(CIMObjectPath path, CIMInstanceList& out) {
    LogTrace("Entering AbstractAssociationProviderPlugin::getCIMInstance()");
    CIMObjectPath all(path.getHost(), path.getNameSpace(), path.getClassName());
    CIMInstanceList associations;
    enumerateInstances(all, associations);
    for (auto& association : associations) {
        if (association.getObjectPath() == path) out.push_back(std::move(association));
    }
    LogTrace("Exiting AbstractAssociationProviderPlugin::getCIMInstance()");
}

bool AbstractAssociationProviderPlugin::isEndpointClass(const std::string& className) const {
    const auto names = [&](const std::string& endpoint) {
        return endpoint.empty() || CommonFunctions::equalsIgnoreCase(endpoint, className);
    };
    return names(getFirstEndpointClassName()) || names(getSecondEndpointClassName());
}

CIMInstanceList AbstractAssociationProviderPlugin::associationHelper(const CIMObjectPath& source,
                                                                     const std::string& associationClass,
                                                                     const std::string& resultClass,
                                                                     const std::string& role,
                                                                     const std::string& resultRole) {
    constexpr const char* kName = "orv::cim::fwf::AbstractAssociationProviderPlugin::associationHelper";
    LogTrace("Entering AbstractAssociationProviderPlugin ::                associationHelper()");
    const CIMObjectPath associationPath(source.getHost(), source.getNameSpace(), associationClass);
    LogMessage(4, "%s :: Object Path recieved : %s", kName, source.toString().c_str());
    LogMessage(4, "%s :: ResultClass recieved : %s", kName, resultClass.c_str());
    LogMessage(4, "%s :: Association Object Path formed : %s", kName, associationPath.toString().c_str());

    CIMInstanceList kept;
    if (!isEndpointClass(source.getClassName())) {
        LogMessage(4, "%s :: Class %s is no endpoint of %s", kName, source.getClassName().c_str(),
                   associationClass.c_str());
        return kept;
    }
    CIMInstanceList associations;
    {
        const TraversalScope scope(source);
        enumerateInstances(associationPath, associations);
    }
    LogMessage(4, "%s :: Association Objects retrieved : %d", kName, static_cast<int>(associations.size()));
    if (associations.empty()) {
        LogMessage(4, "No instances for the association class : %s", associationClass.c_str());
        return kept;
    }

    const bool byRole = !role.empty();
    const bool byResultRole = !resultRole.empty();
    for (auto& association : associations) {
        int matches = 0;
        int roleHits = 0;
        int resultRoleHits = 0;
        forEachReference(association, [&](const std::string& name, const CIMObjectPath& reference) {
            if (reference == source) {
                ++matches;
                if (byRole && name == role) ++roleHits;
            } else if (byResultRole) {
                LogMessage(4, "----------------%s//////%s", name.c_str(), resultRole.c_str());
                if (name == resultRole) ++resultRoleHits;
            }
        });
        const bool keep = matches == 1 && (!byRole || roleHits == 1) && (!byResultRole || resultRoleHits == 1);
        if (keep) kept.push_back(std::move(association));
    }
    LogMessage(4, "%s :: Instances Returned : %d", kName, static_cast<int>(kept.size()));
    LogTrace("Exiting AbstractAssociationProviderPlugin :: associationHelper()");
    return kept;
}

void AbstractAssociationProviderPlugin::references(CIMObjectPath path, const std::string& resultClass,
                                                   CIMInstanceList& out, const std::string& role) {
    LogTrace("Entering AbstractAssociationProviderPlugin::references()");
    for (auto& association : associationHelper(path, resultClass, "", role, "")) {
        out.push_back(std::move(association));
    }
    LogTrace("Exiting AbstractAssociationProviderPlugin::references()");
}

void AbstractAssociationProviderPlugin::referencesNames(CIMObjectPath path, const std::string& resultClass,
                                                        CIMObjectPathList& out, const std::string& role) {
    LogTrace("Entering AbstractAssociationProviderPlugin::referencesNames()");
    const CIMInstanceList associations = associationHelper(path, resultClass, "", role, "");
    if (associations.empty()) {
        LogMessage(4, "No object paths refering the objectpath : %s", path.toString().c_str());
    }
    for (const auto& association : associations) out.push_back(association.getObjectPath());
    LogTrace("Exiting AbstractAssociationProviderPlugin::referencesNames()");
}

void AbstractAssociationProviderPlugin::associatorNames(CIMObjectPath path, const std::string& associationClass,
                                                        CIMObjectPathList& out, const std::string& role,
                                                        const std::string& resultRole,
                                                        const std::string& resultClass) {
    LogTrace("Entering AbstractAssociationProviderPlugin::associatorNames()");
    CIMInstanceList others;
    associators(path, associationClass, others, role, resultRole, resultClass);
    if (others.empty()) LogMessage(4, "No instances of association class %s", path.getClassName().c_str());
    for (const auto& other : others) out.push_back(other.getObjectPath());
    LogTrace(" Exiting AbstractAssociationProviderPlugin::                associatorNames() ");
}

void AbstractAssociationProviderPlugin::associators(CIMObjectPath path, const std::string& associationClass,
                                                    CIMInstanceList& out, const std::string& role,
                                                    const std::string& resultRole, const std::string& resultClass) {
    constexpr const char* kName = "orv::cim::fwf::AbstractAssociationProviderPlugin::associators";
    LogTrace("Entering AbstractAssociationProviderPlugin::associators() ");
    LogMessage(4, "%s :: Object Path recieved : %s", kName, path.toString().c_str());
    LogMessage(4, "%s :: ResultClass recieved : %s", kName, resultClass.c_str());
    LogMessage(4, "%s :: AssociationClass recieved : %s", kName, associationClass.c_str());

    CIMObjectPathList otherEnds;
    for (const auto& association : associationHelper(path, associationClass, resultClass, role, resultRole)) {
        forEachReference(association, [&](const std::string&, const CIMObjectPath& reference) {
            if (reference != path) otherEnds.push_back(reference);
        });
    }
    FrameworkFacade& facade = framework(kName);
    for (const auto& otherEnd : otherEnds) {
        CIMInstanceList found;
        try {
            facade.getCIMInstance(otherEnd, found);
        } catch (const CIMException& error) {
            if (error.getCode() != 6) throw;  // an end that vanished is skipped below
        }
        if (found.empty()) {
            LogMessage(2, "%s :: Failed to retrieve instance for object path %s.", kName,
                       otherEnd.toString().c_str());
            continue;
        }
        for (auto& instance : found) out.push_back(std::move(instance));
    }
    LogTrace("Exiting AbstractAssociationProviderPlugin::associators ");
}

bool AbstractAssociationProviderPlugin::sameText(const CIMInstance& first, const char* firstProperty,
                                                 const CIMInstance& second, const char* secondProperty) {
    const auto a = readProperty<std::string>(first, firstProperty);
    const auto b = readProperty<std::string>(second, secondProperty);
    return a && b && *a == *b;
}

bool AbstractAssociationProviderPlugin::sameKeyField(const CIMInstance& first, KeyField firstField,
                                                     const CIMInstance& second, KeyField secondField) {
    const auto a = keyField(first, firstField);
    const auto b = keyField(second, secondField);
    return a && b && *a == *b;
}

bool AbstractAssociationProviderPlugin::sameKeyNumber(const CIMInstance& first, KeyField firstField,
                                                      const CIMInstance& second, KeyField secondField) {
    const auto a = keyField(first, firstField);
    const auto b = keyField(second, secondField);
    return a && b && std::atoi(a->c_str()) == std::atoi(b->c_str());
}

}  // namespace orv::cim::fwf
