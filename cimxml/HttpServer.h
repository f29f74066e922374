// The listening side: cpp-httplib with a thread per open connection, over
// plain HTTP, TLS or both, POST (and M-POST) on /cimom handed to the
// CimXmlService, and a small diagnostic page with the indications the
// provider delivered most recently.
#pragma once

#include "CimXmlService.h"
#include "ServerSchema.h"
#include "Value.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct ssl_ctx_st;

namespace orv::cimxml {

// Keeps the last indications for GET /indications and logs each one.
class IndicationLog {
public:
    IndicationLog(const ServerSchema& schema, std::size_t capacity, LogFunction log = {});
    void record(const std::string& nameSpace, const cmpiserver::Instance& indication);
    std::size_t total() const;
    // An XML document listing the kept indications, oldest first.
    std::string document() const;

private:
    struct Entry {
        std::string time;
        std::string nameSpace;
        std::string xml;
    };
    const ServerSchema& schema_;
    std::size_t capacity_;
    LogFunction log_;
    mutable std::mutex mutex_;
    std::deque<Entry> entries_;
    std::size_t total_ = 0;
};

class RequestGate;
class GuardedHttpServer;
class TlsContext;

constexpr std::size_t kDefaultMaxConnections = 256;
constexpr std::size_t kDefaultMaxHeaderBytes = 16 * 1024;

// What one client may take of the server. Passing a limit gets an HTTP
// status and a closed connection; the server goes on serving the others.
struct HttpLimits {
    // Connections open at once over all listeners, idle ones included;
    // one more is answered 503.
    std::size_t maxConnections = kDefaultMaxConnections;
    // Request line and headers together; more is answered 431.
    std::size_t maxHeaderBytes = kDefaultMaxHeaderBytes;
    // The body; more is answered 413. Taken from the service.
    std::size_t maxBodyBytes = kDefaultMaxRequestBytes;
    // For a request to arrive, from its first byte (408 after), and again
    // for its answer to leave; the provider's time is not counted.
    std::chrono::milliseconds requestTime{30000};
    // How long an open connection may wait for its next request.
    std::chrono::milliseconds keepAlive{5000};
    // How long a connection's thread keeps looking for the next request
    // before it sleeps, while a core is free. A client that sends request
    // after request then finds its thread awake; waking a sleeping thread
    // costs more than most answers take on a virtual machine. 0: sleep at once.
    std::chrono::microseconds busyPoll{200};
};

class HttpServer {
public:
    // `threads` requests run in the provider at once, however many
    // connections are open. Refusals go to `log`, and each request too
    // when `logRequests` is set.
    HttpServer(CimXmlService& service, IndicationLog& indications, std::size_t threads, HttpLimits limits = {},
               LogFunction log = {}, bool logRequests = false);
    ~HttpServer();

    // Binds a listener for plain HTTP, or for HTTPS with the given
    // certificate; port 0 picks a free one. Returns the bound port; throws
    // std::runtime_error when the address cannot be bound.
    int bind(const std::string& address, int port);
    int bindTls(const std::string& address, int port, const TlsContext& tls);
    // Serves every listener until stop() is called from another thread.
    void serve();
    void stop();

private:
    struct Listener;
    int addListener(const std::string& address, int port, ssl_ctx_st* tls);

    CimXmlService& service_;
    IndicationLog& indications_;
    HttpLimits limits_;
    LogFunction log_;
    bool logRequests_;
    std::unique_ptr<RequestGate> gate_;
    std::atomic<std::size_t> connections_{0};
    // Connection threads on a core now: serving a request or busy polling.
    std::atomic<unsigned> onCore_{0};
    std::vector<std::unique_ptr<Listener>> listeners_;
};

}  // namespace orv::cimxml
