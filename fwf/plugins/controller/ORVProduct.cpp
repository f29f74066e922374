#include "ORVProduct.h"

#include "ControllerSupport.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {
constexpr const char* kClassName = "ORV_Product";
// Like the card, the product publishes its texts even when the board does not
// give them, so that its keys stay complete.
constexpr int kFailureLevel = 5;

// Boards sold under a marketing name, by their PCI subsystem device id.
std::string commercialNameOf(uint32_t subsystemDeviceId) {
    return subsystemDeviceId == 0x262 || subsystemDeviceId == 0x270 ? "Talvex R4210" : "";
}
}  // namespace

void ORVProduct::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(path,
                            {kClassName, "Name", 2, "orv::cim::fwf::ORVProduct::getRepositoryObjects", kControllers,
                             LibraryFailureLog::ObjectsOfClass, "Failed to retrieve controller objects from VRLib"},
                            out);
}

void ORVProduct::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    const uint32_t contrId = requireControllerId(object, "orv::cim::fwf::ORVProduct::getKeyAttributes", KeyFailureText::NamingProperty);
    const LibraryPropertyReader read(object, "VrlController", kFailureLevel);
    const std::string productName = read.text("productName").value_or("");
    out.push_back(stringKey("IdentifyingNumber", read.text("serialNumber").value_or("")));
    out.push_back(stringKey("Name", productName.substr(0, productName.find(' ')) + "_" + std::to_string(contrId)));
    // The controller record names its maker in vendorName; there is no
    // separate vendor identification for the board.
    out.push_back(stringKey("Vendor", read.text("vendorName").value_or("")));
    out.push_back(stringKey("Version", read.text("fwVersion").value_or("")));
}

void ORVProduct::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) {
    const LibraryPropertyReader read(object, "VrlController", kFailureLevel);
    if (const auto contrId = read.integer("contrId", true)) {
        out.push_back(stringProperty("ElementName", "AMBRIX_" + std::to_string(*contrId)));
    }
    // The full product name goes into Caption: Name is the key above, and a
    // second Name with another value would contradict the instance's path.
    out.push_back(stringProperty("Caption", read.text("productName").value_or("")));
    const std::optional<uint32_t> subsystemDeviceId = read.integer("PCISubSysDeviceId");
    out.push_back(stringProperty("CommercialName", commercialNameOf(subsystemDeviceId.value_or(0))));
}

}  // namespace orv::cim::fwf
