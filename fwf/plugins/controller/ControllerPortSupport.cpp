#include "ControllerPortSupport.h"

#include <algorithm>

#include "DiskSupport.h"
#include "Logger.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf::storage {

namespace {

std::vector<std::string> splitAddresses(const std::string& text) {
    std::vector<std::string> addresses;
    std::string::size_type start = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find(';', start), text.size());
        if (end > start) addresses.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return addresses;
}

}  // namespace

std::vector<ControllerPort> listControllerPorts(const char* qualifiedName) {
    std::vector<ControllerPort> ports;
    RepositoryObjects controllers;
    if (readLibraryClass(kControllers, controllers, qualifiedName) != 0) {
        LogMessage(2, "%s :: Failed to getStorageClass on Controller", qualifiedName);
        return ports;
    }
    for (const auto& controller : controllers) {
        orv::raidlib::VrlInt contrId = 0;
        if (controller.getPropertyValue(contrId, "contrId", true) != 0) {
            LogMessage(2, "%s :: Failed to getPropertyValue on Controller ID", qualifiedName);
            return ports;
        }
        std::string addresses;
        if (controller.getPropertyValue(addresses, "portSASAdressess", false) != 0) {
            LogMessage(2, "%s :: Failed to getPropertyValue on portSasAdressess", qualifiedName);
            return ports;
        }
        uint32_t index = 0;
        for (auto& address : splitAddresses(addresses)) ports.push_back({contrId, index++, std::move(address)});
    }
    return ports;
}

std::string portDeviceId(const ControllerPort& port) {
    return std::to_string(port.contrId) + "_" + port.sasAddress + "_" + std::to_string(port.index);
}

std::string ControllerPortPlugin::qualifiedName(const char* operation) const {
    return std::string("orv::cim::fwf::") + pluginName_ + "::" + operation;
}

void ControllerPortPlugin::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    if (!isClass(path, cimClass_)) return;
    for (const ControllerPort& port : listControllerPorts(qualifiedName("getRepositoryObjects").c_str())) {
        orv::raidlib::PropertyContainer object;
        object.insertInt("contrId", port.contrId, true);
        object.insertInt("portIndex", port.index, true);
        object.insertString("sasAddress", port.sasAddress);
        out.push_back(std::move(object));
    }
    keepRequested(path, out);
}

ControllerPort ControllerPortPlugin::portOf(const orv::raidlib::PropertyContainer& object) {
    ControllerPort port;
    object.getPropertyValue(port.contrId, "contrId", true);
    object.getPropertyValue(port.index, "portIndex", true);
    object.getPropertyValue(port.sasAddress, "sasAddress", false);
    return port;
}

void ControllerPortPlugin::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    const ControllerPort port = portOf(object);
    auto [keyName, keyValue] = portKey(port);
    out.push_back(stringKey("SystemCreationClassName", kControllerSystemClass));
    out.push_back(stringKey("CreationClassName", cimClass_));
    out.push_back(stringKey("SystemName", controllerName(port.contrId)));
    out.push_back(stringKey(std::move(keyName), std::move(keyValue)));
}

std::pair<std::string, std::string> InitiatorEndpointPlugin::portKey(const ControllerPort& port) const {
    return {"Name", std::string(protocol_) + "_" + portDeviceId(port)};
}

void InitiatorEndpointPlugin::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList& out) {
    out.push_back(scalarProperty<uint16_t>("ProtocolIFType", 1, CIM_UINT16));
    out.push_back(stringProperty("OtherTypeDescription", protocol_));
    out.push_back(scalarProperty<uint16_t>("ConnectionType", connectionType_, CIM_UINT16));
    // The controller opens every exchange with its disks.
    out.push_back(scalarProperty<uint16_t>("Role", 2, CIM_UINT16));
}

}  // namespace orv::cim::fwf::storage
