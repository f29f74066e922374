#include "ORVStrgConfServiceElementCapabilities.h"

namespace orv::cim::fwf {

ORVStrgConfServiceElementCapabilities::ORVStrgConfServiceElementCapabilities()
    : AbstractAssociationProviderPlugin({"ORV_StorageConfigurationServiceCapabilities", "Capabilities", ""},
                                        {"ORV_StorageConfigurationService", "ManagedElement", ""}) {}

bool ORVStrgConfServiceElementCapabilities::MatchInstances(const CIMInstance& first, const CIMInstance& second) {
    return sameKeyNumber(first, {"InstanceID", 2}, second, {"Name", 2});
}

}  // namespace orv::cim::fwf
