// Text made from the class table: the provider registration for OpenPegasus
// and SFCB, and the compact CIM base declarations that our own server reads.
// The generated files are kept in the source tree so that no build needs the
// generator; a test checks that they still match what it makes.
#pragma once

#include "ClassTable.h"

#include <string>
#include <vector>

namespace orv::schema {

inline constexpr const char* kStorageNamespace = "root/orv/Ambrix/smi_14";
inline constexpr const char* kInteropNamespace = "root/PG_InterOp";

// The indication classes whose instances the provider delivers. It sends
// them under the CIM class names themselves (alerts and instance lifecycle
// of its own classes), so they are registered as they are, not as
// subclasses of ours.
const std::vector<std::string>& deliveredIndicationClasses();

struct ProviderIdentity {
    std::string moduleName = "AmbrixProvider15Module";
    std::string providerName = "AmbrixProvider15";  // prefix of the exported factory functions
    std::string location = "AmbrixProvider15";      // libAmbrixProvider15.so
    std::string vendor = "ORV-Kestra";
    std::string version = "1.5.0";
};

struct Registration {
    std::string className;
    bool instance = false;
    bool association = false;
    bool method = false;
    bool indication = false;
    std::vector<std::string> namespaces;
};

// One registration per provider class ("ORV_" prefix) of the table, in
// declaration order, then one per delivered indication class:
// - every provider class serves instances; association classes also serve
//   association traversal;
// - a class that declares methods of its own serves method calls;
// - classes declared in a file whose name begins with "Interop" are served
//   in the interop namespace as well as the storage namespace, because the
//   profile and object-manager classes cross between the two; all others are
//   served in the storage namespace.
std::vector<Registration> providerRegistrations(const ClassTable& table);

std::string pegasusRegistration(const std::vector<Registration>& registrations,
                                const ProviderIdentity& identity = {});
std::string sfcbRegistration(const std::vector<Registration>& registrations,
                             const ProviderIdentity& identity = {});

// Declarations of the CIM classes that the provider's classes need: their
// ancestors, the classes their references name, the delivered indication
// classes, and so on until nothing is missing. Each class keeps its
// superclass, the structural qualifiers (Abstract, Association, Indication,
// Aggregation, Key, Override, Aggregate, EmbeddedInstance, EmbeddedObject,
// IN, OUT), and its own property and method declarations with their types;
// descriptions, value maps and defaults are left out. The table must hold
// the full CIM schema and the provider's classes.
std::string cimBaseMof(const ClassTable& cimAndProviderSchema, const std::string& schemaVersion);

}  // namespace orv::schema
