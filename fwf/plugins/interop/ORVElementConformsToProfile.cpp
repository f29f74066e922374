#include "ORVElementConformsToProfile.h"

#include <utility>
#include <vector>

#include "InteropCommon.h"
#include "Logger.h"

namespace orv::cim::fwf {

namespace {

using interop::kInteropNamespace;
using interop::kRegisteredProfileClass;
using interop::kRegisteredSubProfileClass;
using interop::kStorageNamespace;

constexpr const char* kControllerClass = "ORV_ControllerComputerSystem";
constexpr const char* kRaidController = "SNIA+Host Hardware RAID Controller+1.4.0";

// The server and SMI-S profiles are implemented by the object manager; the
// RAID controller profile and its subprofiles by each controller's system,
// except indications, which the object manager delivers. The host only scopes
// the controllers: relating it too would answer a client that looks for RAID
// controllers with the host, and with no controller the host alone would
// claim the profile.
const std::vector<interop::ProfileElementRow>& conformance() {
    static const std::vector<interop::ProfileElementRow> rows = [] {
        std::vector<interop::ProfileElementRow> table = {
            {kRegisteredProfileClass, "SNIA+SMI-S+1.4.0", interop::kObjectManagerClass, kInteropNamespace},
            {kRegisteredProfileClass, "SNIA+Server+1.4.0", interop::kObjectManagerClass, kInteropNamespace},
            {kRegisteredProfileClass, kRaidController, kControllerClass, kStorageNamespace},
        };
        for (const auto& subProfile : interop::registeredSubProfiles()) {
            const bool delivered = std::string(subProfile.instanceId) == "SNIA+Indication+1.4.0";
            table.push_back({kRegisteredSubProfileClass, subProfile.instanceId,
                             delivered ? interop::kObjectManagerClass : kControllerClass,
                             delivered ? kInteropNamespace : kStorageNamespace});
        }
        return table;
    }();
    return rows;
}

}  // namespace

ORVElementConformsToProfile::ORVElementConformsToProfile()
    : AbstractAssociationProviderPlugin({"", "ConformantStandard", kInteropNamespace}, {"", "ManagedElement", ""}) {}

void ORVElementConformsToProfile::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    LogTrace("Entering ORVElementConformsToProfile::enumerateInstances()");
    for (auto& pair : interop::profileElementPairs(path, conformance(), traversalSource())) {
        out.push_back(makeAssociation(path, std::move(pair.profile), std::move(pair.element)));
    }
    LogTrace("Exiting ORVElementConformsToProfile::enumerateInstances()");
}

bool ORVElementConformsToProfile::isEndpointClass(const std::string& className) const {
    return interop::isRowEndClass(className, conformance());
}

}  // namespace orv::cim::fwf
