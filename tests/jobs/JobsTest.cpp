// Long-running commands as CIM jobs over the simulated controllers: the
// records a report leaves, the indications a client receives, the sweep that
// removes finished jobs (with a clock the test moves), the job classes and
// their associations, and the job threads' shutdown.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "EventContainers.h"
#include "JobControlManager.h"
#include "SimulatedControllers.h"
#include "VrlRecords.h"

namespace jobstest {
namespace {

using namespace poolstest;
using orv::raidlib::PropertyContainer;

// Controller 0: a RAID 5 volume on disks 0 to 2 whose disk 2 has failed, a
// spare and a reserved array. Controller 1: a mirror. Commands move only
// when the test advances them, half-way at a time.
const char* const kTopology = R"({
  "lrcIntervalMs": 3600000, "lrcStep": 50,
  "controllers": [
    {"id": 0, "disks": [
       {"compPdId": 0, "slotId": 0, "driveType": 2, "blockDevType": 1},
       {"compPdId": 1, "slotId": 1, "driveType": 2, "blockDevType": 1},
       {"compPdId": 2, "slotId": 2, "driveType": 2, "blockDevType": 1, "state": 1},
       {"compPdId": 3, "slotId": 3, "driveType": 2, "blockDevType": 1, "hotSpare": true},
       {"compPdId": 4, "slotId": 4, "driveType": 2, "blockDevType": 1}],
     "volumes": [{"vdIndex": 0, "RAIDLevel": 5, "compPdId": [0, 1, 2], "volumeName": "Data", "volReserved": 0},
                 {"vdIndex": 1, "RAIDLevel": 0, "compPdId": [4], "volumeName": "Held", "volReserved": 1}]},
    {"id": 1, "disks": [
       {"compPdId": 0, "slotId": 0, "driveType": 1, "blockDevType": 1},
       {"compPdId": 1, "slotId": 1, "driveType": 1, "blockDevType": 1}],
     "volumes": [{"vdIndex": 0, "RAIDLevel": 1, "compPdId": [0, 1], "volumeName": "Mirror", "volReserved": 0}]}
  ]
})";

constexpr uint32_t kRebuild = 5, kResync = 3, kFormat = 0, kFlushCache = 9;
constexpr uint32_t kDisk = 3, kVirtualDisk = 4, kController = 2;
constexpr uint32_t kRunning = 4, kCompleted = 7, kException = 10, kKilled = 9;

class Jobs : public SimulatedControllers {
protected:
    std::string topology() const override { return kTopology; }
    void SetUp() override {
        SimulatedControllers::SetUp();
        manager = JobControlManager::getInstance();
        ASSERT_TRUE(manager->isStarted());
        manager->setClockForTesting([this] {
            const int s = seconds.load();
            return CIMDateTime(2026, 12, 6, 10 + s / 3600, (s / 60) % 60, s % 60);
        });
        manager->setIndicationSinkForTesting([this](const CIMInstance& indication) {
            std::lock_guard<std::mutex> lock(indicationsMutex);
            indications.push_back(indication);
            return true;
        });
    }

    void advance(int bySeconds) { seconds += bySeconds; }
    // "CIM_InstCreation 0_3_5 JobState=4" for each indication so far.
    std::vector<std::string> announced() {
        std::lock_guard<std::mutex> lock(indicationsMutex);
        std::vector<std::string> texts;
        for (const CIMInstance& indication : indications) {
            const CIMInstance job = value<CIMInstance>(indication, "SourceInstance");
            texts.push_back(indication.getClassName() + " " + value<std::string>(job, "InstanceID") +
                            " JobState=" + std::to_string(value<uint16_t>(job, "JobState")));
        }
        return texts;
    }
    CIMInstance lastIndication() {
        std::lock_guard<std::mutex> lock(indicationsMutex);
        return indications.empty() ? CIMInstance() : indications.back();
    }
    CIMInstanceList job(const std::string& instanceId) {
        return get(pathOf("ORV_ConcreteJob", {{"InstanceID", instanceId}}));
    }
    size_t records(const char* storageClass) {
        std::vector<PropertyContainer> found;
        library().getStorageClass(storageClass, found);
        return found.size();
    }

