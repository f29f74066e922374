// Requests written byte for byte to the listening server over a socket, as
// a careless or hostile client sends them: text that is not XML's, headers
// and parameters the protocol forbids, connections that say nothing or too
// much, and large answers sent in chunks. Each refusal has a status of its
// own, and the server goes on serving the next request.
#include "CimError.h"
#include "DtdValidation.h"
#include "FixtureSchema.h"
#include "HttpServer.h"
#include "TestSupport.h"
#include "XmlResponse.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

namespace orv::cimxml::test {
namespace {

using namespace std::chrono_literals;

struct RawAnswer {
    int status = 0;  // 0 when no HTTP answer came
    std::string head;
    std::string body;
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string repeated(const std::string& part, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += part;
    return out;
}

// A loopback connection to `port`, or -1.
int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval patience{60, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Everything the server sends until it closes the connection, as an answer.
RawAnswer readAnswer(int fd) {
    std::string received;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) received.append(buffer, n);
    RawAnswer answer;
    const auto split = received.find("\r\n\r\n");
    if (received.rfind("HTTP/1.1 ", 0) != 0 || split == std::string::npos) return answer;
    answer.status = std::stoi(received.substr(9, 3));
    answer.head = received.substr(0, split);
    answer.body = received.substr(split + 4);
    return answer;
}

RawAnswer sendRaw(int port, const std::string& request) {
    const int fd = connectTo(port);
    if (fd < 0) return {};
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    RawAnswer answer = readAnswer(fd);
    ::close(fd);
    return answer;
}

// The head of a CIM-XML POST, blank line included; `headers` are whole lines.
std::string postHead(std::size_t length, const std::string& headers,
                     const std::string& method = "EnumerateInstanceNames") {
    return "POST /cimom HTTP/1.1\r\nHost: localhost\r\n" + headers +
           "Content-Type: application/xml; charset=\"utf-8\"\r\nCIMOperation: MethodCall\r\nCIMMethod: " + method +
           "\r\nCIMObject: " + kStorageNs + "\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
}

// One POST on a fresh connection that the server closes after answering.
RawAnswer post(int port, const std::string& body, const std::string& headers = {},
               const std::string& method = "EnumerateInstanceNames") {
    return sendRaw(port, postHead(body.size(), "Connection: close\r\n" + headers, method) + body);
}

std::string enumerateNames(const std::string& className = "FIX_Disk") {
    return intrinsicBody("EnumerateInstanceNames", kStorageNs, classNameParam("ClassName", className));
}

void expectServingFixtureDisks(int port) {
    const RawAnswer fine = post(port, enumerateNames());
    EXPECT_EQ(fine.status, 200) << fine.head;
    EXPECT_EQ(Response(fine.body).all("INSTANCENAME").size(), 3u);
    expectValidCimXml(fine.body);
}

// The server in the test's process on a free loopback port, in front of the
// fixture provider; what it logs is kept.
class WireTest : public ::testing::Test {
protected:
    explicit WireTest(std::size_t maxBytes = kDefaultMaxRequestBytes, HttpLimits limits = {})
        : service_(FixtureStack::instance().service({}, maxBytes)),
          server_(service_, indications_, 8, limits, [this](const std::string& line) {
              std::lock_guard lock(mutex_);
              log_ += line + "\n";
          }) {
        port_ = server_.bind("127.0.0.1", 0);
        serving_ = std::thread([this] { server_.serve(); });
    }
    ~WireTest() override {
        server_.stop();
        serving_.join();
    }
    std::string log() {
        std::lock_guard lock(mutex_);
        return log_;
    }

