// The one plugin behind every row of the association table: the row gives
// the two ends and the pair test, the association base does the rest.
#pragma once

#include "AbstractAssociationProviderPlugin.h"
#include "AssociationCatalogue.h"

namespace orv::cim::fwf::associations {

class TableAssociation : public AbstractAssociationProviderPlugin {
public:
    explicit TableAssociation(const AssociationRow& row);
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override;
    const AssociationRow& row() const { return row_; }

private:
    const AssociationRow& row_;
};

}  // namespace orv::cim::fwf::associations
