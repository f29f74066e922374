#include "ORVHostedAccessPoint.h"

#include "InteropCommon.h"

namespace orv::cim::fwf {

ORVHostedAccessPoint::ORVHostedAccessPoint()
    : AbstractAssociationProviderPlugin({interop::kHostComputerSystemClass, "Antecedent", interop::kStorageNamespace},
                                        {"ORV_CIMXMLCommunicationMechanism", "Dependent", interop::kInteropNamespace}) {}

bool ORVHostedAccessPoint::MatchInstances(const CIMInstance& first, const CIMInstance& second) {
    return sameText(first, "Name", second, "SystemName");
}

}  // namespace orv::cim::fwf
