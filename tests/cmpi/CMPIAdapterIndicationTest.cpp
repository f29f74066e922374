// Indication delivery from framework threads: what enabling, disabling and
// filter activation make of a delivery, and deliveries from several threads
// while the server re-activates filters.
#include "AdapterFixture.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace adaptertest {
namespace {

class IndicationTest : public AdapterTest {
protected:
    void SetUp() override {
        AdapterTest::SetUp();
        broker.setIndicationSink([this](const std::string& nameSpace, const Instance& indication) {
            std::lock_guard lock(mutex);
            delivered.emplace_back(nameSpace, indication);
        });
    }

    void activate(const CMPIBroker* withBroker) {
        RequestScope& request = newRequest();
        CMPIStatus status = ok();
        CMPISelectExp* filter = broker.newSelectExp("SELECT * FROM CIM_AlertIndication", "WQL");
        adapter->ActivateFilter(request.context(), filter, "CIM_AlertIndication", pathOf("CIM_AlertIndication"),
                                true, withBroker, status);
        EXPECT_EQ(status.rc, CMPI_RC_OK);
    }

    void setEnabled(bool enable) {
        RequestScope& request = newRequest();
        CMPIStatus status = ok();
        if (enable) {
            adapter->EnableIndications(request.context(), mb, status);
        } else {
            adapter->DisableIndications(request.context(), mb, status);
        }
        EXPECT_EQ(status.rc, CMPI_RC_OK);
    }

    std::size_t deliveredCount() {
        std::lock_guard lock(mutex);
        return delivered.size();
    }

    std::mutex mutex;
    std::vector<std::pair<std::string, Instance>> delivered;
};

// One sequence, because the adapter keeps its indication state for the life
// of the process.
TEST_F(IndicationTest, DeliveryFollowsEnablementAndActivation) {
    LogWatch log;
    EXPECT_TRUE(CMPIAdapter::DeliverIndication(alert("before")));
    EXPECT_TRUE(log.contains("No subscription to service indications"));
    EXPECT_EQ(deliveredCount(), 0u);

    setEnabled(true);
    setEnabled(true);
    setEnabled(false);
    EXPECT_TRUE(CMPIAdapter::hasSubscription()) << "two enables outweigh one disable";
    EXPECT_TRUE(log.contains("CMPIAdapter::EnableIndications --> m_subscription = 1"));
    setEnabled(false);
    EXPECT_FALSE(CMPIAdapter::hasSubscription());
    setEnabled(true);

    // A server that cannot prepare thread contexts leaves the request's own.
    CMPIBrokerFT noThreads = *mb->bft;
    noThreads.prepareAttachThread = [](const CMPIBroker*, const CMPIContext*) -> CMPIContext* { return nullptr; };
    CMPIBroker withoutThreads = *mb;
    withoutThreads.bft = &noThreads;
    activate(&withoutThreads);
    EXPECT_FALSE(CMPIAdapter::DeliverIndication(alert("no thread context")));
    EXPECT_TRUE(log.contains("#***#Thread Context not equal to Original Context"));

    activate(mb);
    request.reset();  // the filter's request is over; deliveries come later
    CIMInstance unconvertible = alert("bad");
    unconvertible.addProperty(CIMProperty("When", CIMValue<std::string>({"soon"}, false, false), false, CIM_DATETIME));
    EXPECT_FALSE(CMPIAdapter::DeliverIndication(unconvertible));
    EXPECT_TRUE(log.contains("Failed to convert CMPI Instance to Framework Instance"));

    std::thread eventThread([] { EXPECT_TRUE(CMPIAdapter::DeliverIndication(alert("42"))); });
    eventThread.join();
    ASSERT_EQ(deliveredCount(), 1u);
    EXPECT_EQ(delivered[0].first, kNameSpace);
    EXPECT_EQ(delivered[0].second.path.className, "ORV_AlertIndication");
    EXPECT_EQ(*delivered[0].second.property("IndicationIdentifier"), Value::string("42"));

    setEnabled(false);
    EXPECT_TRUE(CMPIAdapter::DeliverIndication(alert("after")));
    EXPECT_EQ(deliveredCount(), 1u);
}

TEST_F(IndicationTest, ConcurrentDeliveriesWhileFiltersAreReactivated) {
    setEnabled(true);
    activate(mb);
    constexpr int kThreads = 4;
    constexpr int kPerThread = 25;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&failures, t] {
            for (int i = 0; i < kPerThread; ++i) {
                if (!CMPIAdapter::DeliverIndication(alert(std::to_string(t * 100 + i)))) ++failures;
            }
        });
    }
    for (int i = 0; i < 10; ++i) activate(mb);
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(deliveredCount(), static_cast<std::size_t>(kThreads * kPerThread));
    // A thread left attached keeps every object it made until the server ends.
    const ThreadFigures figures = broker.threadFigures();
    EXPECT_EQ(figures.attached, static_cast<std::size_t>(kThreads * kPerThread));
    EXPECT_EQ(figures.detached, figures.attached);
    // Eleven activations share one context prepared for the provider's life.
    EXPECT_EQ(figures.prepared, figures.attached + 1);
    setEnabled(false);
}

}  // namespace
}  // namespace adaptertest
