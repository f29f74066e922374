#include "ORVObjectManager.h"

#include "InteropCommon.h"

namespace orv::cim::fwf {

void ORVObjectManager::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    out.push_back(interop::objectManagerObject(
        interop::hostName("orv::cim::fwf::ORVObjectManager::getRepositoryObjects")));
    keepRequested(path, out);
}

void ORVObjectManager::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    copyStringKeys(object, out);
}

void ORVObjectManager::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList& out) {
    out = interop::objectManagerProperties(interop::kObjectManagerDescription);
}

}  // namespace orv::cim::fwf
