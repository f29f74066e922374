#include "ORVFixedStorageSetting.h"

#include "Logger.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"
#include "StorageSettingSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;

void ORVFixedStorageSetting::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVFixedStorageSetting::getRepositoryObjects";
    if (path.getKeyBindings().empty()) {
        for (auto& array : readArrays(kName)) out.push_back(std::move(array));
        return;
    }
    const auto instanceId = stringKeyValue(path, "InstanceID");
    if (!instanceId) return;
    LogMessage(5, "%s :: Instance id retrieved from keys : %s", kName, instanceId->c_str());
    const ArrayName array = parseArrayId(*instanceId);
    LogMessage(5, "%s :: ControllerID : %d and VolumeID : %d as retrieved from InstanceID", kName,
               static_cast<int>(array.contrId), static_cast<int>(array.vdIndex));
    RepositoryObjects found;
    found.push_back(readArray(*instanceId, array, kName));
    // The identifier must be written exactly as the array's own.
    keepRequested(path, found);
    for (auto& object : found) out.push_back(std::move(object));
}

void ORVFixedStorageSetting::getKeyAttributes(const PropertyContainer& volume, KeyBindingList& out) {
    const ArrayName array = arrayNameOf(volume);
    out.push_back(stringKey("InstanceID", arrayId(array.contrId, array.vdIndex)));
}

void ORVFixedStorageSetting::getNonKeyAttributes(const PropertyContainer& volume, PropertyList& out) {
    const LibraryPropertyReader reader(volume, "VrlVolume", 5);
    const auto level = reader.integer("RAIDLevel");
    out.push_back(stringProperty("ElementName", level ? raidLevelName(*level) : "Unknown"));
    out.push_back(stringProperty("Description", level ? raidLevelDescription(*level) : "Unknown"));
    out.push_back(scalarProperty("ChangeableType", kNotChangeablePersistent, CIM_UINT16));
    if (level) {
        std::optional<uint32_t> members;
        if (const auto memberIds = reader.vector("compPdId")) members = static_cast<uint32_t>(memberIds->size());
        appendLevelSettingProperties(out, *level, members);
    }
    addConverted<uint32_t, uint64_t>(out, "UserDataStripeDepth", reader.integer("stripeSize"), CIM_UINT64, stripeBytes);
    addConverted<uint32_t, bool>(out, "SpareProtected", reader.integer("hsProtected"), CIM_BOOLEAN,
                                 [](uint32_t flag) { return flag != 0; });
}

}  // namespace orv::cim::fwf
