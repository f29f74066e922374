// Object paths, instances and argument lists.
#include "Objects.h"

#include <algorithm>

namespace orv::cmpiserver::detail {

namespace {

constexpr int kVersion = CMPIVersion200;

// Runs body on the object behind face, or answers CMPI_RC_ERR_INVALID_HANDLE.
template <class T, class Face, class F>
CMPIStatus withObject(const Face* face, F&& body) {
    T* object = objectOf<T>(face);
    return object ? statusOf(body(*object)) : statusOf(CMPI_RC_ERR_INVALID_HANDLE);
}

template <class T, class Face, class F>
CMPIString* stringOf(const Face* face, CMPIStatus* rc, F&& text) {
    T* object = objectOf<T>(face);
    if (!object) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return nullptr;
    }
    setStatus(rc, CMPI_RC_OK);
    return newStringObject(object->core(), text(*object));
}

// A path made without host, namespace or class name answers, as SFCB
// does, status OK and a string whose characters are NULL.
CMPIString* pathPartOf(const CMPIObjectPath* face, CMPIStatus* rc,
                       const std::string ObjectPath::*part) {
    ObjectPathObject* object = objectOf<ObjectPathObject>(face);
    if (!object) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return nullptr;
    }
    setStatus(rc, CMPI_RC_OK);
    const std::string& text = object->path().*part;
    return text.empty() ? newStringWithoutChars(object->core()) : newStringObject(object->core(), text);
}

template <class T, class Face, class F>
CMPICount countOf(const Face* face, CMPIStatus* rc, F&& list) {
    T* object = objectOf<T>(face);
    setStatus(rc, object ? CMPI_RC_OK : CMPI_RC_ERR_INVALID_HANDLE);
    return object ? static_cast<CMPICount>(list(*object).size()) : 0;
}

CMPIrc setText(std::string& field, const char* text) {
    if (!text) return CMPI_RC_ERR_INVALID_PARAMETER;
    field = text;
    return CMPI_RC_OK;
}

// ---- Object path ----------------------------------------------------------

CMPIStatus pathSetNameSpace(CMPIObjectPath* face, const char* ns) {
    return withObject<ObjectPathObject>(face, [ns](ObjectPathObject& o) {
        return setText(o.changePath().nameSpace, ns);
    });
}

CMPIString* pathGetNameSpace(const CMPIObjectPath* face, CMPIStatus* rc) {
    return pathPartOf(face, rc, &ObjectPath::nameSpace);
}

CMPIStatus pathSetHostname(CMPIObjectPath* face, const char* host) {
    // A NULL host leaves the path without one.
    return withObject<ObjectPathObject>(face, [host](ObjectPathObject& o) {
        o.changePath().host = host ? host : "";
        return CMPI_RC_OK;
    });
}

CMPIString* pathGetHostname(const CMPIObjectPath* face, CMPIStatus* rc) {
    return pathPartOf(face, rc, &ObjectPath::host);
}

CMPIStatus pathSetClassName(CMPIObjectPath* face, const char* className) {
    return withObject<ObjectPathObject>(face, [className](ObjectPathObject& o) {
        return setText(o.changePath().className, className);
    });
}

CMPIString* pathGetClassName(const CMPIObjectPath* face, CMPIStatus* rc) {
    return pathPartOf(face, rc, &ObjectPath::className);
}

CMPIStatus pathAddKey(CMPIObjectPath* face, const char* name, const CMPIValue* value,
                      const CMPIType type) {
    return withObject<ObjectPathObject>(face, [&](ObjectPathObject& o) {
        if (!name) return CMPI_RC_ERR_INVALID_PARAMETER;
        ReadValue key = readValue(value, type);
        if (key.rc != CMPI_RC_OK) return key.rc;
        auto& keys = o.changePath().keys;
        // Paths of the usual classes carry up to four keys.
        if (keys.empty()) keys.reserve(4);
        setNamed(keys, name, std::move(key.value));
        return key.rc;
    });
}

CMPIData pathGetKey(const CMPIObjectPath* face, const char* name, CMPIStatus* rc) {
    ObjectPathObject* path = objectOf<ObjectPathObject>(face);
    if (!path) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return missingData();
    }
    return namedData(path->core(), path->path().keys, name, rc, true);
}

