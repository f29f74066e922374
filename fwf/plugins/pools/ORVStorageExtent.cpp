#include "ORVStorageExtent.h"

#include <iterator>

#include "CIMException.h"
#include "DiskSupport.h"
#include "Logger.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;

namespace {

constexpr const char* kClassName = "ORV_StorageExtent";

}  // namespace

void ORVStorageExtent::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVStorageExtent::getRepositoryObjects";
    RepositoryObjects disks;
    if (const uint32_t status = readLibraryClass(kPhysicalDisks, disks, kName); status != 0) {
        LogMessage(2, "%s :: VRLib returned error : %d", kName, static_cast<int>(status));
        throw CIMException(1, "Failed to retrieve objects of %s", kClassName);
    }
    keepRequested(path, disks);
    for (auto& disk : disks) out.push_back(std::move(disk));
}

void ORVStorageExtent::getKeyAttributes(const PropertyContainer& disk, KeyBindingList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVStorageExtent::getKeyAttributes";
    const LibraryPropertyReader reader(disk, "VrlPhysDisk");
    const auto key = [&](const char* name) {
        const auto value = reader.integer(name, true);
        if (!value) throw CIMException(1, "%s ::%s Property retrieval failed.", kName, name);
        return *value;
    };
    const uint32_t contrId = key("contrId");
    const uint32_t compPdId = key("compPdId");
    appendDeviceKeys(out, kClassName, contrId, diskExtentId(contrId, compPdId));
}

void ORVStorageExtent::getNonKeyAttributes(const PropertyContainer& disk, PropertyList& out) {
    const LibraryPropertyReader reader(disk, "VrlPhysDisk", 4);
    const auto gibibytes = [](uint32_t size) { return static_cast<uint64_t>(size) * kBytesPerGiB; };

    const auto blockLength = reader.integer("blockLen");
    addConverted<uint32_t, uint64_t>(out, "BlockSize", blockLength, CIM_UINT64, [](uint32_t v) { return v; });
    // The library gives the last addressable block.
    addConverted<uint64_t, uint64_t>(out, "NumberOfBlocks", reader.u64("maxBlockAddress"), CIM_UINT64,
                                     [](uint64_t last) { return last + 1; });
    if (const auto coerced = reader.integer("coercedSize"); coerced && blockLength && *blockLength != 0) {
        out.push_back(scalarProperty("ConsumableBlocks", gibibytes(*coerced) / *blockLength, CIM_UINT64));
    }
    if (const auto configuration = reader.integer("pdConfig")) {
        // A disk stays raw capacity of its primordial pool until an array
        // takes it; a spare still belongs to the pool.
        out.push_back(scalarProperty("Primordial", *configuration != kDiskArrayMember, CIM_BOOLEAN));
        out.push_back(scalarProperty("HotSpareFlag", *configuration == kDiskHotSpare, CIM_BOOLEAN));
    }
    if (const auto state = reader.integer("state")) {
        addUint16Array(out, "OperationalStatus", diskOperationalStatus(*state));
        addUint16Array(out, "ExtentStatus", {diskExtentStatus(*state)});
    }
    addIfPresent(out, "ArrayID", reader.integer("vdIndex"), CIM_UINT32);
    addIfPresent(out, "Type", reader.integer("deviceType"), CIM_UINT32);
    addIfPresent(out, "BlockType", reader.integer("blockDevType"), CIM_UINT32);
    const auto rawSize = reader.integer("rawSize");
    addConverted<uint32_t, uint64_t>(out, "Capacity", rawSize, CIM_UINT64, gibibytes);
    addConverted<uint32_t, uint64_t>(out, "RawSize", rawSize, CIM_UINT64, gibibytes);
    const auto driveType = reader.integer("driveType");
    addIfPresent(out, "InterfaceType", driveType, CIM_UINT32);
    addIfPresent(out, "DriveType", driveType, CIM_UINT32);
}

}  // namespace orv::cim::fwf
