#include "InteropCommon.h"

#include <algorithm>
#include <map>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "FrameworkFacade.h"
#include "Logger.h"
#include "OsServices.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf::interop {

std::string hostName(const char* qualifiedName) {
    char buffer[256] = {};
    const int status = OsGetHostName(buffer, sizeof buffer);
    if (status != 0) {
        LogMessage(2, "%s :: OsNeutralLib OrvGetHostName returned error %d", qualifiedName, status);
        throw CIMException(1, std::string("Failed to retrieve Host Name."));
    }
    return buffer;
}

const std::vector<ProfileRecord>& registeredProfiles() {
    static const std::vector<ProfileRecord> profiles = {
        {"SNIA+Host Hardware RAID Controller+1.4.0", 11, "Host Hardware RAID Controller", "1.4.0", {3}},
        {"SNIA+Server+1.4.0", 11, "Server", "1.4.0", {2}},
        {"SNIA+SMI-S+1.4.0", 11, "SMI-S", "1.4.0", {3}},
        {"SNIA+Base Server+1.4.0", 11, "Base Server", "1.4.0", {3}},
        {"DMTF+Profile Registration+1.4.0", 11, "Profile Registration", "1.4.0", {2}},
    };
    return profiles;
}

const std::vector<ProfileRecord>& registeredSubProfiles() {
    static const std::vector<ProfileRecord> subProfiles = {
        {"SNIA+Disk Drive Lite+1.4.0", 11, "Disk Drive Lite", "1.4.0", {2}},
        {"SNIA+SoftwareInventory+1.0.0", 11, "Software", "1.0.0", {2}},
        {"DMTF+Block Services+1.4.0", 11, "Block Services", "1.4.0", {2}},
        {"DMTF+Software+1.3.0", 11, "Software", "1.3.0", {2}},
        {"SNIA+JobControl+1.3.0", 11, "JobControl", "1.3.0", {2}},
        {"SNIA+ExtentComposition+1.2.0", 11, "Extent Composition", "1.2.0", {2}},
        {"SNIA+DiskSparing+1.4.0", 11, "Disk Sparing", "1.4.0", {2}},
        {"SNIA+SAS Initiator Ports+1.3.0", 11, "SAS Initiator Ports", "1.3.0", {2}},
        {"SNIA+DA Target Ports+1.2.0", 11, "DA Target Ports", "1.2.0", {2}},
        {"SNIA+DeviceCredentials+1.4.0", 11, "DeviceCredentials", "1.4.0", {3}},
        {"DMTF+PhysicalAsset+1.0.0", 2, "Physical Asset", "1.0.0", {2}},
        {"SNIA+Indication+1.4.0", 11, "Indication", "1.4.0", {2}},
        {"SNIA+Battery+1.0.0", 2, "Battery", "1.0.0", {2}},
    };
    return subProfiles;
}

CIMObjectPath profilePath(const std::string& host, const std::string& profileClass, const std::string& instanceId) {
    CIMObjectPath path(host, kInteropNamespace, profileClass);
    path.addKeyBinding(stringKey("InstanceID", instanceId));
    return path;
}

bool listedPair(const InstanceIdPairs& pairs, const std::string& firstId, const std::string& secondId) {
    return std::any_of(pairs.begin(), pairs.end(),
                       [&](const auto& pair) { return firstId == pair.first && secondId == pair.second; });
}

orv::raidlib::PropertyContainer objectManagerObject(const std::string& hostName) {
    orv::raidlib::PropertyContainer object;
    object.insertString("CreationClassName", kObjectManagerClass, true);
    object.insertString("Name", hostName + "_ObjectManager", true);
    object.insertString("SystemCreationClassName", kHostComputerSystemClass, true);
    object.insertString("SystemName", hostName, true);
    return object;
}

PropertyList objectManagerProperties(const char* description) {
    return {stringProperty("ElementName", "ORVObjectManager"),
            arrayProperty<uint16_t>("OperationalStatus", {2}, CIM_UINT16_ARRAY),
            stringProperty("Description", description), scalarProperty("Started", true, CIM_BOOLEAN),
            scalarProperty("GatherStatisticalData", true, CIM_BOOLEAN)};
}

std::string providerClassName(const std::string& className) {
    if (className.compare(0, 3, "CIM") != 0) return className;
    const auto separator = className.find('_');
    return separator == std::string::npos ? className : "ORV_" + className.substr(separator + 1);
}

bool isRowEndClass(const std::string& className, const std::vector<ProfileElementRow>& rows) {
    const std::string wanted = providerClassName(className);
    return std::any_of(rows.begin(), rows.end(), [&](const ProfileElementRow& row) {
        return CommonFunctions::equalsIgnoreCase(row.profileClass, wanted) ||
               CommonFunctions::equalsIgnoreCase(row.elementClass, wanted);
    });
}

std::vector<ProfileElementPair> profileElementPairs(const CIMObjectPath& request,
                                                    const std::vector<ProfileElementRow>& rows,
                                                    const CIMObjectPath* source) {
    std::vector<ProfileElementPair> pairs;
    FrameworkFacade* facade = FrameworkFacade::getInstance();
    if (facade == nullptr) return pairs;
    const std::string sourceClass = source == nullptr ? std::string() : providerClassName(source->getClassName());
    const auto isSourceClass = [&](const char* className) {
        return CommonFunctions::equalsIgnoreCase(sourceClass, className);
    };
    // Several rows name the same element class; enumerate each class once.
    std::map<std::string, CIMObjectPathList> elementsByClass;
    for (const auto& row : rows) {
        const bool fromElement = source != nullptr && isSourceClass(row.elementClass);
        if (source != nullptr && !fromElement && !isSourceClass(row.profileClass)) continue;
        auto found = elementsByClass.find(row.elementClass);
        if (found == elementsByClass.end()) {
            CIMObjectPathList names;
            facade->enumerateInstanceNames(CIMObjectPath(request.getHost(), row.elementNamespace, row.elementClass),
                                           names);
            // A walk from an element pairs that element alone, whichever
            // row names its class: the others are dropped once, here.
            if (fromElement)
                names.erase(std::remove_if(names.begin(), names.end(),
                                           [&](const CIMObjectPath& element) { return !(element == *source); }),
                            names.end());
            found = elementsByClass.emplace(row.elementClass, std::move(names)).first;
        }
        for (const auto& element : found->second)
            pairs.push_back({profilePath(request.getHost(), row.profileClass, row.profileId), element});
    }
    return pairs;
}

}  // namespace orv::cim::fwf::interop
