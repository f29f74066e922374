#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <regex>
#include <string>
#include <sys/utsname.h>
#include <vector>

#include "OsServices.h"
#include "OsServicesInternal.h"

namespace {

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

// The resolver's answer is copied in order, each address once, at most eight.
TEST(HostTest, ResolvedAddressesAreCopiedOnceAndAtMostEight) {
    std::vector<std::string> ten{"127.0.0.1", "255.255.255.255", "127.0.0.1"};
    for (int i = 1; i <= 9; ++i) ten.push_back("192.0.2." + std::to_string(i * 25));
    FakeAnswer answer(ten);
    OsHostAddresses record;
    std::memset(&record, 0x55, sizeof record);
    orv::os::CopyHostAddresses(answer.head(), &record);
    ASSERT_EQ(record.count, 8);
    EXPECT_STREQ(record.address[0], "127.0.0.1");
    EXPECT_STREQ(record.address[1], "255.255.255.255");
    for (int i = 2; i < 8; ++i) EXPECT_EQ(std::string(record.address[i]), ten[i + 1]);
    EXPECT_EQ(OsGetHostAddresses(nullptr), 1);
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
