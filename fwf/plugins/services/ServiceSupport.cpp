#include "ServiceSupport.h"

#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf::storage {

void controllerServiceKeys(const char* className, const char* namePrefix, uint32_t contrId, KeyBindingList& out) {
    out.push_back(stringKey("SystemCreationClassName", "ORV_ControllerComputerSystem"));
    out.push_back(stringKey("SystemName", controllerName(contrId)));
    out.push_back(stringKey("CreationClassName", className));
    out.push_back(stringKey("Name", std::string(namePrefix) + "_" + std::to_string(contrId)));
}

uint32_t serviceControllerId(const CIMObjectPath& servicePath) {
    return keyFieldNumber(stringKeyValue(servicePath, "Name").value_or(""), 2);
}

}  // namespace orv::cim::fwf::storage
