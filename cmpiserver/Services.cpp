// Operating-system and memory services of the broker.
#include "Objects.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <string>

namespace orv::cmpiserver::detail {

namespace {

constexpr int kVersion = CMPIVersion200;

// ---- Threads --------------------------------------------------------------

pthread_t threadOf(CMPI_THREAD_TYPE thread) {
    return static_cast<pthread_t>(reinterpret_cast<std::uintptr_t>(thread));
}

// Library names in the form the dynamic loader expects on Linux.
char* resolveFileName(const char* filename) {
    if (!filename) return nullptr;
    const std::string name = std::string("lib") + filename + ".so";
    char* out = static_cast<char*>(std::malloc(name.size() + 1));
    if (out) std::memcpy(out, name.c_str(), name.size() + 1);
    return out;
}

CMPI_THREAD_TYPE newThread(CMPI_THREAD_RETURN (*start)(void*), void* parm, int detached) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (detached) pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread{};
    const int rc = pthread_create(&thread, &attributes, start, parm);
    pthread_attr_destroy(&attributes);
    if (rc != 0) return nullptr;
    return reinterpret_cast<CMPI_THREAD_TYPE>(static_cast<std::uintptr_t>(thread));
}

int joinThread(CMPI_THREAD_TYPE thread, CMPI_THREAD_RETURN* retval) {
    return pthread_join(threadOf(thread), retval);
}

int exitThread(CMPI_THREAD_RETURN returnCode) { pthread_exit(returnCode); }

int cancelThread(CMPI_THREAD_TYPE thread) { return pthread_cancel(threadOf(thread)); }

int threadSleep(CMPIUint32 msec) {
    timespec wait{static_cast<time_t>(msec / 1000), static_cast<long>(msec % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
    return 0;
}

// The once flag is a plain int owned by the provider; a process-wide
// mutex makes the first caller run init and the others wait for it.
int threadOnce(int* once, void (*init)(void)) {
    static std::mutex onceMutex;
    if (!once || !init) return EINVAL;
    if (__atomic_load_n(once, __ATOMIC_ACQUIRE) != 0) return 0;
    std::lock_guard lock(onceMutex);
    if (__atomic_load_n(once, __ATOMIC_RELAXED) == 0) {
        init();
        __atomic_store_n(once, 1, __ATOMIC_RELEASE);
    }
    return 0;
}

int createThreadKey(CMPI_THREAD_KEY_TYPE* key, void (*cleanup)(void*)) {
    return pthread_key_create(key, cleanup);
}
int destroyThreadKey(CMPI_THREAD_KEY_TYPE key) { return pthread_key_delete(key); }
void* getThreadSpecific(CMPI_THREAD_KEY_TYPE key) { return pthread_getspecific(key); }
int setThreadSpecific(CMPI_THREAD_KEY_TYPE key, void* value) {
    return pthread_setspecific(key, value);
}

// Recursive, because providers written for other servers lock again from
// helpers that already hold the mutex.
CMPI_MUTEX_TYPE newMutex(int) {
    auto* mutex = new pthread_mutex_t;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    return mutex;
}

void destroyMutex(CMPI_MUTEX_TYPE mutex) {
    if (!mutex) return;
    pthread_mutex_destroy(static_cast<pthread_mutex_t*>(mutex));
    delete static_cast<pthread_mutex_t*>(mutex);
}

void lockMutex(CMPI_MUTEX_TYPE mutex) {
    if (mutex) pthread_mutex_lock(static_cast<pthread_mutex_t*>(mutex));
}

void unlockMutex(CMPI_MUTEX_TYPE mutex) {
    if (mutex) pthread_mutex_unlock(static_cast<pthread_mutex_t*>(mutex));
}

CMPI_COND_TYPE newCondition(int) {
    auto* condition = new pthread_cond_t;
    pthread_cond_init(condition, nullptr);
    return condition;
}

void destroyCondition(CMPI_COND_TYPE condition) {
    if (!condition) return;
    pthread_cond_destroy(static_cast<pthread_cond_t*>(condition));
    delete static_cast<pthread_cond_t*>(condition);
}

int condWait(CMPI_COND_TYPE condition, CMPI_MUTEX_TYPE mutex) {
    if (!condition || !mutex) return EINVAL;
    return pthread_cond_wait(static_cast<pthread_cond_t*>(condition),
                             static_cast<pthread_mutex_t*>(mutex));
}

// wait is an absolute time, as for pthread_cond_timedwait.
int timedCondWait(CMPI_COND_TYPE condition, CMPI_MUTEX_TYPE mutex, struct timespec* wait) {
    if (!condition || !mutex || !wait) return EINVAL;
    return pthread_cond_timedwait(static_cast<pthread_cond_t*>(condition),
                                  static_cast<pthread_mutex_t*>(mutex), wait);
}

int signalCondition(CMPI_COND_TYPE condition) {
    if (!condition) return EINVAL;
    return pthread_cond_signal(static_cast<pthread_cond_t*>(condition));
}

// ---- Memory ---------------------------------------------------------------

CMPIGcStat* mark(const CMPIBroker* mb, CMPIStatus* rc) {
    BrokerCore* core = coreOf(mb);
    if (!core) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return nullptr;
    }
    setStatus(rc, CMPI_RC_OK);
    return currentArena(*core).mark();
}

CMPIStatus release(const CMPIBroker* mb, const CMPIGcStat* gc) {
    if (!coreOf(mb)) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    if (!gc) return statusOf(CMPI_RC_ERR_INVALID_PARAMETER);
    auto* marker = static_cast<GcMark*>(const_cast<CMPIGcStat*>(gc));
    marker->arena->releaseSince(marker);
    return statusOf(CMPI_RC_OK);
}

void* cmpiMalloc(const CMPIBroker* mb, size_t size) {
    BrokerCore* core = coreOf(mb);
    return core ? currentArena(*core).allocate(size, false) : nullptr;
}

void* cmpiCalloc(const CMPIBroker* mb, size_t count, size_t size) {
    BrokerCore* core = coreOf(mb);
    if (!core || (size != 0 && count > SIZE_MAX / size)) return nullptr;
    return currentArena(*core).allocate(count * size, true);
}

void* cmpiRealloc(const CMPIBroker* mb, void* block, size_t size) {
    if (!block) return cmpiMalloc(mb, size);
    return coreOf(mb) ? Arena::reallocate(block, size) : nullptr;
}

char* cmpiStrDup(const CMPIBroker* mb, const char* text) {
    if (!text) return nullptr;
    const std::size_t length = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(cmpiMalloc(mb, length));
    if (copy) std::memcpy(copy, text, length);
    return copy;
}

void cmpiFree(const CMPIBroker*, void* block) {
    if (block) Arena::deallocate(block);
}

template <class T, class Face>
void freeObject(const CMPIBroker*, Face* face) {
    if (T* object = objectOf<T>(face)) releaseObject(object);
}

}  // namespace

CMPIBrokerExtFT extendedTable = {
    kVersion,        resolveFileName, newThread,         joinThread,
    exitThread,      cancelThread,    threadSleep,       threadOnce,
    createThreadKey, destroyThreadKey, getThreadSpecific, setThreadSpecific,
    newMutex,        destroyMutex,    lockMutex,         unlockMutex,
    newCondition,    destroyCondition, condWait,         timedCondWait,
    signalCondition,
};

CMPIBrokerMemFT memoryTable = {
    kVersion,
    mark,
    release,
    cmpiMalloc,
    cmpiCalloc,
    cmpiRealloc,
    cmpiStrDup,
    cmpiFree,
    freeObject<InstanceObject, CMPIInstance>,
    freeObject<ObjectPathObject, CMPIObjectPath>,
    freeObject<ArgsObject, CMPIArgs>,
    freeObject<StringObject, CMPIString>,
    freeObject<ArrayObject, CMPIArray>,
    freeObject<DateTimeObject, CMPIDateTime>,
    freeObject<SelectExpObject, CMPISelectExp>,
};

}  // namespace orv::cmpiserver::detail
