#include "ORVStorageConfigurationService.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "ControllerSupport.h"
#include "FrameworkFacade.h"
#include "Logger.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "RaidLibraryAccess.h"
#include "ServiceSupport.h"
#include "StorageSettingSupport.h"
#include "VrlRecords.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;
using orv::raidlib::VRLibFacadeIntf;

namespace {

constexpr const char* kClassName = kStorageConfigurationService.className;
constexpr const char* kNamePrefix = kStorageConfigurationService.namePrefix;
constexpr const char* kCreateVolumeName = "orv::cim::fwf::ORVStorageConfigurationService::createVD";
constexpr const char* kDeleteVolumeName = "orv::cim::fwf::ORVStorageConfigurationService::deleteVD";
constexpr const char* kCreatePoolName = "orv::cim::fwf::ORVStorageConfigurationService::CreateStoragePool";
constexpr const char* kDeletePoolName = "orv::cim::fwf::ORVStorageConfigurationService::DeletePool";
constexpr const char* kClearConfigurationName = "orv::cim::fwf::ORVStorageConfigurationService::clearConfiguration";
constexpr const char* kClearMetaDataName = "orv::cim::fwf::ORVStorageConfigurationService::clearMetaData";
constexpr const char* kFactoryDefaultsName = "orv::cim::fwf::ORVStorageConfigurationService::SetFactoryDefaults";

// CreateOrModifyElementFromStoragePool's answer when the pool cannot hold
// the requested size; the output Size then tells what it can hold.
constexpr uint32_t kSizeNotSupported = 4097;
// ElementType values a volume may be asked for as: unspecified, StorageVolume.
constexpr uint16_t kElementTypeUnspecified = 0;
constexpr uint16_t kElementTypeStorageVolume = 2;

[[noreturn]] void refuse(int code, const std::string& message) {
    LogMessage(2, "%s", message.c_str());
    throw CIMException(code, message);
}

std::string format(const char* pattern, const std::string& text) {
    return CIMException(0, pattern, text.c_str()).getMessage();
}

[[noreturn]] void refuseLibraryStatus(int code, uint32_t status) {
    throw CIMException(code, CommonFunctions::getErrorDescription(status));
}

// The library, or the method's own level-2 line and code 4.
VRLibFacadeIntf& libraryFor(const char* missingLine) {
    VRLibFacadeIntf* library = raidLibrary();
    if (library == nullptr) {
        LogMessage(2, "%s", missingLine);
        throw CIMException(4, std::string("An Internal error has occurred."));
    }
    return *library;
}

// Raises code 5 with `typeMessage` (a format taking the argument name) when a
// given argument is not of the expected type.
void requireType(const CIMProperty* argument, CIMDataType expected, const char* typeMessage) {
    if (argument != nullptr && argument->getType() != expected) refuse(5, format(typeMessage, argument->getName()));
}

template <typename T>
T scalarOf(const CIMProperty& argument) {
    return argument.getValue<T>().at(0);
}

PropertyContainer controllerInput(uint32_t contrId) {
    PropertyContainer in;
    in.insertInt("contrId", contrId, true);
    return in;
}

PropertyContainer arrayInput(const ArrayName& array) {
    PropertyContainer in = controllerInput(array.contrId);
    in.insertInt("vdIndex", array.vdIndex, true);
    return in;
}

CIMObjectPath poolPath(const CIMObjectPath& service, const ArrayName& array) {
    CIMObjectPath path(service.getHost(), service.getNameSpace(), "ORV_ConcreteStoragePool");
    path.addKeyBinding(stringKey("InstanceID", arrayId(array.contrId, array.vdIndex)));
    return path;
}

// The array a pool or volume reference names by its identifying key.
ArrayName arrayNamedBy(const CIMObjectPath& reference, const char* keyName) {
    return parseArrayId(stringKeyValue(reference, keyName).value_or(""));
}

// ---- Volumes -----------------------------------------------------------------

uint32_t createVolume(const CIMObjectPath& service, const CIMArgumentList& in, CIMArgumentList& out) {
    LogTrace("Entering ORVStorageConfigurationService::CreateVD()");
    VRLibFacadeIntf& library = libraryFor("The Creation of Volume Failed : pVrlFacade == NULL");
    const CIMProperty* elementType = givenArgument(in, "ElementType");
    const CIMProperty* size = givenArgument(in, "Size");
    const CIMProperty* inPool = givenArgument(in, "InPool");
    const CIMProperty* goal = givenArgument(in, "Goal");
    const CIMProperty* theElement = givenArgument(in, "TheElement");
    const CIMProperty* elementName = givenArgument(in, "ElementName");
    const CIMProperty* initializationMode = givenArgument(in, "initializationMode");
    for (const auto& [argument, level, line] : {std::tuple{inPool, 5, "User passed InPool:%s"},
                                                std::tuple{goal, 5, "User passed Goal:%s"},
                                                std::tuple{theElement, 4, "User passed THE_ELEMENT:%s"}}) {
        if (argument != nullptr && argument->getType() == CIM_REFERENCE)
            LogMessage(level, line, scalarOf<CIMObjectPath>(*argument).toString().c_str());
    }
    if (elementName != nullptr && elementName->getType() == CIM_STRING)
        LogMessage(5, "User passed ELEMENT_NAME:%s", scalarOf<std::string>(*elementName).c_str());

    if (elementType == nullptr) {
        LogMessage(2, "User passed %s as NULL", "ElementType");
    } else if (elementType->getType() == CIM_UINT16) {
        const uint16_t type = scalarOf<uint16_t>(*elementType);
        if (type != kElementTypeUnspecified && type != kElementTypeStorageVolume)
            refuse(5, CIMException(0, "User passed Invalid ElementType %d", type).getMessage());
    }
    if (theElement != nullptr) refuse(5, "Modification of LogicalElement is not Supported");
    if (initializationMode == nullptr) LogMessage(2, "User passed initilizationMode as NULL");

    requireType(elementType, CIM_UINT16, "User passed \"%s\" is Invalid data type.UINT16 is expected");
    requireType(size, CIM_UINT64, "User passed \"%s\" is Invalid data type.UINT64 is expected");
    requireType(inPool, CIM_REFERENCE, "User passed \"%s\" is Invalid data type.REFERENCE is expected");
    requireType(goal, CIM_REFERENCE, "User passed \"%s\" is Invalid data type.REFERENCE is expected");
    requireType(elementName, CIM_STRING, "User passed \"%s\" is Invalid data type.STRING is expected");
    if (initializationMode != nullptr && initializationMode->getType() != CIM_BOOLEAN)
        refuse(5, "User passed \"initilizationMode\" is Invalid data type.Boolean is expected");
    if (inPool == nullptr) refuse(5, format("User passed NULL %s ", "InPool"));

    const uint32_t contrId = serviceControllerId(service);
    const CIMObjectPath pool = scalarOf<CIMObjectPath>(*inPool);
    if (!isClass(pool, "ORV_ConcreteStoragePool"))
        refuse(5, format("User passed \"%s\" is not a pool a volume can be created in", "InPool"));
    const ArrayName array = arrayNamedBy(pool, "InstanceID");
    if (array.contrId != contrId) refuse(5, "ORV_StorageConfiguration and Array passed are not Matching");

    const PropertyContainer entry =
        readArray(arrayId(array.contrId, array.vdIndex), array, kCreateVolumeName);
    uint32_t reserved = 1;
    if (entry.getPropertyValue(reserved, "volReserved", false) != 0)
        LogMessage(5, "getPropertyValue(VrlVolume::volReserved) failed");
    if (reserved == 0) refuse(6, "Volume already exist in this array");
    const uint64_t available = arrayBytes(entry).value_or(0);
    if (size != nullptr && scalarOf<uint64_t>(*size) > available) {
        const uint64_t requested = scalarOf<uint64_t>(*size);
        LogMessage(2, "%s :: Unable to allocate required %llu space in existing Pool                with %llu space.",
                   kCreateVolumeName, static_cast<unsigned long long>(requested),
                   static_cast<unsigned long long>(available));
        LogMessage(2, "Unable to allocate required space in existing Pool.             Create volume below %llu",
                   static_cast<unsigned long long>(available));
        // SMI-S clients read the largest size the pool can give from the
        // output Size of a 4097 answer; an error status would lose both.
        out.add(scalarProperty("Size", available, CIM_UINT64));
        return kSizeNotSupported;
    }

    PropertyContainer activate = arrayInput(array);
    activate.insertInt("activate", 1);
    if (const LibraryAnswer answer = runLibraryOperation(library, "activateVolume", activate); answer.status != 0) {
        LogMessage(2, "Volume creation Failed: ControllerID:%d,PoolID:%d", static_cast<int>(array.contrId),
                   static_cast<int>(array.vdIndex));
        refuseLibraryStatus(4, answer.status);
    }
    PropertyContainer initialize = arrayInput(array);
    initialize.insertInt("initMode", initializationMode != nullptr && scalarOf<bool>(*initializationMode) ? 1 : 0);
    if (runLibraryOperation(library, "fastInitVolume", initialize).status != 0) {
        LogMessage(5, "Initialization of %d_%d failed", static_cast<int>(array.contrId),
                   static_cast<int>(array.vdIndex));
    }
    LogMessage(4, "Volume created : ControllerID:%d,VdIndex:%d", static_cast<int>(array.contrId),
               static_cast<int>(array.vdIndex));
    out.add(scalarProperty("TheElement",
                           deviceKeysPath(service, "ORV_StorageVolume", array.contrId,
                                          arrayId(array.contrId, array.vdIndex)),
                           CIM_REFERENCE));
    LogTrace("Exiting ORVStorageConfigurationService::CreateVD()");
    return ORVStorageConfigurationService::kCompleted;
}

uint32_t returnVolume(const CIMArgumentList& in) {
    LogTrace("Entering ORVStorageConfigurationService::deleteVD()");
    VRLibFacadeIntf& library = libraryFor("The Deletion of Volume Failed : pVrlFacade == NULL");
    const CIMProperty* theElement = givenArgument(in, "TheElement");
    if (theElement == nullptr) refuse(5, format("User passed NULL %s ", "TheElement"));
    requireType(theElement, CIM_REFERENCE, "User passed \"%s\" is Invalid data type.REFERENCE is expected");
    const ArrayName volume = arrayNamedBy(scalarOf<CIMObjectPath>(*theElement), "DeviceID");
    LogMessage(5, "The i/p arguments for %s are: ControllerID:%d, VolumeID:%d", kDeleteVolumeName,
               static_cast<int>(volume.contrId), static_cast<int>(volume.vdIndex));

    PropertyContainer deactivate = arrayInput(volume);
    deactivate.insertInt("activate", 0);
    const LibraryAnswer answer = runLibraryOperation(library, "activateVolume", deactivate);
    if (answer.status == VrlStatus::PartitionPresent) {
        LogMessage(2, "MBR present in volume");
        refuseLibraryStatus(6, answer.status);
    }
    if (answer.status == VrlStatus::BootVolumeSet) {
        LogMessage(2, "Volume set as BOOT Volume");
        refuseLibraryStatus(6, answer.status);
    }
    if (answer.status != 0) {
        LogMessage(2, "The Deletion of Volume Failed : ControllerID:%d,ArrayID:%d.VrLib returned:%d",
                   static_cast<int>(volume.contrId), static_cast<int>(volume.vdIndex),
                   static_cast<int>(answer.status));
        refuseLibraryStatus(4, answer.status);
    }
    LogMessage(5, "The Deletion of Volume is success : ControllerID:%d,VolumeID:%d", static_cast<int>(volume.contrId),
               static_cast<int>(volume.vdIndex));
    return ORVStorageConfigurationService::kCompleted;
}

// ---- Pools -------------------------------------------------------------------

// Disks named by DeviceID ("<contrId>_<compPdId>"), each checked against the
// service's controller and the disk's current role.
std::vector<uint32_t> disksFromExtents(const std::vector<std::string>& extents, uint32_t contrId) {
    const RepositoryObjects disks = readDisks(kCreatePoolName);
    std::vector<uint32_t> chosen;
    for (const std::string& deviceId : extents) {
        const std::string controllerField = CommonFunctions::token(deviceId, 1);
        const std::string diskField = CommonFunctions::token(deviceId, 2);
        const bool numeric = !controllerField.empty() && !diskField.empty() &&
                             controllerField.find_first_not_of("0123456789") == std::string::npos &&
                             diskField.find_first_not_of("0123456789") == std::string::npos;
        if (!numeric) refuse(5, "InExtent String is invalid");
        const uint32_t diskController = keyFieldNumber(deviceId, 1);
        const uint32_t compPdId = keyFieldNumber(deviceId, 2);
        if (diskController != contrId)
            refuse(5, CIMException(0, "User passed disk which is not belonging to %d", static_cast<int>(contrId))
                          .getMessage());
        const PropertyContainer* disk = findDisk(disks, contrId, compPdId);
        if (disk == nullptr) refuse(5, "InExtent String is invalid");
        if (diskConfiguration(*disk) != kDiskUnconfigured) {
            LogMessage(2, "User passed disk which is already configured.%d:%d", static_cast<int>(contrId),
                       static_cast<int>(compPdId));
            throw CIMException(5, "User passed disk which is already configured.%d_%d", static_cast<int>(contrId),
                               static_cast<int>(compPdId));
        }
        LogMessage(4, "PD%d:%s", static_cast<int>(chosen.size()), deviceId.c_str());
        chosen.push_back(compPdId);
    }
    return chosen;
}

// The disks the primordial pools offer for the Goal, as many as the level
// needs to hold Size (the level's fewest when no Size is asked for).
std::vector<uint32_t> disksFromPools(const CIMObjectPath& service, const std::vector<std::string>& pools,
                                     uint32_t contrId, uint32_t raidLevel, const CIMProperty& goal,
                                     std::optional<uint64_t> size) {
    std::vector<uint32_t> offered;
    for (const std::string& instanceId : pools) {
        const auto pool = parsePrimordialPoolInstanceId(instanceId);
        if (!pool || pool->contrId != contrId) refuse(5, "InPool String is invalid");
        CIMObjectPath poolPath(service.getHost(), service.getNameSpace(), "ORV_PrimordialStoragePool");
        poolPath.addKeyBinding(stringKey("InstanceID", instanceId));
        CIMArgumentList request;
        request.add(scalarProperty("Goal", scalarOf<CIMObjectPath>(goal), CIM_REFERENCE));
        CIMArgumentList answer;
        FrameworkFacade::getInstance()->invokeMethod(poolPath, "GetAvailableExtents", request, answer);
        if (const CIMProperty* extents = givenArgument(answer, "AvailableExtents")) {
            for (const CIMObjectPath& extent : referencesOf(*extents))
                offered.push_back(keyFieldNumber(stringKeyValue(extent, "DeviceID").value_or(""), 2));
        }
    }
    const std::optional<MemberRule> rule = memberRule(raidLevel);
    const RepositoryObjects disks = readDisks(kCreatePoolName);
    std::vector<uint32_t> chosen;
    uint64_t smallest = UINT64_MAX;
    for (uint32_t compPdId : offered) {
        if (!rule || chosen.size() >= rule->maximum) break;
        const PropertyContainer* disk = findDisk(disks, contrId, compPdId);
        if (disk == nullptr) continue;
        chosen.push_back(compPdId);
        smallest = std::min(smallest, diskCoercedBytes(*disk));
        const auto members = static_cast<uint32_t>(chosen.size());
        if (members < rule->minimum) continue;
        if (!size || dataMembers(raidLevel, members) * smallest >= *size) return chosen;
    }
    refuse(5, "Not enough free space");
}

uint32_t createPool(const CIMObjectPath& service, const CIMArgumentList& in, CIMArgumentList& out) {
    LogTrace("Entering ORVStorageConfigurationService::CreateStoragePool()");
    VRLibFacadeIntf& library = libraryFor("pVrlFacade is Null ");
    const CIMProperty* inExtents = givenArgument(in, "InExtents");
    const CIMProperty* stripeSize = givenArgument(in, "stripeSize");
    const CIMProperty* inPools = givenArgument(in, "InPools");
    const CIMProperty* elementName = givenArgument(in, "ElementName");
    const CIMProperty* goal = givenArgument(in, "Goal");
    const CIMProperty* size = givenArgument(in, "Size");
    if (inExtents == nullptr) LogMessage(2, "User has to pass InExtents");
    if (stripeSize == nullptr) LogMessage(2, "User passed stripeSize as NULL");
    if (inPools == nullptr) LogMessage(2, "User passed NULL %s ", "InPools");
    if (elementName == nullptr) LogMessage(2, "User passed %s as NULL", "ElementName");
    if (size == nullptr) LogMessage(2, "User passed %s as NULL", "Size");
    if (goal == nullptr) refuse(5, format("User passed NULL %s", "Goal"));

    if (inExtents != nullptr && inExtents->getType() != CIM_STRING_ARRAY)
        refuse(5, format("User passed %s is Invalid data type.String array is expected", inExtents->getName()));
    if (stripeSize != nullptr && stripeSize->getType() != CIM_UINT32)
        refuse(5, "User passed \"stripeSize\" is Invalid data type.Uint32 is expected");
    requireType(inPools, CIM_STRING_ARRAY, "User passed \"%s\" is Invalid data type.String Array is expected");
    requireType(elementName, CIM_STRING, "User passed \"%s\" is Invalid data type.String is expected");
    requireType(goal, CIM_REFERENCE, "User passed \"%s\" is Invalid data type.reference is expected");
    requireType(size, CIM_UINT64, "User passed \"%s\" is Invalid data type.Uint64 is expected");

    const CIMObjectPath goalPath = scalarOf<CIMObjectPath>(*goal);
    LogMessage(5, "ORV_StorageSetting objectpath received is:%s", goalPath.toString().c_str());
    const GoalReading reading = readGoal(goalPath, kCreatePoolName);
    if (!reading.request) {
        if (reading.failure == GoalFailure::UnknownUserSetting) refuse(4, "User Passed Invalid Goal");
        refuse(5, "User passed Invalid Goal");
    }
    const uint32_t raidLevel = reading.request->raidLevel;
    uint32_t stripe = stripeSize != nullptr ? scalarOf<uint32_t>(*stripeSize) : 0;
    // A user setting gives its stripe depth in bytes; the library counts KiB.
    if (reading.request->stripeDepth) stripe = static_cast<uint32_t>(*reading.request->stripeDepth / 1024);

    if (inExtents == nullptr && inPools == nullptr) refuse(5, "User passed InExtents and InPools NULL");
    const uint32_t contrId = serviceControllerId(service);
    const std::vector<uint32_t> members =
        inPools != nullptr ? disksFromPools(service, inPools->getValue<std::string>().getValues(), contrId, raidLevel,
                                            *goal, size ? std::optional(scalarOf<uint64_t>(*size)) : std::nullopt)
                           : disksFromExtents(inExtents->getValue<std::string>().getValues(), contrId);
    const std::string name = elementName != nullptr ? scalarOf<std::string>(*elementName) : std::string();
    LogMessage(5, "ArrayName:%s", name.c_str());
    LogMessage(5, "stripeSize:%d", static_cast<int>(stripe));
    LogMessage(5, "raidLevel:%d", static_cast<int>(raidLevel));

    PropertyContainer create = controllerInput(contrId);
    create.insertString("volumeName", name);
    create.insertInt("stripeSize", stripe);
    create.insertInt("raidLevel", raidLevel);
    create.insertInt("createMode", 1);
    create.insertInt("volReserved", 1);
    create.insertInt("pdCount", static_cast<uint32_t>(members.size()));
    create.insertVector("compPdId", members);
    const LibraryAnswer answer = runLibraryOperation(library, "createVolume", create);
    if (answer.status != 0) {
        LogMessage(2, "VrLib returned Error:%d", static_cast<int>(answer.status));
        refuseLibraryStatus(4, answer.status);
    }
    orv::raidlib::VrlInt vdIndex = 0;
    if (answer.out.getPropertyValue(vdIndex, "vdIndex", false) != 0)
        LogMessage(5, "getPropertyValue(VrlCreateVolumeOut::vdIndex) failed");
    out.add(scalarProperty("Pool", poolPath(service, {contrId, vdIndex}), CIM_REFERENCE));
    LogMessage(5, "Array created:%d", static_cast<int>(vdIndex));
    return ORVStorageConfigurationService::kCompleted;
}

uint32_t deletePool(const CIMObjectPath& service, const CIMArgumentList& in) {
    LogTrace("Entering ORVStorageConfigurationService::DeletePool()");
    VRLibFacadeIntf& library = libraryFor("The Deletion of pool Failed : pVrlFacade == NULL");
    const CIMProperty* pool = givenArgument(in, "Pool");
    if (pool == nullptr) refuse(5, format("User passed NULL %s ", "Pool"));
    requireType(pool, CIM_REFERENCE, "User passed \"%s\" is Invalid data type.REFERENCE is expected");
    const CIMObjectPath poolPath = scalarOf<CIMObjectPath>(*pool);
    LogMessage(5, "User passed InPool:%s", poolPath.toString().c_str());
    const ArrayName array = arrayNamedBy(poolPath, "InstanceID");
    const uint32_t contrId = serviceControllerId(service);
    if (!isClass(poolPath, "ORV_ConcreteStoragePool") || array.contrId != contrId)
        refuse(5, CIMException(0, "User passed array which is not belonging to %d", static_cast<int>(contrId))
                      .getMessage());
    const PropertyContainer entry = readArray(arrayId(array.contrId, array.vdIndex), array, kDeletePoolName);
    if (!isReserved(entry)) {
        LogMessage(2, "Volume exist in Pool.");
        throw CIMException(4, std::string("Volume exist in Pool.First delete this volume to delete pool"));
    }
    if (const LibraryAnswer answer = runLibraryOperation(library, "deleteVolume", arrayInput(array));
        answer.status != 0) {
        LogMessage(2, "VrLib returned error: %d", static_cast<int>(answer.status));
        refuseLibraryStatus(4, answer.status);
    }
    LogMessage(5, "%s :: Pool --> %s deleted successfully.", kDeletePoolName, poolPath.toString().c_str());
    return ORVStorageConfigurationService::kCompleted;
}

// ---- Controller --------------------------------------------------------------

// ClearConfiguration and ClearMetaData: one library operation on the
// controller, its failure raised with the library's description.
uint32_t clearController(const CIMObjectPath& service, const char* operation, const char* qualifiedName,
                         const char* label) {
    VRLibFacadeIntf& library = libraryFor("pVrlFacade is Null ");
    const uint32_t contrId = serviceControllerId(service);
    if (const LibraryAnswer answer = runLibraryOperation(library, operation, controllerInput(contrId));
        answer.status != 0) {
        LogMessage(2, "%s :: %s on %d Failed ", qualifiedName, label, static_cast<int>(contrId));
        refuseLibraryStatus(4, answer.status);
    }
    LogMessage(5, "%s :: %s on %d success ", qualifiedName, label, static_cast<int>(contrId));
    return ORVStorageConfigurationService::kCompleted;
}

uint32_t setFactoryDefaults(const CIMObjectPath& service) {
    VRLibFacadeIntf* library = raidLibrary();
    if (library == nullptr) {
        LogMessage(2, "%s :: Failed to retrieve Vrlib handle.", kFactoryDefaultsName);
        throw CIMException(1, std::string("An Internal error has occurred."));
    }
    PropertyContainer reset = controllerInput(serviceControllerId(service));
    // No field selected: the controller takes its factory values for all.
    reset.insertInt("inputMask", 0);
    if (const LibraryAnswer answer = runLibraryOperation(*library, "setContrProps", reset); answer.status != 0) {
        LogMessage(2, "%s :: Operation failed, Vrlib returned error : %d.", kFactoryDefaultsName,
                   static_cast<int>(answer.status));
        return ORVStorageConfigurationService::kFailed;
    }
    LogMessage(4, "%s :: Operation completed successfully.", kFactoryDefaultsName);
    return ORVStorageConfigurationService::kCompleted;
}

}  // namespace

