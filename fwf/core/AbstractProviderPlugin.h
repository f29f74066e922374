// The one interface through which the framework facade reaches the plugin of
// every CIM class the provider serves.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "CIMArgumentList.h"
#include "CIMInstance.h"
#include "CIMObjectPath.h"

namespace orv::cim::fwf {

using CIMInstanceList = std::vector<CIMInstance>;
using CIMObjectPathList = std::vector<CIMObjectPath>;
using PropertyNameList = std::vector<std::string>;

class AbstractProviderPlugin {
public:
    virtual ~AbstractProviderPlugin() = default;
    virtual void getCIMInstance(CIMObjectPath path, CIMInstanceList& out) = 0;
    virtual void enumerateInstances(CIMObjectPath path, CIMInstanceList& out) = 0;
    virtual void enumerateInstanceNames(CIMObjectPath path, CIMObjectPathList& out) = 0;
    // The instances (or names) of one system, named by its Name key, or of
    // every system when it is empty: what an association walking from an
    // object of that system needs of the other end. A plugin that cannot
    // tell answers every instance, so the caller keeps checking each one.
    // nonKeysRead, when given, names the only non-key properties the caller
    // reads: a plugin may leave the others out of the instances.
    virtual void enumerateInstancesOfSystem(CIMObjectPath path, const std::string& systemName,
                                            const PropertyNameList* nonKeysRead, CIMInstanceList& out) {
        (void)systemName;
        (void)nonKeysRead;
        enumerateInstances(std::move(path), out);
    }
    virtual void enumerateInstanceNamesOfSystem(CIMObjectPath path, const std::string& systemName,
                                                CIMObjectPathList& out) {
        (void)systemName;
        enumerateInstanceNames(std::move(path), out);
    }
    virtual void modifyInstance(CIMObjectPath path, CIMInstance instance,
                                const PropertyNameList& propertyNames) = 0;
    virtual void createInstance() = 0;
    virtual void deleteInstance() = 0;
    virtual void associators(CIMObjectPath path, const std::string& associationClass,
                             CIMInstanceList& out, const std::string& role,
                             const std::string& resultRole, const std::string& resultClass) = 0;
    virtual void associatorNames(CIMObjectPath path, const std::string& associationClass,
                                 CIMObjectPathList& out, const std::string& role,
                                 const std::string& resultRole, const std::string& resultClass) = 0;
    virtual void references(CIMObjectPath path, const std::string& resultClass,
                            CIMInstanceList& out, const std::string& role) = 0;
    virtual void referencesNames(CIMObjectPath path, const std::string& resultClass,
                                 CIMObjectPathList& out, const std::string& role) = 0;
    virtual uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName,
                                  const CIMArgumentList& in, CIMArgumentList& out) = 0;
    // Builds the instance a lifecycle indication carries; the default keeps
    // the instance as it is.
    virtual bool getLifeCycleInstance(CIMObjectPath path, CIMInstance& out, bool flag) {
        (void)path;
        (void)out;
        (void)flag;
        return true;
    }
};

}  // namespace orv::cim::fwf
