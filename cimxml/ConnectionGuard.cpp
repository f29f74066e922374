#include "ConnectionGuard.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace orv::cimxml {

namespace {

using Clock = std::chrono::steady_clock;

// Blocking calls return at least this often, so that every wait notices a
// passed deadline or a stopping server.
constexpr std::chrono::milliseconds kSlice{200};
// How long a refusal may take to send, and how long the client may go on
// sending afterwards before the connection is closed under it.
constexpr std::chrono::seconds kRefusalTime{2};

constexpr long kAgain = -2;

// Bytes to and from the client: plain TCP here, TLS below. Each call
// returns what arrived or went (> 0), 0 at the end of the stream, -1 on a
// failure, or kAgain when a slice passed without progress.
class Transport {
public:
    explicit Transport(int fd) : fd_(fd) {}
    virtual ~Transport() = default;
    virtual long receive(char* data, std::size_t size) {
        const ssize_t n = ::recv(fd_, data, size, 0);
        return n >= 0 ? n : again() ? kAgain : -1;
    }
    virtual long send(const char* data, std::size_t size) {
        const ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
        return n >= 0 ? n : again() ? kAgain : -1;
    }
    // Sends from several places in one call; TLS sends the first of them.
    virtual long sendPieces(iovec* pieces, std::size_t count) {
        msghdr message{};
        message.msg_iov = pieces;
        message.msg_iovlen = count;
        const ssize_t n = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
        return n >= 0 ? n : again() ? kAgain : -1;
    }
    virtual bool hasBuffered() const { return false; }
    virtual void closeSending() { ::shutdown(fd_, SHUT_WR); }
    int fd() const { return fd_; }

protected:
    static bool again() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
    int fd_;
};

class TlsTransport : public Transport {
public:
    TlsTransport(int fd, ssl_ctx_st* context) : Transport(fd), ssl_(SSL_new(context)) {
        if (ssl_) SSL_set_fd(ssl_, fd);
    }
    ~TlsTransport() override { SSL_free(ssl_); }

    // A client that opens a connection and never finishes the handshake is
    // held to the same time as one that never finishes its request.
    bool handshake(Clock::time_point deadline, const std::function<bool()>& running) {
        if (!ssl_) return false;
        for (;;) {
            const int result = SSL_accept(ssl_);
            if (result == 1) return true;
            if (outcome(result) != kAgain || Clock::now() >= deadline || !running()) {
                ERR_clear_error();
                return false;
            }
        }
    }
    long receive(char* data, std::size_t size) override {
        const int n = SSL_read(ssl_, data, static_cast<int>(std::min<std::size_t>(size, 1 << 30)));
        return n > 0 ? n : outcome(n);
    }
    long send(const char* data, std::size_t size) override {
        const int n = SSL_write(ssl_, data, static_cast<int>(std::min<std::size_t>(size, 1 << 30)));
        return n > 0 ? n : outcome(n);
    }
    long sendPieces(iovec* pieces, std::size_t) override {
        return send(static_cast<const char*>(pieces->iov_base), pieces->iov_len);
    }
    bool hasBuffered() const override { return SSL_pending(ssl_) > 0; }
    void closeSending() override {
        SSL_shutdown(ssl_);
        Transport::closeSending();
    }

private:
    long outcome(int result) {
        const int error = SSL_get_error(ssl_, result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return kAgain;
        if (error == SSL_ERROR_SYSCALL && again()) return kAgain;
        ERR_clear_error();
        return error == SSL_ERROR_ZERO_RETURN ? 0 : -1;
    }
    SSL* ssl_;
};

std::string peerOf(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return "?";
    char text[INET6_ADDRSTRLEN] = "?";
    if (address.ss_family == AF_INET)
        ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in&>(address).sin_addr, text, sizeof text);
    else if (address.ss_family == AF_INET6)
        ::inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6&>(address).sin6_addr, text, sizeof text);
    return text;
}

bool addressOf(int fd, bool peer, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int got = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                         : ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (got != 0) return false;
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET) {
        const auto& in = reinterpret_cast<sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
        port = ntohs(in.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
        port = ntohs(in6.sin6_port);
    }
    ip = text;
    return true;
}

const char* reasonPhrase(int status) {
    switch (status) {
    case 408: return "Request Timeout";
    case 413: return "Payload Too Large";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    default: return "Bad Request";
    }
}

