#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "FrameworkTestSupport.h"
#include "TestPlugins.h"

namespace orv::test {
namespace {

const std::vector<Widget> kControllers = {{"Ctrl_0", 0}, {"Ctrl_1", 1}};
const std::vector<Widget> kDisks = {{"0_1", 1}, {"1_2", 2}, {"1_3", 3}};

const PluginCatalogue& concurrencyCatalogue() {
    static const PluginCatalogue catalogue{
        {
            {"Test_Controller", [] { return makePluginOf<WidgetPlugin>(kControllers); }},
            {"Test_Disk", [] { return makePluginOf<WidgetPlugin>(kDisks); }},
            {"Test_ControllerDisk",
             [] {
                 return makePluginOf<NumberedPairs>(AssociationEnd{"Test_Controller", "GroupComponent"},
                                                    AssociationEnd{"Test_Disk", "PartComponent"});
             }},
        },
        {},
    };
    return catalogue;
}

constexpr int kThreads = 8;

class FrameworkConcurrencyTest : public FrameworkTest {};

TEST_F(FrameworkConcurrencyTest, ThreadsRacingForTheFacadeShareOne) {
    std::atomic<bool> go{false};
    std::vector<FrameworkFacade*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int index = 0; index < kThreads; ++index) {
        threads.emplace_back([&, index] {
            while (!go.load()) std::this_thread::yield();
            seen[index] = FrameworkFacade::getInstance();
        });
    }
    go = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(std::set<FrameworkFacade*>(seen.begin(), seen.end()).size(), 1u);
    EXPECT_NE(seen.front(), nullptr);
}

TEST_F(FrameworkConcurrencyTest, ConcurrentRequestsSeeTheSameAnswers) {
    ASSERT_TRUE(startFramework(concurrencyCatalogue(), 0));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int index = 0; index < kThreads; ++index) {
        threads.emplace_back([&] {
            for (int round = 0; round < 20; ++round) {
                CIMInstanceList associations;
                facade->enumerateInstances(CIMObjectPath("h", "root/test", "Test_ControllerDisk"), associations);
                CIMInstanceList disks;
                CIMObjectPath controller("h", "root/test", "Test_Controller");
                controller.addKeyBinding(stringKey("Id", "Ctrl_1"));
                facade->associators(controller, "Test_ControllerDisk", disks, "", "", "");
                if (associations.size() != 3 || disks.size() != 2) ++wrong;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace orv::test