    JobControlManager* manager = nullptr;
    std::atomic<int> seconds{0};
    std::mutex indicationsMutex;
    CIMInstanceList indications;
};

TEST_F(Jobs, AReportedCommandRunsCompletesAndIsRemovedFiveMinutesLater) {
    manager->updateJobMap(0, 2, kRebuild, kDisk, 40, kRunning);
    CIMInstanceList running = enumerate("ORV_ConcreteJob");
    ASSERT_EQ(running.size(), 1u);
    expectProperties(running[0], "running job",
                     {{"InstanceID", "0_2_5"}, {"Name", "Rebuild Physical Disk"}, {"JobState", kRunning},
                      {"PercentComplete", 40}, {"ControllerID", 0}, {"DeleteOnCompletion", true},
                      {"StartTime", "20261206100000.000000+530"}, {"TimeBeforeRemoval", "00000000000500.000000:000"}});
    EXPECT_EQ(announced(), std::vector<std::string>{"CIM_InstCreation 0_2_5 JobState=4"});
    const CIMInstance creation = lastIndication();
    EXPECT_EQ(creation.getNameSpace(), kStorage);
    expectProperties(creation, "creation", {{"PerceivedSeverity", 2}, {"IndicationTime", "20261206100000.000000+530"}});
    EXPECT_NE(value<std::string>(creation, "SourceInstanceModelPath").find("0_2_5"), std::string::npos);

    advance(600);
    manager->updateJobMap(0, 2, kRebuild, kDisk, 100, kRunning);
    EXPECT_TRUE(logged("orv::cim::fwf::JobControlManager::updateJobMap :: Job 0_2_5 Completed Successfully."));
    EXPECT_EQ(records(orv::cim::fwf::jobs::kRunningJobs), 0u);
    EXPECT_EQ(records(orv::cim::fwf::jobs::kOldJobs), 1u);
    const CIMInstanceList finished = job("0_2_5");
    ASSERT_EQ(finished.size(), 1u);
    expectProperties(finished[0], "finished job",
                     {{"JobState", kCompleted}, {"TimeOfLastStateChange", "20261206101000.000000+530"}});

    // The time before removal counts from the completion.
    advance(299);
    manager->jobDeletion();
    EXPECT_EQ(enumerate("ORV_ConcreteJob").size(), 1u);
    advance(2);
    manager->jobDeletion();
    EXPECT_TRUE(enumerate("ORV_ConcreteJob").empty());
    EXPECT_TRUE(logged("orv::cim::fwf::JobControlManager::jobDeletion :: Deleting job 0_2_5 from system."));
    EXPECT_EQ(announced(), (std::vector<std::string>{"CIM_InstCreation 0_2_5 JobState=4",
                                                     "CIM_InstModification 0_2_5 JobState=4",
                                                     "CIM_InstModification 0_2_5 JobState=7",
                                                     "CIM_InstDeletion 0_2_5 JobState=7"}));
}

