#include "ORVCard.h"

#include "ControllerSupport.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {
constexpr const char* kClassName = "ORV_Card";
// A card's identity texts are published even when the board does not give
// them: an empty text, with the failure kept to the detail level.
constexpr int kFailureLevel = 5;
}  // namespace

void ORVCard::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(path,
                            {kClassName, "Tag", 2, "orv::cim::fwf::ORVCard::getRepositoryObjects", kControllers,
                             LibraryFailureLog::ObjectsOfClass, "Failed to retrieve Controller objects from VRLib"},
                            out);
}

void ORVCard::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    const uint32_t contrId = requireControllerId(object, "orv::cim::fwf::ORVCard::getKeyAttributes", KeyFailureText::NamingProperty);
    out.push_back(stringKey("CreationClassName", kClassName));
    out.push_back(stringKey("Tag", controllerTag(contrId)));
}

void ORVCard::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) {
    const LibraryPropertyReader read(object, "VrlController", kFailureLevel);
    const std::string serialNumber = read.text("serialNumber").value_or("");
    out.push_back(stringProperty("Manufacturer", read.text("vendorName").value_or("")));
    out.push_back(stringProperty("Model", read.text("modelNumber").value_or("")));
    out.push_back(stringProperty("SerialNumber", serialNumber));
    out.push_back(stringProperty("SKU", serialNumber));
    if (const auto contrId = read.integer("contrId", true)) {
        out.push_back(stringProperty("ElementName", controllerTag(*contrId)));
    }
    out.push_back(scalarProperty("CanBeFRUed", false, CIM_BOOLEAN));
    out.push_back(scalarProperty("HostingBoard", false, CIM_BOOLEAN));
    out.push_back(stringProperty("PartNumber", read.text("partNumber").value_or("")));
    out.push_back(scalarProperty<uint16_t>("PackageType", 9, CIM_UINT16));
}

}  // namespace orv::cim::fwf