CMPIData pathGetKeyAt(const CMPIObjectPath* face, CMPICount index, CMPIString** name,
                      CMPIStatus* rc) {
    ObjectPathObject* path = objectOf<ObjectPathObject>(face);
    if (!path) {
        if (name) *name = nullptr;
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return missingData();
    }
    return namedDataAt(path->core(), path->path().keys, index, name, rc, true);
}

CMPICount pathGetKeyCount(const CMPIObjectPath* face, CMPIStatus* rc) {
    return countOf<ObjectPathObject>(face, rc, [](ObjectPathObject& o) { return o.path().keys; });
}

CMPIStatus pathCopyFrom(CMPIObjectPath* face, const CMPIObjectPath* source, bool withHost) {
    return withObject<ObjectPathObject>(face, [&](ObjectPathObject& o) {
        ObjectPathObject* from = nullptr;
        if (CMPIrc rc = lookup(source, from); rc != CMPI_RC_OK) return rc;
        // Copied first: source and target may be one object.
        const ObjectPath& source = from->path();
        std::string nameSpace = source.nameSpace;
        std::string host = source.host;
        ObjectPath& target = o.changePath();
        target.nameSpace = std::move(nameSpace);
        if (withHost) target.host = std::move(host);
        return CMPI_RC_OK;
    });
}

CMPIStatus pathSetNameSpaceFrom(CMPIObjectPath* face, const CMPIObjectPath* source) {
    return pathCopyFrom(face, source, false);
}

CMPIStatus pathSetHostAndNameSpaceFrom(CMPIObjectPath* face, const CMPIObjectPath* source) {
    return pathCopyFrom(face, source, true);
}

// The server keeps no qualifiers; it answers like a server without a schema.
CMPIData noQualifier(const CMPIObjectPath* face, CMPIStatus* rc) {
    setStatus(rc, objectOf<ObjectPathObject>(face) ? CMPI_RC_ERR_NOT_SUPPORTED
                                                   : CMPI_RC_ERR_INVALID_HANDLE);
    return missingData();
}

CMPIData pathGetClassQualifier(const CMPIObjectPath* face, const char*, CMPIStatus* rc) {
    return noQualifier(face, rc);
}
CMPIData pathGetPropertyQualifier(const CMPIObjectPath* face, const char*, const char*,
                                  CMPIStatus* rc) {
    return noQualifier(face, rc);
}
CMPIData pathGetMethodQualifier(const CMPIObjectPath* face, const char*, const char*,
                                CMPIStatus* rc) {
    return noQualifier(face, rc);
}
CMPIData pathGetParameterQualifier(const CMPIObjectPath* face, const char*, const char*,
                                   const char*, CMPIStatus* rc) {
    return noQualifier(face, rc);
}

CMPIString* pathToString(const CMPIObjectPath* face, CMPIStatus* rc) {
    return stringOf<ObjectPathObject>(face, rc, [](ObjectPathObject& o) { return o.path().toString(); });
}

// ---- Instance ---------------------------------------------------------------

bool isKeyName(const InstanceObject& o, std::string_view name) {
    return o.instance.path.key(name) != nullptr;
}

bool filterAdmits(const InstanceObject& o, std::string_view name) {
    if (!o.filter || isKeyName(o, name)) return true;
    const std::string lower = toLower(name);
    return std::find(o.filter->begin(), o.filter->end(), lower) != o.filter->end();
}

CMPIData instanceGetProperty(const CMPIInstance* face, const char* name, CMPIStatus* rc) {
    InstanceObject* instance = objectOf<InstanceObject>(face);
    if (!instance) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return missingData();
    }
    return namedData(instance->core(), instance->instance.properties, name, rc);
}

CMPIData instanceGetPropertyAt(const CMPIInstance* face, CMPICount index, CMPIString** name,
                               CMPIStatus* rc) {
    InstanceObject* instance = objectOf<InstanceObject>(face);
    if (!instance) {
        if (name) *name = nullptr;
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return missingData();
    }
    return namedDataAt(instance->core(), instance->instance.properties, index, name, rc);
}

CMPICount instanceGetPropertyCount(const CMPIInstance* face, CMPIStatus* rc) {
    return countOf<InstanceObject>(face, rc,
                                   [](InstanceObject& o) { return o.instance.properties; });
}

