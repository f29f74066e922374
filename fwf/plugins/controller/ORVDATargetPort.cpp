#include "ORVDATargetPort.h"

#include "ControllerSupport.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {
constexpr const char* kClassName = "ORV_DATargetPort";
}  // namespace

void ORVDATargetPort::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(path, {kClassName, "DeviceID", 1, "orv::cim::fwf::ORVDATargetPort::getRepositoryObjects"},
                            out);
}

void ORVDATargetPort::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVDATargetPort::getKeyAttributes";
    const uint32_t contrId =
        requireKeyInteger(object, "contrId", true, kName, "%s :: Controller ID could not be retrieved");
    const uint32_t adapterId =
        requireKeyInteger(object, "adapterId", false, kName, "%s :: adapterId could not be retrieved");
    out.push_back(stringKey("SystemCreationClassName", "ORV_ControllerComputerSystem"));
    out.push_back(stringKey("CreationClassName", kClassName));
    out.push_back(stringKey("DeviceID", std::to_string(contrId) + "_" + std::to_string(adapterId)));
    out.push_back(stringKey("SystemName", controllerName(contrId)));
}

void ORVDATargetPort::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) {
    const LibraryPropertyReader read(object, "VrlController");
    addUint16Array(out, "OperationalStatus", {2});
    out.push_back(scalarProperty<uint16_t>("UsageRestriction", 2, CIM_UINT16));  // front-end only
    out.push_back(scalarProperty<uint16_t>("PortType", 94, CIM_UINT16));
    addIfPresent(out, "PCIVendorID", read.integer("PCIVendorId"), CIM_UINT32);
    addIfPresent(out, "PCIDeviceID", read.integer("PCIDeviceId"), CIM_UINT32);
    addIfPresent(out, "PCISubSysVendorId", read.integer("PCISubSysVendorId"), CIM_UINT32);
    addIfPresent(out, "PCISubSysDeviceId", read.integer("PCISubSysDeviceId"), CIM_UINT32);
    addIfPresent(out, "SlotNumber", read.integer("adapterId"), CIM_UINT32);
}

}  // namespace orv::cim::fwf
