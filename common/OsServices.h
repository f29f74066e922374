// Thin operating-system layer: installation directory and product version
// (from the registry file), host name and addresses, operating-system text,
// local time, and mutex/event/thread primitives. Every operation answers a
// small integer code (0 = success) and never throws.
#pragma once

#include <cstddef>
#include <cstdint>

// Opaque handle of a mutex, an event or a thread; nullptr means "none".
using OsHandle = void*;

// Host address record: a count, then eight zero-terminated dotted IPv4 texts
// of 18 bytes each (at most 16 characters); unused entries stay zero.
#pragma pack(push, 1)
struct OsHostAddresses {
    uint8_t count;
    char address[8][18];
};
#pragma pack(pop)
static_assert(sizeof(OsHostAddresses) == 1 + 8 * 18, "host address record layout");

// Local time record: eight 32-bit fields in this order.
struct OsLocalTime {
    int32_t milliseconds;
    int32_t seconds;
    int32_t minutes;
    int32_t hours;
    int32_t day;        // day of month
    int32_t dayOfWeek;  // 0 = Sunday
    int32_t month;      // 1 to 12
    int32_t year;
};

// Start routine of a thread made by OsCreateThread.
using OsThreadRoutine = unsigned long (*)(void* argument);

// Registry file: sections mirror the registry keys, e.g.
//   [SOFTWARE\ORV-Kestra]
//   Ambrix=/opt/orv-kestra
//   [SOFTWARE\ORV-Kestra\Ambrix]
//   ProductVersion=1.5.0
// Its path is ORV_KESTRA_REGISTRY when set, else kDefaultRegistryFile.
constexpr const char* kDefaultRegistryFile = "/etc/orv-kestra/registry.conf";
constexpr const char* kRegistryFileVariable = "ORV_KESTRA_REGISTRY";

// Installation directory ("Ambrix" under [SOFTWARE\ORV-Kestra]), without a
// trailing slash. 0, or 1 for a null or too small buffer, or a missing
// registry file, key or value.
int OsGetInstallDir(char* buffer, size_t size);
// Product version ("ProductVersion" under [SOFTWARE\ORV-Kestra\Ambrix]),
// cut to size - 1 characters. 0, or 1 for a null buffer, a zero size or a
// missing file, key or value.
int OsGetProductVersion(char* buffer, uint8_t size);
// 0, or 1 for a null buffer or a name that does not fit.
int OsGetHostName(char* buffer, size_t size);
// IPv4 addresses of the host name, at most eight; 1 (and an empty record)
// when the name cannot be read or resolved.
int OsGetHostAddresses(OsHostAddresses* record);
// "Linux <major>.<minor>.<patch> <distribution>", cut to size - 1
// characters; 1 for a null buffer, a zero size or a failed kernel query.
int OsGetVersionString(char* buffer, uint8_t size);
// 0, or 1 for a null record.
int OsGetLocalTime(OsLocalTime* time);
unsigned long OsGetProcessId();
// Identifier of the calling thread (the kernel thread id on Linux).
unsigned long OsGetThreadId();
int OsSleepSeconds(unsigned int seconds);

// Mutexes are recursive for the owning thread: each wait needs one release.
OsHandle OsCreateMutex();
// 3 for a null handle; 0 once acquired; 1 for a handle that is not a mutex.
int OsWaitMutex(OsHandle mutex);
// 3 for a null handle; 1 if the caller does not own it; else 0.
int OsReleaseMutex(OsHandle mutex);
// 3 for a null address or handle; 1 for a handle that is not a mutex; else
// 0 and the handle is set to nullptr.
int OsCloseMutex(OsHandle* mutex);

// Starts a detached thread running start(argument) and answers its handle
// (nullptr on failure). The handle only serves OsWaitForObject; release it
// with OsCloseHandle, which does not stop the thread.
OsHandle OsCreateThread(OsThreadRoutine start, void* argument);
// Ends the calling thread (made by OsCreateThread) with exit code 0.
[[noreturn]] void OsExitThread();
// Waits without time limit: for a thread until it ends, for an event until
// it is set (consuming the signal), for a mutex until it is acquired.
void OsWaitForObject(OsHandle handle);

// Events are auto-reset: one wait consumes one set, and sets do not count up.
int OsCreateEvent(OsHandle* event);
int OsSetEvent(OsHandle event);
int OsWaitEvent(OsHandle event);
// Releases a mutex, event or thread handle. 1 for a null address or handle,
// else 0; the caller's variable is left as it was.
int OsCloseHandle(OsHandle* handle);
