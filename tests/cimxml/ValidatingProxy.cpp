#include "ValidatingProxy.h"

#include "DtdValidation.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <strings.h>

#include <chrono>
#include <map>
#include <mutex>

namespace orv::cimxml::test {

namespace {

bool hopByHop(const std::string& name) {
    for (const char* header : {"Host", "Content-Length", "Content-Type", "Connection", "Transfer-Encoding", "Keep-Alive"})
        if (strcasecmp(name.c_str(), header) == 0) return true;
    return false;
}

}  // namespace

ValidatingProxy::ValidatingProxy(int serverPort) : http_(std::make_unique<httplib::Server>()) {
    const auto forward = [serverPort](const httplib::Request& request, httplib::Response& response) {
        httplib::Client server("127.0.0.1", serverPort);
        server.set_read_timeout(300, 0);
        httplib::Headers headers;
        for (const auto& [name, value] : request.headers)
            if (!hopByHop(name)) headers.emplace(name, value);
        const auto answer = server.Post(request.path, headers, request.body, request.get_header_value("Content-Type"));
        if (!answer) {
            response.status = 502;
            return;
        }
        response.status = answer->status;
        for (const auto& [name, value] : answer->headers)
            if (!hopByHop(name)) response.set_header(name, value);
        const std::string type = answer->get_header_value("Content-Type");
        response.set_content(answer->body, type.empty() ? "text/plain" : type);
        if (answer->status == 200 && type.find("xml") != std::string::npos && cimXmlDtdAvailable()) {
            const std::string errors = cimXmlDtdErrors(answer->body);
            // Test assertions may come from any thread.
            if (!errors.empty())
                ADD_FAILURE() << "the answer to " << request.get_header_value("CIMMethod")
                              << " breaks the CIM-XML DTD: " << errors;
        }
    };
    http_->Post(".*", forward);
    port_ = http_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { http_->listen_after_bind(); });
    while (!http_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

ValidatingProxy::~ValidatingProxy() {
    http_->stop();
    thread_.join();
}

std::string validatedUrl(int serverPort, const std::string& ns, const std::string& credentials) {
    static std::mutex mutex;
    static std::map<int, ValidatingProxy*> proxies;
    std::lock_guard<std::mutex> lock(mutex);
    auto& proxy = proxies[serverPort];
    if (!proxy) proxy = new ValidatingProxy(serverPort);
    return "http://" + (credentials.empty() ? "" : credentials + "@") + "localhost:" + std::to_string(proxy->port()) +
           "/" + ns;
}

}  // namespace orv::cimxml::test
