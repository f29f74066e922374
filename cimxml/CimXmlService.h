// The HTTP side of a CIM-XML request, without sockets: header checks,
// Basic authentication, the size limit, and the translation of protocol
// failures into HTTP statuses with the CIMError header. The HTTP server
// hands every exchange here; tests call it directly.
#pragma once

#include "CimOperations.h"

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orv::cimxml {

struct HttpExchange {
    std::string method = "POST";
    std::string target = "/cimom";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // Header value by name, without case; nothing when absent.
    std::optional<std::string> header(const std::string& name) const;
};

struct HttpAnswer {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    std::optional<std::string> header(const std::string& name) const;
};

// An answer over HTTP/1.1 that leaves in chunks once it outgrows one block,
// for a client whose TE header accepts trailers. A failure found after the
// first chunk left ends the body early and is told in the trailer fields
// CIMStatusCode and CIMStatusCodeDescription, which the header announces;
// a successful answer ends with no trailer fields.
class ChunkedAnswer : public AnswerStream {
public:
    // Sends pieces of bytes to the client, in order; false when they did not leave.
    using Send = std::function<bool(const std::string_view* pieces, std::size_t count)>;
    // Large enough that every association walk and most enumerations keep a
    // single answer with Content-Length; small enough to hold per connection.
    static constexpr std::size_t kBlockBytes = 64 * 1024;

    // `closing`: the connection closes after this answer (as its request asked).
    ChunkedAnswer(Send send, bool closing) : send_(std::move(send)), closing_(closing) {}
    // Whether a request may be answered so.
    static bool acceptedBy(const HttpExchange& exchange, const std::string& httpVersion);

    // The answer's headers other than its framing, and the M-POST prefix of
    // its own header names; set before any of the body.
    void setHeaders(std::vector<std::pair<std::string, std::string>> headers, std::string prefix);
    std::size_t blockBytes() const override { return kBlockBytes; }
    bool send(const std::string_view* pieces, std::size_t count) override;
    bool started() const override { return started_; }
    void fail(int code, const std::string& description) override;
    // Sends the rest of an answer that started, then its last chunk; false
    // when the client did not take them (or an earlier part).
    bool finish(std::string_view rest);

private:
    void appendChunk(std::string_view bytes);
    bool sendFrame();

    Send send_;
    bool closing_;
    std::vector<std::pair<std::string, std::string>> headers_;
    std::string prefix_;
    std::string frame_;
    std::vector<std::string_view> pieces_;
    bool started_ = false;
    bool ended_ = false;
    bool broken_ = false;
};

// Users allowed in with HTTP Basic authentication. Empty means
// authentication is off and every request runs without a named principal.
class UserTable {
public:
    // Reads lines "user:password"; blank lines and lines starting with '#'
    // are skipped. Throws std::runtime_error for an unreadable file or a
    // line without ':'.
    static UserTable fromFile(const std::string& path);
    void add(const std::string& user, const std::string& password);
    bool empty() const { return users_.empty(); }
    bool accepts(const std::string& user, const std::string& password) const;

private:
    std::map<std::string, std::string> users_;
};

// A check of credentials outside the users file (the system's users through
// PAM): the user name the request runs as, or nothing with a reason for the
// server's log.
using PasswordCheck = std::function<std::optional<std::string>(const std::string& user, const std::string& password,
                                                               std::string& reason)>;

constexpr std::size_t kDefaultMaxRequestBytes = 4 * 1024 * 1024;

class CimXmlService {
public:
    CimXmlService(CimOperations& operations, UserTable users = {},
                  std::size_t maxRequestBytes = kDefaultMaxRequestBytes, LogFunction log = {});

    // Credentials the users file does not accept go to this check; with
    // one set, authentication is on even without users.
    void setPasswordCheck(PasswordCheck check) { passwordCheck_ = std::move(check); }
    bool authenticates() const { return !users_.empty() || passwordCheck_ != nullptr; }

    // With `chunked`, a large answer leaves through it while it is written;
    // once it started, the answer returned holds only the rest of the body.
    HttpAnswer handle(const HttpExchange& exchange, ChunkedAnswer* chunked = nullptr);
    std::size_t maxRequestBytes() const { return maxRequestBytes_; }

private:
    HttpAnswer protocolFailure(int status, const std::string& cimError, const std::string& why,
                               const std::string& logLine = {}) const;
    std::optional<cmpiserver::Principal> authenticated(const HttpExchange& exchange, HttpAnswer& refusal) const;

    CimOperations& operations_;
    UserTable users_;
    PasswordCheck passwordCheck_;
    std::size_t maxRequestBytes_;
    LogFunction log_;
};

// Decodes %XX escapes (CIMObject and CIMMethod headers are URI-escaped).
std::string percentDecoded(const std::string& text);

}  // namespace orv::cimxml
