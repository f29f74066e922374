// Every plugin class of the provider, for the plugins manager.
#pragma once

#include "PluginsManager.h"

namespace orv::cim::fwf {

// The classes in registration order. Hand it to
// PluginsManager::setPluginCatalogue before initialising the framework.
const PluginCatalogue& providerPluginCatalogue();

}  // namespace orv::cim::fwf
