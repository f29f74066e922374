// Host facts: name, IPv4 addresses, operating-system text, clock, process
// and thread identifiers, sleeping.
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <netdb.h>
#include <netinet/in.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <thread>
#include <unistd.h>

#include "OsServices.h"
#include "OsServicesInternal.h"

namespace {

// Undoes the shell-style quoting that os-release allows around a value.
std::string Unquote(const std::string& value) {
    if (value.size() < 2) return value;
    const char quote = value.front();
    if ((quote != '"' && quote != '\'') || value.back() != quote) return value;
    std::string text;
    for (size_t i = 1; i + 1 < value.size(); ++i) {
        if (quote == '"' && value[i] == '\\' && i + 2 < value.size()) ++i;
        text += value[i];
    }
    return text;
}

std::string ReadOsRelease() {
    // The standard place first, then the vendor copy it usually links to.
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream file(path);
        if (!file) continue;
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    return {};
}

void CopyCut(const std::string& text, char* buffer, size_t size) {
    const size_t length = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

}  // namespace

namespace orv::os {

void CopyHostAddresses(const addrinfo* answer, OsHostAddresses* record) {
    std::memset(record, 0, sizeof *record);
    constexpr uint8_t kMaxAddresses = sizeof record->address / sizeof record->address[0];
    for (const addrinfo* entry = answer; entry != nullptr && record->count < kMaxAddresses;
         entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) continue;
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text) == nullptr) continue;
        bool seen = false;
        for (uint8_t i = 0; i < record->count && !seen; ++i) {
            seen = std::strcmp(record->address[i], text) == 0;
        }
        if (seen) continue;
        std::snprintf(record->address[record->count], sizeof record->address[0], "%s", text);
        ++record->count;
    }
}

std::string PrettyNameFromOsRelease(const std::string& osReleaseText) {
    std::istringstream lines(osReleaseText);
    const std::string prefix = "PRETTY_NAME=";
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0) return Unquote(line.substr(prefix.size()));
    }
    return {};
}

std::string FormatVersionString(const std::string& kernelRelease, const std::string& prettyName) {
    int major = 0;
    int minor = 0;
    int patch = 0;
    std::sscanf(kernelRelease.c_str(), "%d.%d.%d", &major, &minor, &patch);
    char numbers[48];
    std::snprintf(numbers, sizeof numbers, "%d.%d.%d ", major, minor, patch & 0xFFFF);
    return std::string("Linux ") + numbers + prettyName;
}

}  // namespace orv::os

int OsGetHostName(char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return 1;
    if (gethostname(buffer, size) != 0) return 1;
    // gethostname may leave a cut name unterminated.
    if (std::memchr(buffer, '\0', size) == nullptr) {
        buffer[size - 1] = '\0';
        return 1;
    }
    return 0;
}

int OsGetHostAddresses(OsHostAddresses* record) {
    if (record == nullptr) return 1;
    std::memset(record, 0, sizeof *record);
    char name[256] = {};
    if (OsGetHostName(name, sizeof name) != 0) return 1;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answer = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &answer) != 0) return 1;
    orv::os::CopyHostAddresses(answer, record);
    freeaddrinfo(answer);
    return 0;
}

int OsGetVersionString(char* buffer, uint8_t size) {
    if (buffer == nullptr || size == 0) return 1;
    utsname kernel{};
    if (uname(&kernel) != 0) return 1;
    try {
        const std::string text = orv::os::FormatVersionString(
            kernel.release, orv::os::PrettyNameFromOsRelease(ReadOsRelease()));
        CopyCut(text, buffer, size);
    } catch (...) {
        return 1;
    }
    return 0;
}

int OsGetLocalTime(OsLocalTime* time) {
    if (time == nullptr) return 1;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    time->milliseconds = static_cast<int32_t>(now.tv_nsec / 1000000);
    time->seconds = local.tm_sec;
    time->minutes = local.tm_min;
    time->hours = local.tm_hour;
    time->day = local.tm_mday;
    time->dayOfWeek = local.tm_wday;
    time->month = local.tm_mon + 1;
    time->year = local.tm_year + 1900;
    return 0;
}

unsigned long OsGetProcessId() { return static_cast<unsigned long>(getpid()); }

unsigned long OsGetThreadId() { return static_cast<unsigned long>(gettid()); }

int OsSleepSeconds(unsigned int seconds) {
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return 0;
}
