#include "ORVNamespaceInManager.h"

#include "InteropCommon.h"

namespace orv::cim::fwf {

ORVNamespaceInManager::ORVNamespaceInManager()
    : AbstractAssociationProviderPlugin({interop::kObjectManagerClass, "Antecedent", interop::kInteropNamespace},
                                        {"ORV_Namespace", "Dependent", interop::kInteropNamespace}) {}

bool ORVNamespaceInManager::MatchInstances(const CIMInstance& first, const CIMInstance& second) {
    return sameText(first, "Name", second, "ObjectManagerName");
}

}  // namespace orv::cim::fwf
