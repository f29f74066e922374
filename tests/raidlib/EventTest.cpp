#include <atomic>
#include <functional>
#include <future>
#include <map>
#include <thread>
#include <utility>

#include "RaidLibFixture.h"

namespace raidtest {
namespace {

using orv::raidlib::changeListNames;

class EventTest : public RaidLibTest {
protected:
    RecordingObserver observer;

    void SetUp() override {
        RaidLibTest::SetUp();
        ASSERT_EQ(0u, start());
        attach(observer);
        observer.clear();
    }

    std::vector<PropertyContainer> deliveredAfter(const VrlEventRecord& record) {
        observer.clear();
        inject(record);
        drain();
        return observer.events();
    }
};

// Disks arriving and leaving as indications are the event suite's; here the
// announcements that must leave the cache alone.
TEST_F(EventTest, DiskAnnouncedTwiceOrUnknownLeavesTheCache) {
    ASSERT_EQ(0, sim.VrlSimAddDisk(1, R"({"compPdId": 7, "slotId": 7, "serialNumber": "NEWDISK1"})"))
        << sim.lastError();
    drain();
    EXPECT_TRUE(eventsOf(deliveredAfter(eventRecord(0, 1, 3, 7)), 0).empty());
    EXPECT_EQ(4u, objectsOf("physicalDisks", 1).size());

    EXPECT_TRUE(deliveredAfter(eventRecord(3, 1, 3, 99)).empty());
    EXPECT_TRUE(logged("Failed to get physical disk with resHandle <63>"));
}

TEST_F(EventTest, VolumeArrivalAndRemovalKeepMembersInStep) {
    VrlCreateVolumeIn request{};
    request.contrId = 1;
    request.stripeSize = 64;
    request.raidLevel = 1;
    request.pdCount = 2;
    request.compPdId[0] = 1;
    request.compPdId[1] = 2;
    VrlCreateVolumeOut created{};
    ASSERT_EQ(0u, sim.invoke(VrlOpcode::CREATE_VOLUME, &request, &created));
    drain();
    EXPECT_EQ(1u, objectsOf("volumes", 1).size());
    EXPECT_EQ(1u, eventsOf(observer.events(), 1).size());
    EXPECT_EQ(3u, intOf(cached("physicalDisks", 1, "compPdId", 2), "pdConfig"));
    EXPECT_TRUE(logged("Config Change Notification, Existing PD=(1-1) RAID group membership flag changed from 0 to 1"));

    // The facade's own request for the volume the event brought keeps one.
    sim.VrlSimFailOpcode(VrlOpcode::CREATE_VOLUME, VRLSIM_ANY_CONTROLLER, 0, 1);
    PropertyContainer mirrorOut;
    ASSERT_EQ(0u, facade.invokeMethod("createVolume", volumeRequest(1, 1, {1, 2}), mirrorOut));
    EXPECT_TRUE(logged("Cache is already updated in event path for create volume"));
    drain();
    EXPECT_EQ(1u, objectsOf("volumes", 1).size());

    VrlVolumeKey key{};
    key.contrId = 1;
    key.vdIndex = created.vdIndex;
    uint32_t answer = 0;
    observer.clear();
    ASSERT_EQ(0u, sim.invoke(VrlOpcode::DELETE_VOLUME, &key, &answer));
    drain();
    EXPECT_TRUE(objectsOf("volumes", 1).empty());
    const auto removed = eventsOf(observer.events(), 4);
    ASSERT_EQ(1u, removed.size());
    EXPECT_EQ(0u, intOf(removed[0], "volReserved"));
    EXPECT_EQ(0u, intOf(cached("physicalDisks", 1, "compPdId", 2), "pdConfig"));

    EXPECT_TRUE(deliveredAfter(eventRecord(4, 1, 4, 6)).empty());
    EXPECT_TRUE(logged("Failed to update Cache to delete volume::EventManager"));
}

TEST_F(EventTest, RefreshNamesWhatChanged) {
    struct Change {
        int kind;
        uint32_t id;
        const char* property;
        const char* value;
        uint32_t aenType;
    };
    // The second time stamp differs from the first in its high half only.
    const Change changes[] = {{VRLSIM_VOLUME, 0, "volumeName", "Renamed", 9},
                              {VRLSIM_CONTROLLER, 0, "timeStamp", "5000000000", 8},
                              {VRLSIM_CONTROLLER, 0, "timeStamp", "9294967296", 8}};
    for (const Change& c : changes) {
        SCOPED_TRACE(std::string(c.property) + " " + c.value);
        observer.clear();
        setProperty(c.kind, 0, c.id, c.property, c.value, true);
        drain();
        const auto events = eventsOf(observer.events(), c.aenType);
        ASSERT_EQ(1u, events.size());
        EXPECT_EQ(c.property, textOf(events[0], "changeList"));
    }
    EXPECT_EQ("Renamed", textOf(cached("volumes", 0, "vdIndex", 0), "volumeName"));
    EXPECT_TRUE(logged("DEBUG_: <volumeName> Updated : OldValue <DataVol> NewValue <Renamed>"));
    EXPECT_EQ(9294967296ull, u64Of(cached("IOAs", 0), "timeStamp"));
}

TEST_F(EventTest, DiskEventsNameTheDiskByItsHandle) {
    // A library that leaves the slot fields 0: enclosure 0 slot 0 holds disk 0.
    setProperty(VRLSIM_DISK, 0, 4, "PFAErrorCount", "5", false);
    auto delivered = deliveredAfter(eventRecord(10, 0, 3, 4, VrlChangedAttr::Health));
    ASSERT_EQ(1u, delivered.size());
    EXPECT_EQ(10u, intOf(delivered[0], "aenType"));
    EXPECT_EQ(4u, intOf(delivered[0], "deviceId", true));
    EXPECT_EQ("PFAErrorCount", textOf(delivered[0], "changeList"));
    EXPECT_EQ(5u, intOf(cached("physicalDisks", 0, "compPdId", 4), "PFAErrorCount"));

    // A disk given a new handle is found by its slot once the library
    // confirms the handle; a slot the library does not confirm is not used.
    setProperty(VRLSIM_DISK, 0, 4, "deviceId", "68", false);
    VrlEventRecord moved = eventRecord(10, 0, 3, 68, VrlChangedAttr::Other);
    moved.slotId = 4;
    delivered = deliveredAfter(moved);
    ASSERT_EQ(1u, delivered.size());
    EXPECT_EQ("deviceId", textOf(delivered[0], "changeList"));
    EXPECT_EQ(68u, intOf(cached("physicalDisks", 0, "compPdId", 4), "deviceId"));

    EXPECT_TRUE(deliveredAfter(eventRecord(10, 0, 3, 99, VrlChangedAttr::Other)).empty());
    EXPECT_TRUE(logged("ERROR_ : No Physical disk with slot_id (0-0) or resHandle <63> exists in cache"));
}

TEST_F(EventTest, VolumeCountComesFromTheListWhereverTheControllerIsRead) {
    // The controller record claims five volumes from now on; its list holds one.
    setProperty(VRLSIM_CONTROLLER, 0, 0, "volumeCount", "5", true);
    drain();
    EXPECT_EQ(1u, intOf(cached("IOAs", 0), "volumeCount"));
    for (const PropertyContainer& e : eventsOf(observer.events(), 8))
        EXPECT_FALSE(changeListNames(textOf(e, "changeList"), "volumeCount"));
    ASSERT_EQ(0u, facade.initializeCache(0));
    EXPECT_EQ(1u, objectsOf("volumes", 0).size());
    EXPECT_EQ(1u, intOf(cached("IOAs", 0), "volumeCount"));
    // Creation and deletion keep the count in step: the method tests.
}

// Each configuration method, with the events its change must bring: each
// once, whether the provider tells it or the library, and never an alert.
TEST_F(EventTest, ConfigurationMethodsAreToldOnceAndNeverAsAlerts) {
    using Told = std::pair<VrlInt, VrlInt>;  // aenType, deviceId
    constexpr VrlInt kMirror = 0xFFFFFFFF;   // stands for the created volume's vdIndex
    struct Row {
        const char* method;
        std::function<PropertyContainer()> input;
        std::vector<Told> expected;
    };
    VrlInt mirror = 0;  // vdIndex of the volume the first row creates
    auto onMirror = [&](std::function<void(PropertyContainer&)> more) {
        return [&, more]() {
            PropertyContainer in = keysOf(1, "vdIndex", mirror);
            if (more) more(in);
            return in;
        };
    };
    auto disk4 = [&] {
        PropertyContainer in = keysOf(0);
        in.insertVector("compPdId", {4}, true);
        return in;
    };
    const std::vector<Row> rows = {
        {"createVolume", [] { return volumeRequest(1, 1, {0, 1}); }, {{1, kMirror}, {10, 0}, {10, 1}}},
        {"activateVolume", onMirror([](PropertyContainer& in) { in.insertInt("activate", 0); }), {{9, kMirror}}},
        {"activateVolume", onMirror([](PropertyContainer& in) { in.insertInt("activate", 1); }), {{9, kMirror}}},
        {"setVolumeProps", onMirror([](PropertyContainer& in) { in.insertString("volumeName", "Renamed"); }),
         {{9, kMirror}}},
        {"deleteVolume", onMirror(nullptr), {{4, kMirror}, {10, 0}, {10, 1}}},
        {"createHotSpare", disk4, {{10, 4}}},
        {"deleteHotSpare", disk4, {{10, 4}}},
        {"setContrProps", [&] {
             PropertyContainer in = keysOf(0);
             in.insertInt("inputMask", VrlContrPropsMask::MediaScrubRate);
             in.insertInt("mediaScrubRate", 44);
             return in;
         }, {{8, 0}}},
        {"clearConfiguration", [&] { return keysOf(0); }, {{4, 0}, {8, 0}, {10, 3}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.method);
        observer.clear();
        PropertyContainer out;
        ASSERT_EQ(0u, facade.invokeMethod(row.method, row.input(), out));
        if (has(out, "vdIndex")) mirror = intOf(out, "vdIndex");
        drain();
        std::map<Told, int> told;
        for (const PropertyContainer& e : observer.events()) ++told[{intOf(e, "aenType"), intOf(e, "deviceId", true)}];
        std::map<Told, int> expected;
        for (Told t : row.expected) {
            if (t.second == kMirror) t.second = mirror;
            expected[t] = 1;
        }
        EXPECT_EQ(expected, told);
    }
}

TEST_F(EventTest, BootVolumeChangeIsToldAsTheVolumes) {
    PropertyContainer created;
    ASSERT_EQ(0u, facade.invokeMethod("createVolume", volumeRequest(0, 0, {4}), created));
    const VrlInt second = intOf(created, "vdIndex");
    drain();
    observer.clear();

    setProperty(VRLSIM_CONTROLLER, 0, 0, "bootVolumeId", std::to_string(second).c_str(), true);
    drain();
    const auto volumeEvents = eventsOf(observer.events(), 9);
    ASSERT_EQ(2u, volumeEvents.size());
    for (const PropertyContainer& e : volumeEvents) EXPECT_EQ("bootVolume", textOf(e, "changeList"));
    EXPECT_EQ("Volume " + std::to_string(second) + " is marked as boot Volume",
              textOf(volumeEvents[0], "description"));
    EXPECT_EQ("Volume 0 is no longer marked as boot Volume", textOf(volumeEvents[1], "description"));
    EXPECT_EQ(1u, intOf(cached("volumes", 0, "vdIndex", second), "bootVolume"));
    EXPECT_EQ(0u, intOf(cached("volumes", 0, "vdIndex", 0), "bootVolume"));
    EXPECT_EQ(second, intOf(cached("IOAs", 0), "bootVolumeId"));
}

TEST_F(EventTest, NewSpareUpdatesDiskControllerAndProtectedVolumes) {
    setProperty(VRLSIM_DISK, 0, 3, "hotSpare", "0", false);  // no spare: volume 0 unprotected
    inject(eventRecord(VrlEventCode::NotificationLost, 0, 2, 0));
    drain();
    ASSERT_EQ(0u, intOf(cached("volumes", 0, "vdIndex", 0), "hsProtected"));
    ASSERT_EQ(0u, intOf(cached("IOAs", 0), "hotspareCount"));
    observer.clear();

    PropertyContainer in = keysOf(0);
    in.insertVector("compPdId", {4}, true);
    PropertyContainer out;
    ASSERT_EQ(0u, facade.invokeMethod("createHotSpare", in, out));
    drain();
    const PropertyContainer disk = cached("physicalDisks", 0, "compPdId", 4);
    EXPECT_EQ(1u, intOf(disk, "pdConfig"));
    EXPECT_EQ(1u, intOf(cached("IOAs", 0), "hotspareCount"));
    EXPECT_EQ(1u, intOf(cached("volumes", 0, "vdIndex", 0), "hsProtected"));
    EXPECT_TRUE(logged("Virtual Disk 0 spare protected flag Changed"));

    const auto diskEvents = eventsOf(observer.events(), 10);
    ASSERT_FALSE(diskEvents.empty());
    EXPECT_TRUE(changeListNames(textOf(diskEvents[0], "changeList"), "pdConfig"));
    bool volumeToldProtected = false;
    for (const PropertyContainer& e : eventsOf(observer.events(), 9))
        volumeToldProtected = volumeToldProtected || changeListNames(textOf(e, "changeList"), "hsProtected");
    EXPECT_TRUE(volumeToldProtected);
}

TEST_F(EventTest, UnchangedPropertyEventsAreDroppedOrForcedToAlerts) {
    EXPECT_TRUE(deliveredAfter(eventRecord(9, 0, 4, 0, VrlChangedAttr::Periodic)).empty());
    EXPECT_TRUE(logged("DEBUG : Redundant change event, dropping"));
    EXPECT_TRUE(deliveredAfter(eventRecord(9, 0, 4, 0, VrlChangedAttr::Redundant)).empty());

    const auto forced = deliveredAfter(eventRecord(9, 0, 4, 0, VrlChangedAttr::Other, "Virtual disk 0 poked"));
    ASSERT_EQ(1u, forced.size());
    EXPECT_EQ(7u, intOf(forced[0], "aenType"));
    EXPECT_EQ(0u, intOf(forced[0], "externalError"));
    EXPECT_FALSE(has(forced[0], "changeList"));
    EXPECT_EQ("Virtual disk 0 poked", textOf(forced[0], "description"));
    EXPECT_TRUE(logged("DEBUG: no Cache update detected: forcing event as LDN"));

    // A property event for something not cached fails its refresh.
    EXPECT_TRUE(deliveredAfter(eventRecord(9, 0, 4, 6, VrlChangedAttr::Other)).empty());
    EXPECT_TRUE(logged("DEBUG: Volume not found"));
    EXPECT_TRUE(logged("ERROR[268435473]--refreshObjectInCache() Failed"));
}

TEST_F(EventTest, EventCodesWithoutCacheWorkAndTheirTexts) {
    EXPECT_TRUE(deliveredAfter(eventRecord(25, 0, 2, 0)).empty());
    EXPECT_TRUE(logged("Invalid AEN received -- AenSatus == 25"));
    EXPECT_TRUE(deliveredAfter(eventRecord(2, 0, 2, 0)).empty());
    EXPECT_TRUE(logged("Invalid CCN received"));

    auto delivered = deliveredAfter(eventRecord(14, 0, 2, 0));
    ASSERT_EQ(1u, delivered.size());
    EXPECT_EQ(14u, intOf(delivered[0], "aenType"));
    EXPECT_TRUE(logged("DEBUG_: IOA state change AEN received !!"));
    EXPECT_TRUE(logged("DEBUG__: Event <14> No Action required in cache"));

    delivered = deliveredAfter(eventRecord(6, 0, 3, 1, 0x1234));
    ASSERT_EQ(1u, delivered.size());
    EXPECT_EQ(0x34u, intOf(delivered[0], "externalError"));

    delivered = deliveredAfter(eventRecord(20, 0, 3, 1));
    ASSERT_EQ(1u, delivered.size());
    EXPECT_FALSE(has(delivered[0], "externalError"));

    // A description without a terminating zero is read within the record.
    VrlEventRecord record = eventRecord(14, 0, 2, 0);
    std::memset(record.description, 'D', sizeof record.description);
    delivered = deliveredAfter(record);
    ASSERT_EQ(1u, delivered.size());
    EXPECT_EQ(std::string(kVrlEventDescriptionSize, 'D'), textOf(delivered[0], "description"));
}

TEST_F(EventTest, ProgressEventsCarryTheirEntriesAndAreCut) {
    VrlEventRecord record = eventRecord(VrlEventCode::LrcProgress, 1, 2, 1, 2);
    record.lrcEntries[0] = VrlLrcEventEntry{5, 4, VrlLrcType::Rebuild, VrlLrcStatus::Running, 40};
    record.lrcEntries[1] = VrlLrcEventEntry{6, 3, VrlLrcType::Format, VrlLrcStatus::Completed, 100};
    auto delivered = deliveredAfter(record);
    ASSERT_EQ(1u, delivered.size());
    const PropertyContainer& e = delivered[0];
    EXPECT_TRUE(logged("Recieved LRC notification"));
    EXPECT_EQ(1u, intOf(e, "contrId", true));
    EXPECT_FALSE(has(e, "deviceId", true));
    EXPECT_EQ(12u, intOf(e, "aenType"));
    EXPECT_EQ(2u, intOf(e, "lrcCount"));
    // Each entry's fields reach the jobs, whose tests follow a rebuild the
    // library reports; here the entries stay in their order.
    EXPECT_EQ((VrlVector{5, 6}), vectorOf(e, "deviceId"));
    EXPECT_EQ((VrlVector{40, 100}), vectorOf(e, "progPercentage"));

    record.changedAttr = 40;  // more entries than the record holds
    delivered = deliveredAfter(record);
    ASSERT_EQ(1u, delivered.size());
    EXPECT_EQ(kVrlMaxLrcEntries, intOf(delivered[0], "lrcCount"));
    EXPECT_EQ(kVrlMaxLrcEntries, vectorOf(delivered[0], "deviceId").size());
    EXPECT_TRUE(logged("VRLib record: LRC event entry count 40 exceeds the 32 entries of the record, using 32"));
}

TEST_F(EventTest, TotalRefreshRestartsTheLibraryAndKeepsObservers) {
    setProperty(VRLSIM_VOLUME, 0, 0, "volumeName", "Quiet", false);
    sim.VrlSimClearCallLog();
    const auto delivered = deliveredAfter(eventRecord(15, 0, 2, 0));
    ASSERT_EQ(1u, delivered.size());
    EXPECT_TRUE(logged("DEBUG__: Event <15> Total Cache refresh required"));
    const auto log = calls();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(VrlOpcode::SHUTDOWN, log[0].opcode);
    EXPECT_EQ(VrlOpcode::INITIALIZE, log[1].opcode);
    EXPECT_EQ(VrlOpcode::GET_CONTR_LIST, log[2].opcode);
    EXPECT_EQ("Quiet", textOf(cached("volumes", 0, "vdIndex", 0), "volumeName"));

    // Still registered: the next event still arrives.
    EXPECT_EQ(1u, deliveredAfter(eventRecord(14, 0, 2, 0)).size());
}

TEST_F(EventTest, ObserversAreRegisteredWhileAnyIsAttached) {
    RecordingObserver a, b;
    sim.VrlSimClearCallLog();
    EXPECT_EQ(0x10000001u, facade.AttachObserver(nullptr));
    EXPECT_EQ(0x10000001u, facade.DetachObserver(nullptr));
    ASSERT_EQ(0u, facade.AttachObserver(&a));
    ASSERT_EQ(0u, facade.AttachObserver(&a));
    ASSERT_EQ(0u, facade.AttachObserver(&b));
    EXPECT_EQ(0u, facade.DetachObserver(&a));
    EXPECT_TRUE(callsOf(VrlOpcode::REGISTER_AEN).empty());  // the fixture's observer keeps it registered

    deliveredAfter(eventRecord(14, 0, 2, 0));
    EXPECT_EQ(1u, a.events().size());
    EXPECT_EQ(1u, b.events().size());
    facade.DetachObserver(&a);
    facade.DetachObserver(&b);
    facade.DetachObserver(&observer);
    attached.clear();
    EXPECT_EQ(1u, callsOf(VrlOpcode::UNREGISTER_AEN).size());

    ASSERT_EQ(0u, facade.AttachObserver(&a));
    attached.push_back(&a);
    const auto registrations = callsOf(VrlOpcode::REGISTER_AEN);
    ASSERT_EQ(1u, registrations.size());
    EXPECT_EQ(0u, registrations[0].u32(0));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&orv::raidlib::VrlEventManagerCbk), registrations[0].u64(8));

