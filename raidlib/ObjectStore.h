// The object cache: one ordered list of property containers per storage
// class ("IOAs", "volumes", "physicalDisks", "enclosures", "batteryUnits",
// and the job classes other parts of the provider add). Nothing here locks;
// every caller holds the facade mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "PropertyContainer.h"

namespace orv::raidlib {

namespace StorageClass {
constexpr const char* Controllers = "IOAs";
constexpr const char* Volumes = "volumes";
constexpr const char* PhysicalDisks = "physicalDisks";
constexpr const char* Enclosures = "enclosures";
constexpr const char* Batteries = "batteryUnits";
}  // namespace StorageClass

class ObjectStore {
public:
    using ObjectList = std::vector<PropertyContainer>;

    static ObjectStore& instance();

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    const std::map<std::string, ObjectList>& classes() const { return classes_; }

    // Callers may change the objects' non-key properties through the list,
    // never their keys nor the list itself: findObject keeps an index of
    // the keys that only this class's own changes bring up to date.
    ObjectList* findClass(const std::string& className);
    // First object of the class whose keys match.
    PropertyContainer* findObject(const std::string& className, const PropertyContainer& keys);
    // Appends a copy; AlreadyPresent when an object with matching keys exists.
    uint32_t addObject(const std::string& className, const PropertyContainer& object);
    uint32_t deleteObject(const std::string& className, const PropertyContainer& keys);
    uint32_t modifyObject(const std::string& className, const PropertyContainer& keys,
                          const PropertyContainer& newValues);
    // Drops every hardware object of one controller.
    void removeControllerEntries(uint32_t contrId);
    uint32_t clean();

private:
    // Where the objects of one class stand by the values of one or two
    // integer keys (a controller, or a controller and an id within it), so
    // that a look-up by those keys does not test every object in turn.
    // Objects that lack one of the keys as an integer are kept aside and
    // still tested one by one.
    struct KeyIndex {
        std::unordered_map<uint64_t, std::size_t> firstAt;
        std::vector<std::size_t> irregular;
    };
    PropertyContainer* findIndexed(ObjectList& list, const std::string& className, const PropertyContainer& keys);
    void forgetIndexes() { indexes_.clear(); }

    std::string name_;
    std::map<std::string, ObjectList> classes_;
    // By class name and the key names joined; emptied by every change of
    // the lists.
    std::map<std::string, KeyIndex> indexes_;
};

// The cache as the facade sees it: the store, made on first use and kept for
// the life of the process.
class VRLibCache {
public:
    static VRLibCache& instance();
    ObjectStore& store() { return *store_; }

private:
    VRLibCache() : store_(&ObjectStore::instance()) {}
    ObjectStore* store_;
};

// Keys of a hardware object: contrId, then the id within the controller
// when the class has one.
PropertyContainer controllerKeys(uint32_t contrId);
PropertyContainer volumeKeys(uint32_t contrId, uint32_t vdIndex);
PropertyContainer diskKeys(uint32_t contrId, uint32_t compPdId);

}  // namespace orv::raidlib
