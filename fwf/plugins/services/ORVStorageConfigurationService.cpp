#include "ORVStorageConfigurationService.h"

#include "CIMException.h"
#include "ControllerSupport.h"
#include "Logger.h"
#include "PropertyBuilders.h"
#include "ServiceSupport.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {

constexpr const char* kClassName = "ORV_StorageConfigurationService";
constexpr const char* kNamePrefix = "StorageConfigurationService";

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
    const uint32_t contrId =
        requireControllerId(object, "orv::cim::fwf::ORVStorageConfigurationService::getKeyAttributes");
    controllerServiceKeys(kClassName, kNamePrefix, contrId, out);
}

void ORVStorageConfigurationService::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                         PropertyList& out) {
    if (const auto contrId = LibraryPropertyReader(object, "VrlController").integer("contrId", true)) {
        out.push_back(stringProperty("ElementName", "Storage configuration of " + controllerName(*contrId)));
    }
}

uint32_t ORVStorageConfigurationService::invokeMethod(CIMObjectPath, const std::string& methodName,
                                                      const CIMArgumentList&, CIMArgumentList&) {
    LogMessage(2, "orv::cim::fwf::ORVStorageConfigurationService::invokeMethod :: %s :: Not supported",
               methodName.c_str());
    return kNotSupported;
}

}  // namespace orv::cim::fwf
