// Delivery to a listener over the loopback: the export messages and the
// listener's answers are valid CIM-XML, a listener that is away for five
// seconds still gets every indication in order, and one that never comes
// back costs no more than the queue's bound.
#include "DtdValidation.h"
#include "FixtureSchema.h"
#include "IndicationListener.h"
#include "ListenerQueue.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace orv::cimxml::test {
namespace {

using cmpiserver::Instance;
using cmpiserver::Value;

Instance alert(int n) {
    Instance out;
    out.path = {"", kStorageNs, "CIM_AlertIndication", {}};
    out.properties = {{"Message", Value::string("alert " + std::to_string(n))},
                      {"PerceivedSeverity", Value::unsignedInteger(CMPI_uint16, 6)}};
    return out;
}

// orv-listener's request handling behind an HTTP server of the test's own.
class Listener {
public:
    explicit Listener(int port) {
        server_.Post(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
            HttpExchange exchange;
            for (const auto& [name, value] : request.headers) exchange.headers.emplace_back(name, value);
            exchange.body = request.body;
            ListenerReply reply = receiveExport(exchange);
            response.status = reply.answer.status;
            for (const auto& [name, value] : reply.answer.headers) response.set_header(name, value);
            response.body = reply.answer.body;
            std::lock_guard lock(mutex_);
            if (firstExchange_.first.empty()) firstExchange_ = {request.body, reply.answer.body};
            if (reply.indication) received_.push_back(*reply.indication);
            changed_.notify_all();
        });
        if (!server_.bind_to_port("127.0.0.1", port)) throw std::runtime_error("port taken");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~Listener() {
        server_.stop();
        thread_.join();
    }
    std::vector<ReceivedIndication> waitFor(std::size_t n, std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, limit, [&] { return received_.size() >= n; });
        return received_;
    }
    std::pair<std::string, std::string> firstExchange() {
        std::lock_guard lock(mutex_);
        return firstExchange_;
    }

private:
    httplib::Server server_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ReceivedIndication> received_;
    std::pair<std::string, std::string> firstExchange_;
};

// A port nothing listens on: bound once by the kernel's choice, then let go.
int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

ListenerUrl urlFor(int port) { return *parseListenerUrl("http://127.0.0.1:" + std::to_string(port) + "/listen"); }

TEST(DeliveryTest, AListenerAwayForFiveSecondsGetsAllHundredInOrderInValidCimXml) {
    const ServerSchema schema = fixtureSchema();
    const int port = freePort();
    DeliverySettings settings;
    settings.retryAttempts = 5;  // retries after 0.2, 0.6, 1.4, 3.0 and 6.2 s
    settings.retryInterval = std::chrono::milliseconds(200);
    ListenerQueue queue(schema, "watcher", urlFor(port), "run-1:watcher", settings, {});
    for (int i = 0; i < 100; ++i) queue.push(alert(i));
    std::this_thread::sleep_for(std::chrono::seconds(5));

    Listener listener(port);
    const auto received = listener.waitFor(100, std::chrono::seconds(4));
    ASSERT_EQ(received.size(), 100u);
    SequenceWatch gaps;
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(received[i].property("Message"), "alert " + std::to_string(i));
        EXPECT_EQ(received[i].property("SequenceNumber"), std::to_string(i));
        EXPECT_EQ(received[i].property("SequenceContext"), "run-1:watcher");
        EXPECT_FALSE(gaps.check(received[i]));
    }
    queue.stop();  // lets the last send finish counting
    EXPECT_EQ(queue.figures().delivered, 100u);
    EXPECT_EQ(queue.figures().dropped, 0u);
    const auto [request, response] = listener.firstExchange();
    expectValidCimXml(request);
    expectValidCimXml(response);
}

TEST(DeliveryTest, AListenerThatNeverComesBackCostsAtMostTheBound) {
    const ServerSchema schema = fixtureSchema();
    DeliverySettings settings;
    settings.retryAttempts = 1;
    settings.retryInterval = std::chrono::seconds(30);
    settings.queueLimit = 10;
    std::vector<std::string> log;
    std::mutex logMutex;
    ListenerQueue queue(schema, "gone", urlFor(freePort()), "run-1:gone", settings, [&](const std::string& line) {
        std::lock_guard lock(logMutex);
        log.push_back(line);
    });
    queue.push(alert(0));  // taken at once, then waits to be retried
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (int i = 1; i < 50; ++i) queue.push(alert(i));
    EXPECT_EQ(queue.figures().dropped, 39u);  // 49 queued behind the first, 10 kept

    // A gap shows at the listener: numbers skip what was dropped.
    ReceivedIndication first{"CIM_AlertIndication", {{"SequenceContext", "c"}, {"SequenceNumber", "0"}}};
    ReceivedIndication later{"CIM_AlertIndication", {{"SequenceContext", "c"}, {"SequenceNumber", "40"}}};
    SequenceWatch gaps;
    EXPECT_FALSE(gaps.check(first));
    EXPECT_EQ(gaps.check(later), "sequence gap in c: 39 indication(s) missing (1 to 39)");

    queue.stop();
    EXPECT_EQ(queue.figures().dropped, 50u);
    std::lock_guard lock(logMutex);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "listener destination gone: dropped 1 indication(s), the queue is full (1 dropped in all)");
}

}  // namespace
}  // namespace orv::cimxml::test
