// One connection served within the server's limits, over plain TCP or TLS.
//
// cpp-httplib times each read of a request, not the request: a client that
// sends a byte every few seconds holds a thread for as long as it likes. It
// also keeps every byte of a header line before it looks at the line's
// length, and takes any number of lines. So the library parses and answers
// as before, but over a stream of ours that counts and times what arrives
// and answers on its own (408, 413, 431, 503) when a limit is passed.
#pragma once

#include "CimOperations.h"
#include "HttpServer.h"

#include <httplib.h>

#include <atomic>
#include <string_view>

struct ssl_ctx_st;

namespace orv::cimxml {

// The connection whose request this thread is serving, for an answer that
// leaves while its handler still runs (a chunked one): the HTTP library
// writes an answer only after the handler returned.
class AnswerConnection {
public:
    // Null outside the handling of a request.
    static AnswerConnection* current();
    // Sends the pieces at once, in order, each call with the answer's time
    // to leave; false when they did not all leave.
    virtual bool sendNow(const std::string_view* pieces, std::size_t count) = 0;
    // The handler has sent the answer itself: what the library writes for
    // this request is dropped. When `whole` is false the answer did not end
    // on the wire and the connection closes.
    virtual void answeredAlready(bool whole) = 0;

protected:
    ~AnswerConnection() = default;
};

class GuardedHttpServer : public httplib::Server {
public:
    // `connections` counts open connections over every listener of the
    // server, `onCore` their threads on a core (serving or busy polling);
    // `tls` is null for plain HTTP. Refusals are logged.
    GuardedHttpServer(const HttpLimits& limits, std::atomic<std::size_t>& connections,
                      std::atomic<unsigned>& onCore, ssl_ctx_st* tls, LogFunction log);

private:
    bool process_and_close_socket(socket_t sock) override;
    bool running() const { return svr_sock_ != INVALID_SOCKET; }

    const HttpLimits limits_;
    std::atomic<std::size_t>& connections_;
    std::atomic<unsigned>& onCore_;
    ssl_ctx_st* tls_;
    LogFunction log_;
};

}  // namespace orv::cimxml