    CimXmlService service_;
    IndicationLog indications_{FixtureStack::instance().schema, 0};
    std::mutex mutex_;
    std::string log_;
    HttpServer server_;
    int port_ = 0;
    std::thread serving_;
};

using RawRequestTest = WireTest;

TEST_F(RawRequestTest, TextThatIsNotXmlsIsRefusedWithoutEchoingIt) {
    const struct {
        const char* what;
        std::string body;
    } cases[] = {
        {"bytes that are no UTF-8", enumerateNames("FIX_\xff\xfe")},
        {"a broken two-byte sequence", enumerateNames("FIX_\xc3\x28")},
        {"a truncated sequence at the end", enumerateNames() + "\xe2\x82"},
        {"a control character", enumerateNames("FIX_\x01")},
        {"a reference to a control character", enumerateNames("FIX_&#1;")},
        {"a hexadecimal reference to one", enumerateNames("FIX_&#x1F;")},
        {"a reference beyond Unicode", enumerateNames("FIX_&#x110000;")},
        // The reader takes "<!--" inside an attribute value as text, so the
        // reference after it is resolved, not commented out.
        {"a reference after a comment's opening in a value", enumerateNames("FIX_<!--&#1;")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RawAnswer refused = post(port_, c.body);
        EXPECT_EQ(refused.status, 400);
        EXPECT_TRUE(has(refused.head, "CIMError: request-not-well-formed")) << refused.head;
        EXPECT_EQ(refused.body.find_first_of("\xff\xfe\xc3\x01"), std::string::npos) << refused.body;
    }
    // Characters XML admits pass, spelled out or referenced, and so does a
    // reference inside a comment, which is only text there.
    const RawAnswer accented = post(port_, intrinsicBody("EnumerateInstanceNames", kStorageNs,
                                                         classNameParam("ClassName", "FIX_\xc3\xa9&#233;") +
                                                             "<!-- &#1; -->"));
    EXPECT_EQ(accented.status, 200) << accented.body;
    EXPECT_EQ(Response(accented.body).errorCode(), kCimErrInvalidClass);
    expectValidCimXml(accented.body);
    expectServingFixtureDisks(port_);
}

TEST_F(RawRequestTest, ProtocolVersionHeaderAndRepeatedParametersAreChecked) {
    const RawAnswer future = post(port_, enumerateNames(), "CIMProtocolVersion: 99.0\r\n");
    EXPECT_EQ(future.status, 501);
    EXPECT_TRUE(has(future.head, "CIMError: unsupported-protocol-version")) << future.head;
    EXPECT_EQ(post(port_, enumerateNames(), "CIMProtocolVersion: 1.1\r\n").status, 200);

    const RawAnswer twice = post(port_, intrinsicBody("EnumerateInstanceNames", kStorageNs,
                                                      classNameParam("ClassName", "FIX_Disk") +
                                                          classNameParam("classname", "FIX_Pool")));
    EXPECT_EQ(twice.status, 200);
    const Response refused(twice.body);
    EXPECT_EQ(refused.errorCode(), kCimErrInvalidParameter);
    EXPECT_TRUE(has(refused.errorDescription(), "classname")) << refused.errorDescription();
    expectValidCimXml(twice.body);
    expectServingFixtureDisks(port_);
}

TEST_F(RawRequestTest, IdleConnectionsDoNotHoldUpARequest) {
    std::vector<int> idle;
    for (int i = 0; i < 64; ++i) idle.push_back(connectTo(port_));
    // Let the server take them all in before the request arrives.
    std::this_thread::sleep_for(200ms);
    const auto started = std::chrono::steady_clock::now();
    expectServingFixtureDisks(port_);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    for (int fd : idle) ::close(fd);
}

// A client that asks to be told before it sends its body is told at once,
// and the connection goes on to serve the body's answer and the next request.
TEST_F(RawRequestTest, AClientWaitingToSendItsBodyIsToldToGoOn) {
    const std::string body = enumerateNames();
    const int fd = connectTo(port_);
    ASSERT_GE(fd, 0);
    const timeval wait{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    const std::string waiting = postHead(body.size(), "Connection: keep-alive\r\nExpect: 100-continue\r\n");
    ::send(fd, waiting.data(), waiting.size(), MSG_NOSIGNAL);
    char buffer[4096];
    const ssize_t interim = ::recv(fd, buffer, sizeof buffer, 0);
    EXPECT_EQ(std::string(buffer, interim > 0 ? interim : 0), "HTTP/1.1 100 Continue\r\n\r\n");

    const std::string rest = body + postHead(body.size(), "Connection: close\r\n") + body;
    ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
    const RawAnswer both = readAnswer(fd);
    ::close(fd);
    EXPECT_EQ(both.status, 200) << both.head;
    const auto second = both.body.find("HTTP/1.1 200 OK\r\n");
    ASSERT_NE(second, std::string::npos) << both.body;
    EXPECT_EQ(Response(both.body.substr(0, second)).all("INSTANCENAME").size(), 3u);
    EXPECT_EQ(Response(both.body.substr(both.body.find("\r\n\r\n", second) + 4)).all("INSTANCENAME").size(), 3u);
}

TEST(ResponseText, ErrorsStayValidXmlWhateverTheirDescriptionHolds) {
    const std::string document = errorDocument("1", "GetInstance", true, kCimErrFailed, "record \xff\x01 of disk 3");
    EXPECT_TRUE(Response(document).wellFormed());
    EXPECT_TRUE(has(Response(document).errorDescription(), "record \xef\xbf\xbd\xef\xbf\xbd of disk 3"));
    expectValidCimXml(document);
}

// ---- What one client may take of the server ------------------------------------------

class LimitsTest : public WireTest {
protected:
    LimitsTest() : WireTest(128 * 1024, limits()) {}
    static HttpLimits limits() {
        HttpLimits limits;
        limits.maxConnections = 4;
        limits.requestTime = 1s;
        return limits;
    }
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
        EXPECT_TRUE(has(log(), "with HTTP " + std::to_string(c.status))) << log();
        expectServingFixtureDisks(port_);
    }
}

TEST_F(LimitsTest, XmlThatWouldExhaustOrExposeTheServerIsRefused) {
    const std::string envelope = enumerateNames("&e;");
    std::string bomb = "<!DOCTYPE CIM [<!ENTITY e0 \"lol\">";
    for (int i = 1; i <= 9; ++i)
        bomb += "<!ENTITY e" + std::to_string(i) + " \"" + repeated("&e" + std::to_string(i - 1) + ";", 10) + "\">";
    bomb += "<!ENTITY e \"&e9;\">]>";
    const auto withDoctype = [](std::string body, const std::string& doctype) {
        return body.insert(body.find("<CIM "), doctype);
    };
    const struct {
        const char* what;
        std::string body;
    } cases[] = {
        {"10,000 nested elements", "<?xml version=\"1.0\"?>" + repeated("<a>", 10000) + repeated("</a>", 10000)},
        {"an entity-expansion bomb", withDoctype(envelope, bomb)},
        {"an external entity", withDoctype(envelope, "<!DOCTYPE CIM [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>")},
        {"an entity nobody declared", envelope},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RawAnswer refused = post(port_, c.body);
        EXPECT_EQ(refused.status, 400) << refused.body;
        EXPECT_TRUE(has(refused.head, "CIMError: request-not-well-formed")) << refused.head;
        EXPECT_LT(refused.body.size(), 200u);
        EXPECT_FALSE(has(refused.body, "root:")) << refused.body;
    }
    // Naming the DTD declares nothing, and some clients do.
    const RawAnswer served = post(port_, withDoctype(enumerateNames(), "<!DOCTYPE CIM SYSTEM \"CIM_DTD_V22.dtd\">"));
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
    EXPECT_TRUE(has(log(), "with HTTP 408: the request did not arrive within 1 s")) << log();
}

TEST_F(LimitsTest, ConnectionsBeyondTheLimitAreAnswered503) {
    std::vector<int> open;
    for (int i = 0; i < 4; ++i) open.push_back(connectTo(port_));
    std::this_thread::sleep_for(200ms);
    const RawAnswer refused = post(port_, enumerateNames());
    EXPECT_EQ(refused.status, 503) << refused.head;
    EXPECT_TRUE(has(refused.body, "4 connections")) << refused.body;
    for (int fd : open) ::close(fd);
    std::this_thread::sleep_for(300ms);
    expectServingFixtureDisks(port_);
}

// ---- Large answers in chunks ------------------------------------------------------------
// A client that accepts trailers gets them while they are written, with the
// same body; one that does not gets them whole; a failure after the first
// chunk is told in the trailer, never passed off as a whole answer.

// The body of a chunked message and its trailer fields; `ended` is false
// when the last chunk never came.
struct Dechunked {
    std::string body;
    std::string trailer;
    bool ended = false;
};

Dechunked dechunked(const std::string& message) {
    Dechunked out;
    std::size_t at = 0;
    for (;;) {
        const auto lineEnd = message.find("\r\n", at);
        if (lineEnd == std::string::npos) return out;
        const std::size_t size = std::stoul(message.substr(at, lineEnd - at), nullptr, 16);
        at = lineEnd + 2;
        if (size == 0) break;
        if (at + size + 2 > message.size()) return out;
        out.body += message.substr(at, size);
        at += size + 2;
    }
    const auto end = message.find("\r\n\r\n", at - 2);
    out.ended = end != std::string::npos;
    if (out.ended && end > at) out.trailer = message.substr(at, end - at);
    return out;
}

class ChunkedAnswerTest : public WireTest {
protected:
    void TearDown() override { rename("Controller 0"); }

    void rename(const std::string& name) {
        const std::string modified =
            "<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE><INSTANCENAME CLASSNAME=\"FIX_Controller\">" +
            stringKey("Name", "ctl0") + numericKey("Slot", "0") +
            "</INSTANCENAME><INSTANCE CLASSNAME=\"FIX_Controller\"><PROPERTY NAME=\"ElementName\" TYPE=\"string\">"
            "<VALUE>" + name + "</VALUE></PROPERTY></INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>";
        const HttpAnswer answer = service_.handle(exchange("ModifyInstance", kStorageNs,
                                                           intrinsicBody("ModifyInstance", kStorageNs, modified)));
        ASSERT_EQ(Response(answer.body).errorCode(), 0) << answer.body;
    }
    RawAnswer enumerateControllers(const std::string& headers) {
        return post(port_, intrinsicBody("EnumerateInstances", kStorageNs, classNameParam("ClassName", "FIX_Controller")),
                    headers, "EnumerateInstances");
    }
};

TEST_F(ChunkedAnswerTest, LargeAnswersLeaveInChunksOnlyForClientsThatAcceptTrailers) {
    // Small answers keep their length whoever asks.
    EXPECT_TRUE(has(enumerateControllers("TE: trailers\r\n").head, "Content-Length:"));

    rename(std::string(200 * 1024, 'x'));
    const RawAnswer whole = enumerateControllers("");
    ASSERT_EQ(whole.status, 200);
    EXPECT_FALSE(has(whole.head, "Transfer-Encoding")) << whole.head;
    EXPECT_EQ(Response(whole.body).property("ElementName").size(), 200u * 1024);

    const RawAnswer chunked = enumerateControllers("TE: trailers\r\n");
    ASSERT_EQ(chunked.status, 200);
    EXPECT_TRUE(has(chunked.head, "Transfer-Encoding: chunked")) << chunked.head;
    EXPECT_TRUE(has(chunked.head, "Trailer: CIMStatusCode, CIMStatusCodeDescription")) << chunked.head;
    EXPECT_TRUE(has(chunked.head, "CIMOperation: MethodResponse")) << chunked.head;
    EXPECT_FALSE(has(chunked.head, "Content-Length")) << chunked.head;
    const Dechunked received = dechunked(chunked.body);
    EXPECT_TRUE(received.ended);
    EXPECT_EQ(received.trailer, "");
    EXPECT_EQ(received.body, whole.body);
}

TEST_F(ChunkedAnswerTest, AFailureAfterTheFirstChunkIsToldInTheTrailer) {
    rename("fail:" + std::string(200 * 1024, 'x'));
    const auto logged = FixtureStack::instance().logLines.size();

    const Dechunked received = dechunked(enumerateControllers("TE: trailers\r\n").body);
    EXPECT_TRUE(received.ended);
    EXPECT_EQ(received.trailer, "CIMStatusCode: 1\r\nCIMStatusCodeDescription: the controller stopped answering");
    // What left is no document a client could take for the answer.
    EXPECT_FALSE(Response(received.body).wellFormed());
    const auto& lines = FixtureStack::instance().logLines;
    ASSERT_GT(lines.size(), logged);
    EXPECT_EQ(lines.back(),
              "the answer to EnumerateInstances failed after it started: CIM status 1 the controller stopped answering");

    // Without trailers the client gets the error alone, as before.
    const RawAnswer whole = enumerateControllers("");
    EXPECT_TRUE(has(whole.head, "Content-Length:")) << whole.head;
    EXPECT_EQ(Response(whole.body).errorCode(), 1);
}

}  // namespace
}  // namespace orv::cimxml::test
