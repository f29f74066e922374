#include "ORVPrimordialStoragePool.h"

#include <algorithm>
#include <iterator>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "Logger.h"
#include "NamesOnlyRequest.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"
#include "StorageSettingSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;

namespace {

constexpr const char* kClassName = "ORV_PrimordialStoragePool";

RepositoryObjects readClassOrThrow(const char* libraryClass, const char* what, const char* qualifiedName) {
    RepositoryObjects objects;
    if (const uint32_t status = readLibraryClass(libraryClass, objects, qualifiedName); status != 0) {
        LogMessage(2, "%s :: Failed to retrieve %s objects from VRLIB", qualifiedName, libraryClass);
        throw CIMException(1, "Failed to retrieve %s objects from VRLib", what);
    }
    return objects;
}

// The free disks of the pool a method was invoked on.
struct PoolDisks {
    PrimordialPoolName pool;
    RepositoryObjects free;
};

PoolDisks freeDisksOf(const CIMObjectPath& path, const char* qualifiedName) {
    const std::string instanceId = stringKeyValue(path, "InstanceID").value_or("");
    const auto pool = parsePrimordialPoolInstanceId(instanceId);
    if (!pool) {
        LogMessage(2, "%s :: No primordial pool is named %s", qualifiedName, instanceId.c_str());
        throw CIMException(6, "No primordial pool is named %s", instanceId.c_str());
    }
    const RepositoryObjects disks = readClassOrThrow(kPhysicalDisks, "Physical Disk", qualifiedName);
    return PoolDisks{*pool, freeDisksOfPool(disks, pool->contrId, *pool->kind)};
}

// The RAID level a Goal argument asks for; an absent Goal is allowed only
// where the caller says so.
std::optional<uint32_t> goalLevel(const CIMArgumentList& in, bool required, const char* qualifiedName) {
    const CIMProperty* goal = in.find("Goal");
    const auto invalid = [&]() -> CIMException {
        LogMessage(2, "%s :: User passed Invalid Goal", qualifiedName);
        return CIMException(4, std::string("User passed Invalid Goal"));
    };
    if (goal == nullptr || goal->getType() != CIM_REFERENCE || goal->getValue<CIMObjectPath>().size() == 0) {
        if (goal == nullptr && !required) return std::nullopt;
        throw invalid();
    }
    const GoalReading reading = readGoal(goal->getValue<CIMObjectPath>().at(0), qualifiedName);
    if (!reading.request) throw invalid();
    return reading.request->raidLevel;
}

// The smallest free disk bounds every member of an array built from them.
uint64_t getMinimumSize(const RepositoryObjects& disks) {
    uint64_t smallest = 0;
    for (const auto& disk : disks) {
        const uint64_t bytes = diskCoercedBytes(disk);
        if (smallest == 0 || bytes < smallest) smallest = bytes;
    }
    return smallest;
}

// Sizes of the arrays a level can build from the free disks, smallest first:
// one per member count the level allows, each data member adding the
// smallest disk's capacity.
std::vector<uint64_t> supportedSizes(uint32_t raidLevel, const RepositoryObjects& free) {
    std::vector<uint64_t> sizes;
    const auto rule = memberRule(raidLevel);
    const uint64_t memberBytes = getMinimumSize(free);
    if (!rule || memberBytes == 0) return sizes;
    const uint32_t available = static_cast<uint32_t>(std::min<size_t>(free.size(), rule->maximum));
    for (uint32_t members = rule->minimum; members <= available; ++members) {
        sizes.push_back(dataMembers(raidLevel, members) * memberBytes);
    }
    return sizes;
}

}  // namespace

void ORVPrimordialStoragePool::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVPrimordialStoragePool::getRepositoryObjects";
    RepositoryObjects pools = primordialPoolObjects(readClassOrThrow(kControllers, "Controller", kName), kName);
    keepRequested(path, pools);
    // The capacities read every disk of the library: worth it only when the
    // properties are wanted, not to walk to the pools by name.
    if (pools.empty() || onlyNamesWanted()) {
        std::move(pools.begin(), pools.end(), std::back_inserter(out));
        return;
    }
    const RepositoryObjects disks = readClassOrThrow(kPhysicalDisks, "Physical Disk", kName);
    for (auto& pool : pools) {
        const PoolCapacity capacity = primordialPoolCapacity(disks, controllerOf(pool), poolKindOf(pool));
        pool.insertU64("TotalManagedSpace", capacity.total);
        pool.insertU64("RemainingManagedSpace", capacity.remaining);
        out.push_back(std::move(pool));
    }
}