TEST_F(Jobs, AFirstReportOfAFinishedCommandCreatesNoJob) {
    struct Row {
        uint32_t percentage, state;
        const char* line;
    } rows[] = {
        {100, kCompleted, "Job 0_2 NOT ADDED, as PercentageComplete = 100 and LRC Status = 7."},
        {100, kRunning, "Job 0_2 NOT ADDED, as PercentageComplete = 100 and LRC Status = 4."},
        {30, kException, "Job 0_2 NOT ADDED, as PercentageComplete = 30 and LRC Status = 10."},
        {30, kKilled, "Job 0_2 NOT ADDED, as PercentageComplete = 30 and LRC Status = 9."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        manager->updateJobMap(0, 2, kRebuild, kDisk, row.percentage, row.state);
        EXPECT_TRUE(logged(row.line));
    }
    EXPECT_TRUE(enumerate("ORV_ConcreteJob").empty());
    EXPECT_TRUE(announced().empty());
}

TEST_F(Jobs, AFailedCommandIsAnnouncedAndGoesAtTheNextSweep) {
    manager->updateJobMap(0, 0, kResync, kVirtualDisk, 20, kRunning);
    manager->updateJobMap(0, 0, kResync, kVirtualDisk, 25, kException);
    const CIMInstanceList failed = job("0_0_3");
    ASSERT_EQ(failed.size(), 1u);
    expectProperties(failed[0], "failed job",
                     {{"JobState", kException}, {"TimeBeforeRemoval", "00000000000000.000000:000"}});
    EXPECT_EQ(value<uint16_t>(lastIndication(), "PerceivedSeverity"), 3);
    EXPECT_EQ(records(orv::cim::fwf::jobs::kOldJobs), 1u);
    advance(1);
    manager->jobDeletion();
    EXPECT_TRUE(job("0_0_3").empty());
}

// Lost notifications and shutdowns expire one controller's jobs, a deleted
// virtual disk its own; whatever else runs stays.
TEST_F(Jobs, ExpiryRemovesOnlyTheJobsItNames) {
    const auto runAll = [&] {
        manager->updateJobMap(0, 2, kRebuild, kDisk, 10, kRunning);
        manager->updateJobMap(0, 0, kResync, kVirtualDisk, 10, kRunning);
        manager->updateJobMap(1, 0, kFormat, kVirtualDisk, 10, kRunning);
    };
    struct Row {
        const char* what;
        std::function<void()> expire;
        std::vector<std::string> left;
    } rows[] = {
        {"lost notification on 1", [&] { manager->ProcessNotificationLostEvent(1); }, {"0_2_5", "0_0_3"}},
        {"shutdown of 0", [&] { manager->ProcessControllerShutdown(0); }, {"1_0_0"}},
        {"volume 0 of 0 deleted", [&] { manager->expireDeviceJobs(0, 0); }, {"0_2_5", "1_0_0"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        runAll();
        row.expire();
        advance(1);
        manager->jobDeletion();
        std::vector<std::string> left;
        for (const auto& instance : enumerate("ORV_ConcreteJob")) left.push_back(value<std::string>(instance, "InstanceID"));
        EXPECT_EQ(left, row.left);
        // Clear the board for the next row.
        manager->ProcessNotificationLostEvent(0);
        manager->ProcessNotificationLostEvent(1);
        advance(1);
        manager->jobDeletion();
    }
    EXPECT_TRUE(logged("Enter orv::cim::fwf::JobControlManager::ProcessControllerShutdown"));
}

TEST_F(Jobs, ClientsCannotChangeAJob) {
    manager->updateJobMap(0, 2, kRebuild, kDisk, 40, kRunning);
    const CIMObjectPath path = pathOf("ORV_ConcreteJob", {{"InstanceID", "0_2_5"}});
    struct Row {
        const char* property;
        PropertyNameList listed;
        int code;
        const char* message;
    } rows[] = {
        {"DeleteOnCompletion", {}, 7, "Modification of DeleteOnCompletion not supported"},
        {"TimeBeforeRemoval", {}, 7, "Modification of TimeBeforeRemoval not supported"},
        {"DeleteOnCompletion", {"DeleteOnCompletion", "TimeBeforeRemoval"}, 4,
         "2 properties cannot be modified for ORV_ConcreteJob"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        const auto refused = modify(path, row.property, false, CIM_BOOLEAN, row.listed);
        ASSERT_TRUE(refused.has_value());
        EXPECT_EQ(refused->getCode(), row.code);
        EXPECT_EQ(refused->getMessage(), row.message);
    }
    EXPECT_TRUE(value<bool>(job("0_2_5").at(0), "DeleteOnCompletion"));
    EXPECT_EQ(orv::test::failureOf([&] { invoke(path, "RequestStateChange"); }),
              std::make_pair(7, std::string("Operation not supported")));
}

// The service that owns a job, the volume it affects and its method result,
// by the command it stands for.
TEST_F(Jobs, AJobLeadsToItsServiceVolumeAndMethodResult) {
    struct Row {
        uint32_t contrId, deviceId, lrcType, deviceType;
        const char* owner;   // Name of the owning service, "" for none
        const char* volume;  // DeviceID of the affected volume, "" for none
        const char* method;  // MethodName of the method result, "" for none
    } rows[] = {
        {0, 2, kRebuild, kDisk, "SpareConfigService_0", "0_0", "RebuildStorageExtent"},
        {0, 0, kResync, kVirtualDisk, "SpareConfigService_0", "0_0", "CheckParityConsistency"},
        {1, 0, kFormat, kVirtualDisk, "StorageConfigurationService_1", "1_0", "CreateOrModifyElementFromStoragePool"},
        {0, 1, kFormat, kVirtualDisk, "StorageConfigurationService_0", "", "CreateOrModifyElementFromStoragePool"},
        {0, 3, kRebuild, kDisk, "SpareConfigService_0", "", "RebuildStorageExtent"},
        {0, 0, kFlushCache, kController, "", "", ""},
    };
    const auto otherEnds = [](const CIMObjectPath& from, const char* association, const char* key) {
        CIMObjectPathList found;
        FrameworkFacade::getInstance()->associatorsNames(from, association, found, "", "", "");
        std::vector<std::string> texts;
        for (const auto& path : found)
            for (const auto& binding : path.getKeyBindings())
                if (binding.getName() == key) texts.push_back(binding.getValue<std::string>().at(0));
        return texts;
    };
    const auto oneOrNone = [](const char* text) {
        return *text == '\0' ? std::vector<std::string>{} : std::vector<std::string>{text};
    };
    for (const Row& row : rows) {
        const std::string id = std::to_string(row.contrId) + "_" + std::to_string(row.deviceId) + "_" +
                               std::to_string(row.lrcType);
        SCOPED_TRACE(id);
        manager->updateJobMap(row.contrId, row.deviceId, row.lrcType, row.deviceType, 10, kRunning);
        const CIMObjectPath jobPath = pathOf("ORV_ConcreteJob", {{"InstanceID", id}});
        EXPECT_EQ(otherEnds(jobPath, "ORV_OwningJobElement", "Name"), oneOrNone(row.owner));
        EXPECT_EQ(otherEnds(jobPath, "ORV_AffectedJobElement", "DeviceID"), oneOrNone(row.volume));
        EXPECT_EQ(otherEnds(jobPath, "ORV_AssociatedJobMethodResult", "InstanceID"),
                  oneOrNone(*row.method ? id.c_str() : ""));
        const CIMInstanceList result = get(pathOf("ORV_JobMethodResult", {{"InstanceID", id}}));
        ASSERT_EQ(result.size(), *row.method ? 1u : 0u);
        if (result.empty()) continue;
        const CIMInstance preCall = value<CIMInstance>(result[0], "PreCallIndication");
        EXPECT_EQ(value<std::string>(preCall, "MethodName"), row.method);
        EXPECT_TRUE(value<bool>(preCall, "PreCall"));
        EXPECT_FALSE(value<bool>(value<CIMInstance>(result[0], "PostCallIndication"), "PreCall"));
    }
    // And back: the volume is affected by the jobs that work on it.
    EXPECT_EQ(otherEnds(deviceOf("ORV_StorageVolume", 0, "0_0"), "ORV_AffectedJobElement", "InstanceID"),
              (std::vector<std::string>{"0_2_5", "0_0_3"}));
}

// Reports take the library's road: a rebuild started through the sparing
// service reaches the queue as the library's own progress events, the
// monitor thread applies them, and the job ends completed.
TEST_F(Jobs, ARebuildStartedByAClientIsFollowedConcurrentlyToItsEnd) {
    struct Forwarder : orv::raidlib::EventObserver {
        void Update(PropertyContainer event) override {
            uint32_t type = 0;
            if (event.getPropertyValue(type, "aenType", false) == 0 && type == VrlEventCode::LrcProgress)
                JobControlManager::getInstance()->queueLRCEvent(event);
        }
    } forwarder;
    ASSERT_EQ(library().AttachObserver(&forwarder), 0u);
    // True once the job shows this state and percentage; the monitor thread
    // applies reports on its own time.
    const auto reaches = [&](uint16_t state, uint16_t percent) {
        for (int i = 0; i < 500; ++i) {
            const CIMInstanceList found = job("0_2_5");
            if (!found.empty() && value<uint16_t>(found[0], "JobState") == state &&
                value<uint16_t>(found[0], "PercentComplete") == percent)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };

    CIMArgumentList in;
    in.add(scalarProperty("Target", deviceOf("ORV_StorageExtent", 0, "0_2"), CIM_REFERENCE));
    ASSERT_EQ(invoke(pathOf("ORV_SpareConfigurationService", {{"SystemCreationClassName", "ORV_ControllerComputerSystem"},
                                                              {"SystemName", "AmbrixController_0"},
                                                              {"CreationClassName", "ORV_SpareConfigurationService"},
                                                              {"Name", "SpareConfigService_0"}}),
                     "RebuildStorageExtent", in)
                  .result,
              0u);
    EXPECT_TRUE(reaches(kRunning, 0));
    sim.VrlSimAdvanceCommands();
    EXPECT_TRUE(reaches(kRunning, 50));
    sim.VrlSimAdvanceCommands();
    EXPECT_TRUE(reaches(kCompleted, 100));
    EXPECT_TRUE(logged("orv::cim::fwf::JobControlManager::jobPoll :: Passing job 0-2 for updation with "
                       "percentage 50, status 4."));
    library().DetachObserver(&forwarder);

    // A report the library could not have sent is dropped with its reason.
    PropertyContainer partial;
    partial.insertInt("contrId", 0, true);
    partial.insertInt("lrcCount", 1);
    partial.insertVector("deviceId", {2});
    manager->queueLRCEvent(partial);
    for (int i = 0; i < 500 && !logged("Failed to retrieve LRC Device Types on Controller : 0."); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(logged("orv::cim::fwf::JobControlManager::jobPoll :: Failed to retrieve LRC Device Types on "
                       "Controller : 0."));
}

// Reports keep arriving while clients read the jobs and the provider shuts
// down: both job threads end well within the six seconds a CIM server waits.
TEST_F(Jobs, ConcurrentReportsReadsAndShutdownEndTheThreadsPromptly) {
    std::atomic<bool> streaming{true};
    std::thread reporter([&] {
        for (uint32_t round = 0; streaming; ++round) {
            orv::raidlib::LrcColumns columns;
            for (uint32_t disk = 0; disk < 8; ++disk) columns.add(disk, kDisk, kRebuild, 1, round % 100);
            PropertyContainer report;
            report.insertInt("contrId", round % 2, true);
            report.insertInt("aenType", VrlEventCode::LrcProgress);
            columns.insertInto(report);
            manager->queueLRCEvent(report);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::thread reader([&] {
        while (streaming) enumerate("ORV_ConcreteJob");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    const auto before = std::chrono::steady_clock::now();
    manager->stop();
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, std::chrono::seconds(6));
    EXPECT_FALSE(manager->isStarted());
    streaming = false;
    reporter.join();
    reader.join();
    EXPECT_FALSE(announced().empty());
}

}  // namespace
}  // namespace jobstest
