// The listening side: cpp-httplib with a thread per open connection, POST (and M-POST)
// on /cimom handed to the CimXmlService, and a small diagnostic page with
// the indications the provider delivered most recently.
#pragma once

#include "CimXmlService.h"
#include "ServerSchema.h"
#include "Value.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace httplib {
class Server;
}

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

constexpr std::size_t kDefaultMaxConnections = 256;

class HttpServer {
public:
    // `threads` requests run at once; up to `maxConnections` connections
    // are served at once, idle ones included, and further ones wait.
    HttpServer(CimXmlService& service, IndicationLog& indications, std::size_t threads,
               std::size_t maxConnections = kDefaultMaxConnections, LogFunction log = {});
    ~HttpServer();

    // Binds; port 0 picks a free one. Returns the bound port; throws
    // std::runtime_error when the address cannot be bound.
    int bind(const std::string& address, int port);
    // Serves until stop() is called from another thread.
    void serve();
    void stop();

private:
    std::unique_ptr<httplib::Server> server_;
    std::unique_ptr<RequestGate> gate_;
    int listeningSocket_ = -1;
};

}  // namespace orv::cimxml
