// A provider whose log cannot be started says so on standard output and
// serves on without it.
#include "LoadedProvider.h"

namespace providertest {
namespace {

TEST(ProviderWithoutLogTest, WarnsOnStandardOutputAndServesOn) {
    orv::test::TestInstallation installation;  // no logger configuration
    installation.installRaidLibrary(VRLIB_PATH, kNoControllers);
    Broker broker;
    const Factories factories = loadProvider();

    ::testing::internal::CaptureStdout();
    CMPIInstanceMI* instance = factories.instance(broker.cmpi(), nullptr, nullptr);
    factories.method(broker.cmpi(), nullptr, nullptr);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Failed to enable Logging ... Continuing without Logging\n") << "written once, at start-up";

    RequestScope request(broker, kInteropNameSpace);
    CMPIObjectPath* op = broker.newObjectPath(ObjectPath{"", kInteropNameSpace, "ORV_RegisteredSubProfile", {}});
    const CMPIStatus status =
        instance->ft->enumerateInstanceNames(instance, request.context(), request.result(), op);
    EXPECT_EQ(status.rc, CMPI_RC_OK);
    EXPECT_EQ(request.collected().objectPaths.size(), 13u);
    EXPECT_EQ(instance->ft->cleanup(instance, request.context(), 1).rc, CMPI_RC_OK);
}

}  // namespace
}  // namespace providertest
