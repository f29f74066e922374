// Mutex, event and thread handles. Every handle points at an object that
// knows its own kind, so that one wait operation serves all three.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "OsServices.h"

namespace {

enum class Kind { Mutex, Event, Thread };

struct HandleObject {
    explicit HandleObject(Kind kind) : kind(kind) {}
    virtual ~HandleObject() = default;
    const Kind kind;
};

// Recursive, and strict about ownership: only the owning thread may
// release, so a stray release is reported instead of corrupting the lock.
class RecursiveMutex : public HandleObject {
public:
    RecursiveMutex() : HandleObject(Kind::Mutex) {}

    void acquire() {
        std::unique_lock<std::mutex> lock(guard_);
        const std::thread::id self = std::this_thread::get_id();
        if (depth_ > 0 && owner_ == self) {
            ++depth_;
            return;
        }
        free_.wait(lock, [this] { return depth_ == 0; });
        owner_ = self;
        depth_ = 1;
    }

    bool release() {
        std::lock_guard<std::mutex> lock(guard_);
        if (depth_ == 0 || owner_ != std::this_thread::get_id()) return false;
        if (--depth_ == 0) {
            owner_ = std::thread::id();
            // Notified under the lock: a woken waiter may close the handle.
            free_.notify_one();
        }
        return true;
    }

private:
    std::mutex guard_;
    std::condition_variable free_;
    std::thread::id owner_;
    unsigned long depth_ = 0;
};

class AutoResetEvent : public HandleObject {
public:
    AutoResetEvent() : HandleObject(Kind::Event) {}

    void set() {
        std::lock_guard<std::mutex> lock(guard_);
        signalled_ = true;
        raised_.notify_one();
    }

    void wait() {
        std::unique_lock<std::mutex> lock(guard_);
        raised_.wait(lock, [this] { return signalled_; });
        signalled_ = false;
    }

private:
    std::mutex guard_;
    std::condition_variable raised_;
    bool signalled_ = false;
};

// Shared by the handle and the running thread, so that either may go first.
struct ThreadState {
    OsThreadRoutine start = nullptr;
    void* argument = nullptr;
    std::mutex guard;
    std::condition_variable endedSignal;
    bool ended = false;
};

class ThreadHandle : public HandleObject {
public:
    explicit ThreadHandle(std::shared_ptr<ThreadState> state)
        : HandleObject(Kind::Thread), state_(std::move(state)) {}

    void waitUntilEnded() {
        std::unique_lock<std::mutex> lock(state_->guard);
        state_->endedSignal.wait(lock, [this] { return state_->ended; });
    }

private:
    std::shared_ptr<ThreadState> state_;
};

// Marks the thread ended when its routine returns and also when it leaves
// through OsExitThread, whose unwinding runs this destructor.
struct EndMarker {
    ThreadState& state;
    ~EndMarker() {
        std::lock_guard<std::mutex> lock(state.guard);
        state.ended = true;
        state.endedSignal.notify_all();
    }
};

void* RunThread(void* startInfo) {
    std::unique_ptr<std::shared_ptr<ThreadState>> owned(static_cast<std::shared_ptr<ThreadState>*>(startInfo));
    const std::shared_ptr<ThreadState> state = *owned;
    owned.reset();
    EndMarker marker{*state};
    state->start(state->argument);
    return nullptr;
}

constexpr size_t kThreadStackBytes = 122880;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr size_t kStackFactor = 4;  // instrumented frames are several times larger
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr size_t kStackFactor = 4;
#else
constexpr size_t kStackFactor = 1;
#endif
#else
constexpr size_t kStackFactor = 1;
#endif

size_t ThreadStackSize() {
    size_t size = kThreadStackBytes * kStackFactor;
    const long minimum = sysconf(_SC_THREAD_STACK_MIN);
    if (minimum > 0 && size < static_cast<size_t>(minimum)) size = static_cast<size_t>(minimum);
    return size;
}

template <typename Object>
Object* As(OsHandle handle, Kind kind) {
    auto* object = static_cast<HandleObject*>(handle);
    return object->kind == kind ? static_cast<Object*>(object) : nullptr;
}

}  // namespace

OsHandle OsCreateMutex() { return static_cast<HandleObject*>(new (std::nothrow) RecursiveMutex()); }

int OsWaitMutex(OsHandle mutex) {
    if (mutex == nullptr) return 3;
    RecursiveMutex* object = As<RecursiveMutex>(mutex, Kind::Mutex);
    if (object == nullptr) return 1;
    object->acquire();
    return 0;
}

int OsReleaseMutex(OsHandle mutex) {
    if (mutex == nullptr) return 3;
    RecursiveMutex* object = As<RecursiveMutex>(mutex, Kind::Mutex);
    return object != nullptr && object->release() ? 0 : 1;
}

int OsCloseMutex(OsHandle* mutex) {
    if (mutex == nullptr || *mutex == nullptr) return 3;
    RecursiveMutex* object = As<RecursiveMutex>(*mutex, Kind::Mutex);
    if (object == nullptr) return 1;
    delete object;
    *mutex = nullptr;
    return 0;
}

OsHandle OsCreateThread(OsThreadRoutine start, void* argument) {
    if (start == nullptr) return nullptr;
    try {
        auto state = std::make_shared<ThreadState>();
        state->start = start;
        state->argument = argument;
        auto handle = std::make_unique<ThreadHandle>(state);
        auto startInfo = std::make_unique<std::shared_ptr<ThreadState>>(state);

        pthread_attr_t attributes;
        if (pthread_attr_init(&attributes) != 0) return nullptr;
        pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
        pthread_attr_setstacksize(&attributes, ThreadStackSize());
        pthread_t thread;
        const int failed = pthread_create(&thread, &attributes, RunThread, startInfo.get());
        pthread_attr_destroy(&attributes);
        if (failed != 0) return nullptr;
        startInfo.release();  // now owned by the thread
        return static_cast<HandleObject*>(handle.release());
    } catch (...) {
        return nullptr;
    }
}

void OsExitThread() { pthread_exit(nullptr); }

void OsWaitForObject(OsHandle handle) {
    if (handle == nullptr) return;
    auto* object = static_cast<HandleObject*>(handle);
    switch (object->kind) {
        case Kind::Mutex: static_cast<RecursiveMutex*>(object)->acquire(); break;
        case Kind::Event: static_cast<AutoResetEvent*>(object)->wait(); break;
        case Kind::Thread: static_cast<ThreadHandle*>(object)->waitUntilEnded(); break;
    }
}

int OsCreateEvent(OsHandle* event) {
    if (event == nullptr) return 1;
    auto* object = new (std::nothrow) AutoResetEvent();
    if (object == nullptr) return 1;
    *event = static_cast<HandleObject*>(object);
    return 0;
}

int OsSetEvent(OsHandle event) {
    if (event == nullptr) return 1;
    AutoResetEvent* object = As<AutoResetEvent>(event, Kind::Event);
    if (object == nullptr) return 1;
    object->set();
    return 0;
}

int OsWaitEvent(OsHandle event) {
    if (event == nullptr) return 1;
    AutoResetEvent* object = As<AutoResetEvent>(event, Kind::Event);
    if (object == nullptr) return 1;
    object->wait();
    return 0;
}

int OsCloseHandle(OsHandle* handle) {
    if (handle == nullptr || *handle == nullptr) return 1;
    delete static_cast<HandleObject*>(*handle);
    return 0;
}
