#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <ctime>
#include <netdb.h>
#include <regex>
#include <string>
#include <sys/utsname.h>
#include <vector>

#include "OsServices.h"
#include "OsServicesInternal.h"

namespace {

bool IsZero(const char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

void ExpectWellFormed(const OsHostAddresses& record) {
    ASSERT_LE(record.count, 8);
    for (int i = 0; i < 8; ++i) {
        if (i < record.count) {
            in_addr parsed{};
            EXPECT_EQ(inet_pton(AF_INET, record.address[i], &parsed), 1) << record.address[i];
        } else {
            EXPECT_TRUE(IsZero(record.address[i], sizeof record.address[i])) << "entry " << i;
        }
    }
}

// A resolver answer with the given IPv4 addresses, in order.
class FakeAnswer {
public:
    explicit FakeAnswer(const std::vector<std::string>& addresses)
        : sockets_(addresses.size()), entries_(addresses.size()) {
        for (size_t i = 0; i < addresses.size(); ++i) {
            sockets_[i].sin_family = AF_INET;
            inet_pton(AF_INET, addresses[i].c_str(), &sockets_[i].sin_addr);
            entries_[i].ai_family = AF_INET;
            entries_[i].ai_addr = reinterpret_cast<sockaddr*>(&sockets_[i]);
            entries_[i].ai_next = i + 1 < addresses.size() ? &entries_[i + 1] : nullptr;
        }
    }
    const addrinfo* head() const { return entries_.empty() ? nullptr : &entries_[0]; }

private:
    std::vector<sockaddr_in> sockets_;
    std::vector<addrinfo> entries_;
};

}  // namespace

TEST(HostTest, HostNameIsTheKernelNodeName) {
    char name[256] = {};
    ASSERT_EQ(OsGetHostName(name, sizeof name), 0);
    utsname kernel{};
    ASSERT_EQ(uname(&kernel), 0);
    EXPECT_STREQ(name, kernel.nodename);
    EXPECT_EQ(OsGetHostName(nullptr, 10), 1);
    char tiny[1];
    EXPECT_EQ(OsGetHostName(tiny, sizeof tiny), 1);
}

TEST(HostTest, HostAddressesAreDottedAndAtMostEight) {
    OsHostAddresses record;
    std::memset(&record, 0x55, sizeof record);
    const int code = OsGetHostAddresses(&record);
    if (code == 0) {
        EXPECT_GE(record.count, 1);
    } else {
        EXPECT_EQ(record.count, 0) << "a failed look-up leaves an empty record";
    }
    ExpectWellFormed(record);
    EXPECT_EQ(OsGetHostAddresses(nullptr), 1);
}

// The resolver's answer is copied in order, each address once, at most eight.
TEST(HostTest, ResolvedAddressesAreCopiedOnceAndAtMostEight) {
    std::vector<std::string> ten{"127.0.0.1", "255.255.255.255", "127.0.0.1"};
    for (int i = 1; i <= 9; ++i) ten.push_back("192.0.2." + std::to_string(i * 25));
    FakeAnswer answer(ten);
    OsHostAddresses record;
    std::memset(&record, 0x55, sizeof record);
    orv::os::CopyHostAddresses(answer.head(), &record);
    ASSERT_EQ(record.count, 8);
    ExpectWellFormed(record);
    EXPECT_STREQ(record.address[1], "255.255.255.255");
    for (int i = 2; i < 8; ++i) EXPECT_EQ(std::string(record.address[i]), ten[i + 1]);
}

TEST(HostTest, VersionStringNamesLinuxKernelAndDistribution) {
    EXPECT_EQ(orv::os::FormatVersionString("6.1.0-18-amd64", "Debian GNU/Linux 12 (bookworm)"),
              "Linux 6.1.0 Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(orv::os::FormatVersionString("5.15", ""), "Linux 5.15.0 ") << "one blank stays";
    EXPECT_EQ(orv::os::PrettyNameFromOsRelease("NAME=x\nPRETTY_NAME=\"Debian \\\"12\\\"\"\nID=debian\n"),
              "Debian \"12\"");
    EXPECT_EQ(orv::os::PrettyNameFromOsRelease("PRETTY_NAME='Fedora Linux'\n"), "Fedora Linux");
    EXPECT_EQ(orv::os::PrettyNameFromOsRelease("PRETTY_NAME=Plain\n"), "Plain");
    EXPECT_EQ(orv::os::PrettyNameFromOsRelease("NAME=x\n"), "");

    char text[256] = {};
    ASSERT_EQ(OsGetVersionString(text, 255), 0);
    utsname kernel{};
    ASSERT_EQ(uname(&kernel), 0);
    std::smatch match;
    const std::string version = text;
    ASSERT_TRUE(std::regex_match(version, match, std::regex(R"(^Linux (\d+)\.(\d+)\.(\d+) (.*)$)"))) << text;
    EXPECT_EQ(std::string(kernel.release).rfind(match[1].str() + "." + match[2].str() + ".", 0), 0u);

    char cut[8] = {};
    ASSERT_EQ(OsGetVersionString(cut, sizeof cut), 0);
    EXPECT_EQ(std::string(cut), version.substr(0, 7)) << "cut to size - 1";
    EXPECT_EQ(OsGetVersionString(nullptr, 10), 1);
}

TEST(HostTest, LocalTimeMatchesTheClock) {
    OsLocalTime now{};
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(OsGetLocalTime(&now), 0);
    std::tm back{};
    back.tm_year = now.year - 1900;
    back.tm_mon = now.month - 1;  // months count from 1
    back.tm_mday = now.day;
    back.tm_hour = now.hours;
    back.tm_min = now.minutes;
    back.tm_sec = now.seconds;
    back.tm_isdst = -1;
    const std::time_t stamp = std::mktime(&back);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, before + 1);
    EXPECT_EQ(now.dayOfWeek, back.tm_wday);
    EXPECT_LT(now.milliseconds, 1000);
    EXPECT_EQ(OsGetLocalTime(nullptr), 1);
}

