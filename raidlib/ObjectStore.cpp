#include "ObjectStore.h"

#include "Logger.h"

namespace orv::raidlib {

namespace {

// The names of one or two integer keys, and their values packed into one
// number; nothing for any other set of keys.
struct IntegerKeys {
    const std::string* names[2] = {nullptr, nullptr};
    std::size_t count = 0;
    uint64_t packed = 0;
};

bool integerKeysOf(const PropertyContainer& keys, IntegerKeys& out) {
    const auto& list = keys.keyProperties();
    if (list.empty() || list.size() > 2) return false;
    for (const auto& key : list) {
        const auto* value = key->getType() == VRLCINT ? key->valueAs<VrlInt>() : nullptr;
        if (value == nullptr) return false;
        out.names[out.count++] = &key->getName();
        out.packed = (out.packed << 32) | value->getValue();
    }
    return true;
}

// The same keys' values in one object, when it holds every one of them as an
// integer key.
bool packedValuesOf(const PropertyContainer& object, const IntegerKeys& keys, uint64_t& packed) {
    packed = 0;
    for (std::size_t i = 0; i < keys.count; ++i) {
        const AbstractDataType* found = object.findProperty(*keys.names[i], true);
        const auto* value = found != nullptr && found->getType() == VRLCINT ? found->valueAs<VrlInt>() : nullptr;
        if (value == nullptr) return false;
        packed = (packed << 32) | value->getValue();
    }
    return true;
}

bool hasContrId(const PropertyContainer& object, uint32_t contrId) {
    VrlInt value = 0;
    return object.getPropertyValue(value, "contrId", true) == ContainerStatus::Success && value == contrId;
}

}  // namespace

ObjectStore& ObjectStore::instance() {
    static ObjectStore* store = new ObjectStore;  // never deleted: the event thread may outlive static teardown
    return *store;
}

ObjectStore::ObjectList* ObjectStore::findClass(const std::string& className) {
    auto it = classes_.find(className);
    return it == classes_.end() ? nullptr : &it->second;
}

PropertyContainer* ObjectStore::findObject(const std::string& className, const PropertyContainer& keys) {
    ObjectList* list = findClass(className);
    if (list == nullptr) return nullptr;
    return findIndexed(*list, className, keys);
}

PropertyContainer* ObjectStore::findIndexed(ObjectList& list, const std::string& className,
                                            const PropertyContainer& keys) {
    IntegerKeys wanted;
    if (!integerKeysOf(keys, wanted)) {
        for (PropertyContainer& object : list)
            if (matchKeys(object, keys) == ContainerStatus::Success) return &object;
        return nullptr;
    }
    std::string indexName = className;
    for (std::size_t i = 0; i < wanted.count; ++i) indexName.append(1, '\0').append(*wanted.names[i]);
    auto [entry, isNew] = indexes_.try_emplace(std::move(indexName));
    KeyIndex& index = entry->second;
    if (isNew) {
        index.firstAt.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            uint64_t packed = 0;
            if (packedValuesOf(list[i], wanted, packed))
                index.firstAt.try_emplace(packed, i);
            else
                index.irregular.push_back(i);
        }
    }
    const auto hit = index.firstAt.find(wanted.packed);
    const std::size_t at = hit == index.firstAt.end() ? list.size() : hit->second;
    // An object kept aside before the hit may still match the keys it has.
    for (const std::size_t i : index.irregular) {
        if (i >= at) break;
        if (matchKeys(list[i], keys) == ContainerStatus::Success) return &list[i];
    }
    return at < list.size() ? &list[at] : nullptr;
}

uint32_t ObjectStore::addObject(const std::string& className, const PropertyContainer& object) {
    ObjectList* list = findClass(className);
    if (list == nullptr) {
        forgetIndexes();
        classes_[className].push_back(object);
        return ContainerStatus::Success;
    }
    for (const PropertyContainer& existing : *list)
        if (matchKeys(existing, object) == ContainerStatus::Success) return ContainerStatus::AlreadyPresent;
    forgetIndexes();
    list->push_back(object);
    return ContainerStatus::Success;
}

uint32_t ObjectStore::deleteObject(const std::string& className, const PropertyContainer& keys) {
    ObjectList* list = findClass(className);
    if (list == nullptr) return ContainerStatus::ClassMissing;
    for (auto it = list->begin(); it != list->end(); ++it) {
        if (matchKeys(*it, keys) == ContainerStatus::Success) {
            forgetIndexes();
            list->erase(it);
            // The provider lives inside a CIM server: what it removed goes to
            // its own log, at the detail level, never to the server's output.
            keys.print("removed cache object's keys");
            return ContainerStatus::Success;
        }
    }
    return ContainerStatus::NoObjectInClass;
}

uint32_t ObjectStore::modifyObject(const std::string& className, const PropertyContainer& keys,
                                   const PropertyContainer& newValues) {
    if (findClass(className) == nullptr) return ContainerStatus::ClassMissing;
    PropertyContainer* object = findObject(className, keys);
    if (object == nullptr) return ContainerStatus::NoObjectInClass;
    for (const auto& property : newValues.nonKeyProperties()) object->updateProperty(*property, false, true);
    return ContainerStatus::Success;
}

void ObjectStore::removeControllerEntries(uint32_t contrId) {
    struct Kind {
        const char* className;
        const char* message;
    };
    static const Kind kinds[] = {
        {StorageClass::Controllers, nullptr},
        {StorageClass::PhysicalDisks, "Removing Pdisk Entry from Cache"},
        {StorageClass::Volumes, "Removing Volume Entry from Cache"},
        {StorageClass::Enclosures, "Removing Enclosure Entry from Cache"},
        {StorageClass::Batteries, "Removing Battery Entry from Cache"},
    };
    for (const Kind& kind : kinds) {
        ObjectList* list = findClass(kind.className);
        if (list == nullptr) continue;
        for (auto it = list->begin(); it != list->end();) {
            if (hasContrId(*it, contrId)) {
                if (kind.className == StorageClass::Controllers)
                    LogMessage(4, "Removing Controller<%d> Entry from Cache", static_cast<int>(contrId));
                else
                    LogMessage(4, "%s", kind.message);
                forgetIndexes();
                it = list->erase(it);
            } else {
                ++it;
            }
        }
    }
}

uint32_t ObjectStore::clean() {
    forgetIndexes();
    classes_.clear();
    return ContainerStatus::Success;
}

VRLibCache& VRLibCache::instance() {
    static VRLibCache* cache = new VRLibCache;
    return *cache;
}

PropertyContainer controllerKeys(uint32_t contrId) {
    PropertyContainer keys;
    keys.insertInt("contrId", contrId, true);
    return keys;
}

PropertyContainer volumeKeys(uint32_t contrId, uint32_t vdIndex) {
    PropertyContainer keys = controllerKeys(contrId);
    keys.insertInt("vdIndex", vdIndex, true);
    return keys;
}

PropertyContainer diskKeys(uint32_t contrId, uint32_t compPdId) {
    PropertyContainer keys = controllerKeys(contrId);
    keys.insertInt("compPdId", compPdId, true);
    return keys;
}

}  // namespace orv::raidlib
