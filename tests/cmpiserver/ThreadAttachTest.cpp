// Threads: a provider's own thread attaching to the broker and delivering
// indications, concurrent requests, and the thread services of the broker.
#include "Broker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace orv::cmpiserver;

namespace {

constexpr const char* kNameSpace = "root/orv/Ambrix/smi_14";

// What reaches the sink from an attached thread is the adapter's indication
// tests' to check, with the real adapter; here the broker's own account.
TEST(ThreadAttachTest, ForeignThreadKeepsTheRequestsContextAndFreesItOnDetach) {
    Broker broker;
    const CMPIBroker* mb = broker.cmpi();
    broker.setIndicationSink([](const std::string&, const Instance&) {});

    // As an indication provider does on activateFilter: keep a prepared
    // context beyond the request.
    CMPIContext* threadContext = nullptr;
    {
        RequestScope request(broker, "root/PG_InterOp", "admin");
        threadContext = mb->bft->prepareAttachThread(mb, request.context());
        ASSERT_NE(threadContext, nullptr);
    }

    std::string principal;
    std::thread eventThread([&] {
        ASSERT_EQ(mb->bft->attachThread(mb, threadContext).rc, CMPI_RC_OK);
        CMPIObjectPath* path = mb->eft->newObjectPath(mb, kNameSpace, "ORV_AlertIndication", nullptr);
        CMPIInstance* indication = mb->eft->newInstance(mb, path, nullptr);
        EXPECT_EQ(mb->bft->deliverIndication(mb, threadContext, kNameSpace, indication).rc, CMPI_RC_OK);
        CMPIData entry = threadContext->ft->getEntry(threadContext, CMPIPrincipal, nullptr);
        principal = entry.value.string->ft->getCharPtr(entry.value.string, nullptr);
    });
    eventThread.join();
    EXPECT_EQ(principal, "admin");
    ThreadFigures figures = broker.threadFigures();
    EXPECT_EQ(figures.prepared, 1u);
    EXPECT_EQ(figures.indicationsDelivered, 1u);

    // Detaching the last attachment frees the context and what the thread made.
    EXPECT_EQ(mb->bft->detachThread(mb, threadContext).rc, CMPI_RC_OK);
    EXPECT_EQ(broker.threadFigures().detached, 1u);
    EXPECT_EQ(broker.longLivedObjectCount(), 0u);
}

TEST(ThreadAttachTest, DeliveryChecksItsArgumentsAndCountsDropsWithoutSink) {
    Broker broker;
    const CMPIBroker* mb = broker.cmpi();
    RequestScope request(broker, kNameSpace);
    CMPIInstance* indication = broker.newInstance(Instance{{"", kNameSpace, "ORV_Alert", {}}, {}});
    EXPECT_EQ(mb->bft->deliverIndication(mb, nullptr, kNameSpace, indication).rc,
              CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(mb->bft->deliverIndication(mb, request.context(), kNameSpace, nullptr).rc,
              CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(mb->bft->deliverIndication(mb, request.context(), nullptr, indication).rc,
              CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(mb->bft->deliverIndication(mb, request.context(), kNameSpace, indication).rc, CMPI_RC_OK);
    EXPECT_EQ(broker.threadFigures().indicationsDropped, 1u);
    EXPECT_EQ(mb->bft->attachThread(mb, nullptr).rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(mb->bft->prepareAttachThread(nullptr, request.context()), nullptr);
}

TEST(ThreadAttachTest, ConcurrentRequestsKeepTheirOwnObjectsAndResults) {
    Broker broker;
    const CMPIBroker* mb = broker.cmpi();
    broker.classHierarchy().addClass("CIM_ManagedElement");
    broker.classHierarchy().addClass("ORV_StorageVolume", "CIM_ManagedElement");
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                RequestScope request(broker, kNameSpace, "user" + std::to_string(t));
                CMPIObjectPath* path =
                    mb->eft->newObjectPath(mb, kNameSpace, "ORV_StorageVolume", nullptr);
                CMPIValue value;
                value.sint32 = t * 1000 + round;
                path->ft->addKey(path, "Id", &value, CMPI_sint32);
                CMPIInstance* instance = mb->eft->newInstance(mb, path, nullptr);
                instance->ft->setProperty(instance, "Id", &value, CMPI_sint32);
                if (!mb->eft->classPathIsA(mb, path, "CIM_ManagedElement", nullptr)) ++failures;
                request.result()->ft->returnInstance(request.result(), instance);
                request.result()->ft->returnDone(request.result());
                const CollectedResult result = request.collected();
                if (result.instances.size() != 1 ||
                    *result.instances[0].property("Id") !=
                        Value::signedInteger(CMPI_sint32, t * 1000 + round))
                    ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(broker.longLivedObjectCount(), 0u);
}

struct Handoff {
    const CMPIBroker* mb;
    CMPI_MUTEX_TYPE mutex;
    CMPI_COND_TYPE condition;
    bool ready = false;
};

void* signalReady(void* parm) {
    auto* handoff = static_cast<Handoff*>(parm);
    handoff->mb->xft->lockMutex(handoff->mutex);
    handoff->ready = true;
    handoff->mb->xft->signalCondition(handoff->condition);
    handoff->mb->xft->unlockMutex(handoff->mutex);
    return handoff;
}

int onceCalls = 0;
void countOnce() { ++onceCalls; }

TEST(ThreadAttachTest, BrokerThreadServicesStartJoinAndSignal) {
    Broker broker;
    const CMPIBroker* mb = broker.cmpi();
    Handoff handoff{mb, mb->xft->newMutex(0), mb->xft->newCondition(0)};

    CMPI_THREAD_TYPE thread = mb->xft->newThread(signalReady, &handoff, 0);
    ASSERT_NE(thread, nullptr);
    mb->xft->lockMutex(handoff.mutex);
    while (!handoff.ready) mb->xft->condWait(handoff.condition, handoff.mutex);
    mb->xft->unlockMutex(handoff.mutex);
    void* returned = nullptr;
    EXPECT_EQ(mb->xft->joinThread(thread, &returned), 0);
    EXPECT_EQ(returned, &handoff);

    int once = 0;
    std::vector<std::thread> racers;
    for (int i = 0; i < 4; ++i) racers.emplace_back([&] { mb->xft->threadOnce(&once, countOnce); });
    for (auto& racer : racers) racer.join();
    EXPECT_EQ(onceCalls, 1);

    mb->xft->destroyCondition(handoff.condition);
    mb->xft->destroyMutex(handoff.mutex);
}

}  // namespace
