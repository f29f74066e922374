#include "ORVCompositeExtent.h"

#include <iterator>
#include <optional>

#include "Logger.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;

namespace {

constexpr const char* kClassName = "ORV_CompositeExtent";
constexpr const char* kNonKeyName = "orv::cim::fwf::ORVCompositeExtent::getNonKeyAttributes";

template <typename T>
std::optional<T> readVolume(const PropertyContainer& volume, const char* name) {
    T value{};
    if (volume.getPropertyValue(value, name, false) == 0) return value;
    LogMessage(2, "%s :: Failed to retrieve VrlVolume::%s.", kNonKeyName, name);
    return std::nullopt;
}

}  // namespace

void ORVCompositeExtent::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    RepositoryObjects arrays = readArrays("orv::cim::fwf::ORVCompositeExtent::getRepositoryObjects");
    keepRequested(path, arrays);
    for (auto& array : arrays) out.push_back(std::move(array));
}

void ORVCompositeExtent::getKeyAttributes(const PropertyContainer& volume, KeyBindingList& out) {
    const ArrayName array = arrayNameOf(volume);
    appendDeviceKeys(out, kClassName, array.contrId, arrayId(array.contrId, array.vdIndex));
}

void ORVCompositeExtent::getNonKeyAttributes(const PropertyContainer& volume, PropertyList& out) {
    const ArrayName array = arrayNameOf(volume);
    const std::string name = "CompositeExtent_" + std::to_string(array.vdIndex);
    out.push_back(stringProperty("Name", name));
    out.push_back(stringProperty("ElementName", name));

    const auto totalBlocks = readVolume<uint64_t>(volume, "totalBlocks");
    addIfPresent(out, "NumberOfBlocks", totalBlocks, CIM_UINT64);
    addIfPresent(out, "ConsumableBlocks", totalBlocks, CIM_UINT64);
    if (const auto blockLength = readVolume<uint32_t>(volume, "blockLength")) {
        out.push_back(scalarProperty<uint64_t>("BlockSize", *blockLength, CIM_UINT64));
    }
    if (const auto level = readVolume<uint32_t>(volume, "RAIDLevel")) {
        const Redundancy redundancy = redundancyOf(*level);
        out.push_back(scalarProperty("DataRedundancy", redundancy.dataRedundancy, CIM_UINT16));
        out.push_back(scalarProperty("PackageRedundancy", redundancy.packageRedundancy, CIM_UINT16));
        out.push_back(scalarProperty("NoSinglePointOfFailure", redundancy.noSinglePointOfFailure, CIM_BOOLEAN));
        if (const auto members = readVolume<orv::raidlib::VrlVector>(volume, "compPdId")) {
            const auto count = static_cast<uint32_t>(members->size());
            out.push_back(scalarProperty("ExtentStripeLength", extentStripeLength(*level, count), CIM_UINT64));
            // Every level the controller builds stripes or mirrors its
            // members; none lays them end to end.
            out.push_back(scalarProperty("IsConcatenated", false, CIM_BOOLEAN));
        }
    }
    if (const auto state = readVolume<uint32_t>(volume, "state")) {
        addUint16Array(out, "OperationalStatus", {volumeOperationalStatus(*state)});
        addUint16Array(out, "ExtentStatus", {volumeExtentStatus(*state)});
    }
    // The members are plain disks: the redundancy is this extent's own.
    out.push_back(scalarProperty("IsBasedOnUnderlyingRedundancy", false, CIM_BOOLEAN));
    out.push_back(scalarProperty("Primordial", false, CIM_BOOLEAN));
}

}  // namespace orv::cim::fwf
