#include "TableAssociation.h"

#include <unordered_map>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "FrameworkFacade.h"
#include "Logger.h"

namespace orv::cim::fwf::associations {

namespace {

FrameworkFacade& framework() {
    FrameworkFacade* facade = FrameworkFacade::getInstance();
    if (facade == nullptr) {
        constexpr const char* kName = "orv::cim::fwf::associations::TableAssociation";
        LogMessage(2, "%s :: Failed to get FrameworkFacade handle.", kName);
        throw CIMException(1, "%s :: Failed to get FrameworkFacade handle.", kName);
    }
    return *facade;
}

bool sameClass(const std::string& a, const std::string& b) {
    return CommonFunctions::toLower(a) == CommonFunctions::toLower(b);
}

}  // namespace

TableAssociation::TableAssociation(const AssociationRow& row)
    : AbstractAssociationProviderPlugin(row.first, row.second),
      row_(row),
      firstFull_(row.test.readsNonKeys(true)),
      secondFull_(row.test.readsNonKeys(false)) {
    LogMessage(5, "%s serves %s: %s", row.pluginName, row.className, row.test.describe().c_str());
}

bool TableAssociation::MatchInstances(const CIMInstance& first, const CIMInstance& second) {
    return row_.test.matches(first, second);
}

CIMInstanceList TableAssociation::sourceInstance(const CIMObjectPath& request, const AssociationEnd& end, bool full,
                                                 const CIMObjectPath& source, const std::string& systemName) const {
    CIMInstanceList found;
    if (full) {
        // A source that names no instance is related to nothing.
        try {
            framework().getCIMInstance(source, found);
        } catch (const CIMException& error) {
            if (error.getCode() != 6) throw;
        }
        return found;
    }
    for (auto& instance : endpointInstances(request, end, false, systemName)) {
        if (instance.getObjectPath() == source) found.push_back(std::move(instance));
    }
    return found;
}

void TableAssociation::join(const CIMObjectPath& request, const CIMInstanceList& firsts,
                            const CIMInstanceList& seconds, CIMInstanceList& out, const CIMObjectPath* skipFirst) {
    std::unordered_map<std::string, std::vector<std::size_t>> byPartition;
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        if (const auto key = row_.test.partition(seconds[i], false)) byPartition[*key].push_back(i);
    }
    for (const auto& first : firsts) {
        const auto key = row_.test.partition(first, true);
        if (!key) continue;
        const auto bucket = byPartition.find(*key);
        if (bucket == byPartition.end()) continue;
        const CIMObjectPath firstPath = first.getObjectPath();
        if (skipFirst != nullptr && firstPath == *skipFirst) continue;
        for (const std::size_t i : bucket->second) {
            if (MatchInstances(first, seconds[i])) {
                out.push_back(makeAssociation(request, firstPath, seconds[i].getObjectPath()));
            }
        }
    }
}

void TableAssociation::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    constexpr const char* kName = "orv::cim::fwf::AbstractAssociationProviderPlugin::enumerateInstances";
    LogTrace("Entering AbstractAssociationProviderPlugin::enumerateInstances()");
    try {
        const CIMObjectPath* source = traversalSource();
        const bool atFirst = source != nullptr && sameClass(source->getClassName(), firstEnd().className);
        const bool atSecond = source != nullptr && sameClass(source->getClassName(), secondEnd().className);
        const std::string system = (atFirst || atSecond) && row_.test.withinOneSystem() ? systemOf(*source) : "";
        if (atFirst && atSecond) {
            // Both ends of one class: the source on either side, its pair
            // with itself counted once.
            const CIMInstanceList all = endpointInstances(path, firstEnd(), firstFull_ || secondFull_, system);
            CIMInstanceList self;
            for (const auto& instance : all)
                if (instance.getObjectPath() == *source) self.push_back(instance);
            join(path, self, all, out);
            join(path, all, self, out, source);
        } else if (atFirst) {
            join(path, sourceInstance(path, firstEnd(), firstFull_, *source, system),
                 endpointInstances(path, secondEnd(), secondFull_, system), out);
        } else if (atSecond) {
            join(path, endpointInstances(path, firstEnd(), firstFull_, system),
                 sourceInstance(path, secondEnd(), secondFull_, *source, system), out);
        } else {
            join(path, endpointInstances(path, firstEnd(), firstFull_), endpointInstances(path, secondEnd(), secondFull_),
                 out);
        }
    } catch (const CIMException& e) {
        LogMessage(2, "%s :: %s", kName, e.getMessage().c_str());
        throw;
    }
    LogTrace("Exiting AbstractAssociationProviderPlugin::enumerateInstances()");
}

void TableAssociation::associatorNames(CIMObjectPath path, const std::string& associationClass,
                                       CIMObjectPathList& out, const std::string& role, const std::string& resultRole,
                                       const std::string&) {
    LogTrace("Entering AbstractAssociationProviderPlugin::associatorNames()");
    const std::size_t before = out.size();
    for (const auto& association : associationHelper(path, associationClass, "", role, resultRole)) {
        for (const auto& property : association.getProperties()) {
            if (property.getType() != CIM_REFERENCE) continue;
            const auto reference = property.getValue<CIMObjectPath>();
            if (reference.size() != 0 && reference.at(0) != path) out.push_back(reference.at(0));
        }
    }
    if (out.size() == before) LogMessage(4, "No instances of association class %s", path.getClassName().c_str());
    LogTrace(" Exiting AbstractAssociationProviderPlugin::                associatorNames() ");
}

}  // namespace orv::cim::fwf::associations
