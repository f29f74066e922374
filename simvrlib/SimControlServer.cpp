#include "SimControlServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

namespace orv::vrlsim {
namespace {

// A request longer than this is not a control request; its connection is dropped.
constexpr size_t kMaxRequestBytes = 64 * 1024;

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool fillAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// True when a live server answers on the path.
bool someoneServes(const sockaddr_un& address) {
  const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool served = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return served;
}

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::unique_ptr<SimControlServer> SimControlServer::open(const std::string& path, Handler handler,
                                                         std::string& error) {
  sockaddr_un address;
  if (!fillAddress(path, address)) {
    error = "control socket path is empty or longer than " + std::to_string(sizeof address.sun_path - 1) + " bytes";
    return nullptr;
  }
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = systemError("socket");
    return nullptr;
  }
  int bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (bound != 0 && errno == EADDRINUSE) {
    if (someoneServes(address)) {
      close(fd);
      error = path + " is served by another process";
      return nullptr;
    }
    // Left behind by a process that ended without cleaning up.
    unlink(path.c_str());
    bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  }
  if (bound != 0) {
    error = systemError(path);
    close(fd);
    return nullptr;
  }
  // Only the owner may steer the hardware; nobody can connect before listen.
  if (chmod(path.c_str(), 0600) != 0 || listen(fd, 8) != 0) {
    error = systemError(path);
    close(fd);
    unlink(path.c_str());
    return nullptr;
  }
  int wake[2];
  if (pipe2(wake, O_CLOEXEC) != 0) {
    error = systemError("pipe");
    close(fd);
    unlink(path.c_str());
    return nullptr;
  }
  return std::unique_ptr<SimControlServer>(new SimControlServer(path, fd, wake[0], wake[1], std::move(handler)));
}

SimControlServer::SimControlServer(std::string path, int listenFd, int wakeRead, int wakeWrite, Handler handler)
    : path_(std::move(path)), listenFd_(listenFd), wakeRead_(wakeRead), wakeWrite_(wakeWrite),
      handler_(std::move(handler)) {
  thread_ = std::thread(&SimControlServer::run, this);
}

SimControlServer::~SimControlServer() {
  const char stop = 0;
  while (write(wakeWrite_, &stop, 1) < 0 && errno == EINTR) {
  }
  if (thread_.joinable()) thread_.join();
  close(listenFd_);
  close(wakeRead_);
  close(wakeWrite_);
  unlink(path_.c_str());
}

void SimControlServer::run() {
  std::map<int, std::string> clients;  // connection -> bytes of the request not yet complete
  for (;;) {
    std::vector<pollfd> watched{{wakeRead_, POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (const auto& client : clients) watched.push_back({client.first, POLLIN, 0});
    if (poll(watched.data(), watched.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (watched[0].revents) break;
    if (watched[1].revents & POLLIN) {
      const int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) clients.emplace(client, std::string());
    }
    for (size_t i = 2; i < watched.size(); ++i) {
      if (!watched[i].revents) continue;
      const int fd = watched[i].fd;
      std::string& pending = clients[fd];
      char buffer[4096];
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      bool keep = n > 0 || (n < 0 && errno == EINTR);
      if (n > 0) pending.append(buffer, static_cast<size_t>(n));
      size_t newline;
      while (keep && (newline = pending.find('\n')) != std::string::npos) {
        const std::string request = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        keep = writeAll(fd, handler_(request) + "\n");
      }
      if (pending.size() > kMaxRequestBytes) keep = false;
      if (!keep) {
        close(fd);
        clients.erase(fd);
      }
    }
  }
  for (const auto& client : clients) close(client.first);
}

}  // namespace orv::vrlsim
