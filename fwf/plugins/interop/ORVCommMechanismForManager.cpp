#include "ORVCommMechanismForManager.h"

#include "InteropCommon.h"

namespace orv::cim::fwf {

ORVCommMechanismForManager::ORVCommMechanismForManager()
    : AbstractAssociationProviderPlugin({interop::kObjectManagerClass, "Antecedent", interop::kInteropNamespace},
                                        {"ORV_CIMXMLCommunicationMechanism", "Dependent", interop::kInteropNamespace}) {}

bool ORVCommMechanismForManager::MatchInstances(const CIMInstance& first, const CIMInstance& second) {
    return sameText(first, "SystemName", second, "SystemName");
}

}  // namespace orv::cim::fwf
