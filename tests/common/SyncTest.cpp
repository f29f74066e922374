#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <pthread.h>
#include <thread>

#include "OsServices.h"

namespace {

using namespace std::chrono_literals;

// Long enough for a thread that is not blocked to have made progress.
constexpr auto kSettle = 100ms;

struct Probe {
    OsHandle handle = nullptr;
    std::atomic<int> passed{0};
    std::atomic<bool> afterExit{false};
    size_t stackSize = 0;
};

unsigned long WaitOnMutexOnce(void* raw) {
    auto* probe = static_cast<Probe*>(raw);
    OsWaitMutex(probe->handle);
    probe->passed = 1;
    OsReleaseMutex(probe->handle);
    return 0;
}

unsigned long WaitOnEventTwice(void* raw) {
    auto* probe = static_cast<Probe*>(raw);
    for (int i = 0; i < 2; ++i) {
        OsWaitEvent(probe->handle);
        ++probe->passed;
    }
    return 0;
}

unsigned long MeasureStackThenExit(void* raw) {
    auto* probe = static_cast<Probe*>(raw);
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        pthread_attr_getstacksize(&attributes, &probe->stackSize);
        pthread_attr_destroy(&attributes);
    }
    probe->passed = 1;
    OsExitThread();
    probe->afterExit = true;  // never reached
    return 0;
}

}  // namespace

TEST(MutexTest, OwnerMayTakeItAgainAndOthersWaitForTheLastRelease) {
    Probe probe;
    probe.handle = OsCreateMutex();
    ASSERT_NE(probe.handle, nullptr);
    ASSERT_EQ(OsWaitMutex(probe.handle), 0);
    ASSERT_EQ(OsWaitMutex(probe.handle), 0) << "recursive for the owner";

    OsHandle thread = OsCreateThread(WaitOnMutexOnce, &probe);
    ASSERT_NE(thread, nullptr);
    std::this_thread::sleep_for(kSettle);
    EXPECT_EQ(probe.passed, 0);
    ASSERT_EQ(OsReleaseMutex(probe.handle), 0);
    std::this_thread::sleep_for(kSettle);
    EXPECT_EQ(probe.passed, 0) << "still held once";
    ASSERT_EQ(OsReleaseMutex(probe.handle), 0);
    OsWaitForObject(thread);
    EXPECT_EQ(probe.passed, 1);

    EXPECT_EQ(OsReleaseMutex(probe.handle), 1) << "released once too often";
    ASSERT_EQ(OsWaitMutex(probe.handle), 0);
    int strayRelease = -1;
    std::thread([&] { strayRelease = OsReleaseMutex(probe.handle); }).join();
    EXPECT_EQ(strayRelease, 1) << "only the owner may release";
    EXPECT_EQ(OsReleaseMutex(probe.handle), 0);
    EXPECT_EQ(OsCloseHandle(&thread), 0);
    EXPECT_EQ(OsCloseMutex(&probe.handle), 0);
    EXPECT_EQ(probe.handle, nullptr);
}

TEST(EventTest, EachSetReleasesOneWaitAndSetsDoNotAccumulate) {
    Probe probe;
    ASSERT_EQ(OsCreateEvent(&probe.handle), 0);
    ASSERT_EQ(OsSetEvent(probe.handle), 0);
    ASSERT_EQ(OsSetEvent(probe.handle), 0);

    OsHandle thread = OsCreateThread(WaitOnEventTwice, &probe);
    ASSERT_NE(thread, nullptr);
    std::this_thread::sleep_for(kSettle);
    EXPECT_EQ(probe.passed, 1) << "two sets before the wait count once; the event reset itself";
    ASSERT_EQ(OsSetEvent(probe.handle), 0);
    OsWaitForObject(thread);
    EXPECT_EQ(probe.passed, 2);

    ASSERT_EQ(OsSetEvent(probe.handle), 0);
    OsWaitForObject(probe.handle);  // consumes the signal like OsWaitEvent
    OsHandle waiter = OsCreateThread(WaitOnEventTwice, &probe);
    ASSERT_NE(waiter, nullptr);
    std::this_thread::sleep_for(kSettle);
    EXPECT_EQ(probe.passed, 2);
    OsSetEvent(probe.handle);
    while (probe.passed < 3) std::this_thread::sleep_for(1ms);
    OsSetEvent(probe.handle);
    OsWaitForObject(waiter);
    EXPECT_EQ(probe.passed, 4);

    OsCloseHandle(&thread);
    OsCloseHandle(&waiter);
    EXPECT_EQ(OsCloseHandle(&probe.handle), 0);
}

// A null handle answers 3 where the mutex calls tell it apart, a handle of
// the other kind 1; closing leaves the variable of a handle it refused.
TEST(SyncTest, NullAndWrongHandlesAreRefused) {
    OsHandle none = nullptr;
    for (int answer : {OsWaitMutex(nullptr), OsReleaseMutex(nullptr), OsCloseMutex(nullptr), OsCloseMutex(&none)})
        EXPECT_EQ(answer, 3);
    for (int answer : {OsCreateEvent(nullptr), OsSetEvent(nullptr), OsWaitEvent(nullptr), OsCloseHandle(nullptr),
                       OsCloseHandle(&none)})
        EXPECT_EQ(answer, 1);

    OsHandle event = nullptr;
    ASSERT_EQ(OsCreateEvent(&event), 0);
    OsHandle mutex = OsCreateMutex();
    for (int answer : {OsWaitMutex(event), OsReleaseMutex(event), OsCloseMutex(&event), OsSetEvent(mutex),
                       OsWaitEvent(mutex)})
        EXPECT_EQ(answer, 1);
    EXPECT_NE(event, nullptr);
    EXPECT_EQ(OsCloseHandle(&event), 0);
    EXPECT_NE(event, nullptr) << "OsCloseHandle leaves the variable as it was";
    OsCloseMutex(&mutex);
}

TEST(ThreadTest, RunsTheRoutineWithItsArgumentOnTheGivenStack) {
    Probe probe;
    OsHandle thread = OsCreateThread(MeasureStackThenExit, &probe);
    ASSERT_NE(thread, nullptr);
    OsWaitForObject(thread);
    EXPECT_EQ(probe.passed, 1);
    EXPECT_FALSE(probe.afterExit) << "OsExitThread ends the thread at once";
    EXPECT_GE(probe.stackSize, 122880u);
    EXPECT_LT(probe.stackSize, 8u * 1024 * 1024) << "not the default stack";
    OsWaitForObject(thread);  // an ended thread stays ended
    EXPECT_EQ(OsCloseHandle(&thread), 0);
    EXPECT_EQ(OsCreateThread(nullptr, nullptr), nullptr);
}

TEST(ThreadTest, HandleMayBeClosedWhileTheThreadRuns) {
    Probe probe;
    probe.handle = OsCreateMutex();
    ASSERT_EQ(OsWaitMutex(probe.handle), 0);
    OsHandle thread = OsCreateThread(WaitOnMutexOnce, &probe);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(OsCloseHandle(&thread), 0);
    ASSERT_EQ(OsReleaseMutex(probe.handle), 0);
    while (probe.passed == 0) std::this_thread::sleep_for(1ms);
    OsWaitMutex(probe.handle);  // the thread has released it as well
    OsReleaseMutex(probe.handle);
    OsCloseMutex(&probe.handle);
}