std::string seconds(std::chrono::milliseconds time) {
    const auto ms = time.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// What the HTTP library reads and writes for one connection. Each request
// has `requestTime` to arrive, from its first byte, and its answer as long
// again to leave, from the answer's first byte; the provider's time between
// the two is not counted. The request line and headers may take
// `maxHeaderBytes`, the body `maxBodyBytes`.
class ConnectionStream : public httplib::Stream, public AnswerConnection {
public:
    ConnectionStream(Transport& transport, const HttpLimits& limits, const LogFunction& log,
                     std::function<bool()> running, std::atomic<unsigned>& onCore)
        : transport_(transport), limits_(limits), log_(log), running_(std::move(running)), onCore_(onCore) {}

    // Waits up to the keep-alive time for the next request to start;
    // false when the connection is to close.
    bool awaitRequest() {
        if (refused_) return false;
        if (next_ == end_ && !transport_.hasBuffered() && !busyPoll()) {
            const auto idleSince = Clock::now();
            const OffCore sleeping(onCore_);
            const auto idleUntil = idleSince + limits_.keepAlive;
            for (;;) {
                const long n = transport_.receive(buffer_, sizeof buffer_);
                if (n > 0) {
                    next_ = 0;
                    end_ = static_cast<std::size_t>(n);
                    break;
                }
                if (n != kAgain || Clock::now() >= idleUntil || !running_()) return false;
            }
            // Woken within the busy-poll time: the client is quick again.
            quickClient_ = Clock::now() - idleSince < limits_.busyPoll;
        }
        readUntil_ = Clock::now() + limits_.requestTime;
        answeredAlready_ = false;
        headerBytes_ = bodyBytes_ = 0;
        headerEndMatched_ = 0;
        inHeader_ = true;
        reading_ = true;
        return true;
    }

    // Answers on the library's behalf and closes; what the library writes
    // afterwards is dropped.
    void refuse(int status, const std::string& reason) {
        if (refused_) return;
        refused_ = true;
        if (log_) log_("refused a request from " + peerOf(transport_.fd()) + " with HTTP " + std::to_string(status) +
                       ": " + reason);
        const std::string body = reason + "\n";
        const std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) +
                                   "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
                                   "\r\nConnection: close\r\n\r\n" + body;
        sendAll(answer.data(), answer.size(), Clock::now() + kRefusalTime);
    }
    bool refused() const { return refused_; }

    // After a refusal the client may still be sending; closing at once
    // would reset the connection and the client might never read why. So
    // stop sending and take what it sends for a moment.
    void finish() {
        if (!refused_) return;
        transport_.closeSending();
        const auto until = Clock::now() + kRefusalTime;
        std::size_t drained = 0;
        while (drained < (1u << 20) && Clock::now() < until) {
            const long n = transport_.receive(buffer_, sizeof buffer_);
            if (n == 0 || n == -1) break;
            if (n > 0) drained += static_cast<std::size_t>(n);
        }
    }

    bool is_readable() const override { return true; }
    bool is_writable() const override { return !refused_ && !broken_; }

    ssize_t read(char* ptr, size_t size) override {
        // The library reads the request line and headers one byte a call:
        // a byte already received that keeps within the header limit is
        // counted and handed over here, without the general path's work.
        if (size == 1 && next_ != end_ && inHeader_ && headerBytes_ < limits_.maxHeaderBytes && !refused_) {
            reading_ = true;
            const char c = buffer_[next_++];
            ++headerBytes_;
            if (matchHeaderEnd(c)) inHeader_ = false;
            *ptr = c;
            return 1;
        }
        return readMore(ptr, size);
    }

    // Kept apart so that the one-byte path above stays a leaf call.
    [[gnu::noinline]] ssize_t readMore(char* ptr, size_t size) {
        if (refused_) return -1;
        reading_ = true;
        if (next_ == end_) {
            const long n = fill();
            if (n <= 0) return n;
        }
        const std::size_t n = std::min(size, end_ - next_);
        if (!account(buffer_ + next_, n)) return -1;
        std::memcpy(ptr, buffer_ + next_, n);
        next_ += n;
        return static_cast<ssize_t>(n);
    }

    bool sendNow(const std::string_view* pieces, std::size_t count) override {
        if (refused_ || broken_) return false;
        reading_ = false;
        if (sendPiecesAll(pieces, count, Clock::now() + limits_.requestTime)) return true;
        broken_ = true;
        gaveUp();
        return false;
    }
    void answeredAlready(bool whole) override {
        answeredAlready_ = true;
        if (!whole) broken_ = true;
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (refused_ || broken_) return -1;
        if (answeredAlready_) return static_cast<ssize_t>(size);
        if (reading_) {
            reading_ = false;
            writeUntil_ = Clock::now() + limits_.requestTime;
            // The library writes an answer's status line and headers, then
            // its body. Held back and sent with the body, they leave in one
            // piece, and the client wakes once per answer instead of twice.
            // An interim answer (100 Continue) goes at once: the client
            // waits for it before it sends the body.
            if (size <= kHeldBytes && !isInterimAnswer(ptr, size)) {
                held_.assign(ptr, size);
                return static_cast<ssize_t>(size);
            }
        }
        bool sent;
        if (held_.empty()) {
            sent = sendAll(ptr, size, writeUntil_);
        } else if (size <= kHeldBytes) {
            held_.append(ptr, size);
            sent = flush();
        } else {
            sent = flush() && sendAll(ptr, size, writeUntil_);
        }
        if (sent) return static_cast<ssize_t>(size);
        gaveUp();
        return -1;
    }

    // Sends what is held: the library has written all of an answer.
    bool flush() {
        if (held_.empty()) return true;
        const bool sent = sendAll(held_.data(), held_.size(), writeUntil_);
        held_.clear();
        return sent;
    }
    // Sends what is held at the end of an answer; false (and logged) when
    // the client did not take it.
    bool finishAnswer() {
        if (flush()) return true;
        gaveUp();
        return false;
    }

    // Asked for every request; the addresses of a connection do not change,
    // so the system is asked once.
    void get_remote_ip_and_port(std::string& ip, int& port) const override { remote_.get(transport_.fd(), ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { local_.get(transport_.fd(), ip, port); }
    socket_t socket() const override { return transport_.fd(); }

private:
    // Counts a connection's thread off the cores while it sleeps.
    struct OffCore {
        explicit OffCore(std::atomic<unsigned>& onCore) : onCore_(onCore) { onCore_.fetch_sub(1); }
        ~OffCore() { onCore_.fetch_add(1); }
        std::atomic<unsigned>& onCore_;
    };

    // Looks for the next request without sleeping for up to the busy-poll
    // time: true when it has come (left in the socket for the usual read).
    // Only for a client that came back that quickly last time, and only
    // while the other connections' threads leave a core free: polling for a
    // slow client, or on a busy machine, takes time from the others; and
    // it yields between looks, so that a thread with work (another
    // connection's, or a client's on the same machine) runs first.
    bool busyPoll() {
        static const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        // This thread counts itself: it has just answered.
        if (!quickClient_ || limits_.busyPoll.count() <= 0 || onCore_.load(std::memory_order_relaxed) > cores)
            return false;
        const auto until = Clock::now() + limits_.busyPoll;
        char first;
        do {
            const ssize_t n = ::recv(transport_.fd(), &first, 1, MSG_PEEK | MSG_DONTWAIT);
            if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return true;
            sched_yield();
        } while (Clock::now() < until);
        quickClient_ = false;
        return false;
    }

    long fill() {
        for (;;) {
            const long n = transport_.receive(buffer_, sizeof buffer_);
            // The deadline holds whether bytes come or not: a client that
            // trickles a byte now and then must not escape it.
            if ((n > 0 || n == kAgain) && Clock::now() >= readUntil_) {
                refuse(408, "the request did not arrive within " + seconds(limits_.requestTime));
                return -1;
            }
            if (n > 0) {
                next_ = 0;
                end_ = static_cast<std::size_t>(n);
                return n;
            }
            if (n != kAgain) return n;
            if (!running_()) return -1;
        }
    }

    // Counts bytes handed to the library against the limits: up to the
    // blank line that ends the headers as header, after it as body.
    bool account(const char* data, std::size_t size) {
        std::size_t i = 0;
        while (inHeader_ && i < size) {
            ++headerBytes_;
            if (matchHeaderEnd(data[i++])) inHeader_ = false;
        }
        if (headerBytes_ > limits_.maxHeaderBytes) {
            refuse(431, "the request line and headers exceed " + std::to_string(limits_.maxHeaderBytes) + " bytes");
            return false;
        }
        bodyBytes_ += size - i;
        if (bodyBytes_ > limits_.maxBodyBytes) {
            refuse(413, "the request exceeds " + std::to_string(limits_.maxBodyBytes) + " bytes");
            return false;
        }
        return true;
    }

    static bool isInterimAnswer(const char* data, std::size_t size) {
        static constexpr char kInterim[] = "HTTP/1.1 1";
        return size >= sizeof kInterim - 1 && std::memcmp(data, kInterim, sizeof kInterim - 1) == 0;
    }

    void gaveUp() {
        if (log_ && running_())
            log_("gave up sending an answer to " + peerOf(transport_.fd()) + " after " + seconds(limits_.requestTime));
    }

    // True when `c` completes the blank line that ends the headers.
    bool matchHeaderEnd(char c) {
        static constexpr char kEnd[] = "\r\n\r\n";
        headerEndMatched_ = c == kEnd[headerEndMatched_] ? headerEndMatched_ + 1 : c == '\r' ? 1 : 0;
        return headerEndMatched_ == 4;
    }

    bool sendAll(const char* data, std::size_t size, Clock::time_point until) {
        while (size > 0) {
            const long n = transport_.send(data, size);
            if (n > 0) {
                data += n;
                size -= static_cast<std::size_t>(n);
            } else if (n != kAgain || Clock::now() >= until || !running_()) {
                return false;
            }
        }
        return true;
    }

    bool sendPiecesAll(const std::string_view* pieces, std::size_t count, Clock::time_point until) {
        left_.clear();
        for (std::size_t i = 0; i < count; ++i)
            if (!pieces[i].empty()) left_.push_back(iovec{const_cast<char*>(pieces[i].data()), pieces[i].size()});
        std::size_t first = 0;
        while (first < left_.size()) {
            const long n = transport_.sendPieces(&left_[first], std::min<std::size_t>(left_.size() - first, IOV_MAX));
            if (n <= 0) {
                if (n != kAgain || Clock::now() >= until || !running_()) return false;
                continue;
            }
            // Past the pieces that left whole, into the one that left in part.
            for (std::size_t sent = static_cast<std::size_t>(n); sent > 0;) {
                iovec& piece = left_[first];
                if (sent >= piece.iov_len) {
                    sent -= piece.iov_len;
                    ++first;
                } else {
                    piece.iov_base = static_cast<char*>(piece.iov_base) + sent;
                    piece.iov_len -= sent;
                    sent = 0;
                }
            }
        }
        return true;
    }

    template <bool Peer>
    struct Address {
        bool asked = false;
        bool found = false;
        std::string ip;
        int port = 0;
        void get(int fd, std::string& ipOut, int& portOut) {
            if (!asked) {
                found = addressOf(fd, Peer, ip, port);
                asked = true;
            }
            if (!found) return;
            ipOut = ip;
            portOut = port;
        }
    };

    // Headers of an answer up to this size wait for its body; bodies up to
    // it join them rather than go in a send of their own.
    static constexpr std::size_t kHeldBytes = 16 * 1024;

    Transport& transport_;
    const HttpLimits& limits_;
    const LogFunction& log_;
    std::function<bool()> running_;
    std::atomic<unsigned>& onCore_;
    char buffer_[16 * 1024];
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    Clock::time_point readUntil_{};
    Clock::time_point writeUntil_{};
    std::size_t headerBytes_ = 0;
    std::size_t bodyBytes_ = 0;
    int headerEndMatched_ = 0;
    bool inHeader_ = true;
    bool reading_ = true;
    bool refused_ = false;
    // The handler sent the answer to the current request itself.
    bool answeredAlready_ = false;
    // An answer stopped part way: the connection cannot carry another.
    bool broken_ = false;
    bool quickClient_ = true;
    std::string held_;
    std::vector<iovec> left_;
    mutable Address<true> remote_;
    mutable Address<false> local_;
};

thread_local AnswerConnection* currentConnection = nullptr;

// Names the connection this thread serves while a request is processed.
struct ServingConnection {
    explicit ServingConnection(AnswerConnection& connection) { currentConnection = &connection; }
    ~ServingConnection() { currentConnection = nullptr; }
};

}  // namespace

AnswerConnection* AnswerConnection::current() { return currentConnection; }

GuardedHttpServer::GuardedHttpServer(const HttpLimits& limits, std::atomic<std::size_t>& connections,
                                     std::atomic<unsigned>& onCore, ssl_ctx_st* tls, LogFunction log)
    : limits_(limits), connections_(connections), onCore_(onCore), tls_(tls), log_(std::move(log)) {}

bool GuardedHttpServer::process_and_close_socket(socket_t sock) {
    const timeval slice{0, static_cast<suseconds_t>(std::chrono::microseconds(kSlice).count())};
    ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &slice, sizeof slice);
    ::setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &slice, sizeof slice);
    const auto accepted = Clock::now();
    const bool admitted = connections_.fetch_add(1) < limits_.maxConnections;
    onCore_.fetch_add(1);
    const auto isRunning = [this] { return running(); };

    std::unique_ptr<Transport> transport;
    if (tls_) {
        auto secured = std::make_unique<TlsTransport>(sock, tls_);
        if (secured->handshake(accepted + limits_.requestTime, isRunning)) transport = std::move(secured);
    } else {
        transport = std::make_unique<Transport>(sock);
    }
    bool served = false;
    if (transport) {
        ConnectionStream stream(*transport, limits_, log_, isRunning, onCore_);
        if (!admitted) {
            stream.refuse(503, "the server has " + std::to_string(limits_.maxConnections) +
                                   " connections open already; try again later");
        } else {
            served = true;
            while (served && stream.awaitRequest()) {
                bool closed = false;
                const ServingConnection serving(stream);
                const bool processed = process_request(stream, !running(), closed, nullptr);
                served = stream.finishAnswer() && processed;
                if (closed || stream.refused() || !running()) break;
            }
        }
        stream.finish();
    }
    connections_.fetch_sub(1);
    onCore_.fetch_sub(1);
    transport.reset();
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return served;
}

}  // namespace orv::cimxml