CMPIStatus instanceSetPropertyWithOrigin(const CMPIInstance* face, const char* name,
                                         const CMPIValue* value, const CMPIType type,
                                         const char*) {
    return withObject<InstanceObject>(face, [&](InstanceObject& o) {
        if (!name) return CMPI_RC_ERR_INVALID_PARAMETER;
        const std::string_view propertyName(name);
        ReadValue read = readValue(value, type);
        if (read.rc != CMPI_RC_OK) return read.rc;
        Value& property = read.value;
        // Properties outside the filter are dropped silently, as the caller
        // asked for them not to be returned.
        if (!filterAdmits(o, propertyName)) return CMPI_RC_OK;
        // A property keeps the type it was first given, as a schema would fix it.
        const std::uint32_t hash = InstanceObject::nameHash(propertyName);
        if (NamedValue* existing = o.findProperty(propertyName, hash)) {
            if (existing->value.type() != CMPI_null && existing->value.type() != property.type())
                return CMPI_RC_ERR_TYPE_MISMATCH;
            existing->value = std::move(property);
            return CMPI_RC_OK;
        }
        o.appendProperty(std::string(propertyName), hash, std::move(property));
        return CMPI_RC_OK;
    });
}

CMPIStatus instanceSetProperty(const CMPIInstance* face, const char* name,
                               const CMPIValue* value, CMPIType type) {
    return instanceSetPropertyWithOrigin(face, name, value, type, nullptr);
}

// The instance's path, with key values taken from the properties of the
// same name where the provider has set them.
CMPIObjectPath* instanceGetObjectPath(const CMPIInstance* face, CMPIStatus* rc) {
    InstanceObject* instance = objectOf<InstanceObject>(face);
    if (!instance) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return nullptr;
    }
    ObjectPath path = instance->instance.path;
    for (auto& key : path.keys) {
        const Value* property = instance->instance.property(key.name);
        if (property && !property->isNull()) key.value = *property;
    }
    setStatus(rc, CMPI_RC_OK);
    return &currentArena(instance->core())
                .create<ObjectPathObject>(instance->core(), std::move(path))
                ->face;
}

CMPIStatus instanceSetPropertyFilter(CMPIInstance* face, const char** propertyList,
                                     const char**) {
    return withObject<InstanceObject>(face, [propertyList](InstanceObject& o) {
        if (!propertyList) {
            o.filter.reset();
            return CMPI_RC_OK;
        }
        std::vector<std::string> names;
        for (const char** name = propertyList; *name; ++name) names.push_back(toLower(*name));
        o.filter = std::move(names);
        auto& properties = o.instance.properties;
        properties.erase(std::remove_if(properties.begin(), properties.end(),
                                        [&o](const NamedValue& p) { return !filterAdmits(o, p.name); }),
                         properties.end());
        o.forgetNameHashes();
        return CMPI_RC_OK;
    });
}

CMPIStatus instanceSetObjectPath(CMPIInstance* face, const CMPIObjectPath* path) {
    return withObject<InstanceObject>(face, [path](InstanceObject& o) {
        ObjectPath value;
        CMPIrc rc = readObjectPathObject(path, value);
        if (rc == CMPI_RC_OK) o.instance.path = std::move(value);
        return rc;
    });
}

// ---- Args -----------------------------------------------------------------

CMPIStatus argsAddArg(const CMPIArgs* face, const char* name, const CMPIValue* value,
                      const CMPIType type) {
    return withObject<ArgsObject>(face, [&](ArgsObject& o) {
        if (!name) return CMPI_RC_ERR_INVALID_PARAMETER;
        ReadValue argument = readValue(value, type);
        if (argument.rc == CMPI_RC_OK) setNamed(o.args, name, std::move(argument.value));
        return argument.rc;
    });
}

CMPIData argsGetArg(const CMPIArgs* face, const char* name, CMPIStatus* rc) {
    ArgsObject* args = objectOf<ArgsObject>(face);
    if (!args) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return missingData();
    }
    return namedData(args->core(), args->args, name, rc);
}

