// Requests written byte for byte to a listening server over a socket, for
// tests of what a careless or hostile client sends.
#pragma once

#include "HttpServer.h"

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv::cimxml::test {

struct RawAnswer {
    int status = 0;  // 0 when no HTTP answer came
    std::string head;
    std::string body;
};

// A loopback connection to `port`, or -1.
int connectTo(int port);
// Everything the server sends until it closes the connection, as an answer.
RawAnswer readAnswer(int fd);
// The bytes as they are, on a fresh connection.
RawAnswer sendRaw(int port, const std::string& request);
// One CIM-XML POST on a fresh connection that the server closes after answering.
RawAnswer post(int port, const std::string& body, const std::string& protocolVersion = "1.0",
               const std::string& method = "EnumerateInstanceNames");

// Checks that the server answers an enumeration of the fixture's disks.
void expectServingFixtureDisks(int port);

// The server in the test's process on a free loopback port, in front of
// the fixture provider; what it logs is kept.
class ListeningServer {
public:
    explicit ListeningServer(CimXmlService& service, HttpLimits limits = {});
    ~ListeningServer();
    int port() const { return port_; }
    std::string log() const;

private:
    IndicationLog indications_;
    mutable std::mutex mutex_;
    std::string log_;
    HttpServer server_;
    int port_ = 0;
    std::thread serving_;
};

}  // namespace orv::cimxml::test
