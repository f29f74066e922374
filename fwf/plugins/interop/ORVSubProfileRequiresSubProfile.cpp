#include "ORVSubProfileRequiresSubProfile.h"

#include "InteropCommon.h"

namespace orv::cim::fwf {

namespace {

const interop::InstanceIdPairs kRequirements = {
    {"SNIA:HHR", "SNIA:PhysicalPackage"},
    {"SNIA:HHR", "SNIA:Block Services"},
    {"SNIA:Server", "SNIA:HHR"},
};

}  // namespace

ORVSubProfileRequiresSubProfile::ORVSubProfileRequiresSubProfile()
    : AbstractAssociationProviderPlugin({interop::kRegisteredSubProfileClass, "Antecedent", interop::kInteropNamespace},
                                        {interop::kRegisteredSubProfileClass, "Dependent", interop::kInteropNamespace}) {}

bool ORVSubProfileRequiresSubProfile::MatchInstances(const CIMInstance& first, const CIMInstance& second) {
    return interop::listedPair(kRequirements, readProperty<std::string>(first, "InstanceID").value_or(""),
                               readProperty<std::string>(second, "InstanceID").value_or(""));
}

}  // namespace orv::cim::fwf
