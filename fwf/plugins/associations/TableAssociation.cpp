#include "TableAssociation.h"

#include "Logger.h"

namespace orv::cim::fwf::associations {

TableAssociation::TableAssociation(const AssociationRow& row)
    : AbstractAssociationProviderPlugin(row.first, row.second), row_(row) {
    LogMessage(5, "%s serves %s: %s", row.pluginName, row.className, row.test.describe().c_str());
}

bool TableAssociation::MatchInstances(const CIMInstance& first, const CIMInstance& second) {
    return row_.test.matches(first, second);
}

}  // namespace orv::cim::fwf::associations