CMPIData argsGetArgAt(const CMPIArgs* face, CMPICount index, CMPIString** name, CMPIStatus* rc) {
    ArgsObject* args = objectOf<ArgsObject>(face);
    if (!args) {
        if (name) *name = nullptr;
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return missingData();
    }
    return namedDataAt(args->core(), args->args, index, name, rc);
}

CMPICount argsGetArgCount(const CMPIArgs* face, CMPIStatus* rc) {
    return countOf<ArgsObject>(face, rc, [](ArgsObject& o) { return o.args; });
}

}  // namespace

ObjectPathObject::ObjectPathObject(BrokerCore& core, ObjectPath value)
    : Faced(core, &table), path_(std::make_shared<ObjectPath>(std::move(value))) {}

ObjectPath& ObjectPathObject::changePath() {
    if (path_.use_count() > 1) path_ = std::make_shared<ObjectPath>(*path_);
    return *path_;
}

InstanceObject::InstanceObject(BrokerCore& core, Instance value)
    : Faced(core, &table), instance(std::move(value)) {}

std::uint32_t InstanceObject::nameHash(std::string_view name) {
    return static_cast<std::uint32_t>(hashIgnoreCase(name));
}

NamedValue* InstanceObject::findProperty(std::string_view name, std::uint32_t hash) {
    auto& properties = instance.properties;
    if (nameHashes_.size() != properties.size()) {
        nameHashes_.clear();
        nameHashes_.reserve(properties.capacity());
        for (const auto& property : properties) nameHashes_.push_back(nameHash(property.name));
    }
    for (std::size_t i = 0; i < properties.size(); ++i)
        if (nameHashes_[i] == hash && equalsIgnoreCase(properties[i].name, name)) return &properties[i];
    return nullptr;
}

void InstanceObject::appendProperty(std::string name, std::uint32_t hash, Value value) {
    auto& properties = instance.properties;
    // Most instances carry between one and three dozen properties.
    if (properties.empty()) {
        properties.reserve(32);
        nameHashes_.reserve(32);
    }
    properties.push_back(NamedValue{std::move(name), std::move(value)});
    nameHashes_.push_back(hash);
}

ArgsObject::ArgsObject(BrokerCore& core, ArgumentList value)
    : Faced(core, &table), args(std::move(value)) {}

CMPIrc readInstanceObject(const CMPIInstance* face, Instance& out) {
    InstanceObject* instance = nullptr;
    CMPIrc rc = lookup(face, instance);
    if (rc == CMPI_RC_OK) out = instance->instance;
    return rc;
}

CMPIrc readObjectPathObject(const CMPIObjectPath* face, ObjectPath& out) {
    ObjectPathObject* path = nullptr;
    CMPIrc rc = lookup(face, path);
    if (rc == CMPI_RC_OK) out = path->path();
    return rc;
}

CMPIObjectPathFT ObjectPathObject::table = {
    kVersion,
    releaseFace<ObjectPathObject, CMPIObjectPath>,
    cloneFace<ObjectPathObject, CMPIObjectPath>,
    pathSetNameSpace,
    pathGetNameSpace,
    pathSetHostname,
    pathGetHostname,
    pathSetClassName,
    pathGetClassName,
    pathAddKey,
    pathGetKey,
    pathGetKeyAt,
    pathGetKeyCount,
    pathSetNameSpaceFrom,
    pathSetHostAndNameSpaceFrom,
    pathGetClassQualifier,
    pathGetPropertyQualifier,
    pathGetMethodQualifier,
    pathGetParameterQualifier,
    pathToString,
};

CMPIInstanceFT InstanceObject::table = {
    kVersion,
    releaseFace<InstanceObject, CMPIInstance>,
    cloneFace<InstanceObject, CMPIInstance>,
    instanceGetProperty,
    instanceGetPropertyAt,
    instanceGetPropertyCount,
    instanceSetProperty,
    instanceGetObjectPath,
    instanceSetPropertyFilter,
    instanceSetObjectPath,
    instanceSetPropertyWithOrigin,
};

CMPIArgsFT ArgsObject::table = {
    kVersion,   releaseFace<ArgsObject, CMPIArgs>, cloneFace<ArgsObject, CMPIArgs>,
    argsAddArg, argsGetArg,                        argsGetArgAt,
    argsGetArgCount,
};

}  // namespace orv::cmpiserver::detail
