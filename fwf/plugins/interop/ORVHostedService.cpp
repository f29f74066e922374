#include "ORVHostedService.h"

#include "InteropCommon.h"

namespace orv::cim::fwf {

ORVHostedService::ORVHostedService()
    : AbstractAssociationProviderPlugin({interop::kHostComputerSystemClass, "Antecedent", interop::kStorageNamespace},
                                        {interop::kObjectManagerClass, "Dependent", interop::kInteropNamespace}) {}

bool ORVHostedService::MatchInstances(const CIMInstance& first, const CIMInstance& second) {
    return sameText(first, "Name", second, "SystemName");
}

}  // namespace orv::cim::fwf
