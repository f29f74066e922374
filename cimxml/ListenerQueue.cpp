#include "ListenerQueue.h"

#include <httplib.h>

namespace orv::cimxml {

using cmpiserver::Instance;
using cmpiserver::Value;

ListenerQueue::ListenerQueue(const ServerSchema& schema, std::string destinationName, ListenerUrl url,
                             std::string sequenceContext, DeliverySettings settings, Log log)
    : schema_(schema), name_(std::move(destinationName)), url_(std::move(url)),
      sequenceContext_(std::move(sequenceContext)), settings_(settings), log_(std::move(log)) {
    thread_ = std::thread([this] { run(); });
}

ListenerQueue::~ListenerQueue() { stop(); }

void ListenerQueue::push(Instance indication) {
    std::unique_lock lock(mutex_);
    if (stopping_) return;
    // Numbers are taken even by indications dropped later, so that the
    // listener sees the gap.
    cmpiserver::setNamed(indication.properties, "SequenceContext", Value::string(sequenceContext_));
    cmpiserver::setNamed(indication.properties, "SequenceNumber", Value::signedInteger(CMPI_sint64, nextNumber_++));
    waiting_.push_back(std::move(indication));
    ++figures_.queued;
    std::string line;
    if (waiting_.size() > settings_.queueLimit) {
        waiting_.pop_front();
        line = countDroppedUnlocked(1, "the queue is full");
    }
    lock.unlock();
    wake_.notify_one();
    logLine(line);
}

void ListenerQueue::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

ListenerQueue::Figures ListenerQueue::figures() const {
    std::lock_guard lock(mutex_);
    return figures_;
}

// Logged at the first drop and every hundredth after it, so that a
// listener that is gone for good does not flood the log.
std::string ListenerQueue::countDroppedUnlocked(std::uint64_t n, const std::string& reason) {
    const std::uint64_t before = figures_.dropped;
    figures_.dropped += n;
    if (before != 0 && before / 100 == figures_.dropped / 100) return {};
    return "listener destination " + name_ + ": dropped " + std::to_string(n) + " indication(s), " + reason + " (" +
           std::to_string(figures_.dropped) + " dropped in all)";
}

void ListenerQueue::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_) break;
        Instance indication = std::move(waiting_.front());
        waiting_.pop_front();
        const Value* number = indication.property("SequenceNumber");
        const std::string messageId = number ? std::to_string(number->asSigned()) : "0";
        lock.unlock();
        const std::string body = exportIndicationRequest(schema_, indication, messageId);

        bool delivered = false;
        std::string why;
        auto pause = settings_.retryInterval;
        for (unsigned attempt = 0;; ++attempt) {
            bool worthRetrying = true;
            delivered = send(body, why, worthRetrying);
            if (delivered || !worthRetrying || attempt >= settings_.retryAttempts) break;
            lock.lock();
            const bool stopped = wake_.wait_for(lock, pause, [this] { return stopping_; });
            lock.unlock();
            if (stopped) break;
            pause *= 2;
        }
        std::string line;
        lock.lock();
        if (delivered)
            ++figures_.delivered;
        else
            line = countDroppedUnlocked(1, "the listener at " + url_.origin() + url_.path + " did not take it: " + why);
        if (!line.empty()) {
            lock.unlock();
            logLine(line);
            lock.lock();
        }
    }
    std::string line;
    if (!waiting_.empty()) line = countDroppedUnlocked(waiting_.size(), "the server stopped before sending them");
    waiting_.clear();
    lock.unlock();
    logLine(line);
}

bool ListenerQueue::send(const std::string& body, std::string& why, bool& worthRetrying) {
    httplib::Client client(url_.origin());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(settings_.timeout).count();
    client.set_connection_timeout(seconds, 0);
    client.set_read_timeout(seconds, 0);
    client.set_write_timeout(seconds, 0);
    const httplib::Headers headers{{"CIMExport", "MethodRequest"},
                                   {"CIMExportMethod", "ExportIndication"},
                                   {"CIMProtocolVersion", "1.0"}};
    auto result = client.Post(url_.path.c_str(), headers, body, kExportContentType);
    if (!result) {
        why = httplib::to_string(result.error());
        return false;
    }
    if (result->status != 200) {
        why = "HTTP " + std::to_string(result->status) + " " + result->get_header_value("CIMError");
        // A listener that refuses the request as such will refuse it again.
        worthRetrying = result->status >= 500 || result->status == 408 || result->status == 429;
        return false;
    }
    if (result->body.find("<ERROR") != std::string::npos) {
        why = "the listener answered with a CIM error";
        worthRetrying = false;
        return false;
    }
    return true;
}

}  // namespace orv::cimxml
