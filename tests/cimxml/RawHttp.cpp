#include "RawHttp.h"

#include "FixtureSchema.h"
#include "DtdValidation.h"
#include "TestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace orv::cimxml::test {

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval patience{60, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

RawAnswer readAnswer(int fd) {
    std::string received;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) received.append(buffer, n);
    RawAnswer answer;
    const auto split = received.find("\r\n\r\n");
    if (received.rfind("HTTP/1.1 ", 0) != 0 || split == std::string::npos) return answer;
    answer.status = std::stoi(received.substr(9, 3));
    answer.head = received.substr(0, split);
    answer.body = received.substr(split + 4);
    return answer;
}

RawAnswer sendRaw(int port, const std::string& request) {
    const int fd = connectTo(port);
    if (fd < 0) return {};
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    RawAnswer answer = readAnswer(fd);
    ::close(fd);
    return answer;
}

RawAnswer post(int port, const std::string& body, const std::string& protocolVersion, const std::string& method) {
    return sendRaw(port, "POST /cimom HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n"
                         "Content-Type: application/xml; charset=\"utf-8\"\r\n"
                         "CIMProtocolVersion: " + protocolVersion + "\r\nCIMOperation: MethodCall\r\n"
                         "CIMMethod: " + method + "\r\nCIMObject: " + kStorageNs + "\r\n"
                         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

void expectServingFixtureDisks(int port) {
    const RawAnswer fine =
        post(port, intrinsicBody("EnumerateInstanceNames", kStorageNs, classNameParam("ClassName", "FIX_Disk")));
    EXPECT_EQ(fine.status, 200) << fine.head;
    EXPECT_EQ(Response(fine.body).all("INSTANCENAME").size(), 3u);
    if (cimXmlDtdAvailable()) {
        EXPECT_EQ(cimXmlDtdErrors(fine.body), "");
    }
}

ListeningServer::ListeningServer(CimXmlService& service, HttpLimits limits)
    : indications_(FixtureStack::instance().schema, 0),
      server_(service, indications_, 8, limits, [this](const std::string& line) {
          std::lock_guard lock(mutex_);
          log_ += line + "\n";
      }) {
    port_ = server_.bind("127.0.0.1", 0);
    serving_ = std::thread([this] { server_.serve(); });
}

ListeningServer::~ListeningServer() {
    server_.stop();
    serving_.join();
}

std::string ListeningServer::log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

}  // namespace orv::cimxml::test
