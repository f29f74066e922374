// The one plugin behind every row of the association table: the row gives
// the two ends and the pair test, the association base does the rest.
//
// It answers the same pairs as the base's pairwise search, faster:
// - an end whose pair test reads only key properties is enumerated by name,
//   which spares building the instances' other properties, and its objects
//   are read from their names;
// - the pair test reads each object once (its join key) and pairs are found
//   by hashing the keys instead of testing every pair;
// - two ends of one class are enumerated once;
// - a traversal from one object pairs that object alone with the other end,
//   and asks the other end only for the instances of the object's system
//   (its controller) when the pair test relates only objects of one system;
// - AssociatorNames answers the other ends' paths as the enumeration found
//   them, without building the association instances, instead of
//   fetching each again.
#pragma once

#include <functional>

#include "AbstractAssociationProviderPlugin.h"
#include "AssociationCatalogue.h"

namespace orv::cim::fwf::associations {

class TableAssociation : public AbstractAssociationProviderPlugin {
public:
    explicit TableAssociation(const AssociationRow& row);
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override;
    const AssociationRow& row() const { return row_; }

    void enumerateInstances(CIMObjectPath path, CIMInstanceList& out) override;
    void associatorNames(CIMObjectPath path, const std::string& associationClass, CIMObjectPathList& out,
                         const std::string& role, const std::string& resultRole,
                         const std::string& resultClass) override;

private:
    class EndObjects;
    class Pair;
    using PairVisitor = std::function<void(Pair& pair)>;

    // Visits the two ends' paths of every association, first ends in the
    // outer loop, each end in the order its plugin listed it; with a source,
    // only the pairs a walk from it can reach (and perhaps a few more).
    void forEachPair(const CIMObjectPath& request, const CIMObjectPath* source, const PairVisitor& visit) const;
    // An end's objects, of one system when systemName is not empty: their
    // names, or their instances with the properties `read` names.
    EndObjects listEnd(const CIMObjectPath& request, const AssociationEnd& end, const PropertyNameList* read,
                       const std::string& systemName) const;
    // Only the source object of a traversal, when it exists.
    EndObjects sourceObjects(const CIMObjectPath& request, const AssociationEnd& end, bool full,
                             const CIMObjectPath& source, const std::string& systemName) const;
    // Every accepted pair of the two lists; `skipFirst` is left out as a
    // first end. With handOver, the lists serve no other join, and a path
    // taken for an answer on its last pair is moved out of its list.
    void join(EndObjects& firsts, EndObjects& seconds, const CIMObjectPath* skipFirst, bool handOver,
              const PairVisitor& visit) const;

    // What the pair test reads of the instances of the first end, the
    // second, or both (one listing of a class that stands at both ends,
    // full when either end is): null when it reads only keys.
    const PropertyNameList* instancesRead(bool first, bool second) const;

    const AssociationRow& row_;
    bool firstFull_;
    bool secondFull_;
    PropertyNameList firstReads_;
    PropertyNameList secondReads_;
    PropertyNameList bothReads_;
};

}  // namespace orv::cim::fwf::associations
