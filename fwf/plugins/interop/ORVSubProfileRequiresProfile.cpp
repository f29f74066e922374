#include "ORVSubProfileRequiresProfile.h"

#include "InteropCommon.h"

namespace orv::cim::fwf {

namespace {

constexpr const char* kRaidController = "SNIA+Host Hardware RAID Controller+1.4.0";

const interop::InstanceIdPairs kRequirements = {
    {kRaidController, "SNIA+Disk Drive Lite+1.4.0"},
    {kRaidController, "SNIA+SoftwareInventory+1.0.0"},
    {kRaidController, "DMTF+Software+1.3.0"},
    {kRaidController, "SNIA+JobControl+1.3.0"},
    {kRaidController, "SNIA+ExtentComposition+1.2.0"},
    {kRaidController, "SNIA+DiskSparing+1.4.0"},
    {kRaidController, "SNIA+SAS Initiator Ports+1.3.0"},
    {kRaidController, "SNIA+DA Target Ports+1.2.0"},
    {kRaidController, "SNIA+Location+1.4.0"},
    {kRaidController, "SNIA+DeviceCredentials+1.4.0"},
    {kRaidController, "DMTF+PhysicalAsset+1.0.0"},
    {kRaidController, "SNIA+Indication+1.4.0"},
    {kRaidController, "DMTF+Block Services+1.4.0"},
    {kRaidController, "SNIA+Battery+1.0.0"},
    {"SNIA+Server+1.4.0", "SNIA+Indication+1.4.0"},
};

}  // namespace

ORVSubProfileRequiresProfile::ORVSubProfileRequiresProfile()
    : AbstractAssociationProviderPlugin({interop::kRegisteredProfileClass, "Antecedent", interop::kInteropNamespace},
                                        {interop::kRegisteredSubProfileClass, "Dependent", interop::kInteropNamespace}) {}

bool ORVSubProfileRequiresProfile::MatchInstances(const CIMInstance& first, const CIMInstance& second) {
    return interop::listedPair(kRequirements, readProperty<std::string>(first, "InstanceID").value_or(""),
                               readProperty<std::string>(second, "InstanceID").value_or(""));
}

}  // namespace orv::cim::fwf
