// Stands between wbemcli and a server under test: forwards each request
// as it came and checks every XML answer against the CIM-XML DTD, so that
// the end-to-end tests see what a strict client would refuse.
#pragma once

#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace orv::cimxml::test {

class ValidatingProxy {
public:
    explicit ValidatingProxy(int serverPort);
    ~ValidatingProxy();
    int port() const { return port_; }

private:
    std::unique_ptr<httplib::Server> http_;
    std::thread thread_;
    int port_ = 0;
};

// The URL of namespace `ns` through the proxy of the server on
// `serverPort`, made at the first call and kept for the program's life;
// an answer through it that breaks the DTD fails the running test.
std::string validatedUrl(int serverPort, const std::string& ns, const std::string& credentials = {});

}  // namespace orv::cimxml::test
