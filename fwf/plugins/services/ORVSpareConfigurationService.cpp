#include "ORVSpareConfigurationService.h"

#include <algorithm>
#include <vector>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "ControllerSupport.h"
#include "Logger.h"
#include "PropertyBuilders.h"
#include "RaidLibraryAccess.h"
#include "ServiceSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;
using orv::raidlib::VRLibFacadeIntf;

namespace {

constexpr const char* kClassName = kSpareConfigurationService.className;
constexpr const char* kNamePrefix = kSpareConfigurationService.namePrefix;
constexpr const char* kExtentClass = "ORV_StorageExtent";

// The four methods check their references alike but answer in their own
// words and codes, which clients already match on; each keeps its own.
struct MethodTexts {
    const char* qualifiedName;
    const char* nullMessage;  // takes the parameter name
    int serviceKeyCode;
    const char* serviceKeyMessage;  // takes the key name
    int extentKeyCode;
    const char* extentKeyMessage;  // takes the key name (AssignSpares: the extent path)
    int controllerCode;
    const char* controllerMessage;  // takes the extent's and the service's controller
};

constexpr MethodTexts kAssignSpares{
    "orv::cim::fwf::ORVSpareConfigurationService::AssignSpares",
    "User passed NULL %s",
    4,
    "ObjectPath passed does not contain key %s",
    4,
    "DeviceID key missing in StorageExtent recieved %s.",
    4,
    "Invalid Parameter, Extent Controller ID : %d,                     Service Controller ID : %d does not match"};
constexpr MethodTexts kUnassignSpares{
    "orv::cim::fwf::ORVSpareConfigurationService::UnassignSpares",
    "User passed NULL %s",
    23,
    "Invalid SpareConfigurationService object passed, %s key property missing.",
    23,
    "Invalid Extent object passed, %s key property missing.",
    5,
    "Invalid Parameter, Extent Controller ID : %d,                 Service Controller ID : %d does not match"};
constexpr MethodTexts kRebuildStorageExtent{
    "orv::cim::fwf::ORVSpareConfigurationService::RebuildStorageExtent",
    "User passed NULL %s.",
    23,
    "Invalid SpareConfigurationService object passed, %s key property missing.",
    23,
    "Invalid Extent passed, Key property %s missing.",
    5,
    "Storage Extent Controller id : %d, Service Controller id : %d, do not match."};
constexpr MethodTexts kCheckParityConsistency{
    "orv::cim::fwf::ORVSpareConfigurationService::CheckParityConsistency",
    "User passed NULL %s.",
    23,
    "Invalid SpareConfigurationService object passes, Key property %s missing.",
    23,
    "Invalid Extent object passes, Key property %s missing.",
    5,
    "Storage Extent Controller id : %d, Service Controller id : %d, do not match."};

// A reference parameter and the class its paths must have.
struct ReferenceParameter {
    const char* name;
    const char* expectedClass;
    bool isArray;
};

[[noreturn]] void raise(int code, const std::string& message) { throw CIMException(code, message); }

std::string formatted(const char* pattern, const char* text) { return CIMException(0, pattern, text).getMessage(); }

// Presence, kind and class of one reference parameter; its paths.
std::vector<CIMObjectPath> checkedReferences(const CIMArgumentList& in, const ReferenceParameter& parameter,
                                             const MethodTexts& texts) {
    const CIMProperty* argument = givenArgument(in, parameter.name);
    if (argument == nullptr) {
        LogMessage(2, "%s :: User passed NULL %s.", texts.qualifiedName, parameter.name);
        raise(5, formatted(texts.nullMessage, parameter.name));
    }
    const CIMDataType expectedType = parameter.isArray ? CIM_REFERENCE_ARRAY : CIM_REFERENCE;
    if (argument->getType() != expectedType) {
        raise(4, formatted(parameter.isArray ? "User passed Invalid data type for %s.ObjectPath array is expected"
                                             : "User passed Invalid data type for %s.ObjectPath is expected",
                           parameter.name));
    }
    const std::vector<CIMObjectPath> paths = referencesOf(*argument);
    for (const CIMObjectPath& path : paths) {
        if (isClass(path, parameter.expectedClass)) continue;
        LogMessage(2, "%s :: Parameter %s invalid, %s passed, %s expected.", texts.qualifiedName, parameter.name,
                   path.getClassName().c_str(), parameter.expectedClass);
        throw CIMException(5, "Parameter %s invalid, %s passed, %s expected.", parameter.name,
                           path.getClassName().c_str(), parameter.expectedClass);
    }
    return paths;
}

struct ExtentName {
    uint32_t contrId;
    uint32_t compPdId;
    std::string deviceId;
};

// The service's controller, then each extent's DeviceID and controller.
std::vector<ExtentName> checkedExtents(const CIMObjectPath& service, const std::vector<CIMObjectPath>& extents,
                                       const MethodTexts& texts) {
    if (!stringKeyValue(service, "Name")) raise(texts.serviceKeyCode, formatted(texts.serviceKeyMessage, "Name"));
    const uint32_t serviceController = serviceControllerId(service);
    std::vector<ExtentName> names;
    for (const CIMObjectPath& extent : extents) {
        const std::optional<std::string> deviceId = stringKeyValue(extent, "DeviceID");
        if (!deviceId) {
            if (&texts != &kAssignSpares) raise(texts.extentKeyCode, formatted(texts.extentKeyMessage, "DeviceID"));
            if (extent.getKeyBindings().empty()) raise(4, "Invalid Storage Extents Passed.");
            raise(4, formatted(texts.extentKeyMessage, extent.toString().c_str()));
        }
        const ExtentName name{keyFieldNumber(*deviceId, 1), keyFieldNumber(*deviceId, 2), *deviceId};
        if (name.contrId != serviceController) {
            throw CIMException(texts.controllerCode, texts.controllerMessage, static_cast<int>(name.contrId),
                               static_cast<int>(serviceController));
        }
        names.push_back(name);
    }
    return names;
}

// The disks of the extents, each at most once.
std::vector<uint32_t> distinctDisks(const std::vector<ExtentName>& extents) {
    std::vector<uint32_t> disks;
    for (const ExtentName& extent : extents) {
        if (std::find(disks.begin(), disks.end(), extent.compPdId) != disks.end())
            throw CIMException(2, "Extent %d passed invalid, already in use.", static_cast<int>(extent.compPdId));
        disks.push_back(extent.compPdId);
    }
    return disks;
}

VRLibFacadeIntf& libraryOr(const char* qualifiedName, const char* missingLine) {
    VRLibFacadeIntf* library = raidLibrary();
    if (library == nullptr) {
        LogMessage(2, missingLine, qualifiedName);
        throw CIMException(2, std::string("Failed to query hardware."));
    }
    return *library;
}

PropertyContainer diskInput(uint32_t contrId, const std::vector<uint32_t>& disks) {
    PropertyContainer in;
    in.insertInt("contrId", contrId, true);
    in.insertVector("compPdId", disks, true);
    return in;
}

// AssignSpares and UnassignSpares: every extent checked and named once, then
// one library call for all of them.
uint32_t changeSpares(const CIMObjectPath& service, const CIMArgumentList& in, bool assign) {
    const MethodTexts& texts = assign ? kAssignSpares : kUnassignSpares;
    const std::vector<CIMObjectPath> extents =
        checkedReferences(in, {"InExtents", kExtentClass, true}, texts);
    const std::vector<CIMObjectPath> pool =
        checkedReferences(in, {"InPool", "ORV_PrimordialStoragePool", false}, texts);
    if (assign) {
        checkedReferences(in, {"RedundancySet", "ORV_StorageRedundancySet", false}, texts);
    } else {
        LogMessage(5, "%s :: Storage Pool recieved %s.", texts.qualifiedName, pool.at(0).toString().c_str());
    }
    const std::vector<ExtentName> names = checkedExtents(service, extents, texts);
    const std::vector<uint32_t> disks = distinctDisks(names);

    VRLibFacadeIntf& library = libraryOr(texts.qualifiedName, assign ? "%s :: Failed to retrieve Vrlib handle."
                                                                     : "%s :: Invalid Vrlib handle.");
    const LibraryAnswer answer = runLibraryOperation(library, assign ? "createHotSpare" : "deleteHotSpare",
                                                     diskInput(serviceControllerId(service), disks));
    if (answer.status != 0) {
        LogMessage(2, assign ? "%s :: Operation failed, Vrlib returned %d" : "%s :: Vrlib operation failed with error : %d",
                   texts.qualifiedName, static_cast<int>(answer.status));
        raise(4, CommonFunctions::getErrorDescription(answer.status));
    }
    return ORVSpareConfigurationService::kCompleted;
}

uint32_t rebuildExtent(const CIMObjectPath& service, const CIMArgumentList& in) {
    const MethodTexts& texts = kRebuildStorageExtent;
    const std::vector<CIMObjectPath> target = checkedReferences(in, {"Target", kExtentClass, false}, texts);
    LogMessage(4, "%s :: StorageExtent recieved : %s", texts.qualifiedName, target.at(0).toString().c_str());
    const ExtentName extent = checkedExtents(service, target, texts).at(0);
    VRLibFacadeIntf& library = libraryOr(texts.qualifiedName, "%s :: Failed to retrieve Vrlib handle.");
    LogMessage(4, "%s :: InParameters passed to Vrlib -->", texts.qualifiedName);
    LogMessage(4, "Name : %s --> Value : %d", "contrId", static_cast<int>(extent.contrId));
    LogMessage(4, "Name : %s --> Value : %d", "compPdId", static_cast<int>(extent.compPdId));
    PropertyContainer request;
    request.insertInt("contrId", extent.contrId, true);
    request.insertInt("compPdId", extent.compPdId, true);
    if (const LibraryAnswer answer = runLibraryOperation(library, "rebuildVolume", request); answer.status != 0) {
        LogMessage(2, "%s :: Operation %s failed, Vrlib returned error %d", texts.qualifiedName, "rebuildVolume",
                   static_cast<int>(answer.status));
        raise(4, CommonFunctions::getErrorDescription(answer.status));
    }
    return ORVSpareConfigurationService::kCompleted;
}

uint32_t checkParity(const CIMObjectPath& service, const CIMArgumentList& in) {
    const MethodTexts& texts = kCheckParityConsistency;
    const std::vector<CIMObjectPath> target = checkedReferences(in, {"Target", kExtentClass, false}, texts);
    LogMessage(4, "%s :: StorageExtent recieved %s.", texts.qualifiedName, target.at(0).toString().c_str());
    const ExtentName extent = checkedExtents(service, target, texts).at(0);
    VRLibFacadeIntf& library = libraryOr(texts.qualifiedName, "%s :: Failed to retrieve Vrlib handle.");

    // The parity check runs on the array the disk belongs to.
    PropertyContainer keys;
    keys.insertInt("contrId", extent.contrId, true);
    keys.insertInt("compPdId", extent.compPdId, true);
    PropertyContainer disk;
    if (library.getObjectInstance(kPhysicalDisks, keys, disk) != 0)
        raise(2, "Failed to proceed,             StorageExtent instance cannot be retrieved.");
    orv::raidlib::VrlInt vdIndex = 0;
    if (disk.getPropertyValue(vdIndex, "vdIndex", false) != 0)
        raise(2, "Failed to proceed, VD Index cannot be retrieved.");
    LogMessage(4, "%s :: Volume Index retrieved from Vrlib for extent : %d.", texts.qualifiedName,
               static_cast<int>(vdIndex));
    PropertyContainer request;
    request.insertInt("contrId", extent.contrId, true);
    request.insertInt("vdIndex", vdIndex, true);
    if (const LibraryAnswer answer = runLibraryOperation(library, "resyncVolume", request); answer.status != 0) {
        LogMessage(2, "%s :: Vrlib operation %s returned error %d.", texts.qualifiedName, "resyncVolume",
                   static_cast<int>(answer.status));
        raise(4, CommonFunctions::getErrorDescription(answer.status));
    }
    return ORVSpareConfigurationService::kCompleted;
}

}  // namespace

