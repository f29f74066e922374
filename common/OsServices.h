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

int OsGetInstallDir(char* buffer, size_t size);
int OsGetProductVersion(char* buffer, uint8_t size);
int OsGetHostName(char* buffer, size_t size);
int OsGetHostAddresses(OsHostAddresses* record);
int OsGetVersionString(char* buffer, uint8_t size);
int OsGetLocalTime(OsLocalTime* time);
unsigned long OsGetProcessId();
// Identifier of the calling thread (the kernel thread id on Linux).
unsigned long OsGetThreadId();
int OsSleepSeconds(unsigned int seconds);

OsHandle OsCreateMutex();
int OsWaitMutex(OsHandle mutex);
int OsReleaseMutex(OsHandle mutex);
int OsCloseMutex(OsHandle* mutex);

OsHandle OsCreateThread(OsThreadRoutine start, void* argument);
[[noreturn]] void OsExitThread();
void OsWaitForObject(OsHandle handle);

int OsCreateEvent(OsHandle* event);
int OsSetEvent(OsHandle event);
int OsWaitEvent(OsHandle event);
int OsCloseHandle(OsHandle* handle);
