#include "ORVStorageSetting.h"

#include "CIMException.h"
#include "Logger.h"
#include "PoolSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"
#include "StorageSettingSupport.h"

namespace orv::cim::fwf {

using namespace storage;
using orv::raidlib::PropertyContainer;

void ORVStorageSetting::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVStorageSetting::getRepositoryObjects";
    RepositoryObjects controllers;
    if (const uint32_t status = readLibraryClass(kControllers, controllers, kName); status != 0) {
        LogMessage(2, "%s :: VRLib returned error : %d", kName, static_cast<int>(status));
        throw CIMException(1, std::string("Failed to retrieve Controller objects from VRLib"));
    }
    RepositoryObjects settings;
    for (const auto& controller : controllers) {
        const LibraryPropertyReader reader(controller, "VrlController", 4);
        const auto contrId = reader.integer("contrId", true);
        const auto mask = reader.integer("supRAIDLevel");
        if (!contrId || !mask) continue;
        for (const uint32_t level : supportedRaidLevels(*mask)) {
            PropertyContainer setting = libraryKeys(*contrId);
            setting.insertInt("raidLevel", level, true);
            for (const char* name : {"supStripeSize", "recStripeSize"}) {
                if (const auto* property = controller.findProperty(name, false)) setting.CopyProperty(*property, false);
            }
            settings.push_back(std::move(setting));
        }
    }
    keepRequested(path, settings);
    for (auto& setting : settings) out.push_back(std::move(setting));
}

void ORVStorageSetting::getKeyAttributes(const PropertyContainer& setting, KeyBindingList& out) {
    const LibraryPropertyReader reader(setting, "VrlController");
    out.push_back(stringKey("InstanceID", fixedSettingInstanceId(reader.integer("contrId", true).value_or(0),
                                                                 reader.integer("raidLevel", true).value_or(0))));
}

void ORVStorageSetting::getNonKeyAttributes(const PropertyContainer& setting, PropertyList& out) {
    const LibraryPropertyReader reader(setting, "VrlController", 4);
    const uint32_t level = reader.integer("raidLevel", true).value_or(0);
    out.push_back(stringProperty("ElementName", raidLevelName(level)));
    out.push_back(stringProperty("Description", raidLevelDescription(level)));
    out.push_back(scalarProperty("ChangeableType", kNotChangeablePersistent, CIM_UINT16));
    appendLevelSettingProperties(out, level);
    // Mirrors and RAID 5 arrays take the depths the controller's tools have
    // always offered for them; the other levels those the controller reports.
    std::optional<StripeDepths> depths;
    if (level == 1 || level == 5) {
        depths = StripeDepths{kFixedStripeDepthMin, kFixedStripeDepthMax, kDefaultStripeDepth};
    } else {
        const auto supported = reader.integer("supStripeSize");
        const auto recommended = reader.integer("recStripeSize");
        if (supported && recommended) depths = stripeDepthsOf(*supported, *recommended);
    }
    if (depths) {
        out.push_back(scalarProperty("UserDataStripeDepth", depths->preferred, CIM_UINT64));
        out.push_back(scalarProperty("UserDataStripeDepthMin", depths->minimum, CIM_UINT64));
        out.push_back(scalarProperty("UserDataStripeDepthMax", depths->maximum, CIM_UINT64));
    }
}

}  // namespace orv::cim::fwf
