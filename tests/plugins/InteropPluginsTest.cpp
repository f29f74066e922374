#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AbstractAssociationProviderPlugin.h"
#include "CIMException.h"
#include "FrameworkTestSupport.h"
#include "ORVCIMXMLCommunicationMechanism.h"
#include "ORVHostComputerSystem.h"
#include "OsServices.h"
#include "PropertyBuilders.h"
#include "PropertyTable.h"
#include "ProviderPluginCatalogue.h"

namespace orv::test {
namespace {

using namespace orv::cim::fwf;

constexpr const char* kInterop = "root/PG_InterOp";
constexpr const char* kStorage = "root/orv/Ambrix/smi_14";
constexpr uint32_t kNoControllers = 0x10000003;

CIMObjectPath pathOf(const std::string& nameSpace, const std::string& className) {
    return CIMObjectPath("cimhost", nameSpace, className);
}

OsHostAddresses addressRecord(const std::vector<const char*>& addresses) {
    OsHostAddresses record{};
    record.count = static_cast<uint8_t>(addresses.size());
    for (std::size_t index = 0; index < addresses.size(); ++index) {
        std::strncpy(record.address[index], addresses[index], sizeof record.address[index] - 1);
    }
    return record;
}

class InteropPluginsTest : public FrameworkTest {
protected:
    void start(uint32_t libraryStatus = kNoControllers) {
        ASSERT_TRUE(startFramework(providerPluginCatalogue(), libraryStatus));
    }
    CIMInstanceList instancesOf(const std::string& nameSpace, const std::string& className) {
        CIMInstanceList instances;
        facade->enumerateInstances(pathOf(nameSpace, className), instances);
        return instances;
    }
};

TEST_F(InteropPluginsTest, ObjectManagerNamespaceAndCommunicationMechanisms) {
    start();
    const std::string host = thisHost();

    const CIMInstanceList managers = instancesOf(kInterop, "ORV_ObjectManager");
    ASSERT_EQ(managers.size(), 1u);
    EXPECT_EQ(propertyText(managers[0], "Name"), host + "_ObjectManager");

    const CIMInstanceList namespaces = instancesOf(kInterop, "ORV_Namespace");
    ASSERT_EQ(namespaces.size(), 1u);
    expectProperties(namespaces[0], "namespace", {{"Name", kInterop}, {"ObjectManagerName", host + "_ObjectManager"}});

    const CIMInstanceList mechanisms = instancesOf(kInterop, "ORV_CIMXMLCommunicationMechanism");
    ASSERT_EQ(mechanisms.size(), 2u);
    for (std::size_t index = 0; index < 2; ++index) {
        const CIMInstance& mechanism = mechanisms[index];
        const std::string scheme = index == 0 ? "http" : "https";
        expectProperties(mechanism, scheme,
                         {{"namespaceType", scheme}, {"namespaceAccessProtocol", index + 2}, {"SystemName", host}});
        const std::string address = propertyText(mechanism, "IPAddress");
        if (!address.empty()) {
            EXPECT_EQ(address.rfind(scheme + "://", 0), 0u) << address;
        }
    }
    EXPECT_EQ(mechanisms[0].getProperty("FunctionalProfileDescriptions")->getValue<std::string>().size(),
              mechanisms[0].getProperty("FunctionalProfilesSupported")->getValue<uint16_t>().size());
    EXPECT_TRUE(logged("ORVCIMXMLCommunicationMechanism() : httpsPortAddress = 5989"));
}

TEST(InteropAddressTest, LoopbackIsNeverAdvertised) {
    EXPECT_EQ(ORVCIMXMLCommunicationMechanism::advertisedAddress(addressRecord({"127.0.0.1"})), "");
    EXPECT_EQ(ORVCIMXMLCommunicationMechanism::advertisedAddress(addressRecord({})), "");
    EXPECT_EQ(ORVCIMXMLCommunicationMechanism::advertisedAddress(
                  addressRecord({"10.0.0.4", "127.0.0.1", "192.168.7.2", "127.0.0.1"})),
              "192.168.7.2");
    EXPECT_EQ(ORVHostComputerSystem::elementNameAddress(addressRecord({"127.0.0.1", "127.0.0.2", "10.1.1.1"})),
              "10.1.1.1");
    EXPECT_EQ(ORVHostComputerSystem::elementNameAddress(addressRecord({"127.0.0.1"})), "");
}

TEST_F(InteropPluginsTest, HostComputerSystemAndItsRoleMethod) {
    start();
    const CIMInstanceList hosts = instancesOf(kStorage, "ORV_HostComputerSystem");
    ASSERT_EQ(hosts.size(), 1u);
    expectProperties(hosts[0], "host", {{"Name", thisHost()}, {"StorageManagerVersion", "1.5.0"}});
    EXPECT_EQ(propertyText(hosts[0], "OperatingSystemInformation").rfind("Linux ", 0), 0u);

    CIMArgumentList in;
    CIMArgumentList out;
    EXPECT_EQ(facade->invokeMethod(hosts[0].getObjectPath(), "IsAdministrator", in, out), 0u);
    ASSERT_NE(out.find("Role"), nullptr);
    EXPECT_EQ(out.find("Role")->getValue<std::string>().at(0), "Administrator");
}

TEST_F(InteropPluginsTest, ConformanceAndSoftwareWithoutControllers) {
    start();
    // The host only scopes controllers: without one, nothing claims their profile.
    const CIMInstanceList conformance = instancesOf(kInterop, "ORV_ElementConformsToProfile");
    std::vector<std::string> pairs;
    for (const auto& association : conformance) {
        pairs.push_back(keyText(referenceOf(association, "ConformantStandard"), "InstanceID") + " -> " +
                        referenceOf(association, "ManagedElement").getClassName());
    }
    EXPECT_EQ(pairs, (std::vector<std::string>{"SNIA+SMI-S+1.4.0 -> ORV_ObjectManager",
                                               "SNIA+Server+1.4.0 -> ORV_ObjectManager",
                                               "SNIA+Indication+1.4.0 -> ORV_ObjectManager"}));

    // A request naming the CIM base class reaches the provider's class.
    CIMObjectPath manager = instancesOf(kInterop, "ORV_ObjectManager").at(0).getObjectPath();
    CIMObjectPathList byManager;
    facade->referencesNames(manager, "ORV_ElementConformsToProfile", byManager, "ManagedElement");
    EXPECT_EQ(byManager.size(), 3u);
    auto* conforms = dynamic_cast<AbstractAssociationProviderPlugin*>(
        facade->getPlugIn("ORV_ElementConformsToProfile"));
    ASSERT_NE(conforms, nullptr);
    EXPECT_TRUE(conforms->isEndpointClass("CIM_ObjectManager"));
    EXPECT_FALSE(conforms->isEndpointClass("CIM_StorageVolume"));

    // The provider's own software identities need no controller either.
    const CIMInstanceList software = instancesOf(kStorage, "ORV_ApplicationSoftwareIdentity");
    ASSERT_EQ(software.size(), 2u);
    expectProperties(software[0], "provider", {{"VersionString", "1.18.0.0"}});
    expectProperties(software[1], "library", {{"InstanceID", "VrLib"}, {"VersionString", ""}});
    EXPECT_TRUE(logged("orv::cim::fwf::ORVApplicationSoftwareIdentity::ORVApplicationSoftwareIdentity :: "
                       "getPropertyValue(VrlController::contrId) failed"));

    const CIMInstanceList managerSoftware = instancesOf(kInterop, "ORV_ObjectManagerElementSoftwareIdentity");
    ASSERT_EQ(managerSoftware.size(), 1u);
    EXPECT_EQ(keyText(referenceOf(managerSoftware[0], "Antecedent"), "InstanceID"), "SMI-S Provider");
    EXPECT_EQ(referenceOf(managerSoftware[0], "Dependent").getClassName(), "ORV_ObjectManager");

    const CIMInstanceList profileSoftware = instancesOf(kInterop, "ORV_RegProfileElementSoftwareIdentity");
    ASSERT_EQ(profileSoftware.size(), 2u);
    EXPECT_EQ(keyText(referenceOf(profileSoftware[1], "Antecedent"), "InstanceID"), "VrLib");
    EXPECT_EQ(keyText(referenceOf(profileSoftware[1], "Dependent"), "InstanceID"), "SNIA+SoftwareInventory+1.0.0");
}

TEST_F(InteropPluginsTest, LibraryVersionIsReadFromTheFirstController) {
    library.addController(3);
    library.methodOutput.insertString("VrlVersion", "4.2.0.17");
    start(0);
    // Every software identity reads the versions once, when it is built;
    // nothing else is asked of the library at start-up.
    ASSERT_FALSE(library.methodsCalled.empty());
    for (const std::string& method : library.methodsCalled) EXPECT_EQ(method, "getVersionInfo");
    expectProperties(instancesOf(kStorage, "ORV_ApplicationSoftwareIdentity").at(1), "library",
                     {{"VersionString", "4.2.0.17"}});
}

TEST_F(InteropPluginsTest, ConfigurationCapabilitiesPerController) {
    library.addController(0);
    library.addController(2);
    start(0);
    const CIMInstanceList capabilities = instancesOf(kStorage, "ORV_StorageConfigurationServiceCapabilities");
    ASSERT_EQ(capabilities.size(), 2u);
    expectProperties(capabilities[1], "controller 2's capabilities",
                     {{"InstanceID", "StorageConfigurationCapabilities_2"}, {"SupportedSynchronousActions", "2,3,5,6"},
                      {"SupportedAsynchronousActions", kAbsent}});
    // Fetching each back and the link to each service are the agreement and
    // association suites' to check.

    library.storageClassStatus = 0x10000002;
    EXPECT_EQ(failureOf([&] { instancesOf(kStorage, "ORV_StorageConfigurationServiceCapabilities"); }),
              std::make_pair(1, std::string("orv::cim::fwf::ORVStorageConfigurationServiceCapabilities::"
                                            "getRepositoryObjects :: VRLib returned error : 268435458")));
}

// Every storage class answers empty without a controller, and none fails;
// only the driver and the host's links to the provider's own software are
// still there, the driver without a version to tell.
TEST_F(InteropPluginsTest, WithoutControllersEveryStorageClassAnswersEmpty) {
    start(0);
    const std::map<std::string, std::size_t> stillServed{
        {"ORV_DriverSoftwareIdentity", 1}, {"ORV_InstalledSoftwareIdentity", 1}, {"ORV_InstalledSMISProvider", 1}};
    for (const auto& registration : providerPluginCatalogue().fullModeOnly) {
        if (registration.isPlanned()) continue;
        SCOPED_TRACE(registration.className);
        CIMInstanceList instances;
        CIMObjectPathList names;
        ASSERT_NO_THROW(facade->enumerateInstances(pathOf(kStorage, registration.className), instances));
        ASSERT_NO_THROW(facade->enumerateInstanceNames(pathOf(kStorage, registration.className), names));
        EXPECT_EQ(names.size(), instances.size());
        const auto served = stillServed.find(registration.className);
        EXPECT_EQ(instances.size(), served == stillServed.end() ? 0u : served->second);
    }
    const CIMInstanceList drivers = instancesOf(kStorage, "ORV_DriverSoftwareIdentity");
    ASSERT_EQ(drivers.size(), 1u);
    expectProperties(drivers[0], "driver", {{"VersionString", ""}});
    EXPECT_TRUE(logged("orv::cim::fwf::ORVDriverSoftwareIdentity::ORVDriverSoftwareIdentity :: "
                       "getPropertyValue(VrlController::contrId) failed"));
}

}  // namespace
}  // namespace orv::test
