#include "AbstractInstanceProviderPlugin.h"

#include <algorithm>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "InstanceKeys.h"
#include "Logger.h"
#include "NamesOnlyRequest.h"
#include "NonKeysRead.h"
#include "OneSystemRequest.h"

namespace orv::cim::fwf {

namespace {

constexpr const char* kNotSupported = " :: Not supported";

[[noreturn]] void refuse(const char* qualifiedName) { throw CIMException(7, "%s :: %s", qualifiedName, kNotSupported); }

// Whether the request this thread is in asks only for names. Plugins are
// shared by every request thread, hence per thread. Initial-exec: the
// provider is loaded and unloaded with dlopen/dlclose, and a dynamic TLS
// block left behind by an unloaded library trips LeakSanitizer at exit.
[[gnu::tls_model("initial-exec")]] thread_local bool namesOnly = false;

// Sets a per-thread wish for the requests nested in this one, and restores
// the outer request's wish when it ends.
template <class T>
class ThreadScope {
public:
    ThreadScope(T& wish, T value) : wish_(wish), outer_(wish) { wish_ = value; }
    ~ThreadScope() { wish_ = outer_; }
    ThreadScope(const ThreadScope&) = delete;
    ThreadScope& operator=(const ThreadScope&) = delete;

private:
    T& wish_;
    T outer_;
};

// The system the objects asked for belong to, null for all; per thread
// like namesOnly.
[[gnu::tls_model("initial-exec")]] thread_local const std::string* oneSystem = nullptr;

const std::string kEverySystem;

const std::string* systemOrAll(const std::string& systemName) {
    return systemName.empty() ? nullptr : &systemName;
}

// The non-key properties the caller of the enumeration reads, null for all;
// per thread like namesOnly.
[[gnu::tls_model("initial-exec")]] thread_local const PropertyNameList* nonKeysWanted = nullptr;

bool isNamed(const PropertyNameList& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& named) { return CommonFunctions::equalsIgnoreCase(named, name); });
}

CIMObjectPath pathWithKeys(const CIMObjectPath& request, KeyBindingList keys) {
    CIMObjectPath path(request.getHost(), request.getNameSpace(), request.getClassName());
    path.setKeyBindings(std::move(keys));
    return path;
}

// True when every key binding of the request has a same-named, equal key.
bool keysSelect(const std::vector<CIMKeyBinding>& requested, const KeyBindingList& keys) {
    return std::all_of(requested.begin(), requested.end(), [&](const CIMKeyBinding& wanted) {
        return std::any_of(keys.begin(), keys.end(), [&](const CIMKeyBinding& key) {
            return key.getName() == wanted.getName() && key == wanted;
        });
    });
}

}  // namespace

void AbstractInstanceProviderPlugin::enumerateInstanceNames(CIMObjectPath path, CIMObjectPathList& out) {
    listNames(path, kEverySystem, out);
}

void AbstractInstanceProviderPlugin::enumerateInstanceNamesOfSystem(CIMObjectPath path, const std::string& systemName,
                                                                    CIMObjectPathList& out) {
    listNames(path, systemName, out);
}

void AbstractInstanceProviderPlugin::listNames(const CIMObjectPath& path, const std::string& systemName,
                                               CIMObjectPathList& out) {
    constexpr const char* kName = "orv::cim::fwf::AbstractInstanceProviderPlugin::enumerateInstanceNames";
    LogTrace("Entering AbstractInstanceProviderPlugin :: enumerateInstanceNames()");
    try {
        RepositoryObjects objects;
        {
            const ThreadScope<bool> scope(namesOnly, true);
            const ThreadScope<const std::string*> system(oneSystem, systemOrAll(systemName));
            getRepositoryObjects(path, objects);
        }
        if (objects.empty()) {
            LogMessage(4, "%s :: Empty list returned for class %s", kName, path.getClassName().c_str());
            return;
        }
        out.reserve(out.size() + objects.size());
        // Objects of one class have as many keys as each other, so room for
        // the previous object's keys saves the vector from growing step by step.
        std::size_t keyCount = 0;
        for (const auto& object : objects) {
            KeyBindingList keys;
            keys.reserve(keyCount);
            getKeyAttributes(object, keys);
            keyCount = keys.size();
            out.push_back(pathWithKeys(path, std::move(keys)));
        }
    } catch (const CIMException& e) {
        LogMessage(2, "%s :: %s.", kName, e.getMessage().c_str());
        throw;
    }
}

void AbstractInstanceProviderPlugin::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    LogTrace("Entering AbstractInstanceProviderPlugin ::              enumerateInstances()");
    buildInstances(path, kEverySystem, nullptr, out,
                   "orv::cim::fwf::AbstractInstanceProviderPlugin::enumerateInstances");
    LogTrace("Exiting AbstractInstanceProviderPlugin :: enumerateInstances()");
}

void AbstractInstanceProviderPlugin::enumerateInstancesOfSystem(CIMObjectPath path, const std::string& systemName,
                                                                const PropertyNameList* nonKeysRead,
                                                                CIMInstanceList& out) {
    buildInstances(path, systemName, nonKeysRead, out,
                   "orv::cim::fwf::AbstractInstanceProviderPlugin::enumerateInstances");
}

void AbstractInstanceProviderPlugin::getCIMInstance(CIMObjectPath path, CIMInstanceList& out) {
    LogTrace("Entering AbstractInstanceProviderPlugin :: getCIMInstance()");
    buildInstances(path, kEverySystem, nullptr, out, "orv::cim::fwf::AbstractInstanceProviderPlugin::getCIMInstance");
    LogTrace("Exiting AbstractInstanceProviderPlugin :: getCIMInstance()");
}

