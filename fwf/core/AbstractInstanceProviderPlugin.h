// Base of every plugin whose instances stand for RAID library objects (or for
// rows of a fixed table): enumeration and retrieval are written once here, as
// a template over three operations of the concrete plugin.
#pragma once

#include <string>
#include <vector>

#include "AbstractProviderPlugin.h"
#include "CIMKeyBinding.h"
#include "CIMProperty.h"
#include "PropertyContainer.h"

namespace orv::cim::fwf {

using RepositoryObjects = std::vector<orv::raidlib::PropertyContainer>;
using KeyBindingList = std::vector<CIMKeyBinding>;
using PropertyList = std::vector<CIMProperty>;

class AbstractInstanceProviderPlugin : public virtual AbstractProviderPlugin {
public:
    // The key bindings of the object's instance, in key order.
    virtual void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) = 0;
    // The object's other properties, in the order they are published.
    virtual void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) = 0;
    // The objects behind the request: all of them for an enumeration (a path
    // without keys), only the one the keys name for a get.
    virtual void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) = 0;

    void getCIMInstance(CIMObjectPath path, CIMInstanceList& out) override;
    void enumerateInstances(CIMObjectPath path, CIMInstanceList& out) override;
    void enumerateInstanceNames(CIMObjectPath path, CIMObjectPathList& out) override;
    // getRepositoryObjects runs with requestedSystem() set to systemName,
    // getNonKeyAttributes with nonKeyPropertyRead() answering from
    // nonKeysRead; only the properties named there join the keys.
    void enumerateInstancesOfSystem(CIMObjectPath path, const std::string& systemName,
                                    const PropertyNameList* nonKeysRead, CIMInstanceList& out) override;
    void enumerateInstanceNamesOfSystem(CIMObjectPath path, const std::string& systemName,
                                        CIMObjectPathList& out) override;
    void modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) override;
    void createInstance() override;
    void deleteInstance() override;
    void associators(CIMObjectPath path, const std::string& associationClass, CIMInstanceList& out,
                     const std::string& role, const std::string& resultRole, const std::string& resultClass) override;
    void associatorNames(CIMObjectPath path, const std::string& associationClass, CIMObjectPathList& out,
                         const std::string& role, const std::string& resultRole,
                         const std::string& resultClass) override;
    void references(CIMObjectPath path, const std::string& resultClass, CIMInstanceList& out,
                    const std::string& role) override;
    void referencesNames(CIMObjectPath path, const std::string& resultClass, CIMObjectPathList& out,
                         const std::string& role) override;
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;

    // The path of the instance that stands for a library object: the host,
    // namespace and class of `classPath` with the object's keys.
    CIMObjectPath instancePathOf(const orv::raidlib::PropertyContainer& object, const CIMObjectPath& classPath);
    // The instance a lifecycle indication carries for `path`: its keys alone
    // when keysOnly (the object is gone), else the instance exactly as a get
    // answers it. False when the plugin has no instance of those keys (a SAS
    // port of a SATA disk); a failure of the plugin is thrown.
    bool getLifeCycleInstance(CIMObjectPath path, CIMInstance& out, bool keysOnly) override;

protected:
    // Drops the objects whose keys differ from the key bindings of a get
    // request; an enumeration path (no keys) keeps them all. Plugins that
    // list every object and let the keys choose use this at the end of
    // getRepositoryObjects.
    void keepRequested(const CIMObjectPath& path, RepositoryObjects& objects);
    // One string key binding per text key property of the object, in order.
    static void copyStringKeys(const orv::raidlib::PropertyContainer& object, KeyBindingList& out);

private:
    void listNames(const CIMObjectPath& path, const std::string& systemName, CIMObjectPathList& out);
    void buildInstances(const CIMObjectPath& path, const std::string& systemName,
                        const PropertyNameList* nonKeysRead, CIMInstanceList& out, const char* qualifiedName);
};

}  // namespace orv::cim::fwf
