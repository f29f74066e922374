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

// Whether an object is one of the controller's, or of no controller: its
// contrId key, when it has one, is contrId.
inline bool belongsToController(const PropertyContainer& object, uint32_t contrId) {
    const AbstractDataType* key = object.findProperty("contrId", true);
    if (key == nullptr) return true;
    const auto* number = key->valueAs<VrlInt>();
    return number == nullptr || number->getValue() == contrId;
}

class VRLibFacadeIntf {
public:
    virtual ~VRLibFacadeIntf() = default;
    virtual uint32_t initialize(const std::string& applicationName) = 0;
    virtual uint32_t terminate() = 0;
    virtual void getStorageClassNames(std::vector<std::string>& names) = 0;
    virtual uint32_t getStorageClass(const std::string& className,
                                     std::vector<PropertyContainer>& objects) = 0;
    // The objects of a library class that belong to one controller (key
    // contrId) and those that belong to none. The default reads the class
    // whole and drops the others; the facade copies only what it answers.
    virtual uint32_t getStorageClassOfController(const std::string& className, uint32_t contrId,
                                                 std::vector<PropertyContainer>& objects) {
        std::vector<PropertyContainer> all;
        const uint32_t status = getStorageClass(className, all);
        for (auto& object : all)
            if (belongsToController(object, contrId)) objects.push_back(std::move(object));
        return status;
    }
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
