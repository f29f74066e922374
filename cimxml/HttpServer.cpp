#include "HttpServer.h"

#include "ConnectionGuard.h"
#include "TlsContext.h"
#include "XmlResponse.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <functional>
#include <limits>
#include <list>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

namespace orv::cimxml {

namespace {

std::string utcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string escapedAttribute(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// Threads for connections rather than for requests. The HTTP library keeps
// a thread on a connection for as long as it waits for the connection's
// next request, so a fixed pool would be held by clients that connect and
// say nothing, and a request would wait for their time-outs. Threads start
// when every one is busy, up to a bound, and end after a while without
// work; how many requests run at once is bounded apart (RequestGate).
class ConnectionThreads : public httplib::TaskQueue {
public:
    explicit ConnectionThreads(std::size_t limit) : limit_(limit) {}
    ~ConnectionThreads() override { shutdown(); }

    void enqueue(std::function<void()> task) override {
        std::unique_lock lock(mutex_);
        tasks_.push_back(std::move(task));
        joinFinishedUnlocked();
        if (idle_ < tasks_.size() && workers_.size() < limit_) {
            Worker& worker = workers_.emplace_back();
            worker.thread = std::thread([this, &worker] { work(worker); });
        }
        lock.unlock();
        ready_.notify_one();
    }

    void shutdown() override {
        std::list<Worker> workers;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        ready_.notify_all();
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (workers_.empty()) return;
                workers.splice(workers.end(), workers_);
            }
            for (auto& worker : workers) worker.thread.join();
            workers.clear();
        }
    }

private:
    struct Worker {
        std::thread thread;
        bool finished = false;
    };
    static constexpr std::chrono::seconds kLinger{30};

    // Tasks left at shutdown still run: each one closes its connection.
    void work(Worker& self) {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            const bool woken = ready_.wait_for(lock, kLinger, [this] { return stopping_ || !tasks_.empty(); });
            --idle_;
            if (tasks_.empty()) {
                if (stopping_ || !woken) break;
                continue;
            }
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
        self.finished = true;
    }

    void joinFinishedUnlocked() {
        for (auto it = workers_.begin(); it != workers_.end();) {
            if (!it->finished) {
                ++it;
                continue;
            }
            it->thread.join();
            it = workers_.erase(it);
        }
    }

    const std::size_t limit_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
    std::list<Worker> workers_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

}  // namespace

// At most `limit` requests in the provider at once, however many
// connections are open.
class RequestGate {
public:
    explicit RequestGate(std::size_t limit) : free_(limit) {}
    void enter() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return free_ > 0; });
        --free_;
    }
    void leave() {
        {
            std::lock_guard lock(mutex_);
            ++free_;
        }
        opened_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    std::size_t free_;
};

IndicationLog::IndicationLog(const ServerSchema& schema, std::size_t capacity, LogFunction log)
    : schema_(schema), capacity_(capacity), log_(std::move(log)) {}

void IndicationLog::record(const std::string& nameSpace, const cmpiserver::Instance& indication) {
    Entry entry{utcNow(), nameSpace, instanceXml(schema_, indication)};
    if (log_) log_("indication in " + nameSpace + ": " + entry.xml);
    std::lock_guard lock(mutex_);
    ++total_;
    if (capacity_ == 0) return;
    entries_.push_back(std::move(entry));
    while (entries_.size() > capacity_) entries_.pop_front();
}

std::size_t IndicationLog::total() const {
    std::lock_guard lock(mutex_);
    return total_;
}

std::string IndicationLog::document() const {
    std::lock_guard lock(mutex_);
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<INDICATIONS TOTAL=\"" +
                      std::to_string(total_) + "\">\n";
    for (const auto& e : entries_)
        out += "<INDICATION TIME=\"" + e.time + "\" NAMESPACE=\"" + escapedAttribute(e.nameSpace) + "\">" + e.xml +
               "</INDICATION>\n";
    return out + "</INDICATIONS>\n";
}

// Threads beyond the connection limit, so that a connection over it is
// answered 503 at once rather than after an open one closes.
constexpr std::size_t kRefusingThreads = 8;

struct HttpServer::Listener {
    std::unique_ptr<GuardedHttpServer> server;
    int socket = -1;
};

HttpServer::HttpServer(CimXmlService& service, IndicationLog& indications, std::size_t threads, HttpLimits limits,
                       LogFunction log, bool logRequests)
    : service_(service), indications_(indications), limits_(limits), log_(std::move(log)), logRequests_(logRequests),
      gate_(std::make_unique<RequestGate>(threads)) {
    limits_.maxBodyBytes = service.maxRequestBytes();
}

HttpServer::~HttpServer() = default;

