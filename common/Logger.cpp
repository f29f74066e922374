// The provider's text log. Every entry opens the file, checks its size,
// rotates it when it has grown too large, writes one line and closes it
// again (an entry below the level in append mode only checks the size),
// all under one recursive mutex, so that concurrent writers never
// interleave within a line and an external tool may move or delete the file
// at any time. The mutex lives as long as the library: stopping the logger
// while another thread still writes must not pull the lock from under it.
#include "Logger.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unistd.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

#include "OsServices.h"

namespace {

// Every message, composed line and configuration line fits in this many
// bytes with its terminator; longer text is cut.
constexpr size_t kTextBytes = 512;
constexpr int kMaxListedLevels = 6;
constexpr int kComponentWidth = 10;
constexpr int kTraceLevel = 4;

struct LogConfig {
    std::string logPath;
    std::string component;
    int enabled = 0;  // 1 on, 0 off, -1 neither "ON" nor "OFF" (off)
    int levelThreshold = 0;
    int levels[kMaxListedLevels] = {};
    int maxSizeMB = 0;
    int levelCount = 0;
    int appendMode = 0;  // 1 for "OVER_WRITE"
};

// Static, so that it exists before the first call and is never freed while
// a writer may still be waiting on it.
std::recursive_mutex gMutex;
LogConfig* gConfig = nullptr;  // guarded by gMutex
bool gStarted = false;         // guarded by gMutex
// A start was tried since the last stop; a stop without one answers 1, as
// it did when stopping closed the lock and a second stop found none.
bool gStartTried = false;  // guarded by gMutex

// --- configuration file ---------------------------------------------------

// Pieces of text between separators; empty pieces do not count, so
// "Level=" has a single piece and therefore no value.
std::vector<std::string> Pieces(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

int DecimalNumber(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Reads one line without its line feed. Over-long lines keep their first
// 511 characters and the rest is skipped. A carriage return before the line
// feed is dropped, as text-mode reading on the original platform did.
std::string ReadConfigLine(FILE* file) {
    std::string line;
    for (int c = std::fgetc(file); c != EOF && c != '\n'; c = std::fgetc(file)) {
        if (line.size() < kTextBytes - 1) line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// Applies configuration line `number` (1 to 5); false when the line lacks
// a value it cannot do without.
bool ApplyConfigLine(int number, const std::string& line, LogConfig& config) {
    const std::vector<std::string> pieces = Pieces(line, '=');
    const bool hasValue = pieces.size() >= 2;
    const std::string value = hasValue ? pieces.back() : std::string();
    switch (number) {
        case 1:
            if (!hasValue) return false;
            config.enabled = value == "ON" ? 1 : value == "OFF" ? 0 : -1;
            return true;
        case 2:
            config.levelThreshold = hasValue ? DecimalNumber(value) : 0;
            return true;
        case 3:
            config.levelCount = 0;
            if (hasValue) {
                // Levels past the sixth are ignored.
                for (const std::string& level : Pieces(value, ',')) {
                    if (config.levelCount == kMaxListedLevels) break;
                    config.levels[config.levelCount++] = DecimalNumber(level);
                }
            }
            return true;
        case 4:
            if (!hasValue) return false;
            config.maxSizeMB = DecimalNumber(value);
            return true;
        case 5:
            if (!hasValue) return false;
            config.appendMode = value == "OVER_WRITE" ? 1 : 0;
            return true;
        default:
            return true;
    }
}

bool ReadConfiguration(const std::string& path, LogConfig& config) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return false;
    bool valid = true;
    for (int number = 1; number <= 5 && valid; ++number) {
        valid = ApplyConfigLine(number, ReadConfigLine(file), config);
    }
    std::fclose(file);
    return valid;
}

// --- writing --------------------------------------------------------------

bool Passes(const LogConfig& config, int level) {
    if (config.levelCount > 0) {
        for (int i = 0; i < config.levelCount; ++i) {
            if (config.levels[i] == level) return true;
        }
        return false;
    }
    return config.levelThreshold < 1 || level <= config.levelThreshold;
}

// Size of the log file in bytes, or -1 when it cannot be opened.
long CurrentSize(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return -1;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    return size < 0 ? 0 : size;
}

std::string RotatedName(const std::string& logPath) {
    OsLocalTime now{};
    OsGetLocalTime(&now);
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "_%d_%d_%d %d.%d.%d.log", now.month, now.day, now.year,
                  now.hours, now.minutes, now.seconds);
    return logPath.substr(0, logPath.size() - 4) + stamp;
}

// Never replaces an earlier rotated file: a second rotation within the same
// second fails, and the entry goes to the current file instead.
void RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return;
    if (access(to.c_str(), F_OK) != 0) std::rename(from.c_str(), to.c_str());
}

bool DueForRotation(const LogConfig& config, long sizeBytes) {
    const long long kilobytes = (static_cast<long long>(sizeBytes) + 1023) / 1024;
    return kilobytes > static_cast<long long>(config.maxSizeMB) * 1024;
}

// A levelled entry below the level, in append mode, on a file not due for
// rotation: opening the file for it would change nothing, so nothing is
// formatted or opened. A server in service filters most entries, and
// requests make many.
bool RejectedWithoutEffect(const LogConfig& config, int level) {
    if (config.appendMode != 1 || Passes(config, level)) return false;
    struct stat file {};
    if (stat(config.logPath.c_str(), &file) != 0) return true;  // no file: the entry fails as well
    return !DueForRotation(config, static_cast<long>(file.st_size));
}

FILE* OpenForEntry(const LogConfig& config, long sizeBytes) {
    if (DueForRotation(config, sizeBytes)) {
        RenameWithoutReplacing(config.logPath, RotatedName(config.logPath));
        return std::fopen(config.logPath.c_str(), "a");
    }
    // Without "OVER_WRITE" the file is emptied for every entry.
    return std::fopen(config.logPath.c_str(), config.appendMode == 1 ? "a" : "w");
}

bool WriteLine(FILE* file, const LogConfig& config, const char* message) {
    OsLocalTime now{};
    OsGetLocalTime(&now);
    const int dashes = config.component.size() < static_cast<size_t>(kComponentWidth)
                           ? kComponentWidth - static_cast<int>(config.component.size())
                           : 0;
    char line[kTextBytes];
    const int composed = std::snprintf(line, sizeof line, "%d/%d/%d  %d:%d:%d[%s%.*s%04d]  %s",
                                       now.month, now.day, now.year, now.hours, now.minutes,
                                       now.seconds, config.component.c_str(), dashes, "----------",
                                       static_cast<int>(OsGetThreadId()), message);
    if (composed < 0) return false;
    // The terminator's place takes the line feed of a line cut at 511.
    const size_t length = static_cast<size_t>(composed) < sizeof line ? composed : sizeof line - 1;
    line[length] = '\n';
    return std::fwrite(line, 1, length + 1, file) == length + 1;
}

// The steps shared by trace and levelled entries. A trace line is filtered
// before the file is touched; a levelled line only after the file was
// opened, so that a rejected entry still empties a file not kept by
// "OVER_WRITE". `makeMessage` runs under the lock.
template <typename MakeMessage>
int WriteEntry(int level, bool isTrace, MakeMessage makeMessage) {
    std::lock_guard lock(gMutex);
    if (!gStarted || gConfig->enabled != 1) return 1;
    const LogConfig& config = *gConfig;
    if (!isTrace && RejectedWithoutEffect(config, level)) return 1;
    try {
        char formatted[kTextBytes];
        const char* message = makeMessage(formatted, sizeof formatted);
        if (isTrace && !Passes(config, kTraceLevel)) return 0;
        const long size = CurrentSize(config.logPath);
        if (size < 0) return 1;  // deleted while running: logging stops
        FILE* file = OpenForEntry(config, size);
        if (file == nullptr) return 1;
        if (!isTrace && !Passes(config, level)) {
            std::fclose(file);
            return 1;
        }
        const bool written = WriteLine(file, config, message);
        return std::fclose(file) == 0 && written ? 0 : 1;
    } catch (...) {
        return 1;  // out of memory: the entry is dropped
    }
}

}  // namespace

int LogInitialize(const char* name, const char* fileName) {
    std::lock_guard lock(gMutex);
    gStartTried = true;
    if (gStarted) return 0;
    if (name == nullptr) return 3;
    std::unique_ptr<LogConfig> config(new (std::nothrow) LogConfig);
    if (!config) return 2;
    try {
        char directory[kTextBytes];
        if (OsGetInstallDir(directory, sizeof directory) != 0) return 3;
        const std::string base = fileName != nullptr ? fileName : name;
        config->component = name;
        config->logPath = std::string(directory) + "/log/OrvLog" + base + ".log";
        FILE* log = std::fopen(config->logPath.c_str(), "a");
        if (log == nullptr) return 1;
        std::fclose(log);
        if (!ReadConfiguration(std::string(directory) + "/conf/OrvConf" + base + ".txt", *config)) {
            return 1;
        }
    } catch (const std::bad_alloc&) {
        return 2;
    }
    gConfig = config.release();
    gStarted = true;
    return 0;
}

int LogTerminate() {
    std::lock_guard lock(gMutex);
    if (!gStartTried) return 1;
    gStartTried = false;
    delete gConfig;
    gConfig = nullptr;
    gStarted = false;
    return 0;
}

int LogTrace(const char* text) {
    if (text == nullptr) return 1;
    return WriteEntry(kTraceLevel, true, [text](char*, size_t) { return text; });
}

int LogMessage(int level, const char* format, ...) {
    if (format == nullptr) return 1;
    va_list arguments;
    va_start(arguments, format);
    const int result = WriteEntry(level, false, [format, &arguments](char* buffer, size_t size) {
        std::vsnprintf(buffer, size, format, arguments);
        return static_cast<const char*>(buffer);
    });
    va_end(arguments);
    return result;
}

int LogSetEnabled(int flag) {
    if (flag != 0 && flag != 1) return 1;
    std::lock_guard lock(gMutex);
    if (!gStarted) return 1;
    gConfig->enabled = flag;
    return 0;
}

int LogSetLevel(int level) {
    std::lock_guard lock(gMutex);
    if (!gStarted) return 1;
    gConfig->levelThreshold = level;
    return 0;
}