    // A failed registration leaves the list alone: the next attach registers.
    facade.DetachObserver(&a);
    attached.clear();
    sim.VrlSimFailOpcode(VrlOpcode::REGISTER_AEN, VRLSIM_ANY_CONTROLLER, 0x10000004, 1);
    EXPECT_EQ(0x10000002u, facade.AttachObserver(&b));
    EXPECT_EQ(0u, facade.AttachObserver(&b));
    attached.push_back(&b);
    deliveredAfter(eventRecord(14, 0, 2, 0));
    EXPECT_EQ(2u, b.events().size());
}

TEST_F(EventTest, ObserversRunWithoutTheFacadeMutex) {
    // Another thread reads the cache while the observer runs; were the
    // mutex held, that read would wait for the observer to return.
    std::atomic<int> answered{0};
    observer.setHook([&](const PropertyContainer&) {
        // Detached, so that a reader stuck behind a held mutex fails the
        // test instead of hanging it.
        auto result = std::make_shared<std::promise<size_t>>();
        std::future<size_t> answer = result->get_future();
        std::thread([this, result] {
            std::vector<PropertyContainer> volumes;
            facade.getStorageClass("volumes", volumes);
            result->set_value(volumes.size());
        }).detach();
        if (answer.wait_for(std::chrono::seconds(5)) == std::future_status::ready && answer.get() == 1u) ++answered;
    });
    setProperty(VRLSIM_VOLUME, 0, 0, "volumeName", "Seen", true);
    drain();
    observer.setHook(nullptr);
    EXPECT_GE(answered.load(), 1);

    // And an observer may call a volume-changing method on the event thread.
    std::atomic<uint32_t> status{1};
    observer.setHook([&](const PropertyContainer& e) {
        if (intOf(e, "aenType") != 14) return;
        PropertyContainer in = keysOf(0, "vdIndex", 0);
        in.insertInt("activate", 0);
        PropertyContainer out;
        status = facade.invokeMethod("activateVolume", in, out);
    });
    inject(eventRecord(14, 0, 2, 0));
    drain();
    observer.setHook(nullptr);
    EXPECT_EQ(0x1000000Eu, status.load());  // refused by the library: the boot volume
}

}  // namespace
}  // namespace raidtest
