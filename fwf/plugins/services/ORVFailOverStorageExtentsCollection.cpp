#include "ORVFailOverStorageExtentsCollection.h"

#include "ControllerSupport.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {

constexpr const char* kClassName = "ORV_FailoverStorageExtentsCollection";

}  // namespace

void ORVFailOverStorageExtentsCollection::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(
        path,
        {kClassName, "InstanceID", 2, "orv::cim::fwf::ORVFailOverStorageExtentsCollection::getRepositoryObjects"},
        out);
}

void ORVFailOverStorageExtentsCollection::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                           KeyBindingList& out) {
    const uint32_t contrId =
        requireControllerId(object, "orv::cim::fwf::ORVFailOverStorageExtentsCollection::getKeyAttributes");
    out.push_back(stringKey("InstanceID", "FailoverStorageExtentsCollection_" + std::to_string(contrId)));
}

void ORVFailOverStorageExtentsCollection::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                              PropertyList& out) {
    if (const auto contrId = LibraryPropertyReader(object, "VrlController").integer("contrId", true)) {
        out.push_back(stringProperty("ElementName", "Failed-over extents of " + controllerName(*contrId)));
    }
}

}  // namespace orv::cim::fwf
