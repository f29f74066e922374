// The single entry into the provider framework: brings up the RAID library and
// the plugins, routes every CIM operation to the plugin of its class, and
// hands indications back to the registered callback.
#pragma once

#include <cstdint>
#include <string>

#include "AbstractProviderPlugin.h"

namespace orv::raidlib {
class VRLibFacadeIntf;
}

namespace orv::cim::fwf {

class JobControlManager;

using DeliverIndicationCallback = bool (*)(const CIMInstance& indication);

class FrameworkFacade {
public:
    static FrameworkFacade* getInstance();
    // The singleton while it lives, never a new one: event and job threads
    // use this, so that they cannot bring back a facade being destroyed.
    static FrameworkFacade* current();
    // Destroys the singleton (plugins, event subscription, jobs, RAID library).
    static void destroyInstance();

    bool initialize();
    bool registerForEvent(DeliverIndicationCallback callback);
    void unregisterForEvent();
    bool createSubscription();
    void deleteSubscription();
    bool notify(CIMInstance indication);
    // The adapter's word that at least one client subscription is enabled
    // (or none any more); events without one are not turned into indications.
    static void setSubscription(bool subscribed);
    AbstractProviderPlugin* getPlugIn(const std::string& className);

    void enumerateInstanceNames(CIMObjectPath path, CIMObjectPathList& out);
    void enumerateInstances(CIMObjectPath path, CIMInstanceList& out);
    // The instances of one system, or more, perhaps with only the non-key
    // properties the caller reads (see AbstractProviderPlugin).
    void enumerateInstanceNamesOfSystem(CIMObjectPath path, const std::string& systemName, CIMObjectPathList& out);
    void enumerateInstancesOfSystem(CIMObjectPath path, const std::string& systemName,
                                    const PropertyNameList* nonKeysRead, CIMInstanceList& out);
    void getCIMInstance(CIMObjectPath path, CIMInstanceList& out);
    void modifyInstance(CIMObjectPath path, CIMInstance instance,
                        const PropertyNameList& propertyNames);
    void associators(CIMObjectPath path, const std::string& associationClass,
                     CIMInstanceList& out, const std::string& role, const std::string& resultRole,
                     const std::string& resultClass);
    void associatorsNames(CIMObjectPath path, const std::string& associationClass,
                          CIMObjectPathList& out, const std::string& role,
                          const std::string& resultRole, const std::string& resultClass);
    void references(CIMObjectPath path, const std::string& resultClass, CIMInstanceList& out,
                    const std::string& role);
    void referencesNames(CIMObjectPath path, const std::string& resultClass,
                         CIMObjectPathList& out, const std::string& role);
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName,
                          const CIMArgumentList& in, CIMArgumentList& out);

    orv::raidlib::VRLibFacadeIntf* getVRLibFacade() const;
    JobControlManager* getJobControlManager() const;

    // Tests only: initialize takes this RAID library facade instead of the
    // process-wide one (null restores the real one).
    static void setVRLibFacadeForTesting(orv::raidlib::VRLibFacadeIntf* facade);

private:
    FrameworkFacade();
    ~FrameworkFacade();
};

}  // namespace orv::cim::fwf
