// What the rest of the provider may ask of the RAID library: the object cache,
// the configuration methods and the event observers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PropertyContainer.h"

namespace orv::raidlib {

// Receives one container per library event, on the library's event thread,
// never while the facade mutex is held.
class EventObserver {
public:
    virtual ~EventObserver() = default;
    virtual void Update(PropertyContainer event) = 0;
};

class VRLibFacadeIntf {
public:
    virtual ~VRLibFacadeIntf() = default;
    virtual uint32_t initialize(const std::string& applicationName) = 0;
    virtual uint32_t terminate() = 0;
    virtual void getStorageClassNames(std::vector<std::string>& names) = 0;
    virtual uint32_t getStorageClass(const std::string& className,
                                     std::vector<PropertyContainer>& objects) = 0;
    virtual uint32_t getObjectInstance(const std::string& className, const PropertyContainer& keys,
                                       PropertyContainer& object) = 0;
    virtual uint32_t deleteObjectInstance(const std::string& className,
                                          const PropertyContainer& keys) = 0;
    virtual uint32_t addObjectInstance(const std::string& className,
                                       const PropertyContainer& object) = 0;
    virtual uint32_t modifyObjectInstance(const std::string& className,
                                          const PropertyContainer& keys,
                                          const PropertyContainer& newValues) = 0;
    virtual uint32_t invokeMethod(const std::string& methodName, const PropertyContainer& in,
                                  PropertyContainer& out) = 0;
    virtual uint32_t AttachObserver(EventObserver* observer) = 0;
    virtual uint32_t DetachObserver(EventObserver* observer) = 0;
};

// The process-wide facade (created on first use, never deleted).
VRLibFacadeIntf* getVRLibFacade();

}  // namespace orv::raidlib
