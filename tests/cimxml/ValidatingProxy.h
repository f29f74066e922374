// Stands between wbemcli and a server under test: forwards each request
// as it came and checks every XML answer against the CIM-XML DTD, so that
// the end-to-end tests see what a strict client would refuse.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace orv::cimxml::test {

class ValidatingProxy {
public:
    explicit ValidatingProxy(int serverPort);
    ~ValidatingProxy();
    int port() const { return port_; }
    // The complaints about answers since the last call, each with the
    // request that drew it.
    std::vector<std::string> takeInvalidAnswers();

private:
    std::unique_ptr<httplib::Server> http_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::vector<std::string> invalid_;
};

}  // namespace orv::cimxml::test
