// Requests against the pool, volume, extent, capability and setting classes
// as the CIM adapter makes them: through the framework facade, by class name,
// in the storage namespace.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CIMException.h"
#include "FrameworkFacade.h"
#include "FrameworkTestSupport.h"
#include "PropertyBuilders.h"
#include "PropertyTable.h"

namespace poolstest {

using namespace orv::cim::fwf;

constexpr const char* kStorage = "root/orv/Ambrix/smi_14";
constexpr uint64_t GiB = 1ull << 30;

using Keys = std::vector<std::pair<std::string, std::string>>;
using orv::test::expectProperties;
using orv::test::failureOf;
using orv::test::kAbsent;

inline CIMObjectPath pathOf(const std::string& className, const Keys& keys = {}) {
    CIMObjectPath path("cimhost", kStorage, className);
    for (const auto& [name, value] : keys) path.addKeyBinding(stringKey(name, value));
    return path;
}

inline CIMObjectPath deviceOf(const std::string& className, unsigned contrId, const std::string& deviceId) {
    return pathOf(className, {{"SystemCreationClassName", "ORV_ControllerComputerSystem"},
                              {"SystemName", "AmbrixController_" + std::to_string(contrId)},
                              {"CreationClassName", className},
                              {"DeviceID", deviceId}});
}

inline CIMInstanceList enumerate(const std::string& className) {
    CIMInstanceList instances;
    FrameworkFacade::getInstance()->enumerateInstances(pathOf(className), instances);
    return instances;
}

inline CIMInstanceList get(const CIMObjectPath& path) {
    CIMInstanceList instances;
    orv::test::pluginFor(path).getCIMInstance(path, instances);
    return instances;
}

// Key values of each enumerated name, in key order, joined by "|".
inline std::vector<std::string> names(const std::string& className) {
    CIMObjectPathList paths;
    FrameworkFacade::getInstance()->enumerateInstanceNames(pathOf(className), paths);
    std::vector<std::string> texts;
    for (const auto& path : paths) {
        std::string text;
        for (const auto& key : path.getKeyBindings()) {
            if (!text.empty()) text += "|";
            text += key.getName() + "=" + key.getValue<std::string>().at(0);
        }
        texts.push_back(text);
    }
    return texts;
}

inline bool has(const CIMInstance& instance, const std::string& name) { return instance.getProperty(name) != nullptr; }

// First value of a property; the test fails when it is absent or of another type.
template <typename T>
T value(const CIMInstance& instance, const std::string& name) {
    const CIMProperty* property = instance.getProperty(name);
    if (property == nullptr || property->getValue<T>().size() == 0) {
        ADD_FAILURE() << "no " << name;
        return T{};
    }
    return property->getValue<T>().at(0);
}
inline CIMDataType typeOf(const CIMInstance& instance, const std::string& name) {
    const CIMProperty* property = instance.getProperty(name);
    return property == nullptr ? CIMDataType(-1) : property->getType();
}

// The instance with this key value among several.
inline CIMInstance withKey(const CIMInstanceList& instances, const std::string& key, const std::string& wanted) {
    for (const auto& instance : instances) {
        if (value<std::string>(instance, key) == wanted) return instance;
    }
    ADD_FAILURE() << "no instance with " << key << " " << wanted;
    return CIMInstance();
}

struct MethodReply {
    uint32_t result = 0;
    CIMArgumentList out;
};
inline MethodReply invoke(const CIMObjectPath& path, const std::string& method, const CIMArgumentList& in = {}) {
    MethodReply reply;
    reply.result = orv::test::pluginFor(path).invokeMethod(path, method, in, reply.out);
    return reply;
}
template <typename T>
std::vector<T> argument(const MethodReply& reply, const std::string& name) {
    const CIMProperty* found = reply.out.find(name);
    return found == nullptr ? std::vector<T>{} : found->getValue<T>().getValues();
}

inline CIMArgumentList goal(const std::string& className, const std::string& instanceId) {
    CIMArgumentList in;
    in.add(scalarProperty("Goal", pathOf(className, {{"InstanceID", instanceId}}), CIM_REFERENCE));
    return in;
}

// Modifies one property set on an instance of the path; the exception, when
// one is raised, is answered.
template <typename T>
std::optional<CIMException> modify(const CIMObjectPath& path, const std::string& property, T newValue,
                                   CIMDataType type, PropertyNameList listed = {}) {
    CIMInstance instance(path);
    instance.addProperty(scalarProperty(property, std::move(newValue), type));
    if (listed.empty()) listed.push_back(property);
    try {
        orv::test::pluginFor(path).modifyInstance(path, instance, listed);
    } catch (const CIMException& e) {
        return e;
    }
    return std::nullopt;
}

}  // namespace poolstest
