#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <random>
#include <thread>

#include "RaidLibFixture.h"

namespace raidtest {
namespace {

using ConcurrencyTest = RaidLibTest;

// Ends the process when a test hangs: a deadlock fails instead of blocking
// the run.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (done_.wait_for(lock, limit, [this] { return finished_; })) return;
              std::fprintf(stderr, "watchdog: no progress for %lld s, deadlock\n", static_cast<long long>(limit.count()));
              std::abort();
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

// Blocks inside Update until opened; tells when a delivery has arrived.
class GateObserver : public orv::raidlib::EventObserver {
public:
    void Update(PropertyContainer) override {
        std::unique_lock<std::mutex> lock(mutex_);
        ++entered_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    void waitEntered() {
        std::unique_lock<std::mutex> lock(mutex_);
        ASSERT_TRUE(changed_.wait_for(lock, std::chrono::seconds(10), [this] { return entered_ > 0; }));
    }
    void open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int entered_ = 0;
    bool open_ = false;
};

// Stay here while the library's thread is inside Update: an observer behind
// it is detached (and hears nothing more), then the last one is detached and
// another attached. The event brings two containers (the controller's and
// the volume that lost its boot flag), so delivery needs the list again
// after the first Update.
TEST_F(ConcurrencyTest, DetachAndAttachDuringADeliveryFinish) {
    Watchdog watchdog(std::chrono::seconds(60));
    ASSERT_EQ(0u, start());
    GateObserver gate;
    RecordingObserver behind, late;
    ASSERT_EQ(0u, facade.AttachObserver(&gate));
    ASSERT_EQ(0u, facade.AttachObserver(&behind));
    setProperty(VRLSIM_CONTROLLER, 0, 0, "bootVolumeId", "255", true);
    gate.waitEntered();
    EXPECT_EQ(0u, facade.DetachObserver(&behind));

    auto detached = std::async(std::launch::async, [&] { return facade.DetachObserver(&gate); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto attachedLate = std::async(std::launch::async, [&] { return facade.AttachObserver(&late); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The gate is still in Update: its detach may not have returned.
    EXPECT_EQ(std::future_status::timeout, detached.wait_for(std::chrono::milliseconds(0)));
    gate.open();
    EXPECT_EQ(0u, detached.get());
    EXPECT_EQ(0u, attachedLate.get());
    drain();
    EXPECT_TRUE(behind.events().empty());

    // Still registered for the observer attached meanwhile.
    late.clear();
    inject(eventRecord(14, 0, 2, 0));
    drain();
    EXPECT_EQ(1u, late.events().size());
    facade.DetachObserver(&late);
}

// The last detach is unregistering (held in the library) when another
// observer attaches: the new observer must not lose the registration.
TEST_F(ConcurrencyTest, AttachDuringTheLastDetachKeepsTheRegistration) {
    Watchdog watchdog(std::chrono::seconds(60));
    ASSERT_EQ(0u, start());
    RecordingObserver first, second;
    ASSERT_EQ(0u, facade.AttachObserver(&first));
    sim.VrlSimHoldOpcode(VrlOpcode::UNREGISTER_AEN, 1);
    std::thread detacher([&] { facade.DetachObserver(&first); });
    for (int i = 0; i < 500 && sim.VrlSimHeldCalls() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(1u, sim.VrlSimHeldCalls());
    std::thread attacher([&] { EXPECT_EQ(0u, facade.AttachObserver(&second)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sim.VrlSimHoldOpcode(VrlOpcode::UNREGISTER_AEN, 0);
    detacher.join();
    attacher.join();

    inject(eventRecord(14, 0, 2, 0));
    drain();
    EXPECT_EQ(1u, second.events().size());
    EXPECT_TRUE(first.events().empty());
    facade.DetachObserver(&second);
}

// Observers come and go, events arrive and the facade stops and starts,
// all at once, over and over. Each observer lives on the heap and is freed
// as soon as its detach returns, so a late Update shows under the
// sanitizers; the observer also checks that it was not yet detached.
TEST_F(ConcurrencyTest, AttachDetachDeliveryAndTerminateRace) {
    Watchdog watchdog(std::chrono::seconds(600));
    installLibrary(twoControllerTopology());
    struct Counted : orv::raidlib::EventObserver {
        std::atomic<bool> detached{false};
        std::atomic<int>* late = nullptr;
        void Update(PropertyContainer) override {
            if (detached) ++*late;
        }
    };
    std::atomic<int> late{0};
    for (int round = 0; round < 200; ++round) {
        ASSERT_EQ(0u, facade.initialize("SMIS"));
        std::atomic<bool> stop{false};
        auto churn = [&](unsigned seed) {
            std::mt19937 random(seed);
            while (!stop) {
                auto* observer = new Counted;
                observer->late = &late;
                const bool registered = facade.AttachObserver(observer) == 0;
                if (random() % 2) std::this_thread::yield();
                if (registered) facade.DetachObserver(observer);
                observer->detached = true;
                delete observer;
            }
        };
        std::thread a(churn, round * 2 + 1), b(churn, round * 2 + 2);
        std::thread events([&] {
            for (int i = 0; i < 5; ++i) {
                VrlEventRecord record = eventRecord(14, 0, 2, 0);
                sim.VrlSimInjectEvent(&record, sizeof record);
                sim.VrlSimSetProperty(VRLSIM_CONTROLLER, 0, 0, "bootVolumeId", i % 2 ? "0" : "255", 1);
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
        facade.terminate();
        stop = true;
        a.join();
        b.join();
        events.join();
    }
    EXPECT_EQ(0, late.load());

    // The registration still follows the list.
    ASSERT_EQ(0u, facade.initialize("SMIS"));
    RecordingObserver observer;
    attach(observer);
    inject(eventRecord(14, 0, 2, 0));
    drain();
    EXPECT_EQ(1u, observer.events().size());
    facade.DetachObserver(&observer);
    attached.clear();
}

// Request threads read the cache while the library's thread delivers a
// stream of events and another thread creates and deletes volumes.
TEST_F(ConcurrencyTest, ReadersEventsAndConfigurationMethodsShareTheCache) {
    ASSERT_EQ(0u, start());
    RecordingObserver observer;
    attach(observer);
    std::atomic<bool> stop{false};
    std::atomic<long> reads{0};
    std::atomic<int> inconsistent{0};

    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&] {
            while (!stop) {
                std::vector<PropertyContainer> disks;
                facade.getStorageClass("physicalDisks", disks);
                // Every controller keeps its disks: a fill is never seen half done.
                size_t first = 0;
                for (const PropertyContainer& d : disks) first += intOf(d, "contrId", true) == 0 ? 1 : 0;
                if (first != 5) ++inconsistent;
                PropertyContainer controller;
                if (facade.getObjectInstance("IOAs", keysOf(0), controller) != 0) ++inconsistent;
                std::vector<std::string> names;
                facade.getStorageClassNames(names);
                ++reads;
            }
        });
    }

    std::thread events([&] {
        for (int i = 0; i < 150 && !stop; ++i) {
            const std::string name = "Name" + std::to_string(i);
            sim.VrlSimSetProperty(VRLSIM_VOLUME, 0, 0, "volumeName", name.c_str(), 1);
            sim.VrlSimSetProperty(VRLSIM_DISK, 0, 4, "PFAErrorCount", std::to_string(i % 7).c_str(), 1);
            if (i % 25 == 0) {
                VrlEventRecord refresh;
                std::memset(&refresh, 0, sizeof refresh);
                refresh.contrId = 0;
                refresh.eventCode = VrlEventCode::NotificationLost;
                sim.VrlSimInjectEvent(&refresh, sizeof refresh);
            }
        }
    });

    std::thread configurator([&] {
        for (int i = 0; i < 20; ++i) {
            PropertyContainer out;
            if (facade.invokeMethod("createVolume", volumeRequest(1, 1, {0, 1}), out) != 0) continue;
            PropertyContainer ignored;
            facade.invokeMethod("deleteVolume", keysOf(1, "vdIndex", intOf(out, "vdIndex")), ignored);
        }
    });

    configurator.join();
    events.join();
    drain(60000);  // sanitizer builds deliver the backlog slowly
    stop = true;
    for (auto& reader : readers) reader.join();

    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(0, inconsistent.load());
    EXPECT_TRUE(objectsOf("volumes", 1).empty());
    EXPECT_EQ("Name149", textOf(cached("volumes", 0, "vdIndex", 0), "volumeName"));
    EXPECT_FALSE(observer.events().empty());
}

}  // namespace
}  // namespace raidtest
