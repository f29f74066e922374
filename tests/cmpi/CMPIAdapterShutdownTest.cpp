// The terminating clean-up while server threads are in requests and
// framework threads deliver indications: requests either complete or are
// refused, deliveries after the clean-up are refused, and no adapter comes
// back. Run under AddressSanitizer and ThreadSanitizer; the clean-up ends the
// adapter for the whole process, so this program holds this test alone.
#include "AdapterFixture.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace adaptertest {
namespace {

using scripted::script;

TEST_F(AdapterTest, CleanUpRacingRequestsAndDeliveriesEndsInOrder) {
    std::atomic<int> delivered{0};
    broker.setIndicationSink([&](const std::string&, const Instance&) { ++delivered; });
    {
        RequestScope& request = newRequest();
        CMPIStatus status = ok();
        adapter->EnableIndications(request.context(), mb, status);
        adapter->ActivateFilter(request.context(), broker.newSelectExp("SELECT * FROM CIM_AlertIndication", "WQL"),
                                "CIM_AlertIndication", pathOf("CIM_AlertIndication"), true, mb, status);
        ASSERT_EQ(status.rc, CMPI_RC_OK);
    }

    std::atomic<bool> stop{false};
    std::atomic<int> served{0};
    std::atomic<int> servedAfterRefusal{0};
    std::atomic<int> failedRequests{0};
    std::atomic<int> refusedDeliveries{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            bool refused = false;
            while (!stop) {
                RequestScope scope(broker, kNameSpace);
                CMPIObjectPath* path = broker.newObjectPath(ObjectPath{"", kNameSpace, "ORV_Battery", {}});
                const CMPIAdapter::Use use = CMPIAdapter::acquire();
                if (!use) {
                    refused = true;
                    continue;
                }
                if (refused) ++servedAfterRefusal;
                CMPIStatus status = ok();
                use->EnumInstanceNames(scope.context(), scope.result(), path, mb, status);
                if (status.rc == CMPI_RC_OK && scope.collected().doneCount == 1) {
                    ++served;
                } else {
                    ++failedRequests;
                }
            }
        });
    }
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            while (!stop) {
                if (!CMPIAdapter::DeliverIndication(alert())) ++refusedDeliveries;
            }
        });
    }

    while (served < 20 || delivered < 20) std::this_thread::yield();
    CMPIAdapter::destroy();
    const int servedAtCleanUp = served;
    while (refusedDeliveries < 20) std::this_thread::yield();
    stop = true;
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(failedRequests.load(), 0);
    EXPECT_EQ(servedAfterRefusal.load(), 0);
    EXPECT_EQ(served.load(), servedAtCleanUp) << "a request was served after the clean-up";
    EXPECT_EQ(script().destroyCalls, 1);
    EXPECT_EQ(CMPIAdapter::getInstance(), nullptr) << "no adapter is created after the clean-up";
    EXPECT_FALSE(CMPIAdapter::acquire());
    CMPIAdapter::destroy();  // a second clean-up finds nothing to do
    EXPECT_EQ(script().destroyCalls, 1);
}

}  // namespace
}  // namespace adaptertest
