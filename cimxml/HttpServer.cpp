#include "HttpServer.h"

#include "XmlResponse.h"

#include <httplib.h>

#include <chrono>
#include <ctime>
#include <limits>
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

}  // namespace

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

HttpServer::HttpServer(CimXmlService& service, IndicationLog& indications, std::size_t threads, LogFunction log)
    : server_(std::make_unique<httplib::Server>()) {
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    // The body limit is enforced while reading, before a large request is
    // held in memory; the library answers 413 itself.
    server_->set_payload_max_length(service.maxRequestBytes());
    // A management station sends thousands of requests on one connection:
    // keep it open as long as the client does, and send each answer at once
    // rather than holding its body back until the client acknowledges the
    // header (a delayed acknowledgement costs some 40 ms per request).
    server_->set_keep_alive_max_count(std::numeric_limits<std::size_t>::max());
    server_->set_tcp_nodelay(true);

    auto cimHandler = [&service, log](const httplib::Request& request, httplib::Response& response) {
        HttpExchange exchange;
        exchange.method = request.method;
        exchange.target = request.path;
        for (const auto& [name, value] : request.headers) exchange.headers.emplace_back(name, value);
        exchange.body = request.body;
        const auto started = std::chrono::steady_clock::now();
        HttpAnswer answer = service.handle(exchange);
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
    server_->Post("/cimom", cimHandler);
    server_->Get("/indications", [&indications](const httplib::Request&, httplib::Response& response) {
        response.set_content(indications.document(), "application/xml; charset=utf-8");
    });
    server_->set_exception_handler([log](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        if (log) log("internal error while serving a request");
        response.status = 500;
        response.set_content("internal error\n", "text/plain");
    });
}

HttpServer::~HttpServer() = default;

int HttpServer::bind(const std::string& address, int port) {
    int bound = -1;
    if (port == 0) {
        bound = server_->bind_to_any_port(address);
    } else if (server_->bind_to_port(address, port)) {
        bound = port;
    }
    if (bound <= 0) throw std::runtime_error("cannot listen on " + address + ":" + std::to_string(port));
    return bound;
}

void HttpServer::serve() { server_->listen_after_bind(); }

// A stop may arrive while serve() is still starting up; stopping a server
// that does not run yet would be lost, so wait a little for it to run.
void HttpServer::stop() {
    for (int attempt = 0; attempt < 200 && !server_->is_running(); ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    server_->stop();
}

}  // namespace orv::cimxml
