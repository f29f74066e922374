// The built provider loaded as a CIM server loads it, its indications
// enabled through the indication MI: a disk failure the simulated library
// reports reaches the broker as an alert, a controller setting as the
// modifications of its classes, and nothing once indications are disabled.
#include "LoadedProvider.h"
#include "VrlRecords.h"
#include "VrlSimControl.h"

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

TEST(ProviderIndicationTest, ADiskFailureAndASettingReachTheBrokerWhileEnabled) {
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
    void* library = dlopen((installation.root() + "/bin/VRLib.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    auto injectEvent = reinterpret_cast<decltype(&VrlSimInjectEvent)>(dlsym(library, "VrlSimInjectEvent"));
    auto setProperty = reinterpret_cast<decltype(&VrlSimSetProperty)>(dlsym(library, "VrlSimSetProperty"));
    auto waitDrained = reinterpret_cast<decltype(&VrlSimWaitEventsDrained)>(dlsym(library, "VrlSimWaitEventsDrained"));
    auto diskFailed = [&] {
        VrlEventRecord record;
        std::memset(&record, 0, sizeof record);
        record.eventCode = VrlEventCode::AlertWithError;
        record.deviceType = VrlDeviceType::PhysicalDisk;
        record.deviceId = 1;
        record.snmpEvtId = 321;
        record.severity = VrlSeverity::Error;
        std::strcpy(record.description, "Physical disk 0-1 failed");
        ASSERT_EQ(0, injectEvent(&record, sizeof record));
        ASSERT_EQ(0, waitDrained(5000));
    };

    diskFailed();
    std::vector<Instance> received = delivered.take();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].path.className, "CIM_AlertIndication");
    EXPECT_EQ(received[0].property("PerceivedSeverity")->asUnsigned(), 6u);
    EXPECT_EQ(text(received[0], "SystemName"), "AmbrixController_0");
    EXPECT_EQ(text(received[0], "EventID"), "321");
    EXPECT_EQ(text(received[0], "Description"), "Physical disk 0-1 failed");
    EXPECT_EQ(text(received[0], "AlertingManagedElement"), "Non Controller Device");

    ASSERT_EQ(0, setProperty(VRLSIM_CONTROLLER, 0, 0, "autoRebuild", "0", 1));
    ASSERT_EQ(0, waitDrained(5000));
    received = delivered.take();
    ASSERT_EQ(received.size(), 2u);
    const char* const expected[] = {"ORV_SpareConfigurationCapabilities", "ORV_ControllerComputerSystem"};
    for (std::size_t i = 0; i < received.size(); ++i) {
        EXPECT_EQ(received[i].path.className, "CIM_InstModification");
        const Instance& source = received[i].property("SourceInstance")->asInstance();
        EXPECT_EQ(source.path.className, expected[i]);
        EXPECT_NE(text(received[i], "SourceInstanceModelPath").find(std::string(":") + expected[i] + "."),
                  std::string::npos);
    }
    EXPECT_EQ(received[1].property("SourceInstance")->asInstance().property("AutoRebuild")->asUnsigned(), 0u);

    subscribe(false);
    diskFailed();
    EXPECT_TRUE(delivered.take().empty());
    EXPECT_GE(occurrences(installation.logFile(), "Unable to deliver indication since no client subscription present"),
              1u);

    RequestScope request(broker, kStorageNameSpace);
    EXPECT_EQ(indication->ft->cleanup(indication, request.context(), 1).rc, CMPI_RC_OK);
    dlclose(library);
}

}  // namespace
}  // namespace providertest
