#include "ORVStorageRedundancySet.h"

#include <algorithm>
#include <iterator>

#include "CIMException.h"
#include "Logger.h"
#include "NamesOnlyRequest.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;

namespace {

// RedundancyStatus values.
constexpr uint16_t kFullyRedundant = 2;
constexpr uint16_t kDegradedRedundancy = 3;
constexpr uint16_t kRedundancyLost = 4;
// Any spare of the set may stand in for any of its disks.
constexpr uint16_t kTypeOfSetSparing = 4;

// How far the worst array of the set's disks has fallen.
uint16_t redundancyStatusOf(const PropertyContainer& set, const RepositoryObjects& arrays,
                            const RepositoryObjects& disks) {
    const uint32_t contrId = controllerOf(set);
    const PrimordialPoolKind& kind = poolKindOf(set);
    uint16_t status = kFullyRedundant;
    for (const auto& array : arrays) {
        if (arrayNameOf(array).contrId != contrId) continue;
        const LibraryPropertyReader reader(array, "VrlVolume", 4);
        const auto members = reader.vector("compPdId");
        if (!members || members->empty()) continue;
        const PropertyContainer* first = findDisk(disks, contrId, members->front());
        if (first == nullptr || !diskBelongsToPool(*first, contrId, kind)) continue;
        switch (reader.integer("state").value_or(0)) {
            case 1:
            case 2: status = std::max(status, kDegradedRedundancy); break;
            case 3: status = std::max(status, kRedundancyLost); break;
            default: break;
        }
    }
    return status;
}

}  // namespace

void ORVStorageRedundancySet::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVStorageRedundancySet::getRepositoryObjects";
    RepositoryObjects controllers;
    if (const uint32_t status = readLibraryClass(kControllers, controllers, kName); status != 0) {
        LogMessage(2, "%s :: VRLib returned error : %d", kName, static_cast<int>(status));
        throw CIMException(1, std::string("Failed to retrieve Controller objects from VRLib"));
    }
    RepositoryObjects sets = primordialPoolObjects(controllers, kName);
    keepRequested(path, sets);
    // The status reads every array and disk of the library: worth it only
    // when the properties are wanted, not to walk to the sets by name.
    if (sets.empty() || onlyNamesWanted()) {
        std::move(sets.begin(), sets.end(), std::back_inserter(out));
        return;
    }
    const RepositoryObjects arrays = readArrays(kName);
    const RepositoryObjects disks = readDisks(kName);
    for (auto& set : sets) {
        set.insertInt("RedundancyStatus", redundancyStatusOf(set, arrays, disks));
        out.push_back(std::move(set));
    }
}

void ORVStorageRedundancySet::getKeyAttributes(const PropertyContainer& set, KeyBindingList& out) {
    out.push_back(stringKey("InstanceID", primordialPoolInstanceId(controllerOf(set), poolKindOf(set))));
}

void ORVStorageRedundancySet::getNonKeyAttributes(const PropertyContainer& set, PropertyList& out) {
    orv::raidlib::VrlInt status = kFullyRedundant;
    set.getPropertyValue(status, "RedundancyStatus", false);
    out.push_back(stringProperty("ElementName", poolKindOf(set).name));
    out.push_back(scalarProperty("RedundancyStatus", static_cast<uint16_t>(status), CIM_UINT16));
    addUint16Array(out, "TypeOfSet", {kTypeOfSetSparing});
    // Sparing needs no minimum of working members.
    out.push_back(scalarProperty<uint32_t>("MinNumberNeeded", 0, CIM_UINT32));
    out.push_back(scalarProperty<uint32_t>("MaxNumberSupported", kMaxArrayMembers, CIM_UINT32));
}

}  // namespace orv::cim::fwf