void AbstractInstanceProviderPlugin::buildInstances(const CIMObjectPath& path, const std::string& systemName,
                                                    const PropertyNameList* nonKeysRead, CIMInstanceList& out,
                                                    const char* qualifiedName) {
    try {
        const ThreadScope<const PropertyNameList*> nonKeys(nonKeysWanted, nonKeysRead);
        RepositoryObjects objects;
        {
            const ThreadScope<bool> scope(namesOnly, false);
            const ThreadScope<const std::string*> system(oneSystem, systemOrAll(systemName));
            getRepositoryObjects(path, objects);
        }
        if (objects.empty()) {
            LogMessage(4, "%s :: Empty list returned for class %s", qualifiedName, path.getClassName().c_str());
            return;
        }
        out.reserve(out.size() + objects.size());
        // Reused from object to object, so that their storage is allocated once.
        KeyBindingList keys;
        PropertyList properties;
        for (const auto& object : objects) {
            keys.clear();
            getKeyAttributes(object, keys);
            properties.clear();
            getNonKeyAttributes(object, properties);
            // One key property per key binding, so keys come first and in key order.
            const std::size_t room = nonKeysRead != nullptr ? nonKeysRead->size() : properties.size();
            CIMInstance instance(path, std::move(keys), room);
            for (auto& property : properties) {
                if (nonKeyPropertyRead(property.getName())) instance.addProperty(std::move(property));
            }
            out.push_back(std::move(instance));
        }
    } catch (const CIMException& e) {
        LogMessage(2, "%s :: %s.", qualifiedName, e.getMessage().c_str());
        throw;
    }
}

CIMObjectPath AbstractInstanceProviderPlugin::instancePathOf(const orv::raidlib::PropertyContainer& object,
                                                             const CIMObjectPath& classPath) {
    KeyBindingList keys;
    getKeyAttributes(object, keys);
    return pathWithKeys(classPath, std::move(keys));
}

bool AbstractInstanceProviderPlugin::getLifeCycleInstance(CIMObjectPath path, CIMInstance& out, bool keysOnly) {
    if (keysOnly) {
        out = CIMInstance(std::move(path));
        return true;
    }
    CIMInstanceList selected;
    getCIMInstance(path, selected);
    for (CIMInstance& instance : selected) {
        if (keysNameInstance(path, instance.getObjectPath())) {
            out = std::move(instance);
            return true;
        }
    }
    return false;
}

bool onlyNamesWanted() { return namesOnly; }

const std::string& requestedSystem() { return oneSystem != nullptr ? *oneSystem : kEverySystem; }

bool nonKeyPropertyRead(std::string_view name) { return nonKeysWanted == nullptr || isNamed(*nonKeysWanted, name); }

void AbstractInstanceProviderPlugin::keepRequested(const CIMObjectPath& path, RepositoryObjects& objects) {
    const auto& requested = path.getKeyBindings();
    if (requested.empty()) return;
    objects.erase(std::remove_if(objects.begin(), objects.end(),
                                 [&](const orv::raidlib::PropertyContainer& object) {
                                     KeyBindingList keys;
                                     getKeyAttributes(object, keys);
                                     return !keysSelect(requested, keys);
                                 }),
                  objects.end());
}

void AbstractInstanceProviderPlugin::copyStringKeys(const orv::raidlib::PropertyContainer& object,
                                                    KeyBindingList& out) {
    for (const auto& property : object.keyProperties()) {
        if (const auto* text = property->valueAs<std::string>()) {
            out.emplace_back(text->getName(), std::vector<std::string>{text->getValue()}, CIM_STRING);
        }
    }
}

void AbstractInstanceProviderPlugin::modifyInstance(CIMObjectPath, CIMInstance, const PropertyNameList&) {
    refuse("orv::cim::fwf::AbstractInstanceProviderPlugin::modifyInstance");
}

void AbstractInstanceProviderPlugin::createInstance() {
    refuse("orv::cim::fwf::AbstractInstanceProviderPlugin::createInstance");
}

void AbstractInstanceProviderPlugin::deleteInstance() {
    refuse("orv::cim::fwf::AbstractInstanceProviderPlugin::deleteInstance");
}

void AbstractInstanceProviderPlugin::associators(CIMObjectPath, const std::string&, CIMInstanceList&,
                                                 const std::string&, const std::string&, const std::string&) {
    refuse("orv::cim::fwf::AbstractInstanceProviderPlugin::associators");
}

void AbstractInstanceProviderPlugin::associatorNames(CIMObjectPath, const std::string&, CIMObjectPathList&,
                                                     const std::string&, const std::string&, const std::string&) {
    refuse("orv::cim::fwf::AbstractInstanceProviderPlugin::associatorNames");
}

void AbstractInstanceProviderPlugin::references(CIMObjectPath, const std::string&, CIMInstanceList&,
                                                const std::string&) {
    refuse("orv::cim::fwf::AbstractInstanceProviderPlugin::references");
}

void AbstractInstanceProviderPlugin::referencesNames(CIMObjectPath, const std::string&, CIMObjectPathList&,
                                                     const std::string&) {
    refuse("orv::cim::fwf::AbstractInstanceProviderPlugin::referencesNames");
}

uint32_t AbstractInstanceProviderPlugin::invokeMethod(CIMObjectPath, const std::string&, const CIMArgumentList&,
                                                      CIMArgumentList&) {
    return 7;
}

}  // namespace orv::cim::fwf
