#include "ORVSpareConfigurationCapabilities.h"

#include "CIMException.h"
#include "CommonFunctions.h"
#include "ControllerSupport.h"
#include "Logger.h"
#include "PropertyBuilders.h"
#include "RaidLibraryAccess.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {

constexpr const char* kClassName = "ORV_SpareConfigurationCapabilities";
constexpr const char* kModifyName = "orv::cim::fwf::ORVSpareConfigurationCapabilities::modifyInstance";
constexpr const char* kAutomaticFailOver = "AutomaticFailOver";
// The controller-settings bit that makes the library apply autoRebuild.
constexpr uint32_t kAutoRebuildMask = 0x1;

// Spare assignment and removal answer at once; rebuild, parity check and
// their relatives run on as controller commands.
const std::vector<uint16_t> kSynchronousActions = {2, 3};
const std::vector<uint16_t> kAsynchronousActions = {4, 5, 6, 7};

}  // namespace

void ORVSpareConfigurationCapabilities::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(
        path, {kClassName, "InstanceID", 2, "orv::cim::fwf::ORVSpareConfigurationCapabilities::getRepositoryObjects"},
        out);
}

void ORVSpareConfigurationCapabilities::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                         KeyBindingList& out) {
    const uint32_t contrId =
        requireControllerId(object, "orv::cim::fwf::ORVSpareConfigurationCapabilities::getKeyAttributes");
    out.push_back(stringKey("InstanceID", "StorageConfigurationCapabilities_" + std::to_string(contrId)));
}

void ORVSpareConfigurationCapabilities::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                            PropertyList& out) {
    out.push_back(stringProperty("ElementName", "Spare Configuration Capabilities"));
    out.push_back(scalarProperty("SystemConfiguredSpares", false, CIM_BOOLEAN));
    if (const auto autoRebuild = LibraryPropertyReader(object, "VrlController").integer("autoRebuild")) {
        out.push_back(scalarProperty(kAutomaticFailOver, *autoRebuild != 0, CIM_BOOLEAN));
    }
    out.push_back(scalarProperty<uint32_t>("MaximumSpareStorageExtents", 0, CIM_UINT32));
    addUint16Array(out, "SupportedASynchronousActions", kAsynchronousActions);
    addUint16Array(out, "SupportedSynchronousActions", kSynchronousActions);
}

void ORVSpareConfigurationCapabilities::modifyInstance(CIMObjectPath path, CIMInstance instance,
                                                       const PropertyNameList& propertyNames) {
    LogTrace("Entering ORVSpareConfigurationCapabilities :: modifyInstance()");
    if (propertyNames.empty()) return;
    std::optional<bool> automaticFailOver;
    for (const std::string& name : propertyNames) {
        if (CommonFunctions::toLower(name) != CommonFunctions::toLower(kAutomaticFailOver)) {
            LogMessage(2, "%s :: %s Property modification not supported for controller.", kModifyName, name.c_str());
            throw CIMException(7, "%s Property modification not supported for controller.", name.c_str());
        }
        const CIMProperty* property = instance.getProperty(kAutomaticFailOver);
        if (property == nullptr || property->getType() != CIM_BOOLEAN || property->getValue<bool>().size() == 0) {
            LogMessage(2, "%s :: Failed to retrieve value for %s,                    from instance passed.",
                       kModifyName, name.c_str());
            throw CIMException(4, "Failed to retrieve value for %s from instance passed.", name.c_str());
        }
        automaticFailOver = property->getValue<bool>().at(0);
    }

    orv::raidlib::PropertyContainer in;
    in.insertInt("contrId", keyFieldNumber(stringKeyValue(path, "InstanceID").value_or(""), 2), true);
    in.insertInt("autoRebuild", *automaticFailOver ? 1 : 0);
    in.insertInt("inputMask", kAutoRebuildMask);
    orv::raidlib::PropertyContainer result;
    if (const uint32_t status = requireRaidLibrary(kModifyName).invokeMethod("setContrProps", in, result);
        status != 0) {
        LogMessage(2, "%s :: VrlOperation::setContrProps returned error : %d", kModifyName, static_cast<int>(status));
        throw CIMException(1, CommonFunctions::getErrorDescription(status));
    }
    LogTrace("Exiting ORVSpareConfigurationCapabilities :: modifyInstance()");
}

}  // namespace orv::cim::fwf
