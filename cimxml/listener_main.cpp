// orv-listener: receives the indications a CIM server exports to it and
// prints one line per indication, or one JSON object per line with --json.
// Sequence gaps go to standard error, so that the output stays clean.
#include "IndicationListener.h"

#include <CLI/CLI.hpp>
#include <httplib.h>

#include <signal.h>

#include <chrono>
#include <ctime>
#include <iostream>
#include <mutex>
#include <thread>

namespace {

std::string utcNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03dZ", static_cast<int>(millis));
    return std::string(text) + fraction;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace orv::cimxml;
    std::string address = "127.0.0.1";
    int port = 5990;
    bool json = false;
    CLI::App app{"Receives CIM-XML indications (ExportIndication) and prints them.", "orv-listener"};
    app.add_option("--address", address, "address to listen on")->capture_default_str();
    app.add_option("--port", port, "port to listen on; 0 picks a free port")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    app.add_flag("--json", json, "print each indication as a JSON object on one line");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }

    // Only the main thread takes the stop signals; the server's threads
    // inherit the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::Server server;
    SequenceWatch sequences;
    std::mutex outputMutex;
    auto receive = [&](const httplib::Request& request, httplib::Response& response) {
        HttpExchange exchange;
        exchange.method = request.method;
        exchange.target = request.path;
        for (const auto& [name, value] : request.headers) exchange.headers.emplace_back(name, value);
        exchange.body = request.body;
        ListenerReply reply = receiveExport(exchange);
        response.status = reply.answer.status;
        std::string contentType = "text/plain";
        for (const auto& [name, value] : reply.answer.headers) {
            if (name == "Content-Type")
                contentType = value;
            else
                response.set_header(name, value);
        }
        response.set_content(reply.answer.body, contentType.c_str());
        if (!reply.indication) return;
        const std::string time = utcNow();
        const auto gap = sequences.check(*reply.indication);
        std::lock_guard lock(outputMutex);
        if (gap) std::cerr << "orv-listener: " << *gap << std::endl;
        std::cout << (json ? indicationJson(*reply.indication, time) : indicationLine(*reply.indication, time))
                  << std::endl;
    };
    server.Post(R"(/.*)", receive);

    const int bound = port == 0 ? server.bind_to_any_port(address) : (server.bind_to_port(address, port) ? port : -1);
    if (bound <= 0) {
        std::cerr << "orv-listener: cannot listen on " << address << ":" << port << std::endl;
        return 1;
    }
    std::cerr << "orv-listener listening on " << address << ":" << bound << std::endl;
    std::thread serving([&server] { server.listen_after_bind(); });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    serving.join();
    return 0;
}
