// What the plugins of the controller's own SAS ports share: one instance per
// port of every controller, port i (from 0) being the i-th address of the
// controller's ";"-separated portSASAdressess.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "AbstractInstanceProviderPlugin.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf::storage {

struct ControllerPort {
    uint32_t contrId = 0;
    uint32_t index = 0;
    std::string sasAddress;
};

// The ports of every controller, in controller and port order. What the
// library cannot give is logged, and the ports found until then are answered.
std::vector<ControllerPort> listControllerPorts(const char* qualifiedName);

// Base of the port plugins. Their repository objects stand for ports (keys
// contrId and portIndex, non-key sasAddress), so enumeration and retrieval
// run through the instance base; a get keeps the port its keys name.
class ControllerPortPlugin : public AbstractInstanceProviderPlugin {
public:
    ControllerPortPlugin(const char* cimClass, const char* pluginName) : cimClass_(cimClass), pluginName_(pluginName) {}

    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    // SystemCreationClassName, CreationClassName, SystemName and the key
    // that names the port.
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;

protected:
    // The name and value of the key that names the port.
    virtual std::pair<std::string, std::string> portKey(const ControllerPort& port) const = 0;
    static ControllerPort portOf(const orv::raidlib::PropertyContainer& object);
    std::string qualifiedName(const char* operation) const;

private:
    const char* cimClass_;
    const char* pluginName_;
};

// An initiator protocol endpoint of a port: Name "<protocol>_<contrId>_<address>_<index>".
class InitiatorEndpointPlugin : public ControllerPortPlugin {
public:
    InitiatorEndpointPlugin(const char* cimClass, const char* pluginName, const char* protocol, uint16_t connectionType)
        : ControllerPortPlugin(cimClass, pluginName), protocol_(protocol), connectionType_(connectionType) {}
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

protected:
    std::pair<std::string, std::string> portKey(const ControllerPort& port) const override;

private:
    const char* protocol_;
    uint16_t connectionType_;
};

// "<contrId>_<address>_<index>": DeviceID of the port and of its phy.
std::string portDeviceId(const ControllerPort& port);

}  // namespace orv::cim::fwf::storage
