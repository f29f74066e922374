#include "ORVConcretePoolCapabilities.h"

#include "CIMException.h"
#include "CommonFunctions.h"
#include "Logger.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"
#include "StorageSettingSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;

namespace {

constexpr uint16_t kElementTypeStoragePool = 5;

}  // namespace

void ORVConcretePoolCapabilities::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    RepositoryObjects arrays = readArrays("orv::cim::fwf::ORVConcretePoolCapabilities::getRepositoryObjects");
    keepRequested(path, arrays);
    for (auto& array : arrays) out.push_back(std::move(array));
}

void ORVConcretePoolCapabilities::getKeyAttributes(const PropertyContainer& volume, KeyBindingList& out) {
    const ArrayName array = arrayNameOf(volume);
    out.push_back(stringKey("InstanceID", arrayId(array.contrId, array.vdIndex)));
}

void ORVConcretePoolCapabilities::getNonKeyAttributes(const PropertyContainer& volume, PropertyList& out) {
    const LibraryPropertyReader reader(volume, "VrlVolume", 5);
    const auto level = reader.integer("RAIDLevel");
    out.push_back(stringProperty("ElementName", level ? raidLevelName(*level) : "Unknown"));
    if (level) {
        appendCapabilityProperties(out, {*level}, *level);
        if (hasParity(*level)) out.push_back(scalarProperty("ParityLayout", kRotatedParityLayout, CIM_UINT16));
    }
    addConverted<uint32_t, uint64_t>(out, "UserDataStripeDepthDefault", reader.integer("stripeSize"), CIM_UINT64,
                                     stripeBytes);
    addConverted<uint32_t, bool>(out, "SpareProtected", reader.integer("hsProtected"), CIM_BOOLEAN,
                                 [](uint32_t flag) { return flag != 0; });
    out.push_back(scalarProperty("ElementType", kElementTypeStoragePool, CIM_UINT16));
}

uint32_t ORVConcretePoolCapabilities::invokeMethod(CIMObjectPath path, const std::string& methodName,
                                                   const CIMArgumentList&, CIMArgumentList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVConcretePoolCapabilities::invokeMethod";
    if (!CommonFunctions::equalsIgnoreCase(methodName, "CreateSetting")) {
        LogMessage(2, "%s :: Method %s not supported on %s.", kName, methodName.c_str(), "ORV_ConcretePoolCapabilities");
        throw CIMException(16, std::string("Method Not Supported"));
    }
    const std::string instanceId = stringKeyValue(path, "InstanceID").value_or("");
    const ArrayName array = parseArrayId(instanceId);
    // The array must exist before a setting can be named after it.
    readArray(instanceId, array, kName);
    CIMObjectPath setting(path.getHost(), path.getNameSpace(), "ORV_FixedStorageSetting");
    setting.addKeyBinding(stringKey("InstanceID", arrayId(array.contrId, array.vdIndex)));
    out.add(scalarProperty("NewSetting", setting, CIM_REFERENCE));
    return 0;
}

}  // namespace orv::cim::fwf
