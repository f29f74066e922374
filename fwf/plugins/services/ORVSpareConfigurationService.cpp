#include "ORVSpareConfigurationService.h"

#include "CIMException.h"
#include "ControllerSupport.h"
#include "Logger.h"
#include "PropertyBuilders.h"
#include "ServiceSupport.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {

constexpr const char* kClassName = "ORV_SpareConfigurationService";
constexpr const char* kNamePrefix = "SpareConfigService";

}  // namespace

void ORVSpareConfigurationService::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVSpareConfigurationService::getRepositoryObjects";
    // Name is the one key that tells the controller; a get without it cannot
    // be answered, which is the client's error, not "no such instance".
    if (isClass(path, kClassName) && !path.getKeyBindings().empty() && !stringKeyValue(path, "Name")) {
        LogMessage(2, "%s :: Key Property %s not found in object path passed.", kName, "Name");
        throw CIMException(6, "Key Property %s not found in object path passed.", "Name");
    }
    selectControllerObjects(path, {kClassName, "Name", 2, kName}, out);
}

void ORVSpareConfigurationService::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                    KeyBindingList& out) {
    const uint32_t contrId =
        requireControllerId(object, "orv::cim::fwf::ORVSpareConfigurationService::getKeyAttributes");
    controllerServiceKeys(kClassName, kNamePrefix, contrId, out);
}

void ORVSpareConfigurationService::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                       PropertyList& out) {
    if (const auto contrId = LibraryPropertyReader(object, "VrlController").integer("contrId", true)) {
        out.push_back(stringProperty("ElementName", "Spare configuration of " + controllerName(*contrId)));
    }
}

uint32_t ORVSpareConfigurationService::invokeMethod(CIMObjectPath, const std::string& methodName,
                                                    const CIMArgumentList&, CIMArgumentList&) {
    LogMessage(2, "orv::cim::fwf::ORVSpareConfigurationService::invokeMethod :: %s :: Not supported",
               methodName.c_str());
    return kNotSupported;
}

}  // namespace orv::cim::fwf
