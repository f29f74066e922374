// Large answers in chunks, over a socket to the listening server: a client
// that accepts trailers gets them while they are written, with the same
// body; one that does not gets them whole; a failure after the first chunk
// is told in the trailer, never passed off as a whole answer.
#include "FixtureSchema.h"
#include "RawHttp.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace orv::cimxml::test {
namespace {

const std::string kControllerKeys = stringKey("Name", "ctl0") + numericKey("Slot", "0");

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

class ChunkedAnswerTest : public ::testing::Test {
protected:
    void TearDown() override { rename("Controller 0"); }

    void rename(const std::string& name) {
        const std::string modified =
            "<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE><INSTANCENAME CLASSNAME=\"FIX_Controller\">" +
            kControllerKeys + "</INSTANCENAME><INSTANCE CLASSNAME=\"FIX_Controller\">"
            "<PROPERTY NAME=\"ElementName\" TYPE=\"string\"><VALUE>" + name + "</VALUE></PROPERTY>"
            "</INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>";
        const HttpAnswer answer = service_.handle(exchange("ModifyInstance", kStorageNs,
                                                           intrinsicBody("ModifyInstance", kStorageNs, modified)));
        ASSERT_EQ(Response(answer.body).errorCode(), 0) << answer.body;
    }

    RawAnswer enumerateControllers(const std::string& extraHeaders) {
        const std::string body =
            intrinsicBody("EnumerateInstances", kStorageNs, classNameParam("ClassName", "FIX_Controller"));
        return sendRaw(server_.port(), "POST /cimom HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n" +
                                           extraHeaders + "Content-Type: application/xml; charset=\"utf-8\"\r\n"
                                           "CIMOperation: MethodCall\r\nCIMMethod: EnumerateInstances\r\n"
                                           "CIMObject: " + kStorageNs + "\r\nContent-Length: " +
                                           std::to_string(body.size()) + "\r\n\r\n" + body);
    }

    CimXmlService service_ = FixtureStack::instance().service();
    ListeningServer server_{service_};
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(ChunkedAnswerTest, LargeAnswersLeaveInChunksOnlyForClientsThatAcceptTrailers) {
    // Small answers keep their length whoever asks.
    const RawAnswer small = enumerateControllers("TE: trailers\r\n");
    EXPECT_TRUE(has(small.head, "Content-Length:")) << small.head;

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

    const RawAnswer chunked = enumerateControllers("TE: trailers\r\n");
    ASSERT_EQ(chunked.status, 200);
    const Dechunked received = dechunked(chunked.body);
    EXPECT_TRUE(received.ended);
    EXPECT_EQ(received.trailer,
              "CIMStatusCode: 1\r\nCIMStatusCodeDescription: the controller stopped answering");
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