void ORVStorageConfigurationService::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVStorageConfigurationService::getRepositoryObjects";
    // A controller list the library cannot give leaves the service without
    // instances rather than failing the request.
    try {
        selectControllerObjects(path, {kClassName, "Name", 2, kName}, out);
    } catch (const CIMException& e) {
        LogMessage(2, "%s :: VRLib returned error : %s", kName, e.getMessage().c_str());
        out.clear();
    }
}

void ORVStorageConfigurationService::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                      KeyBindingList& out) {
    controllerServiceKeys(object, kClassName, kNamePrefix, "orv::cim::fwf::ORVStorageConfigurationService::getKeyAttributes", out);
}

void ORVStorageConfigurationService::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                         PropertyList& out) {
    controllerServiceElementName(object, "Storage configuration", out);
}

uint32_t ORVStorageConfigurationService::invokeMethod(CIMObjectPath path, const std::string& methodName,
                                                      const CIMArgumentList& in, CIMArgumentList& out) {
    LogMessage(5, "ORV_StorageConfigurationService objectpath received is:%s", path.toString().c_str());
    // CIM method names do not depend on letter case.
    const auto is = [&methodName](const char* name) { return sameCimName(methodName, name); };
    if (is("CreateOrModifyElementFromStoragePool")) return createVolume(path, in, out);
    if (is("VDInitialization")) {
        LogTrace("Entering  ORVStorageConfigurationService::InitializeVD()");
        return kNotSupported;
    }
    if (is("ReturnToStoragePool")) return returnVolume(in);
    if (is("CreateOrModifyStoragePool")) return createPool(path, in, out);
    if (is("DeleteStoragePool")) return deletePool(path, in);
    if (is("ClearConfiguration")) {
        LogTrace("Entering ORVStorageConfigurationService::clearConfiguration()");
        return clearController(path, "clearConfiguration", kClearConfigurationName, "ClearConfiguration");
    }
    if (is("ClearMetaData")) {
        LogTrace("Entering ORVStorageConfigurationService::clearMetaData()");
        return clearController(path, "clearMetadata", kClearMetaDataName, "clearMetaData");
    }
    if (is("SetFactoryDefaults")) return setFactoryDefaults(path);
    LogMessage(2, "orv::cim::fwf::ORVStorageConfigurationService::invokeMethod :: %s :: Not supported",
               methodName.c_str());
    return kNotSupported;
}

}  // namespace orv::cim::fwf
