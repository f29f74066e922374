#include "ORVTargetSCSIProtocolEndPoint.h"

#include "ControllerSupport.h"
#include "DiskSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {

constexpr const char* kClassName = "ORV_TargetSCSIProtocolEndPoint";
constexpr const char* kControllerKind = "VrlController";
// ConnectionType "Other": the host reaches the controller over its bus, for
// which the connection types have no value.
constexpr uint16_t kOtherConnection = 1;
constexpr uint16_t kTarget = 3;

}  // namespace

void ORVTargetSCSIProtocolEndPoint::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(
        path, {kClassName, "Name", 1, "orv::cim::fwf::ORVTargetSCSIProtocolEndPoint::getRepositoryObjects"}, out);
    // The controller was found by the number in Name; the rest must fit too.
    keepRequested(path, out);
}

void ORVTargetSCSIProtocolEndPoint::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                     KeyBindingList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVTargetSCSIProtocolEndPoint::getKeyAttributes";
    const LibraryPropertyReader controller(object, kControllerKind);
    const auto contrId = controller.integer("contrId", true);
    if (!contrId) raiseKeyRetrievalFailure(kName, "contrId");
    const auto adapterId = controller.integer("adapterId");
    if (!adapterId) raiseKeyRetrievalFailure(kName, "adapterId");
    out.push_back(stringKey("SystemName", controllerName(*contrId)));
    out.push_back(stringKey("CreationClassName", kClassName));
    out.push_back(stringKey("SystemCreationClassName", kControllerSystemClass));
    out.push_back(stringKey("Name", std::to_string(*contrId) + "_" + std::to_string(*adapterId) + "_SCSI"));
}

void ORVTargetSCSIProtocolEndPoint::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList& out) {
    out.push_back(scalarProperty<uint16_t>("ProtocolIFType", 1, CIM_UINT16));
    out.push_back(stringProperty("OtherTypeDescription", "SCSI"));
    out.push_back(scalarProperty("ConnectionType", kOtherConnection, CIM_UINT16));
    out.push_back(scalarProperty("Role", kTarget, CIM_UINT16));
    out.push_back(stringProperty("OtherConnectionType", "Other"));
}

}  // namespace orv::cim::fwf
