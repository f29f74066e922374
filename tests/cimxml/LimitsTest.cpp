// What one client may take of the server: each limit passed is answered
// with a status of its own and logged, and the server serves the next
// request.
#include "CimError.h"
#include "FixtureSchema.h"
#include "RawHttp.h"
#include "TestSupport.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace orv::cimxml::test {
namespace {

using namespace std::chrono_literals;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string repeated(const std::string& part, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += part;
    return out;
}

class LimitsTest : public ::testing::Test {
protected:
    static HttpLimits limits() {
        HttpLimits limits;
        limits.maxConnections = 4;
        limits.requestTime = 1s;
        return limits;
    }
    static std::string enumerateDisks(const std::string& className = "FIX_Disk") {
        return intrinsicBody("EnumerateInstanceNames", kStorageNs, classNameParam("ClassName", className));
    }

    CimXmlService service_ = FixtureStack::instance().service({}, 128 * 1024);
    ListeningServer server_{service_, limits()};
    const int port_ = server_.port();
};

TEST_F(LimitsTest, OversizedRequestsAreRefused) {
    const std::string head = "POST /cimom HTTP/1.1\r\nHost: localhost\r\nCIMOperation: MethodCall\r\n";
    const struct {
        const char* what;
        std::string request;
        int status;
    } cases[] = {
        {"a header line of 100 KiB", head + "X-Long: " + std::string(100 * 1024, 'a') + "\r\n\r\n", 431},
        {"5,000 short headers", head + repeated("X-Short: abcdefgh\r\n", 5000) + "\r\n", 431},
        {"a body over the limit", head + "Content-Length: 200000\r\n\r\n" + std::string(200000, 'x'), 413},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RawAnswer refused = sendRaw(port_, c.request);
        EXPECT_EQ(refused.status, c.status) << refused.head;
        EXPECT_TRUE(contains(server_.log(), "with HTTP " + std::to_string(c.status))) << server_.log();
        expectServingFixtureDisks(port_);
    }
}

TEST_F(LimitsTest, XmlThatWouldExhaustOrExposeTheServerIsRefused) {
    const std::string envelope = enumerateDisks("&e;");
    std::string bomb = "<!DOCTYPE CIM [<!ENTITY e0 \"lol\">";
    for (int i = 1; i <= 9; ++i)
        bomb += "<!ENTITY e" + std::to_string(i) + " \"" + repeated("&e" + std::to_string(i - 1) + ";", 10) + "\">";
    bomb += "<!ENTITY e \"&e9;\">]>";
    const std::string external = "<!DOCTYPE CIM [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>";
    const auto withDoctype = [&](const std::string& doctype) {
        return std::string(envelope).insert(envelope.find("<CIM "), doctype);
    };
    const struct {
        const char* what;
        std::string body;
    } cases[] = {
        {"10,000 nested elements", "<?xml version=\"1.0\"?>" + repeated("<a>", 10000) + repeated("</a>", 10000)},
        {"an entity-expansion bomb", withDoctype(bomb)},
        {"an external entity", withDoctype(external)},
        {"an entity nobody declared", envelope},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RawAnswer refused = post(port_, c.body);
        EXPECT_EQ(refused.status, 400) << refused.body;
        EXPECT_TRUE(contains(refused.head, "CIMError: request-not-well-formed")) << refused.head;
        EXPECT_LT(refused.body.size(), 200u);
        EXPECT_FALSE(contains(refused.body, "root:")) << refused.body;
    }
    // Naming the DTD declares nothing, and some clients do.
    const std::string named = enumerateDisks();
    const RawAnswer served =
        post(port_, std::string(named).insert(named.find("<CIM "), "<!DOCTYPE CIM SYSTEM \"CIM_DTD_V22.dtd\">"));
    EXPECT_EQ(Response(served.body).all("INSTANCENAME").size(), 3u) << served.body;
}

TEST_F(LimitsTest, ASlowClientIsCutOffWhileOthersAreServed) {
    const int slow = connectTo(port_);
    const std::string request = "POST /cimom HTTP/1.1\r\nHost: localhost\r\nContent-Length: 0\r\n\r\n";
    ::send(slow, request.data(), 3, MSG_NOSIGNAL);
    expectServingFixtureDisks(port_);
    // Trickled to the end, the request would take twelve seconds more.
    const auto started = std::chrono::steady_clock::now();
    bool answered = false;
    for (std::size_t i = 3; i < request.size() && !answered; ++i) {
        ::send(slow, &request[i], 1, MSG_NOSIGNAL);
        pollfd ready{slow, POLLIN, 0};
        answered = ::poll(&ready, 1, 200) > 0;
    }
    const RawAnswer cutOff = readAnswer(slow);
    ::close(slow);
    EXPECT_EQ(cutOff.status, 408) << cutOff.head;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(contains(server_.log(), "with HTTP 408: the request did not arrive within 1 s")) << server_.log();
}

TEST_F(LimitsTest, ConnectionsBeyondTheLimitAreAnswered503) {
    std::vector<int> open;
    for (int i = 0; i < 4; ++i) open.push_back(connectTo(port_));
    std::this_thread::sleep_for(200ms);
    const RawAnswer refused = post(port_, enumerateDisks());
    EXPECT_EQ(refused.status, 503) << refused.head;
    EXPECT_TRUE(contains(refused.body, "4 connections")) << refused.body;
    for (int fd : open) ::close(fd);
    std::this_thread::sleep_for(300ms);
    expectServingFixtureDisks(port_);
}

}  // namespace
}  // namespace orv::cimxml::test
