// One provider's life in one process, as a CIM server leads it: start-up
// once whatever the factories' order, refusals to unload while idle, one
// teardown at shutdown, and no way back afterwards.
#include "LoadedProvider.h"

namespace providertest {
namespace {

TEST(ProviderLifecycleTest, StartsOnceRefusesToUnloadAndTearsDownOnce) {
    orv::test::TestInstallation installation;
    installation.writeDefaultLoggerConfig();
    installation.installRaidLibrary(VRLIB_PATH, kNoControllers);
    Broker broker;
    const CMPIBroker* mb = broker.cmpi();
    const Factories factories = loadProvider();

    // Until a factory has kept a broker, refusals carry no message.
    CMPIMethodMI* method = factories.method(nullptr, nullptr, nullptr);
    ASSERT_NE(method, nullptr);
    {
        RequestScope request(broker, kStorageNameSpace);
        const CMPIStatus refused =
            method->ft->invokeMethod(method, request.context(), request.result(), nullptr, "M", nullptr, nullptr);
        EXPECT_EQ(refused.rc, CMPI_RC_ERR_INVALID_PARAMETER);
        EXPECT_EQ(refused.msg, nullptr);
    }

    CMPIIndicationMI* indication = factories.indication(mb, nullptr, nullptr);
    CMPIAssociationMI* association = factories.association(mb, nullptr, nullptr);
    CMPIInstanceMI* instance = factories.instance(mb, nullptr, nullptr);
    EXPECT_EQ(occurrences(installation.logFile(), "CMPIMI : Provider Initialized successfully"), 1u);
    EXPECT_EQ(occurrences(installation.logFile(), "Provider Initialization already done"), 3u);

    struct Reply {
        CMPIrc rc;
        std::string text;
        std::size_t instances;
    };
    auto getRegisteredProfile = [&] {
        RequestScope request(broker, kInteropNameSpace);
        CMPIObjectPath* op = broker.newObjectPath(
            ObjectPath{"", kInteropNameSpace, "ORV_RegisteredProfile", {{"InstanceID", Value::string("SNIA+Server+1.4.0")}}});
        const CMPIStatus status = instance->ft->getInstance(instance, request.context(), request.result(), op, nullptr);
        return Reply{status.rc, message(status), request.collected().instances.size()};
    };
    EXPECT_EQ(getRegisteredProfile().instances, 1u);
    EXPECT_EQ(getRegisteredProfile().rc, CMPI_RC_OK);

    // Idle clean-ups are refused, every time and by every table.
    {
        RequestScope request(broker, kStorageNameSpace);
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(instance->ft->cleanup(instance, request.context(), 0).rc, CMPI_RC_DO_NOT_UNLOAD);
            EXPECT_EQ(association->ft->cleanup(association, request.context(), 0).rc, CMPI_RC_DO_NOT_UNLOAD);
            EXPECT_EQ(indication->ft->cleanup(indication, request.context(), 0).rc, CMPI_RC_DO_NOT_UNLOAD);
            EXPECT_EQ(method->ft->cleanup(method, request.context(), 0).rc, CMPI_RC_DO_NOT_UNLOAD);
        }
    }
    EXPECT_EQ(getRegisteredProfile().instances, 1u) << "still serving after refusing to unload";
    EXPECT_EQ(occurrences(installation.logFile(), "Preventing provider from unloading this time"), 8u);

    // Shutdown tears down once, even without a context.
    const CMPIStatus shutdown = association->ft->cleanup(association, nullptr, 1);
    EXPECT_EQ(shutdown.rc, CMPI_RC_OK);
    EXPECT_EQ(shutdown.msg, nullptr);
    EXPECT_EQ(occurrences(installation.logFile(), "Entering CMPIAdapter::~CMPIAdapter()"), 1u);
    EXPECT_EQ(occurrences(installation.logFile(), "CleanUp routein called due to cimserver shutdown"), 1u);
    const std::string logAfterShutdown = orv::test::TestInstallation::readFile(installation.logFile());
    EXPECT_EQ(method->ft->cleanup(method, nullptr, 1).rc, CMPI_RC_OK);
    EXPECT_EQ(instance->ft->cleanup(instance, nullptr, 1).rc, CMPI_RC_OK);
    EXPECT_EQ(orv::test::TestInstallation::readFile(installation.logFile()), logAfterShutdown)
        << "the log stopped with the first shutdown clean-up";

    // Requests find no adapter, and a late factory call does not revive it.
    Reply after = getRegisteredProfile();
    EXPECT_EQ(after.instances, 0u);
    EXPECT_EQ(after.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(after.text, "Failed to get CMPIAdapter singleton instance");
    EXPECT_EQ(factories.instance(mb, nullptr, nullptr), instance);
    after = getRegisteredProfile();
    EXPECT_EQ(after.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(after.text, "Failed to get CMPIAdapter singleton instance");
}

}  // namespace
}  // namespace providertest
