// Delivery to one listener destination: indications wait in a bounded
// queue and a thread of the destination's own sends them one at a time, in
// order, as CIM-XML ExportIndication requests. A listener that does not
// answer is retried with a growing pause; the provider's event thread only
// ever appends to the queue, so a slow or absent listener never holds it up.
#pragma once

#include "ExportMessage.h"
#include "ServerSchema.h"
#include "Value.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace orv::cimxml {

struct DeliverySettings {
    // Sends after the first before an indication is given up.
    unsigned retryAttempts = 3;
    // The pause before the first retry; each further retry waits twice as long.
    std::chrono::milliseconds retryInterval{20000};
    // Indications waiting beyond this many push out the oldest.
    std::size_t queueLimit = 1000;
    std::chrono::milliseconds timeout{10000};
};

class ListenerQueue {
public:
    using Log = std::function<void(const std::string& line)>;

    // `sequenceContext` names this server run and destination; the listener
    // sees numbers from 0 within it and so can tell a gap from a restart.
    ListenerQueue(const ServerSchema& schema, std::string destinationName, ListenerUrl url,
                  std::string sequenceContext, DeliverySettings settings, Log log);
    ~ListenerQueue();
    ListenerQueue(const ListenerQueue&) = delete;
    ListenerQueue& operator=(const ListenerQueue&) = delete;

    // Stamps the indication with the sequence context and the next number
    // and queues it. Returns at once.
    void push(cmpiserver::Instance indication);
    // Sends nothing more; what is still queued is counted as dropped. Joins
    // the thread.
    void stop();

    struct Figures {
        std::uint64_t queued = 0;
        std::uint64_t delivered = 0;
        std::uint64_t dropped = 0;  // queue full, retries used up, or stopped
    };
    Figures figures() const;

private:
    void run();
    // True when the listener took the indication; `why` says otherwise.
    bool send(const std::string& body, std::string& why, bool& worthRetrying);
    // The log line to write once the lock is released; empty for none.
    std::string countDroppedUnlocked(std::uint64_t n, const std::string& reason);
    void logLine(const std::string& line) const {
        if (log_ && !line.empty()) log_(line);
    }

    const ServerSchema& schema_;
    const std::string name_;
    const ListenerUrl url_;
    const std::string sequenceContext_;
    const DeliverySettings settings_;
    Log log_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<cmpiserver::Instance> waiting_;
    std::int64_t nextNumber_ = 0;
    bool stopping_ = false;
    Figures figures_;
    std::thread thread_;
};

}  // namespace orv::cimxml
