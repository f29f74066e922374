// The built provider loaded as a CIM server loads it, its indications
// enabled through the indication MI: a disk failure the simulated library
// reports reaches the broker as an alert, and nothing once indications are
// disabled. A changed setting's modifications are followed end to end.
#include "LoadedProvider.h"
#include "SimControl.h"

#include <cstring>
#include <mutex>

namespace providertest {
namespace {

const char* const kTopology = R"({"interfaceVersion": 2, "lrcIntervalMs": 3600000, "controllers": [
  {"id": 0, "autoRebuild": 1, "disks": [{"compPdId": 0, "slotId": 0, "driveType": 2},
                                        {"compPdId": 1, "slotId": 1, "driveType": 2}]}]})";

struct Delivered {
    std::mutex mutex;
    std::vector<Instance> indications;  // guarded by mutex

    std::vector<Instance> take() {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<Instance> out;
        out.swap(indications);
        return out;
    }
};

std::string text(const Instance& instance, const char* name) {
    const Value* value = instance.property(name);
    return value == nullptr ? "<none>" : value->asString();
}

TEST(ProviderIndicationTest, ADiskFailureReachesTheBrokerWhileEnabled) {
    orv::test::TestInstallation installation;
    installation.writeDefaultLoggerConfig();
    installation.installRaidLibrary(VRLIB_PATH, kTopology);
    Broker broker;
    Delivered delivered;
    broker.setIndicationSink([&](const std::string& nameSpace, const Instance& indication) {
        EXPECT_EQ(nameSpace, kStorageNameSpace);
        std::lock_guard<std::mutex> lock(delivered.mutex);
        delivered.indications.push_back(indication);
    });
    const Factories factories = loadProvider();
    CMPIIndicationMI* indication = factories.indication(broker.cmpi(), nullptr, nullptr);
    ASSERT_NE(indication, nullptr);
    auto subscribe = [&](bool enable) {
        RequestScope request(broker, kStorageNameSpace);
        CMPISelectExp* filter = broker.newSelectExp("SELECT * FROM CIM_Indication", "WQL");
        CMPIObjectPath* op = broker.newObjectPath(ObjectPath{"", kStorageNameSpace, "CIM_Indication", {}});
        if (enable) {
            ASSERT_EQ(indication->ft->activateFilter(indication, request.context(), filter, "CIM_Indication", op, 1).rc,
                      CMPI_RC_OK);
            ASSERT_EQ(indication->ft->enableIndications(indication, request.context()).rc, CMPI_RC_OK);
        } else {
            ASSERT_EQ(indication->ft->disableIndications(indication, request.context()).rc, CMPI_RC_OK);
        }
    };
    subscribe(true);

    // The provider loaded this very library; the same path gives its handle.
    orv::test::SimControl sim;
    ASSERT_TRUE(sim.open(installation.root() + "/bin/VRLib.so"));
    auto diskFailed = [&] {
        VrlEventRecord record;
        std::memset(&record, 0, sizeof record);
        record.eventCode = VrlEventCode::AlertWithError;
        record.deviceType = VrlDeviceType::PhysicalDisk;
        record.deviceId = 1;
        record.snmpEvtId = 321;
        record.severity = VrlSeverity::Error;
        std::strcpy(record.description, "Physical disk 0-1 failed");
        ASSERT_EQ(0, sim.VrlSimInjectEvent(&record, sizeof record));
        ASSERT_EQ(0, sim.VrlSimWaitEventsDrained(5000));
    };

    diskFailed();
    std::vector<Instance> received = delivered.take();
    ASSERT_EQ(received.size(), 1u);
    // The alert's properties are checked where the framework builds it.
    EXPECT_EQ(received[0].path.className, "CIM_AlertIndication");
    EXPECT_EQ(text(received[0], "Description"), "Physical disk 0-1 failed");

    subscribe(false);
    diskFailed();
    EXPECT_TRUE(delivered.take().empty());
    EXPECT_GE(occurrences(installation.logFile(), "Unable to deliver indication since no client subscription present"),
              1u);

    RequestScope request(broker, kStorageNameSpace);
    EXPECT_EQ(indication->ft->cleanup(indication, request.context(), 1).rc, CMPI_RC_OK);
    sim.close();
}

}  // namespace
}  // namespace providertest
