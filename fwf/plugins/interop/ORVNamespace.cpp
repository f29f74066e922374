#include "ORVNamespace.h"

#include <string>

#include "InteropCommon.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

void ORVNamespace::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    const std::string host = interop::hostName("orv::cim::fwf::ORVNamespace::getRepositoryObjects");
    orv::raidlib::PropertyContainer object;
    object.insertString("SystemCreationClassName", "PG_ComputerSystem", true);
    object.insertString("SystemName", host, true);
    object.insertString("ObjectManagerCreationClassName", interop::kObjectManagerClass, true);
    object.insertString("ObjectManagerName", host + "_ObjectManager", true);
    object.insertString("CreationClassName", "ORV_Namespace", true);
    object.insertString("Name", interop::kInteropNamespace, true);
    out.push_back(std::move(object));
    keepRequested(path, out);
}

void ORVNamespace::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    copyStringKeys(object, out);
}

void ORVNamespace::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList& out) {
    out.push_back(scalarProperty<uint16_t>("ClassType", 1, CIM_UINT16));
    out.push_back(scalarProperty<uint16_t>("ClassInfo", 0, CIM_UINT16));
    out.push_back(stringProperty("DescriptionOfClassInfo", "namespace"));
}

}  // namespace orv::cim::fwf
