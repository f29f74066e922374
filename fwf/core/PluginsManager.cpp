#include "PluginsManager.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>

#include "CommonFunctions.h"
#include "Logger.h"

namespace orv::cim::fwf {

namespace {

// Lives as long as the module, so that the manager can be built again after
// a destruction (a CIM server that reloads the provider, a test).
std::mutex managerMutex;
std::atomic<PluginsManager*> singleton{nullptr};
std::atomic<const PluginCatalogue*> installedCatalogue{nullptr};

}  // namespace

PluginsManager::PluginsManager() {
    LogTrace("Entering PluginsManager::PluginsManager()");
    LogTrace("Exiting PluginsManager::PluginsManager()");
}

PluginsManager::~PluginsManager() {
    LogTrace("Entering PluginsManager::~PluginsManager()");
    // std::map destroys its nodes in tree order; plugins go in key order.
    for (auto& entry : registry_) entry.second.reset();
    LogTrace("Exiting PluginsManager::~PluginsManager()");
}

PluginsManager* PluginsManager::getInstance() {
    // Every request passes here; only the creation is worth a log line.
    if (PluginsManager* existing = singleton.load(std::memory_order_acquire)) return existing;
    LogMessage(5, "Entering PluginsManager getInstance()");
    PluginsManager* created = nullptr;
    {
        std::lock_guard<std::mutex> lock(managerMutex);
        created = singleton.load(std::memory_order_acquire);
        if (created == nullptr) {
            created = new (std::nothrow) PluginsManager();
            singleton.store(created, std::memory_order_release);
        }
    }
    LogMessage(5, "Unlocked the mutex object");
    if (created == nullptr) {
        LogMessage(5, "ERROR : Insufficient Memory : PluginsManager::getInstance");
        return nullptr;
    }
    LogMessage(5, "Returning successfully formed PluginsManager singleton object");
    return created;
}

void PluginsManager::destroyInstance() {
    PluginsManager* manager = nullptr;
    {
        std::lock_guard<std::mutex> lock(managerMutex);
        manager = singleton.exchange(nullptr, std::memory_order_acq_rel);
    }
    delete manager;
}

void PluginsManager::setPluginCatalogue(const PluginCatalogue* catalogue) {
    installedCatalogue.store(catalogue, std::memory_order_release);
}

bool PluginsManager::initialize(bool selective) {
    constexpr const char* kName = "orv::cim::fwf::PluginsManager::initialize";
    LogTrace("Entering PluginsManager::initialize()");
    const PluginCatalogue* catalogue = installedCatalogue.load(std::memory_order_acquire);
    if (catalogue == nullptr) {
        LogMessage(2, "%s :: No plugin catalogue installed, no class is served.", kName);
    } else {
        registerAll(catalogue->everyMode);
    }
    if (selective) {
        LogMessage(4, "%s :: SELECTIVE INITIALIZATION.", kName);
    } else {
        LogMessage(4, "%s :: FULL INITIALIZATION.", kName);
        if (catalogue != nullptr) registerAll(catalogue->fullModeOnly);
    }
    LogTrace("Exiting PluginsManager::initialize()");
    return true;
}

void PluginsManager::registerAll(const std::vector<PluginRegistration>& registrations) {
    for (const auto& registration : registrations) {
        if (registration.isPlanned()) {
            LogMessage(5, "%s is planned: no plugin serves it yet.", registration.className);
            continue;
        }
        std::unique_ptr<AbstractProviderPlugin> plugin;
        try {
            plugin = registration.create();
        } catch (const std::bad_alloc&) {
            // Registered empty: requests for the class then answer nothing.
        }
        registry_.emplace(CommonFunctions::toLower(registration.className), std::move(plugin));
    }
}

bool PluginsManager::NameLess::operator()(std::string_view a, std::string_view b) const {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto left = static_cast<unsigned char>(CommonFunctions::lowerAscii(a[i]));
        const auto right = static_cast<unsigned char>(CommonFunctions::lowerAscii(b[i]));
        if (left != right) return left < right;
    }
    return a.size() < b.size();
}

AbstractProviderPlugin* PluginsManager::getPlugin(const std::string& className) {
    LogTrace("Entering PluginsManager::getPlugin()");
    const auto found = registry_.find(std::string_view(className));
    if (found == registry_.end()) {
        LogMessage(2, "Plugin not initialized for %s.", className.c_str());
        return nullptr;
    }
    return found->second.get();
}

}  // namespace orv::cim::fwf
