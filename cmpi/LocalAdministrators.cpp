#include "LocalAdministrators.h"

#include "Logger.h"
#include "OsServicesInternal.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace orv::cim::adap::cmpi {

namespace {

// The group and password databases may need more room than sysconf
// suggests (large groups); the buffer grows until the answer fits.
constexpr size_t kFirstBufferSize = 4096;
constexpr size_t kLargestBufferSize = 1 << 20;

bool findUser(const std::string& userName, uid_t& uid, gid_t& primaryGroup) {
    std::vector<char> buffer(kFirstBufferSize);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = getpwnam_r(userName.c_str(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < kLargestBufferSize) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr) return false;
        uid = entry.pw_uid;
        primaryGroup = entry.pw_gid;
        return true;
    }
}

bool groupsOf(const std::string& userName, gid_t primaryGroup, std::vector<gid_t>& groups) {
    int count = 32;
    for (int attempt = 0; attempt < 16; ++attempt) {
        groups.resize(static_cast<size_t>(count));
        int found = count;
        if (getgrouplist(userName.c_str(), primaryGroup, groups.data(), &found) != -1) {
            groups.resize(static_cast<size_t>(found));
            return true;
        }
        // found now holds the number needed.
        count = found > count ? found : count * 2;
    }
    return false;
}

bool groupName(gid_t gid, std::string& name) {
    std::vector<char> buffer(kFirstBufferSize);
    for (;;) {
        group entry{};
        group* found = nullptr;
        const int error = getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < kLargestBufferSize) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr || entry.gr_name == nullptr) return false;
        name = entry.gr_name;
        return true;
    }
}

}  // namespace

bool isLocalAdministrator(const std::string& userName, const std::string& serverName) {
    if (userName == "root") return true;

    uid_t uid = 0;
    gid_t primaryGroup = 0;
    std::vector<gid_t> groups;
    if (!findUser(userName, uid, primaryGroup) || !groupsOf(userName, primaryGroup, groups)) {
        LogMessage(2, "Group look-up failed for username = %s, hostname = %s", userName.c_str(),
                   serverName.c_str());
        return false;
    }
    if (uid == 0) return true;

    // Read afresh, like every registry value, so a change needs no restart.
    std::string configuredGroup;
    orv::os::ReadRegistryValue(kAdminGroupKey, kAdminGroupValue, configuredGroup);

    // A group that cannot be named ends the search: the databases are not
    // answering as they should, and an incomplete answer grants nothing.
    for (size_t index = 0; index < groups.size(); ++index) {
        std::string name;
        if (!groupName(groups[index], name)) {
            LogMessage(2, "Access Violation while extracting %dth group information for user - %s",
                       static_cast<int>(index), userName.c_str());
            return false;
        }
        LogMessage(5, "[Compare] UserName = %s --> group #%ul = %s", userName.c_str(),
                   static_cast<unsigned>(index), name.c_str());
        if (name == kAdministratorsGroup || (!configuredGroup.empty() && name == configuredGroup)) {
            return true;
        }
    }
    return false;
}

}  // namespace orv::cim::adap::cmpi
