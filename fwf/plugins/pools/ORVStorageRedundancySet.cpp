#include "ORVStorageRedundancySet.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>
#include <vector>

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

// The arrays and disks of the library, read once for every set: each
// array's controller, and the disks by controller and id, so that a set
// visits only its controller's arrays and finds their first disks at once.
class ArraysAndDisks {
public:
    ArraysAndDisks(const RepositoryObjects& arrays, const RepositoryObjects& disks) : arrays_(arrays) {
        controllers_.reserve(arrays.size());
        for (const auto& array : arrays) controllers_.push_back(arrayNameOf(array).contrId);
        disks_.reserve(disks.size());
        for (const auto& disk : disks) {
            orv::raidlib::VrlInt contrId = 0;
            orv::raidlib::VrlInt compPdId = 0;
            // The first of two disks with the same ids is the one found.
            if (disk.getPropertyValue(contrId, "contrId", true) == 0 &&
                disk.getPropertyValue(compPdId, "compPdId", true) == 0)
                disks_.emplace(diskId(contrId, compPdId), &disk);
        }
    }

    // How far the worst array of the set's disks has fallen.
    uint16_t redundancyStatusOf(const PropertyContainer& set) const {
        const uint32_t contrId = controllerOf(set);
        const PrimordialPoolKind& kind = poolKindOf(set);
        uint16_t status = kFullyRedundant;
        for (std::size_t i = 0; i < arrays_.size(); ++i) {
            if (controllers_[i] != contrId) continue;
            const LibraryPropertyReader reader(arrays_[i], "VrlVolume", 4);
            const auto members = reader.vector("compPdId");
            if (!members || members->empty()) continue;
            const auto first = disks_.find(diskId(contrId, members->front()));
            if (first == disks_.end() || !diskBelongsToPool(*first->second, contrId, kind)) continue;
            switch (reader.integer("state").value_or(0)) {
                case 1:
                case 2: status = std::max(status, kDegradedRedundancy); break;
                case 3: status = std::max(status, kRedundancyLost); break;
                default: break;
            }
        }
        return status;
    }

private:
    static uint64_t diskId(uint32_t contrId, uint32_t compPdId) {
        return (static_cast<uint64_t>(contrId) << 32) | compPdId;
    }

    const RepositoryObjects& arrays_;
    std::vector<uint32_t> controllers_;
    std::unordered_map<uint64_t, const PropertyContainer*> disks_;
};

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
    const ArraysAndDisks library(arrays, disks);
    for (auto& set : sets) {
        set.insertInt("RedundancyStatus", library.redundancyStatusOf(set));
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
