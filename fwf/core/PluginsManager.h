// The class registry: one plugin object per CIM class the provider serves,
// found by the class name in lower case.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "AbstractProviderPlugin.h"

namespace orv::cim::fwf {

// Builds one plugin; a factory may carry data (a row of a table of
// associations), so it is a function object rather than a plain function.
using PluginFactory = std::function<std::unique_ptr<AbstractProviderPlugin>()>;

template <typename Plugin>
std::unique_ptr<AbstractProviderPlugin> makePlugin() {
    return std::make_unique<Plugin>();
}

// One registrable class: its CIM class name (the registry key is its lower-case
// form) and the factory of its plugin. A class without a factory is planned:
// it keeps its place in the catalogue but is not registered, so requests for
// it answer nothing until its plugin exists.
struct PluginRegistration {
    const char* className;
    PluginFactory create;

    bool isPlanned() const { return !create; }
};

// The catalogue row of a class whose plugin does not exist yet.
inline PluginRegistration planned(const char* className) { return {className, nullptr}; }

// The classes to register, in registration order: those served in every mode
// and those served only when the RAID library found controllers.
struct PluginCatalogue {
    std::vector<PluginRegistration> everyMode;
    std::vector<PluginRegistration> fullModeOnly;
};

class PluginsManager {
public:
    static PluginsManager* getInstance();
    // Destroys the singleton and every plugin; a later getInstance builds a
    // fresh, empty manager.
    static void destroyInstance();
    // The plugins live in the library above this one, so the catalogue is
    // handed in by whoever links both (the CMPI adapter, the tests) before the
    // framework is initialised. The catalogue must outlive the manager.
    static void setPluginCatalogue(const PluginCatalogue* catalogue);

    // Registers the every-mode classes and, unless selective, the full-mode
    // ones. Always true.
    bool initialize(bool selective);
    // The plugin of a class name in any letter case; null when the class is
    // not registered (or its plugin could not be allocated).
    AbstractProviderPlugin* getPlugin(const std::string& className);

    PluginsManager(const PluginsManager&) = delete;
    PluginsManager& operator=(const PluginsManager&) = delete;

private:
    PluginsManager();
    ~PluginsManager();
    void registerAll(const std::vector<PluginRegistration>& registrations);

    // Orders names without regard to case, so that a request's class name
    // finds its plugin as it stands, without a lower-case copy first.
    struct NameLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    std::map<std::string, std::unique_ptr<AbstractProviderPlugin>, NameLess> registry_;
};

}  // namespace orv::cim::fwf