int HttpServer::addListener(const std::string& address, int port, ssl_ctx_st* tls) {
    auto listener = std::make_unique<Listener>();
    auto server = std::make_unique<GuardedHttpServer>(limits_, connections_, onCore_, tls, log_);
    const std::size_t threadLimit = limits_.maxConnections + kRefusingThreads;
    server->new_task_queue = [threadLimit] { return new ConnectionThreads(threadLimit); };
    // The body limit is enforced while reading, before a large request is
    // held in memory; the library answers 413 itself.
    server->set_payload_max_length(service_.maxRequestBytes());
    // A management station sends thousands of requests on one connection:
    // keep it open as long as the client does, and send each answer at once
    // rather than holding its body back until the client acknowledges the
    // header (a delayed acknowledgement costs some 40 ms per request).
    server->set_keep_alive_max_count(std::numeric_limits<std::size_t>::max());
    server->set_tcp_nodelay(true);
    // The library listens with a backlog of five, so a burst of clients
    // connecting at once has connections dropped and retried a second or
    // more later. The listening socket is noted as it is made and listened
    // on again with the system's bound once bound.
    server->set_socket_options([l = listener.get()](int socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        l->socket = socket;
    });

    const LogFunction requestLog = logRequests_ ? log_ : LogFunction{};
    auto cimHandler = [&service = service_, log = requestLog, gate = gate_.get()](const httplib::Request& request,
                                                                                httplib::Response& response) {
        HttpExchange exchange;
        exchange.method = request.method;
        exchange.target = request.path;
        exchange.headers.reserve(request.headers.size());
        for (const auto& [name, value] : request.headers) exchange.headers.emplace_back(name, value);
        exchange.body = request.body;
        const auto started = std::chrono::steady_clock::now();
        // A client that accepts trailers gets a large answer in chunks while
        // it is written; one that does not gets it whole, with its length.
        std::optional<ChunkedAnswer> chunked;
        AnswerConnection* connection = AnswerConnection::current();
        if (connection && ChunkedAnswer::acceptedBy(exchange, request.version))
            chunked.emplace([connection](const std::string_view* pieces, std::size_t count) {
                return connection->sendNow(pieces, count);
            },
                            cmpiserver::equalsIgnoreCase(request.get_header_value("Connection"), "close"));
        gate->enter();
        HttpAnswer answer;
        try {
            answer = service.handle(exchange, chunked ? &*chunked : nullptr);
            if (chunked && chunked->started()) {
                connection->answeredAlready(chunked->finish(answer.body));
                answer.body.clear();
            }
        } catch (...) {
            gate->leave();
            if (chunked && chunked->started()) connection->answeredAlready(false);
            throw;
        }
        gate->leave();
        response.status = answer.status;
        std::string contentType = "text/plain";
        for (const auto& [name, value] : answer.headers) {
            if (cmpiserver::equalsIgnoreCase(name, "Content-Type"))
                contentType = value;
            else
                response.set_header(name, value);
        }
        response.set_header("Content-Type", contentType);
        // The answer can run to megabytes: handed over, not copied.
        response.body = std::move(answer.body);
        if (log) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - started).count();
            log(request.method + " " + request.path + " " + exchange.header("CIMMethod").value_or("-") + " " +
                percentDecoded(exchange.header("CIMObject").value_or("-")) + " -> " +
                std::to_string(answer.status) + " (" + std::to_string(ms) + " ms)");
        }
    };
    server->Post("/cimom", cimHandler);
    server->Get("/indications", [&indications = indications_](const httplib::Request&, httplib::Response& response) {
        response.set_content(indications.document(), "application/xml; charset=utf-8");
    });
    server->set_exception_handler([log = log_](const httplib::Request&, httplib::Response& response,
                                               std::exception_ptr) {
        if (log) log("internal error while serving a request");
        response.status = 500;
        response.set_content("internal error\n", "text/plain");
    });

    int bound = -1;
    if (port == 0) {
        bound = server->bind_to_any_port(address);
    } else if (server->bind_to_port(address, port)) {
        bound = port;
    }
    if (bound <= 0) throw std::runtime_error("cannot listen on " + address + ":" + std::to_string(port));
    if (listener->socket >= 0) ::listen(listener->socket, SOMAXCONN);
    listener->server = std::move(server);
    listeners_.push_back(std::move(listener));
    return bound;
}

int HttpServer::bind(const std::string& address, int port) { return addListener(address, port, nullptr); }

int HttpServer::bindTls(const std::string& address, int port, const TlsContext& tls) {
    return addListener(address, port, tls.native());
}

void HttpServer::serve() {
    if (listeners_.empty()) return;
    std::vector<std::thread> others;
    for (std::size_t i = 1; i < listeners_.size(); ++i)
        others.emplace_back([server = listeners_[i]->server.get()] { server->listen_after_bind(); });
    listeners_.front()->server->listen_after_bind();
    for (auto& thread : others) thread.join();
}

// A stop may arrive while serve() is still starting up; stopping a server
// that does not run yet would be lost, so wait a little for it to run.
void HttpServer::stop() {
    for (const auto& listener : listeners_) {
        for (int attempt = 0; attempt < 200 && !listener->server->is_running(); ++attempt)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        listener->server->stop();
    }
}

}  // namespace orv::cimxml
