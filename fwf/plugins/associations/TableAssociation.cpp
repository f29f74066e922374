#include "TableAssociation.h"

#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

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

}  // namespace

TableAssociation::TableAssociation(const AssociationRow& row)
    : AbstractAssociationProviderPlugin(row.first, row.second),
      row_(row),
      firstFull_(row.test.readsNonKeys(true)),
      secondFull_(row.test.readsNonKeys(false)),
      firstReads_(row.test.propertiesRead(true)),
      secondReads_(row.test.propertiesRead(false)),
      bothReads_(firstReads_) {
    bothReads_.insert(bothReads_.end(), secondReads_.begin(), secondReads_.end());
    LogMessage(5, "%s serves %s: %s", row.pluginName, row.className, row.test.describe().c_str());
}

bool TableAssociation::MatchInstances(const CIMInstance& first, const CIMInstance& second) {
    return row_.test.matches(first, second);
}

// The objects of one end as the join reads them: their names when the pair
// test reads only keys, else their whole instances.
class TableAssociation::EndObjects {
public:
    EndObjects() = default;
    explicit EndObjects(CIMObjectPathList names) : names_(std::move(names)) {}
    explicit EndObjects(CIMInstanceList instances)
        : instances_(std::move(instances)), paths_(instances_.size()), full_(true) {}

    std::size_t size() const { return full_ ? instances_.size() : names_.size(); }
    std::optional<JoinKey> key(const PairTest& test, std::size_t i, bool firstEnd) const {
        return full_ ? test.joinKey(instances_[i], firstEnd) : test.joinKey(names_[i], firstEnd);
    }
    // An instance's path is worked out once, and only for one in a pair.
    const CIMObjectPath& path(std::size_t i) { return heldPath(i); }
    // Pairs still to visit that hold object i; an association instance
    // takes each end's path, and most paths end up in one pair only.
    void countPair(std::size_t i) {
        if (pairsLeft_.size() != size()) pairsLeft_.resize(size());
        ++pairsLeft_[i];
    }
    void pairVisited(std::size_t i) { --pairsLeft_[i]; }
    // The path for an answer: the listing's own on its last pair when it
    // may give it up, else a copy.
    CIMObjectPath take(std::size_t i, bool mayMove) {
        CIMObjectPath& held = heldPath(i);
        if (mayMove && pairsLeft_[i] == 1) return std::move(held);
        return held;
    }
    // The objects named `source`.
    EndObjects named(const CIMObjectPath& source) {
        EndObjects kept;
        kept.full_ = full_;
        for (std::size_t i = 0; i < size(); ++i) {
            if (path(i) != source) continue;
            if (full_) {
                kept.instances_.push_back(instances_[i]);
                kept.paths_.push_back(paths_[i]);
            } else {
                kept.names_.push_back(names_[i]);
            }
        }
        return kept;
    }

private:
    CIMObjectPath& heldPath(std::size_t i) {
        if (!full_) return names_[i];
        if (!paths_[i]) paths_[i] = instances_[i].getObjectPath();
        return *paths_[i];
    }

    CIMObjectPathList names_;
    CIMInstanceList instances_;
    std::vector<std::optional<CIMObjectPath>> paths_;
    std::vector<unsigned> pairsLeft_;
    bool full_ = false;
};

const PropertyNameList* TableAssociation::instancesRead(bool first, bool second) const {
    if (first && second) return firstFull_ || secondFull_ ? &bothReads_ : nullptr;
    if (first) return firstFull_ ? &firstReads_ : nullptr;
    return secondFull_ ? &secondReads_ : nullptr;
}

// An accepted pair as a visitor sees it: both paths to compare, and either
// taken for an answer.
class TableAssociation::Pair {
public:
    Pair(EndObjects& firsts, std::size_t first, EndObjects& seconds, std::size_t second, bool handOver)
        : firsts_(firsts), seconds_(seconds), first_(first), second_(second),
          // An object paired with itself hands its path over to neither end.
          handOver_(handOver && !(&firsts == &seconds && first == second)) {}
    const CIMObjectPath& first() { return firsts_.path(first_); }
    const CIMObjectPath& second() { return seconds_.path(second_); }
    CIMObjectPath takeFirst() { return firsts_.take(first_, handOver_); }
    CIMObjectPath takeSecond() { return seconds_.take(second_, handOver_); }

private:
    EndObjects& firsts_;
    EndObjects& seconds_;
    std::size_t first_;
    std::size_t second_;
    bool handOver_;
};

TableAssociation::EndObjects TableAssociation::listEnd(const CIMObjectPath& request, const AssociationEnd& end,
                                                       const PropertyNameList* read,
                                                       const std::string& systemName) const {
    if (read != nullptr) return EndObjects(endpointInstances(request, end, systemName, read));
    return EndObjects(endpointNames(request, end, systemName));
}

TableAssociation::EndObjects TableAssociation::sourceObjects(const CIMObjectPath& request, const AssociationEnd& end,
                                                             bool full, const CIMObjectPath& source,
                                                             const std::string& systemName) const {
    if (full) {
        // A source that names no instance is related to nothing.
        CIMInstanceList found;
        try {
            framework().getCIMInstance(source, found);
        } catch (const CIMException& error) {
            if (error.getCode() != 6) throw;
        }
        return EndObjects(std::move(found));
    }
    return listEnd(request, end, nullptr, systemName).named(source);
}

