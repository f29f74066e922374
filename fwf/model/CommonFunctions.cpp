#include "CommonFunctions.h"

#include "CIMDateTime.h"
#include "CIMException.h"
#include "Logger.h"
#include "VRLibFacadeIntf.h"

#include <cstdio>
#include <ctime>

namespace orv::cim::fwf::CommonFunctions {

namespace {

constexpr uint32_t kLastFirmwareStatus = 0x0FFFFFFF;
constexpr uint32_t kFirstLibraryStatus = 0x10000000;

// Texts of the library's own statuses, from kFirstLibraryStatus on; a null
// entry has no text of its own.
constexpr const char* kLibraryStatusTexts[] = {
    "Ambrix controller returned an error.(%d)",
    "Invalid input parameter received.(%d)",
    "Ambrix controller returned an error.(%d)",
    "Object not found or in the wrong state to perform the operation requested.(%d)",
    "Unknown error.(%d)",
    "Operation not supported.(%d)",
    "Ambrix driver returned an error.(%d)",
    "Operation not Permitted.(%d)",
    nullptr,
    "Operation timed out.(%d)",
    "One or more Physical Disk(s) currently belongs to an inactive Virtual Disk. Use 'reclaimpd' command to "
    "set disks to Active state.(%d)",
    "Operation not Permitted.(%d)",
    "Invalid Candidate for rebuild operation.(%d)",
    "Partition information detected in the specified Virtual Disk. Please use DOS or preboot applications to "
    "delete the Virtual disk.(%d)",
    "Boot Volume Id is set on Virtual Disk.(%d)",
};
constexpr uint32_t kLibraryStatusCount = sizeof kLibraryStatusTexts / sizeof kLibraryStatusTexts[0];
constexpr const char* kUnknownStatusText = "Unknown error.(%d)";

// Statuses print as signed decimals, as every other status line of the log
// does, so one status reads the same in a message and in the log.
std::string formatStatus(const char* format, uint32_t status) {
    char text[256];
    std::snprintf(text, sizeof text, format, static_cast<int>(status));
    return text;
}

// The controller firmware's own codes are described by the RAID library.
std::string describeFirmwareStatus(uint32_t status) {
    constexpr const char* kOperation = "orv::cim::fwf::CommonFunctions::getErrorDescription";
    orv::raidlib::VRLibFacadeIntf* facade = orv::raidlib::getVRLibFacade();
    if (facade == nullptr) {
        LogMessage(2, "%s :: Failed to retrieve Vrlib handle.", kOperation);
        throw CIMException(1, std::string("An internal error occurred"));
    }
    orv::raidlib::PropertyContainer in;
    orv::raidlib::PropertyContainer out;
    in.insertInt("fwErrorCode", status, true);
    if (facade->invokeMethod("getErrorDesc", in, out) != 0) {
        LogMessage(2, "%s :: Internal Error", kOperation);
        throw CIMException(1, "%s :: Internal Error", kOperation);
    }
    std::string description;
    if (out.getPropertyValue(description, "fwErrorDesc", false) != 0) {
        LogMessage(5, "getPropertyValue( VrlGetErrorDescOut::fwErrorDesc ) failed");
        description.clear();
    }
    char text[512];
    std::snprintf(text, sizeof text, "%s(%d)", description.c_str(), static_cast<int>(status));
    return text;
}

}  // namespace

std::string getErrorDescription(uint32_t status) {
    if (status >= 1 && status <= kLastFirmwareStatus) return describeFirmwareStatus(status);
    const char* format = kUnknownStatusText;
    if (status >= kFirstLibraryStatus && status - kFirstLibraryStatus < kLibraryStatusCount &&
        kLibraryStatusTexts[status - kFirstLibraryStatus] != nullptr) {
        format = kLibraryStatusTexts[status - kFirstLibraryStatus];
    }
    return formatStatus(format, status);
}

std::string_view tokenOf(std::string_view text, int index) {
    const auto separator = text.find('_');
    if (separator == std::string_view::npos) return text;
    switch (index) {
    case 1: return text.substr(0, separator);
    case 2: return text.substr(separator + 1);
    case 3: return tokenOf(text.substr(separator + 1), 2);
    default: return {};
    }
}

std::string token(const std::string& text, int index) { return std::string(tokenOf(text, index)); }

std::string toLower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) c = lowerAscii(c);
    return lower;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    // Names mostly arrive spelled alike: one block compare settles those.
    if (a == b) return true;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

std::string toCIMDateTime(int64_t secondsSince1970) {
    const std::time_t moment = static_cast<std::time_t>(secondsSince1970);
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) return CIMDateTime().toString();
    return CIMDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                       local.tm_sec)
        .toString();
}

}  // namespace orv::cim::fwf::CommonFunctions
