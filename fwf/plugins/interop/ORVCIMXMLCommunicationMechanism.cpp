#include "ORVCIMXMLCommunicationMechanism.h"

#include <cstring>
#include <string>

#include "InteropCommon.h"
#include "Logger.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

namespace {

constexpr const char* kClassName = "ORV_CIMXMLCommunicationMechanism";

// namespaceAccessProtocol, namespaceType and port of each way in.
struct AccessRecord {
    uint16_t protocol;
    const char* scheme;
    const char* port;
};
constexpr AccessRecord kAccessRecords[] = {{2, "http", "5988"}, {3, "https", "5989"}};

const AccessRecord* recordOfScheme(const std::string& scheme) {
    for (const auto& record : kAccessRecords) {
        if (scheme == record.scheme) return &record;
    }
    return nullptr;
}

}  // namespace

ORVCIMXMLCommunicationMechanism::ORVCIMXMLCommunicationMechanism() {
    OsHostAddresses addresses{};
    OsGetHostAddresses(&addresses);  // a failed look-up leaves the record empty
    address_ = advertisedAddress(addresses);
    LogMessage(5, "ORVCIMXMLCommunicationMechanism() : IPAddress = %s", address_.c_str());
    LogMessage(5, "ORVCIMXMLCommunicationMechanism() : httpPortAddress = %s", kAccessRecords[0].port);
    LogMessage(5, "ORVCIMXMLCommunicationMechanism() : httpsPortAddress = %s", kAccessRecords[1].port);
}

std::string ORVCIMXMLCommunicationMechanism::advertisedAddress(const OsHostAddresses& addresses) {
    std::string chosen;
    for (int index = 0; index < addresses.count && index < 8; ++index) {
        const std::string address(addresses.address[index], strnlen(addresses.address[index], 18));
        if (address != "127.0.0.1") chosen = address;
    }
    return chosen;
}

void ORVCIMXMLCommunicationMechanism::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    const std::string host =
        interop::hostName("orv::cim::fwf::ORVCIMXMLCommunicationMechanism::getRepositoryObjects");
    for (const auto& record : kAccessRecords) {
        orv::raidlib::PropertyContainer object;
        object.insertString("CreationClassName", kClassName, true);
        object.insertString("Name", std::string("CIMXML_") + record.scheme, true);
        object.insertString("SystemCreationClassName", "PG_ComputerSystem", true);
        object.insertString("SystemName", host, true);
        object.insertString("namespaceType", record.scheme);
        out.push_back(std::move(object));
    }
    keepRequested(path, out);
}

void ORVCIMXMLCommunicationMechanism::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                       KeyBindingList& out) {
    copyStringKeys(object, out);
}

void ORVCIMXMLCommunicationMechanism::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                          PropertyList& out) {
    std::string scheme;
    object.getPropertyValue(scheme, "namespaceType", false);
    const AccessRecord* record = recordOfScheme(scheme);
    if (record == nullptr) return;
    out.push_back(scalarProperty<uint16_t>("CommunicationMechanism", 2, CIM_UINT16));
    out.push_back(stringProperty("Version", "1.0"));
    out.push_back(scalarProperty<uint16_t>("CIMXMLProtocolVersion", 1, CIM_UINT16));
    out.push_back(scalarProperty("CIMValidated", false, CIM_BOOLEAN));
    out.push_back(arrayProperty<uint16_t>("OperationalStatus", {2}, CIM_UINT16_ARRAY));
    out.push_back(stringProperty("ElementName", std::string("CIM-XML over ") + record->scheme));
    out.push_back(arrayProperty<uint16_t>("FunctionalProfilesSupported", {2, 3, 5, 6, 9}, CIM_UINT16_ARRAY));
    out.push_back(arrayProperty<std::string>(
        "FunctionalProfileDescriptions",
        {"Basic Read", "Basic Write", "Instance Manipulation", "Association Traversal", "Indications"},
        CIM_STRING_ARRAY));
    out.push_back(scalarProperty("MultipleOperationsSupported", false, CIM_BOOLEAN));
    out.push_back(arrayProperty<uint16_t>("AuthenticationMechanismsSupported", {2}, CIM_UINT16_ARRAY));
    out.push_back(stringProperty("namespaceType", record->scheme));
    out.push_back(scalarProperty<uint16_t>("namespaceAccessProtocol", record->protocol, CIM_UINT16));
    out.push_back(stringProperty(
        "IPAddress", address_.empty() ? std::string() : std::string(record->scheme) + "://" + address_ + ":" +
                                                             record->port));
}

}  // namespace orv::cim::fwf
