#include "ORVRegProfileElementSoftwareIdentity.h"

#include <utility>
#include <vector>

#include "InteropCommon.h"
#include "Logger.h"

namespace orv::cim::fwf {

namespace {

using interop::kRegisteredSubProfileClass;
using interop::kStorageNamespace;

constexpr const char* kSoftwareInventory = "SNIA+SoftwareInventory+1.0.0";

// The controller, host and provider software belongs to the software
// inventory; the drives' firmware to the disk drive subprofile.
const std::vector<interop::ProfileElementRow> kDescribedSoftware = {
    {kRegisteredSubProfileClass, kSoftwareInventory, "ORV_FirmwareSoftwareIdentity", kStorageNamespace},
    {kRegisteredSubProfileClass, kSoftwareInventory, "ORV_DriverSoftwareIdentity", kStorageNamespace},
    {kRegisteredSubProfileClass, kSoftwareInventory, "ORV_BiosSoftwareIdentity", kStorageNamespace},
    {kRegisteredSubProfileClass, kSoftwareInventory, "ORV_ApplicationSoftwareIdentity", kStorageNamespace},
    {kRegisteredSubProfileClass, "SNIA+Disk Drive Lite+1.4.0", "ORV_DiskDriveSoftwareIdentity", kStorageNamespace},
};

}  // namespace

ORVRegProfileElementSoftwareIdentity::ORVRegProfileElementSoftwareIdentity()
    : AbstractAssociationProviderPlugin({"", "Antecedent", kStorageNamespace},
                                        {kRegisteredSubProfileClass, "Dependent", interop::kInteropNamespace}) {}

void ORVRegProfileElementSoftwareIdentity::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    LogTrace("Entering ORVRegProfileElementSoftwareIdentity::enumerateInstances()");
    for (auto& pair : interop::profileElementPairs(path, kDescribedSoftware, traversalSource())) {
        out.push_back(makeAssociation(path, std::move(pair.element), std::move(pair.profile)));
    }
    LogTrace("Exiting ORVRegProfileElementSoftwareIdentity::enumerateInstances()");
}

// The software end takes several classes; any other object (a controller,
// say) relates to nothing here, and a walk from it need not pair them all.
bool ORVRegProfileElementSoftwareIdentity::isEndpointClass(const std::string& className) const {
    return interop::isRowEndClass(className, kDescribedSoftware);
}

}  // namespace orv::cim::fwf
