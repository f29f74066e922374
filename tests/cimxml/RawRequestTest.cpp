// Requests as a hostile or careless client sends them, byte for byte over a
// socket to the listening server: text that is not XML's, headers and
// parameters the protocol forbids, and connections that say nothing.
#include "CimError.h"
#include "DtdValidation.h"
#include "FixtureSchema.h"
#include "HttpServer.h"
#include "RawHttp.h"
#include "TestSupport.h"
#include "XmlResponse.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace orv::cimxml::test {
namespace {

void expectValidCimXml(const std::string& document) {
    if (cimXmlDtdAvailable()) {
        EXPECT_EQ(cimXmlDtdErrors(document), "");
    }
}

class RawRequestTest : public ::testing::Test {
protected:
    static std::string enumerateNames(const std::string& params) {
        return intrinsicBody("EnumerateInstanceNames", kStorageNs, params);
    }
    void expectServing() { expectServingFixtureDisks(port_); }

    CimXmlService service_ = FixtureStack::instance().service();
    ListeningServer server_{service_};
    const int port_ = server_.port();
};

TEST_F(RawRequestTest, TextThatIsNotXmlsIsRefusedWithoutEchoingIt) {
    const struct {
        const char* what;
        std::string body;
    } cases[] = {
        {"bytes that are no UTF-8", enumerateNames(classNameParam("ClassName", "FIX_\xff\xfe"))},
        {"a broken two-byte sequence", enumerateNames(classNameParam("ClassName", "FIX_\xc3\x28"))},
        {"a truncated sequence at the end", enumerateNames(classNameParam("ClassName", "FIX_Disk")) + "\xe2\x82"},
        {"a control character", enumerateNames(classNameParam("ClassName", "FIX_\x01"))},
        {"a reference to a control character", enumerateNames(classNameParam("ClassName", "FIX_&#1;"))},
        {"a hexadecimal reference to one", enumerateNames(classNameParam("ClassName", "FIX_&#x1F;"))},
        {"a reference beyond Unicode", enumerateNames(classNameParam("ClassName", "FIX_&#x110000;"))},
        // The reader takes "<!--" inside an attribute value as text, so the
        // reference after it is resolved, not commented out.
        {"a reference after a comment's opening in a value",
         enumerateNames(classNameParam("ClassName", "FIX_<!--&#1;"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RawAnswer refused = post(port_, c.body);
        EXPECT_EQ(refused.status, 400);
        EXPECT_NE(refused.head.find("CIMError: request-not-well-formed"), std::string::npos) << refused.head;
        EXPECT_EQ(refused.body.find_first_of("\xff\xfe\xc3\x01"), std::string::npos) << refused.body;
    }
    // Characters XML admits pass, spelled out or referenced, and so does a
    // reference inside a comment, which is only text there.
    const RawAnswer accented =
        post(port_, enumerateNames(classNameParam("ClassName", "FIX_\xc3\xa9&#233;") + "<!-- &#1; -->"));
    EXPECT_EQ(accented.status, 200) << accented.body;
    EXPECT_EQ(Response(accented.body).errorCode(), kCimErrInvalidClass);
    expectValidCimXml(accented.body);
    expectServing();
}

TEST_F(RawRequestTest, ProtocolVersionHeaderAndRepeatedParametersAreChecked) {
    const std::string body = enumerateNames(classNameParam("ClassName", "FIX_Disk"));
    const RawAnswer future = post(port_, body, "99.0");
    EXPECT_EQ(future.status, 501);
    EXPECT_NE(future.head.find("CIMError: unsupported-protocol-version"), std::string::npos) << future.head;
    EXPECT_EQ(post(port_, body, "1.1").status, 200);

    const RawAnswer twice =
        post(port_, enumerateNames(classNameParam("ClassName", "FIX_Disk") + classNameParam("classname", "FIX_Pool")));
    EXPECT_EQ(twice.status, 200);
    const Response refused(twice.body);
    EXPECT_EQ(refused.errorCode(), kCimErrInvalidParameter);
    EXPECT_NE(refused.errorDescription().find("classname"), std::string::npos) << refused.errorDescription();
    expectValidCimXml(twice.body);
    expectServing();
}

TEST_F(RawRequestTest, IdleConnectionsDoNotHoldUpARequest) {
    std::vector<int> idle;
    for (int i = 0; i < 64; ++i) idle.push_back(connectTo(port_));
    // Let the server take them all in before the request arrives.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto started = std::chrono::steady_clock::now();
    expectServing();
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_LT(waited, std::chrono::seconds(2));
    for (int fd : idle) ::close(fd);
}

// A client that asks to be told before it sends its body is told at once,
// and the connection goes on to serve the body's answer and the next request.
TEST_F(RawRequestTest, AClientWaitingToSendItsBodyIsToldToGoOn) {
    const std::string body = enumerateNames(classNameParam("ClassName", "FIX_Disk"));
    const auto head = [&](const char* connection) {
        return std::string("POST /cimom HTTP/1.1\r\nHost: localhost\r\nConnection: ") + connection +
               "\r\nContent-Type: application/xml; charset=\"utf-8\"\r\nCIMOperation: MethodCall\r\n"
               "CIMMethod: EnumerateInstanceNames\r\nCIMObject: " + kStorageNs + "\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n";
    };
    const int fd = connectTo(port_);
    ASSERT_GE(fd, 0);
    const timeval wait{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    const std::string waiting = head("keep-alive") + "Expect: 100-continue\r\n\r\n";
    ::send(fd, waiting.data(), waiting.size(), MSG_NOSIGNAL);
    char buffer[4096];
    const ssize_t interim = ::recv(fd, buffer, sizeof buffer, 0);
    EXPECT_EQ(std::string(buffer, interim > 0 ? interim : 0), "HTTP/1.1 100 Continue\r\n\r\n");

    const std::string rest = body + head("close") + "\r\n" + body;
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
    EXPECT_NE(Response(document).errorDescription().find("record \xef\xbf\xbd\xef\xbf\xbd of disk 3"),
              std::string::npos);
    expectValidCimXml(document);
}

}  // namespace
}  // namespace orv::cimxml::test
