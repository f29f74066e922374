// What the interop classes share: their namespaces, the host name they
// publish, the profile tables, the object manager's identity, and the pairing
// of registered profiles with the elements that stand behind them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "AbstractInstanceProviderPlugin.h"
#include "CIMObjectPath.h"

namespace orv::cim::fwf::interop {

constexpr const char* kInteropNamespace = "root/PG_InterOp";
constexpr const char* kStorageNamespace = "root/orv/Ambrix/smi_14";

constexpr const char* kRegisteredProfileClass = "ORV_RegisteredProfile";
constexpr const char* kRegisteredSubProfileClass = "ORV_RegisteredSubProfile";
constexpr const char* kObjectManagerClass = "ORV_ObjectManager";
constexpr const char* kHostComputerSystemClass = "ORV_HostComputerSystem";

// The host name; CIMException code 1 when it cannot be read (the failure is
// logged under the caller's qualified name).
std::string hostName(const char* qualifiedName);

struct ProfileRecord {
    const char* instanceId;
    uint16_t registeredOrganization;
    const char* registeredName;
    const char* registeredVersion;
    std::vector<uint16_t> advertiseTypes;
};

const std::vector<ProfileRecord>& registeredProfiles();
const std::vector<ProfileRecord>& registeredSubProfiles();

// The path of a registered profile or subprofile in the interop namespace.
CIMObjectPath profilePath(const std::string& host, const std::string& profileClass, const std::string& instanceId);

// Pairs of InstanceIDs, first end first.
using InstanceIdPairs = std::vector<std::pair<const char*, const char*>>;
bool listedPair(const InstanceIdPairs& pairs, const std::string& firstId, const std::string& secondId);

// The object manager as a repository object (its keys, as text) and its
// properties; the software-identity view of it differs only in its
// description.
orv::raidlib::PropertyContainer objectManagerObject(const std::string& hostName);
PropertyList objectManagerProperties(const char* description);
constexpr const char* kObjectManagerDescription = "Pegasus CIM Server Version 2.9.1";

// A registered profile (or subprofile) and a class whose instances stand
// behind it.
struct ProfileElementRow {
    const char* profileClass;
    const char* profileId;
    const char* elementClass;
    const char* elementNamespace;
};
struct ProfileElementPair {
    CIMObjectPath profile;
    CIMObjectPath element;
};
// For each row in order, one pair per instance of its element class that the
// framework currently serves. With a walk's `source`, only the pairs that
// can hold it: the rows of its class, and of an element only itself.
std::vector<ProfileElementPair> profileElementPairs(const CIMObjectPath& request,
                                                    const std::vector<ProfileElementRow>& rows,
                                                    const CIMObjectPath* source = nullptr);
// Whether an object of this class (CIM_ names as ours) stands at either end
// of some row: a walk from any other object pairs nothing.
bool isRowEndClass(const std::string& className, const std::vector<ProfileElementRow>& rows);
// A CIM_ class name as the class of ours that serves it (CIM_X as ORV_X);
// any other name as it is.
std::string providerClassName(const std::string& className);

}  // namespace orv::cim::fwf::interop
