#include "ServiceSupport.h"

#include "CommonFunctions.h"
#include "ControllerSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"
#include "VRLibFacadeIntf.h"

namespace orv::cim::fwf::storage {

void controllerServiceKeys(const orv::raidlib::PropertyContainer& controller, const char* className,
                           const char* namePrefix, const char* qualifiedName, KeyBindingList& out) {
    const uint32_t contrId = requireControllerId(controller, qualifiedName);
    out.push_back(stringKey("SystemCreationClassName", "ORV_ControllerComputerSystem"));
    out.push_back(stringKey("SystemName", controllerName(contrId)));
    out.push_back(stringKey("CreationClassName", className));
    out.push_back(stringKey("Name", std::string(namePrefix) + "_" + std::to_string(contrId)));
}

void controllerServiceElementName(const orv::raidlib::PropertyContainer& controller, const char* what,
                                  PropertyList& out) {
    if (const auto contrId = LibraryPropertyReader(controller, "VrlController").integer("contrId", true)) {
        out.push_back(stringProperty("ElementName", std::string(what) + " of " + controllerName(*contrId)));
    }
}

uint32_t serviceControllerId(const CIMObjectPath& servicePath) {
    return keyFieldNumber(stringKeyValue(servicePath, "Name").value_or(""), 2);
}

bool sameCimName(const std::string& a, const std::string& b) {
    return CommonFunctions::toLower(a) == CommonFunctions::toLower(b);
}

const CIMProperty* givenArgument(const CIMArgumentList& in, const std::string& name) {
    for (const CIMProperty& argument : in) {
        if (!sameCimName(argument.getName(), name)) continue;
        const bool hasValue = argument.visitValue([](const auto& value) {
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::monostate>) {
                return false;
            } else {
                return value.size() > 0;
            }
        });
        return hasValue ? &argument : nullptr;
    }
    return nullptr;
}

std::vector<CIMObjectPath> referencesOf(const CIMProperty& argument) {
    if (argument.getType() != CIM_REFERENCE && argument.getType() != CIM_REFERENCE_ARRAY) return {};
    return argument.getValue<CIMObjectPath>().getValues();
}

LibraryAnswer runLibraryOperation(orv::raidlib::VRLibFacadeIntf& library, const char* operation,
                                  const orv::raidlib::PropertyContainer& in) {
    LibraryAnswer answer{0, {}};
    answer.status = library.invokeMethod(operation, in, answer.out);
    return answer;
}

}  // namespace orv::cim::fwf::storage