void ORVPrimordialStoragePool::getKeyAttributes(const PropertyContainer& pool, KeyBindingList& out) {
    out.push_back(stringKey("InstanceID", primordialPoolInstanceId(controllerOf(pool), poolKindOf(pool))));
}

void ORVPrimordialStoragePool::getNonKeyAttributes(const PropertyContainer& pool, PropertyList& out) {
    uint64_t total = 0, remaining = 0;
    pool.getPropertyValue(total, "TotalManagedSpace", false);
    pool.getPropertyValue(remaining, "RemainingManagedSpace", false);
    out.push_back(stringProperty("PoolID", poolKindOf(pool).name));
    out.push_back(stringProperty("ElementName", "PrimordialPool"));
    out.push_back(scalarProperty("Primordial", true, CIM_BOOLEAN));
    out.push_back(scalarProperty("TotalManagedSpace", total, CIM_UINT64));
    out.push_back(scalarProperty("RemainingManagedSpace", remaining, CIM_UINT64));
}

uint32_t ORVPrimordialStoragePool::invokeMethod(CIMObjectPath path, const std::string& methodName,
                                                const CIMArgumentList& in, CIMArgumentList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVPrimordialStoragePool::invokeMethod";
    const auto named = [&](const char* name) { return CommonFunctions::equalsIgnoreCase(methodName, name); };
    if (named("GetAvailableExtents")) {
        const auto level = goalLevel(in, false, kName);
        const PoolDisks disks = freeDisksOf(path, kName);
        std::vector<CIMObjectPath> extents;
        const auto rule = level ? memberRule(*level) : std::optional<MemberRule>(MemberRule{1, kMaxArrayMembers});
        // Disks are offered only when there are enough of them for the Goal.
        if (rule && disks.free.size() >= rule->minimum) {
            for (const auto& disk : disks.free) {
                const uint32_t compPdId = LibraryPropertyReader(disk, "VrlPhysDisk").integer("compPdId", true).value_or(0);
                extents.push_back(deviceKeysPath(path, "ORV_StorageExtent", disks.pool.contrId,
                                                 diskExtentId(disks.pool.contrId, compPdId)));
            }
        }
        out.add(arrayProperty<CIMObjectPath>("AvailableExtents", std::move(extents), CIM_REFERENCE_ARRAY));
        return 0;
    }
    if (named("GetSupportedSizeRange") || named("GetSupportedSizes")) {
        const uint32_t level = *goalLevel(in, true, kName);
        const PoolDisks disks = freeDisksOf(path, kName);
        const std::vector<uint64_t> sizes = supportedSizes(level, disks.free);
        if (named("GetSupportedSizes")) {
            out.add(arrayProperty<uint64_t>("Sizes", sizes, CIM_UINT64_ARRAY));
            return 0;
        }
        const uint64_t minimum = sizes.empty() ? 0 : sizes.front();
        const uint64_t maximum = sizes.empty() ? 0 : sizes.back();
        // Each further data member adds one smallest disk.
        const uint64_t divisor = sizes.size() > 1 ? sizes[1] - sizes[0] : maximum;
        out.add(scalarProperty("MaximumVolumeSize", maximum, CIM_UINT64));
        out.add(scalarProperty("MinimumVolumeSize", minimum, CIM_UINT64));
        out.add(scalarProperty("VolumeSizeDivisor", divisor, CIM_UINT64));
        return 0;
    }
    LogMessage(2, "%s :: Method %s not supported on %s.", kName, methodName.c_str(), kClassName);
    throw CIMException(16, std::string("Method Not Supported"));
}

void ORVPrimordialStoragePool::Update(PropertyContainer) {}

}  // namespace orv::cim::fwf
