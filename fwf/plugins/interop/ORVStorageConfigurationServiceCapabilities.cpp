#include "ORVStorageConfigurationServiceCapabilities.h"

#include <string>

#include "CIMException.h"
#include "Logger.h"
#include "PropertyBuilders.h"
#include "RaidLibraryAccess.h"

namespace orv::cim::fwf {

void ORVStorageConfigurationServiceCapabilities::getRepositoryObjects(const CIMObjectPath& path,
                                                                      RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVStorageConfigurationServiceCapabilities::getRepositoryObjects";
    RepositoryObjects controllers;
    if (const uint32_t status = requireRaidLibrary(kName).getStorageClass("IOAs", controllers); status != 0) {
        LogMessage(2, "%s :: VRLib returned error : %d", kName, static_cast<int>(status));
        throw CIMException(1, "%s :: VRLib returned error : %d", kName, static_cast<int>(status));
    }
    keepRequested(path, controllers);
    for (auto& controller : controllers) out.push_back(std::move(controller));
}

void ORVStorageConfigurationServiceCapabilities::getKeyAttributes(const orv::raidlib::PropertyContainer& controller,
                                                                  KeyBindingList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVStorageConfigurationServiceCapabilities::getKeyAttributes";
    orv::raidlib::VrlInt contrId = 0;
    if (controller.getPropertyValue(contrId, "contrId", true) != 0) {
        LogMessage(2, "%s :: Controller Id could not be fetched", kName);
        throw CIMException(1, "%s :: Property retrieval failed.", kName);
    }
    out.push_back(stringKey("InstanceID", "StorageConfigurationCapabilities_" + std::to_string(contrId)));
}

void ORVStorageConfigurationServiceCapabilities::getNonKeyAttributes(const orv::raidlib::PropertyContainer&,
                                                                     PropertyList& out) {
    out.push_back(stringProperty("Caption", "Storage Configuration Service Capabilities"));
    out.push_back(stringProperty("Description", "Storage Configuration Service Capabilities"));
    out.push_back(stringProperty("ElementName", "Storage Configuration Capabilities"));
    // Every configuration method completes before it returns.
    out.push_back(arrayProperty<uint16_t>("SupportedAsynchronousActions", {}, CIM_UINT16_ARRAY));
    out.push_back(arrayProperty<uint16_t>("SupportedSynchronousActions", {2, 3, 5, 6}, CIM_UINT16_ARRAY));
    out.push_back(arrayProperty<uint16_t>("SupportedStorageElementTypes", {2}, CIM_UINT16_ARRAY));
    out.push_back(arrayProperty<uint16_t>("SupportedStorageElementFeatures", {3, 6}, CIM_UINT16_ARRAY));
    out.push_back(arrayProperty<uint16_t>("SupportedStoragePoolFeatures", {2}, CIM_UINT16_ARRAY));
}

}  // namespace orv::cim::fwf
