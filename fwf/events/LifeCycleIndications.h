// Which CIM instances a library event created, deleted or changed, and the
// creation, deletion and modification indications that tell subscribers.
//
// The listener decides which classes an event touches; the instance itself
// comes from each class's own plugin: its keys from the library object
// behind it (the plugin's getKeyAttributes), its properties exactly as a
// GetInstance answers them. So no key format is written twice.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "AbstractProviderPlugin.h"
#include "Indications.h"

namespace orv::raidlib {
class VRLibFacadeIntf;
}

namespace orv::cim::fwf {

class PluginsManager;

// The lifecycle indications of one event, appended to `out`. changeList
// for property events (types 8 to 10), volReserved for volume removal.
void generateLifeCycleIndications(const AenRecord& aen, const std::string& changeList,
                                  std::optional<uint32_t> volReserved, orv::raidlib::VRLibFacadeIntf& library,
                                  PluginsManager& plugins, CIMInstanceList& out);

}  // namespace orv::cim::fwf
