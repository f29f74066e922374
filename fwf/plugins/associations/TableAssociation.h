// The one plugin behind every row of the association table: the row gives
// the two ends and the pair test, the association base does the rest.
//
// It answers the same pairs as the base's pairwise search, faster:
// - an end whose pair test reads only key properties is enumerated by name,
//   which spares building the instances' other properties;
// - pairs are sought only among instances with the same partition value
//   (mostly the controller number) of the pair test;
// - a traversal from one object pairs that object alone with the other end,
//   and asks the other end only for the instances of the object's system
//   (its controller) when the pair test relates only objects of one system;
// - AssociatorNames answers the other ends' paths as the enumeration found
//   them instead of fetching each again.
#pragma once

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

protected:
    // Only the source object of a traversal, when it exists.
    CIMInstanceList sourceInstance(const CIMObjectPath& request, const AssociationEnd& end, bool full,
                                   const CIMObjectPath& source, const std::string& systemName) const;
    // The associations of every accepted pair, first ends in the outer loop,
    // in the order of both lists; `skipFirst` is left out as a first end.
    void join(const CIMObjectPath& request, const CIMInstanceList& firsts, const CIMInstanceList& seconds,
              CIMInstanceList& out, const CIMObjectPath* skipFirst = nullptr);

private:
    const AssociationRow& row_;
    bool firstFull_;
    bool secondFull_;
};

}  // namespace orv::cim::fwf::associations
