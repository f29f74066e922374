#include <atomic>
#include <thread>

#include "RaidLibFixture.h"

namespace raidtest {
namespace {

using ConcurrencyTest = RaidLibTest;

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
                PropertyContainer keys;
                keys.insertInt("contrId", 0, true);
                PropertyContainer controller;
                if (facade.getObjectInstance("IOAs", keys, controller) != 0) ++inconsistent;
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
            PropertyContainer request;
            request.insertInt("contrId", 1, true);
            request.insertInt("raidLevel", 1);
            request.insertInt("stripeSize", 64);
            request.insertInt("pdCount", 2);
            request.insertVector("compPdId", {0, 1});
            PropertyContainer out;
            if (facade.invokeMethod("createVolume", request, out) != 0) continue;
            PropertyContainer remove;
            remove.insertInt("contrId", 1, true);
            remove.insertInt("vdIndex", intOf(out, "vdIndex"), true);
            PropertyContainer ignored;
            facade.invokeMethod("deleteVolume", remove, ignored);
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
