// The library's control socket: a Unix-domain stream socket on which each
// request is one line and each answer one line. It runs on a thread of its
// own, so a request never holds up the event thread, and it answers one
// request at a time.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace orv::vrlsim {

class SimControlServer {
 public:
  using Handler = std::function<std::string(const std::string& request)>;

  // Binds `path` (replacing a stale socket file that nobody serves) and
  // starts serving; null with the reason in `error` when it cannot.
  static std::unique_ptr<SimControlServer> open(const std::string& path, Handler handler, std::string& error);

  // Stops serving, closes every connection and removes the socket file.
  ~SimControlServer();
  SimControlServer(const SimControlServer&) = delete;
  SimControlServer& operator=(const SimControlServer&) = delete;

  const std::string& path() const { return path_; }

 private:
  SimControlServer(std::string path, int listenFd, int wakeRead, int wakeWrite, Handler handler);
  void run();

  std::string path_;
  int listenFd_;
  int wakeRead_;
  int wakeWrite_;
  Handler handler_;
  std::thread thread_;
};

}  // namespace orv::vrlsim
