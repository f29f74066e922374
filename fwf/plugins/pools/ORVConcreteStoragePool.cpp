#include "ORVConcreteStoragePool.h"

#include "CIMException.h"
#include "CommonFunctions.h"
#include "Logger.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;

namespace {

constexpr const char* kClassName = "ORV_ConcreteStoragePool";

}  // namespace

void ORVConcreteStoragePool::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    RepositoryObjects arrays = readArrays("orv::cim::fwf::ORVConcreteStoragePool::getRepositoryObjects");
    keepRequested(path, arrays);
    for (auto& array : arrays) out.push_back(std::move(array));
}

void ORVConcreteStoragePool::getKeyAttributes(const PropertyContainer& volume, KeyBindingList& out) {
    const ArrayName array = arrayNameOf(volume);
    out.push_back(stringKey("InstanceID", arrayId(array.contrId, array.vdIndex)));
}

void ORVConcreteStoragePool::getNonKeyAttributes(const PropertyContainer& volume, PropertyList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVConcreteStoragePool::getNonKeyAttributes";
    const LibraryPropertyReader reader(volume, "VrlVolume", 4);
    const ArrayName array = arrayNameOf(volume);
    out.push_back(stringProperty("PoolID", std::to_string(array.vdIndex)));
    addIfPresent(out, "ElementName", reader.text("volumeName"), CIM_STRING);
    const auto total = arrayBytes(volume);
    addIfPresent(out, "TotalManagedSpace", total, CIM_UINT64);
    if (total) {
        out.push_back(scalarProperty<uint64_t>("RemainingManagedSpace", isReserved(volume) ? *total : 0, CIM_UINT64));
    }

    // The member disks are wholly given to the array; the space is known
    // only when every member is.
    // Each member is fetched alone: copying every disk of every controller
    // for each pool made listing pools grow with disks times pools.
    if (const auto members = reader.vector("compPdId")) {
        uint64_t consumed = 0;
        bool complete = true;
        for (std::size_t m = 0; m < members->size(); ++m) {
            const auto disk = readDisk(array.contrId, (*members)[m], kName);
            complete = complete && disk.has_value();
            if (!disk) continue;
            consumed += diskCoercedBytes(*disk);
            if (m == 0) {
                const LibraryPropertyReader first(*disk, "VrlPhysDisk", 4);
                addIfPresent(out, "PoolType", first.integer("driveType"), CIM_UINT32);
                addIfPresent(out, "BlockType", first.integer("blockDevType"), CIM_UINT32);
            }
        }
        if (complete) out.push_back(scalarProperty("SpaceConsumed", consumed, CIM_UINT64));
    }
    if (const auto state = reader.integer("state")) {
        addUint16Array(out, "OperationalStatus", {volumeOperationalStatus(*state)});
    }
    out.push_back(scalarProperty("Primordial", false, CIM_BOOLEAN));
}

void ORVConcreteStoragePool::modifyInstance(CIMObjectPath path, CIMInstance instance,
                                            const PropertyNameList& propertyNames) {
    renameArray(path, instance, propertyNames, "InstanceID", "orv::cim::fwf::ORVConcreteStoragePool::modifyInstance");
}

uint32_t ORVConcreteStoragePool::invokeMethod(CIMObjectPath path, const std::string& methodName,
                                              const CIMArgumentList&, CIMArgumentList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVConcreteStoragePool::invokeMethod";
    const ArrayName array = parseArrayId(stringKeyValue(path, "InstanceID").value_or(""));
    const auto named = [&](const char* name) { return CommonFunctions::equalsIgnoreCase(methodName, name); };
    if (named("GetSupportedSizeRange") || named("GetSupportedSizes")) {
        // The one volume an array can hold takes all of its free space.
        uint64_t free = 0;
        RepositoryObjects arrays = readArrays(kName);
        for (const auto& volume : arrays) {
            const ArrayName name = arrayNameOf(volume);
            if (name.contrId == array.contrId && name.vdIndex == array.vdIndex) free = arrayFreeBytes(volume);
        }
        if (named("GetSupportedSizes")) {
            out.add(arrayProperty<uint64_t>("Sizes", {free}, CIM_UINT64_ARRAY));
        } else {
            out.add(scalarProperty("MaximumVolumeSize", free, CIM_UINT64));
            out.add(scalarProperty("MinimumVolumeSize", free, CIM_UINT64));
            out.add(scalarProperty("VolumeSizeDivisor", free, CIM_UINT64));
        }
        return 0;
    }
    if (named("IsVolumeResyncable")) {
        out.add(scalarProperty("IsReSyncCandidate", isResyncCandidate(array, kName), CIM_BOOLEAN));
        return 0;
    }
    refuseMethod(kName, methodName, kClassName);
}

}  // namespace orv::cim::fwf
