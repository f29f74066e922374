#include "CimXmlService.h"

#include "CimError.h"
#include "PamPasswordCheck.h"
#include "Value.h"
#include "XmlResponse.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;

namespace {

using Headers = std::vector<std::pair<std::string, std::string>>;

// A header's value by its name after `prefix` (an M-POST request's
// namespace prefix, or nothing), without case; null when absent.
const std::string* findHeader(const Headers& headers, std::string_view prefix, std::string_view name) {
    for (const auto& [key, value] : headers) {
        const std::string_view k = key;
        if (k.size() == prefix.size() + name.size() && equalsIgnoreCase(k.substr(prefix.size()), name) &&
            equalsIgnoreCase(k.substr(0, prefix.size()), prefix))
            return &value;
    }
    return nullptr;
}

std::optional<std::string> headerCopy(const Headers& headers, const std::string& name) {
    const std::string* value = findHeader(headers, {}, name);
    return value ? std::optional<std::string>(*value) : std::nullopt;
}

std::string_view trimmedView(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string trimmed(const std::string& text) { return std::string(trimmedView(text)); }

// The decoded text may hold a password: room is made once so that no copy
// is left behind by a reallocation.
std::optional<std::string> base64Decoded(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        else if (c >= '0' && c <= '9') v = c - '0' + 52;
        else if (c == '+') v = 62;
        else if (c == '/') v = 63;
        else if (c == '=') break;
        else {
            wipe(out);
            return std::nullopt;
        }
        buffer = (buffer << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

// Basic credentials from an Authorization header value; the password is
// wiped when they go.
struct BasicCredentials {
    std::string user;
    std::string password;
    ~BasicCredentials() { wipe(password); }
};

std::optional<BasicCredentials> basicCredentials(const std::string& authorization) {
    const std::string value = trimmed(authorization);
    if (value.size() < 6 || !equalsIgnoreCase(value.substr(0, 6), "Basic ")) return std::nullopt;
    auto decoded = base64Decoded(trimmed(value.substr(6)));
    if (!decoded) return std::nullopt;
    std::optional<BasicCredentials> credentials;
    if (const auto colon = decoded->find(':'); colon != std::string::npos) {
        credentials.emplace();
        credentials->user = decoded->substr(0, colon);
        credentials->password.reserve(decoded->size() - colon);
        credentials->password.append(*decoded, colon + 1);
    }
    wipe(*decoded);
    return credentials;
}

// Equal texts take the same time to compare whatever their content, so
// that response times do not reveal how much of a password was right.
bool sameSecret(const std::string& given, const std::string& kept) {
    unsigned char difference = given.size() == kept.size() ? 0 : 1;
    for (std::size_t i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ (i < kept.size() ? kept[i] : 0));
    return difference == 0;
}

// A user name as a client sent it, safe for one log line.
std::string printableUser(const std::string& user) {
    std::string out;
    for (char c : user.substr(0, 64)) out += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    return user.size() > 64 ? out + "..." : out;
}

// The namespace prefix of an extended (M-POST) request, from its Man header:
// "http://www.dmtf.org/cim/mapping/http/v1.0 ; ns=73" gives "73-".
std::optional<std::string> extensionPrefix(const HttpExchange& exchange) {
    const std::string* man = findHeader(exchange.headers, {}, "Man");
    if (!man || man->find("http://www.dmtf.org/cim/mapping/http/v1.0") == std::string::npos) return std::nullopt;
    const auto ns = man->find("ns=");
    if (ns == std::string::npos) return std::nullopt;
    std::string digits;
    for (auto i = ns + 3; i < man->size() && std::isdigit(static_cast<unsigned char>((*man)[i])); ++i)
        digits += (*man)[i];
    if (digits.empty()) return std::nullopt;
    return digits + "-";
}

// Only the major version matters: a 1.x client speaks our protocol.
bool servedProtocolVersion(const std::string& version) {
    const auto dot = version.find('.');
    return version.substr(0, dot) == "1" &&
           (dot == std::string::npos || version.find_first_not_of("0123456789", dot + 1) == std::string::npos);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        int high, low;
        if (text[i] == '%' && i + 2 < text.size() && (high = hexDigit(text[i + 1])) >= 0 &&
            (low = hexDigit(text[i + 2])) >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> HttpExchange::header(const std::string& name) const { return headerCopy(headers, name); }

std::optional<std::string> HttpAnswer::header(const std::string& name) const { return headerCopy(headers, name); }

std::string percentDecoded(const std::string& text) { return percentDecoded(std::string_view(text)); }

bool ChunkedAnswer::acceptedBy(const HttpExchange& exchange, const std::string& httpVersion) {
    if (httpVersion != "HTTP/1.1") return false;
    const std::string* te = findHeader(exchange.headers, {}, "TE");
    if (!te) return false;
    // A list of codings, each perhaps with parameters: "trailers, deflate;q=0.5".
    std::string_view rest = *te;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        std::string_view item = rest.substr(0, comma);
        item = trimmedView(item.substr(0, item.find(';')));
        if (equalsIgnoreCase(item, "trailers")) return true;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return false;
}

void ChunkedAnswer::setHeaders(std::vector<std::pair<std::string, std::string>> headers, std::string prefix) {
    headers_ = std::move(headers);
    prefix_ = std::move(prefix);
}

namespace {

// A chunk's size line, in hexadecimal.
void appendChunkSize(std::string& frame, std::size_t bytes) {
    char size[24];
    const int length = std::snprintf(size, sizeof size, "%zx\r\n", bytes);
    frame.append(size, static_cast<std::size_t>(length));
}

}  // namespace

void ChunkedAnswer::appendChunk(std::string_view bytes) {
    appendChunkSize(frame_, bytes.size());
    frame_.append(bytes);
    frame_.append("\r\n", 2);
}

bool ChunkedAnswer::sendFrame() {
    const std::string_view frame = frame_;
    if (!send_(&frame, 1)) broken_ = true;
    return !broken_;
}

// The chunk's framing is made apart and its data sent from where it was
// written: an enumeration's answers run to tens of megabytes.
bool ChunkedAnswer::send(const std::string_view* pieces, std::size_t count) {
    if (broken_ || ended_) return false;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) bytes += pieces[i].size();
    frame_.clear();
    if (!started_) {
        started_ = true;
        frame_ = "HTTP/1.1 200 OK\r\n";
        for (const auto& [name, value] : headers_) frame_ += name + ": " + value + "\r\n";
        frame_ += "Transfer-Encoding: chunked\r\nTrailer: " + prefix_ + "CIMStatusCode, " + prefix_ +
                  "CIMStatusCodeDescription\r\n";
        if (closing_) frame_ += "Connection: close\r\n";
        frame_ += "\r\n";
    }
    pieces_.clear();
    if (bytes != 0) appendChunkSize(frame_, bytes);
    pieces_.emplace_back(frame_);
    pieces_.insert(pieces_.end(), pieces, pieces + count);
    if (bytes != 0) pieces_.emplace_back("\r\n", 2);
    if (!send_(pieces_.data(), pieces_.size())) broken_ = true;
    return !broken_;
}

void ChunkedAnswer::fail(int code, const std::string& description) {
    if (broken_ || ended_ || !started_) return;
    ended_ = true;
    // A field value holds no line breaks or other control characters.
    std::string text = description;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    frame_ = "0\r\n" + prefix_ + "CIMStatusCode: " + std::to_string(code) + "\r\n" + prefix_ +
             "CIMStatusCodeDescription: " + text + "\r\n\r\n";
    sendFrame();
}

bool ChunkedAnswer::finish(std::string_view rest) {
    if (!ended_ && !broken_) {
        ended_ = true;
        frame_.clear();
        if (!rest.empty()) appendChunk(rest);
        frame_.append("0\r\n\r\n", 5);
        sendFrame();
    }
    return !broken_;
}

UserTable UserTable::fromFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read the user file " + path);
    UserTable table;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (trimmed(line).empty() || trimmed(line)[0] == '#') continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos || colon == 0)
            throw std::runtime_error(path + ":" + std::to_string(number) + ": expected user:password");
        table.add(line.substr(0, colon), line.substr(colon + 1));
    }
    return table;
}

void UserTable::add(const std::string& user, const std::string& password) { users_[user] = password; }

bool UserTable::accepts(const std::string& user, const std::string& password) const {
    const auto it = users_.find(user);
    return it != users_.end() && sameSecret(password, it->second);
}

CimXmlService::CimXmlService(CimOperations& operations, UserTable users, std::size_t maxRequestBytes,
                             LogFunction log)
    : operations_(operations), users_(std::move(users)), maxRequestBytes_(maxRequestBytes), log_(std::move(log)) {}

HttpAnswer CimXmlService::protocolFailure(int status, const std::string& cimError, const std::string& why,
                                          const std::string& logLine) const {
    if (log_) log_(logLine.empty() ? "rejected request: " + std::to_string(status) + " " + cimError + ": " + why : logLine);
    HttpAnswer answer;
    answer.status = status;
    if (!cimError.empty()) answer.headers.emplace_back("CIMError", cimError);
    answer.headers.emplace_back("Content-Type", "text/plain; charset=utf-8");
    answer.body = why + "\n";
    return answer;
}

std::optional<cmpiserver::Principal> CimXmlService::authenticated(const HttpExchange& exchange,
                                                                 HttpAnswer& refusal) const {
    // As SFCB does when it authenticates nobody.
    if (!authenticates()) return cmpiserver::Principal::unauthenticated();

    const std::string* authorization = findHeader(exchange.headers, {}, "Authorization");
    const auto credentials = authorization ? basicCredentials(*authorization) : std::nullopt;
    std::string logLine;
    if (credentials) {
        if (users_.accepts(credentials->user, credentials->password)) return cmpiserver::Principal(credentials->user);
        std::string reason = "not in the users file or a wrong password";
        if (passwordCheck_) {
            if (auto user = passwordCheck_(credentials->user, credentials->password, reason))
                return cmpiserver::Principal(std::move(*user));
        }
        // One line per refused password, so that guessing shows in the log.
        logLine = "authentication failed for user \"" + printableUser(credentials->user) + "\": " + reason;
    }
    refusal = protocolFailure(401, "", "authentication required", logLine);
    refusal.headers.emplace_back("WWW-Authenticate", "Basic realm=\"orv-cimserver\"");
    return std::nullopt;
}

HttpAnswer CimXmlService::handle(const HttpExchange& exchange, ChunkedAnswer* chunked) {
    std::string prefix;
    if (exchange.method == "M-POST") {
        const auto p = extensionPrefix(exchange);
        if (!p) return protocolFailure(400, "", "M-POST without the CIM mapping in its Man header");
        prefix = *p;
    } else if (exchange.method != "POST") {
        return protocolFailure(405, "", "only POST and M-POST carry CIM operations");
    }

    HttpAnswer refusal;
    const auto principal = authenticated(exchange, refusal);
    if (!principal) return refusal;

    if (exchange.body.size() > maxRequestBytes_)
        return protocolFailure(413, "", "the request exceeds " + std::to_string(maxRequestBytes_) + " bytes");

    const std::string* operation = findHeader(exchange.headers, prefix, "CIMOperation");
    if (!operation || !equalsIgnoreCase(trimmedView(*operation), "MethodCall"))
        return protocolFailure(400, "unsupported-operation", "the CIMOperation header must say MethodCall");

    if (const std::string* version = findHeader(exchange.headers, prefix, "CIMProtocolVersion");
        version && !servedProtocolVersion(trimmed(*version)))
        return protocolFailure(501, "unsupported-protocol-version",
                               "CIMProtocolVersion " + trimmed(*version) + " is not supported; this server speaks 1.x");

    XmlRequest request;
    try {
        request = parseRequest(exchange.body);
    } catch (const ProtocolError& error) {
        return protocolFailure(error.httpStatus(), error.cimError(), error.what());
    }

    // The headers must say what the message says.
    const std::string* method = findHeader(exchange.headers, prefix, "CIMMethod");
    if (!method || percentDecoded(trimmedView(*method)) != request.methodName)
        return protocolFailure(400, "header-mismatch", "the CIMMethod header does not name " + request.methodName);
    const std::string* object = findHeader(exchange.headers, prefix, "CIMObject");
    if (!object)
        return protocolFailure(400, "header-mismatch", "the CIMObject header is missing");
    const std::string decodedObject = percentDecoded(trimmedView(*object));
    std::string_view objectNamespace = decodedObject;
    if (!request.intrinsic) objectNamespace = objectNamespace.substr(0, objectNamespace.find(':'));
    if (!equalsIgnoreCase(objectNamespace, request.nameSpace))
        return protocolFailure(400, "header-mismatch",
                               "the CIMObject header does not name the namespace " + request.nameSpace);

    HttpAnswer answer;
    answer.headers.emplace_back("Content-Type", "application/xml; charset=\"utf-8\"");
    if (!prefix.empty()) answer.headers.emplace_back("Ext", "");
    answer.headers.emplace_back(prefix + "CIMOperation", "MethodResponse");
    if (const NamedXmlValue* repeated = request.repeatedParameter()) {
        answer.body = errorDocument(request.messageId, request.methodName, request.intrinsic,
                                    kCimErrInvalidParameter, "the parameter " + repeated->name + " is given twice");
    } else {
        if (chunked) chunked->setHeaders(answer.headers, prefix);
        answer.body = operations_.answer(request, *principal, chunked);
    }
    return answer;
}

}  // namespace orv::cimxml
