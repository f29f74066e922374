#include "ORVHostComputerSystem.h"

#include <cstring>

#include "InteropCommon.h"
#include "Logger.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

void ORVHostComputerSystem::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    orv::raidlib::PropertyContainer object;
    object.insertString("CreationClassName", interop::kHostComputerSystemClass, true);
    object.insertString("Name", interop::hostName("orv::cim::fwf::ORVHostComputerSystem::getRepositoryObjects"),
                        true);
    out.push_back(std::move(object));
    keepRequested(path, out);
}

void ORVHostComputerSystem::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    copyStringKeys(object, out);
}

std::string ORVHostComputerSystem::elementNameAddress(const OsHostAddresses& addresses) {
    for (int index = 0; index < addresses.count && index < 8; ++index) {
        const std::string address(addresses.address[index], strnlen(addresses.address[index], 18));
        if (address.find("127.0.0") == std::string::npos) return address;
    }
    return {};
}

void ORVHostComputerSystem::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVHostComputerSystem::getNonKeyAttributes";
    OsHostAddresses addresses{};
    OsGetHostAddresses(&addresses);
    out.push_back(stringProperty("NameFormat", "Other"));
    out.push_back(stringProperty("Description", "WBEM Enabled Host"));
    out.push_back(stringProperty("Caption", "Host Computer System"));
    out.push_back(arrayProperty<uint16_t>("OperationalStatus", {2}, CIM_UINT16_ARRAY));
    out.push_back(arrayProperty<uint16_t>("Dedicated", {0}, CIM_UINT16_ARRAY));
    out.push_back(stringProperty("ElementName", elementNameAddress(addresses)));
    out.push_back(stringProperty("Status", "OK"));

    char text[255] = {};
    if (const int status = OsGetProductVersion(text, sizeof text); status != 0) {
        LogMessage(2, "%s :: OrvGetProductVersion method returned status %d.", kName, status);
    } else {
        out.push_back(stringProperty("StorageManagerVersion", text));
    }
    std::memset(text, 0, sizeof text);
    if (const int status = OsGetVersionString(text, sizeof text); status != 0) {
        LogMessage(2, "%s :: OrvGetOSInfo method returned status %d.", kName, status);
    } else {
        out.push_back(stringProperty("OperatingSystemInformation", text));
    }
}

uint32_t ORVHostComputerSystem::invokeMethod(CIMObjectPath, const std::string&, const CIMArgumentList&,
                                             CIMArgumentList& out) {
    out.add(stringProperty("Role", "Administrator"));
    return 0;
}

}  // namespace orv::cim::fwf