void ORVSpareConfigurationService::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVSpareConfigurationService::getRepositoryObjects";
    // Name is the one key that tells the controller; a get without it cannot
    // be answered, which is the client's error, not "no such instance".
    if (isClass(path, kClassName) && !path.getKeyBindings().empty() && !stringKeyValue(path, "Name")) {
        LogMessage(2, "%s :: Key Property %s not found in object path passed.", kName, "Name");
        throw CIMException(6, "Key Property %s not found in object path passed.", "Name");
    }
    selectControllerObjects(path, {kClassName, "Name", 2, kName}, out);
}

void ORVSpareConfigurationService::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                    KeyBindingList& out) {
    controllerServiceKeys(object, kClassName, kNamePrefix, "orv::cim::fwf::ORVSpareConfigurationService::getKeyAttributes", out);
}

void ORVSpareConfigurationService::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                       PropertyList& out) {
    controllerServiceElementName(object, "Spare configuration", out);
}

uint32_t ORVSpareConfigurationService::invokeMethod(CIMObjectPath path, const std::string& methodName,
                                                    const CIMArgumentList& in, CIMArgumentList&) {
    const auto is = [&methodName](const char* name) { return sameCimName(methodName, name); };
    if (is("AssignSpares")) return changeSpares(path, in, true);
    if (is("UnassignSpares")) return changeSpares(path, in, false);
    if (is("RebuildStorageExtent")) return rebuildExtent(path, in);
    if (is("CheckParityConsistency")) return checkParity(path, in);
    // Known to clients of the sparing profile, but the controller offers no
    // parity repair and spares are found through the redundancy sets.
    if (is("RepairParity") || is("GetAvailableSpareExtents")) {
        LogMessage(4, "orv::cim::fwf::ORVSpareConfigurationService::invokeMethod :: %s is not supported",
                   methodName.c_str());
        return kNotSupported;
    }
    LogMessage(2, "orv::cim::fwf::ORVSpareConfigurationService::invokeMethod :: %s :: Not supported",
               methodName.c_str());
    return kNotSupported;
}

}  // namespace orv::cim::fwf
