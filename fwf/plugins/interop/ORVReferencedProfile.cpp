#include "ORVReferencedProfile.h"

#include <initializer_list>
#include <vector>

#include "InteropCommon.h"
#include "Logger.h"

namespace orv::cim::fwf {

namespace {

struct Reference {
    const char* antecedentId;
    const char* dependentId;
    const char* antecedentClass;
    const char* dependentClass;
};

constexpr const char* kServer = "SNIA+Server+1.4.0";
constexpr const char* kRaidController = "SNIA+Host Hardware RAID Controller+1.4.0";

// The subprofiles that both the server and the RAID controller profile
// reference, in the order they are published.
constexpr const char* kSharedSubProfiles[] = {
    "SNIA+Disk Drive Lite+1.4.0",     "SNIA+SoftwareInventory+1.0.0", "SNIA+Software+1.3.0",
    "SNIA+JobControl+1.3.0",          "SNIA+ExtentComposition+1.2.0", "SNIA+DiskSparing+1.4.0",
    "SNIA+SAS Initiator Ports+1.3.0", "SNIA+DA Target Ports+1.2.0",   "SNIA+Location+1.4.0",
    "SNIA+DeviceCredentials+1.4.0",   "SNIA+Indication+1.4.0",
};

const std::vector<Reference>& referenceTable() {
    static const std::vector<Reference> table = [] {
        using interop::kRegisteredProfileClass;
        using interop::kRegisteredSubProfileClass;
        std::vector<Reference> rows;
        const auto addProfiles = [&](const char* antecedent, std::initializer_list<const char*> dependents) {
            for (const char* dependent : dependents) {
                rows.push_back({antecedent, dependent, kRegisteredProfileClass, kRegisteredProfileClass});
            }
        };
        const auto addSubProfiles = [&](const char* antecedent) {
            for (const char* dependent : kSharedSubProfiles) {
                rows.push_back({antecedent, dependent, kRegisteredProfileClass, kRegisteredSubProfileClass});
            }
        };
        addProfiles(kServer, {"DMTF+Profile Registration+1.4.0", kRaidController, "DMTF+PhysicalAsset+1.0.0",
                              "SNIA+Block Services+1.4.0"});
        addSubProfiles(kServer);
        addProfiles(kRaidController,
                    {"DMTF+Profile Registration+1.4.0", "DMTF+PhysicalAsset+1.0.0", "SNIA+Block Services+1.4.0"});
        addSubProfiles(kRaidController);
        addProfiles("SNIA+SMI-S+1.4.0", {kRaidController});
        return rows;
    }();
    return table;
}

}  // namespace

ORVReferencedProfile::ORVReferencedProfile()
    : AbstractAssociationProviderPlugin({"", "Antecedent", interop::kInteropNamespace},
                                        {"", "Dependent", interop::kInteropNamespace}) {}

void ORVReferencedProfile::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    LogTrace("Entering ORVReferencedProfile::enumerateInstances()");
    for (const auto& reference : referenceTable()) {
        out.push_back(makeAssociation(path,
                                      interop::profilePath(path.getHost(), reference.antecedentClass,
                                                           reference.antecedentId),
                                      interop::profilePath(path.getHost(), reference.dependentClass,
                                                           reference.dependentId)));
    }
    LogTrace("Exiting ORVReferencedProfile::enumerateInstances()");
}

}  // namespace orv::cim::fwf
