// The Windows registry values the provider needs, taken from an INI-style
// registry file whose sections are named after the registry keys.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <strings.h>

#include "OsServices.h"
#include "OsServicesInternal.h"

namespace {

constexpr const char* kInstallKey = "SOFTWARE\\ORV-Kestra";
constexpr const char* kInstallValue = "Ambrix";
constexpr const char* kVersionKey = "SOFTWARE\\ORV-Kestra\\Ambrix";
constexpr const char* kVersionValue = "ProductVersion";

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// Copies text with its terminator, refusing rather than cutting a value
// that does not fit: a cut installation path would name the wrong place.
int CopyWhole(const std::string& text, char* buffer, size_t size) {
    if (text.size() + 1 > size) return 1;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
}

}  // namespace

namespace orv::os {

std::string RegistryFilePath() {
    const char* chosen = std::getenv(kRegistryFileVariable);
    return (chosen != nullptr && *chosen != '\0') ? chosen : kDefaultRegistryFile;
}

bool ReadRegistryValue(const std::string& key, const std::string& valueName, std::string& value) {
    try {
        std::ifstream file(RegistryFilePath());
        if (!file) return false;
        bool inSection = false;
        for (std::string line; std::getline(file, line);) {
            const std::string text = Trim(line);
            if (text.empty() || text[0] == ';' || text[0] == '#') continue;
            if (text.front() == '[' && text.back() == ']') {
                inSection = SameName(Trim(text.substr(1, text.size() - 2)), key);
                continue;
            }
            if (!inSection) continue;
            const size_t equals = text.find('=');
            if (equals == std::string::npos || !SameName(Trim(text.substr(0, equals)), valueName)) {
                continue;
            }
            value = Trim(text.substr(equals + 1));
            return !value.empty();
        }
    } catch (...) {
        // Reading failed part way (for example out of memory): the value
        // counts as missing, as an unreadable registry value would.
    }
    return false;
}

}  // namespace orv::os

int OsGetInstallDir(char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return 1;
    std::string directory;
    try {
        if (!orv::os::ReadRegistryValue(kInstallKey, kInstallValue, directory)) return 1;
        while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    } catch (...) {
        return 1;
    }
    return CopyWhole(directory, buffer, size);
}

int OsGetProductVersion(char* buffer, uint8_t size) {
    if (buffer == nullptr || size == 0) return 1;
    std::string version;
    try {
        if (!orv::os::ReadRegistryValue(kVersionKey, kVersionValue, version)) return 1;
    } catch (...) {
        return 1;
    }
    const size_t length = version.size() < size ? version.size() : size - 1u;
    std::memcpy(buffer, version.data(), length);
    buffer[length] = '\0';
    return 0;
}