void TableAssociation::join(EndObjects& firsts, EndObjects& seconds, const CIMObjectPath* skipFirst, bool handOver,
                            const PairVisitor& visit) const {
    std::unordered_map<JoinKey, std::vector<std::size_t>, JoinKeyHash> bySecondKey;
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        if (auto key = seconds.key(row_.test, i, false)) bySecondKey[std::move(*key)].push_back(i);
    }
    if (bySecondKey.empty()) return;
    // The pairs first, in visiting order, so that each path knows its last.
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t i = 0; i < firsts.size(); ++i) {
        const auto key = firsts.key(row_.test, i, true);
        if (!key) continue;
        const auto bucket = bySecondKey.find(*key);
        if (bucket == bySecondKey.end()) continue;
        if (skipFirst != nullptr && firsts.path(i) == *skipFirst) continue;
        for (const std::size_t j : bucket->second) {
            pairs.emplace_back(i, j);
            firsts.countPair(i);
            seconds.countPair(j);
        }
    }
    for (const auto& [i, j] : pairs) {
        Pair pair(firsts, i, seconds, j, handOver);
        visit(pair);
        firsts.pairVisited(i);
        seconds.pairVisited(j);
    }
}

void TableAssociation::forEachPair(const CIMObjectPath& request, const CIMObjectPath* source,
                                   const PairVisitor& visit) const {
    const AssociationEnd& first = firstEnd();
    const AssociationEnd& second = secondEnd();
    const bool atFirst = source != nullptr && CommonFunctions::equalsIgnoreCase(source->getClassName(), first.className);
    const bool atSecond = source != nullptr && CommonFunctions::equalsIgnoreCase(source->getClassName(), second.className);
    const std::string system = (atFirst || atSecond) && row_.test.withinOneSystem() ? systemOf(*source) : "";
    if (atFirst && atSecond) {
        // Both ends of one class: the source on either side, its pair with
        // itself counted once.
        EndObjects all = listEnd(request, first, instancesRead(true, true), system);
        EndObjects self = all.named(*source);
        join(self, all, nullptr, false, visit);
        join(all, self, source, false, visit);
    } else if (atFirst || atSecond) {
        EndObjects from = sourceObjects(request, atFirst ? first : second, atFirst ? firstFull_ : secondFull_,
                                        *source, system);
        if (from.size() == 0) return;
        EndObjects others = listEnd(request, atFirst ? second : first, instancesRead(!atFirst, atFirst), system);
        if (atFirst)
            join(from, others, nullptr, true, visit);
        else
            join(others, from, nullptr, true, visit);
    } else if (CommonFunctions::equalsIgnoreCase(first.className, second.className) && first.nameSpace == second.nameSpace) {
        EndObjects all = listEnd(request, first, instancesRead(true, true), "");
        join(all, all, nullptr, true, visit);
    } else {
        EndObjects firsts = listEnd(request, first, instancesRead(true, false), "");
        EndObjects seconds = listEnd(request, second, instancesRead(false, true), "");
        join(firsts, seconds, nullptr, true, visit);
    }
}

void TableAssociation::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    constexpr const char* kName = "orv::cim::fwf::AbstractAssociationProviderPlugin::enumerateInstances";
    LogTrace("Entering AbstractAssociationProviderPlugin::enumerateInstances()");
    try {
        forEachPair(path, traversalSource(), [&](Pair& pair) {
            CIMObjectPath first = pair.takeFirst();
            out.push_back(makeAssociation(path, std::move(first), pair.takeSecond()));
        });
    } catch (const CIMException& e) {
        LogMessage(2, "%s :: %s", kName, e.getMessage().c_str());
        throw;
    }
    LogTrace("Exiting AbstractAssociationProviderPlugin::enumerateInstances()");
}

void TableAssociation::associatorNames(CIMObjectPath path, const std::string& associationClass,
                                       CIMObjectPathList& out, const std::string& role, const std::string& resultRole,
                                       const std::string&) {
    constexpr const char* kName = "orv::cim::fwf::AbstractAssociationProviderPlugin::associationHelper";
    LogTrace("Entering AbstractAssociationProviderPlugin::associatorNames()");
    const std::size_t before = out.size();
    if (!isEndpointClass(path.getClassName())) {
        LogMessage(4, "%s :: Class %s is no endpoint of %s", kName, path.getClassName().c_str(),
                   associationClass.c_str());
    } else {
        // The other end of each association that references the source
        // exactly once, under `role`, with the other end under `resultRole`.
        const CIMObjectPath associationPath(path.getHost(), path.getNameSpace(), associationClass);
        const std::string& firstRole = getFirstRoleName();
        const std::string& secondRole = getSecondRoleName();
        try {
            forEachPair(associationPath, &path, [&](Pair& pair) {
                const bool fromFirst = pair.first() == path;
                if (fromFirst == (pair.second() == path)) return;
                const std::string& sourceRole = fromFirst ? firstRole : secondRole;
                const std::string& otherRole = fromFirst ? secondRole : firstRole;
                if (!role.empty() && sourceRole != role) return;
                if (!resultRole.empty() && otherRole != resultRole) return;
                out.push_back(fromFirst ? pair.takeSecond() : pair.takeFirst());
            });
        } catch (const CIMException& e) {
            LogMessage(2, "orv::cim::fwf::AbstractAssociationProviderPlugin::enumerateInstances :: %s",
                       e.getMessage().c_str());
            throw;
        }
    }
    if (out.size() == before) LogMessage(4, "No instances of association class %s", path.getClassName().c_str());
    LogTrace(" Exiting AbstractAssociationProviderPlugin::                associatorNames() ");
}

}  // namespace orv::cim::fwf::associations
