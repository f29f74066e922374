// The library's own thread: it delivers queued event records to the
// registered callback one at a time, in order, and drives the long-running
// commands forward at a fixed interval.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "VrlRecords.h"

namespace orv::vrlsim {

class SimEventPump {
 public:
  using Tick = std::function<void()>;

  ~SimEventPump();

  // Starts the thread, or keeps it when it is the caller (a callback that
  // restarts the library from inside itself).
  void start(Tick tick, std::chrono::milliseconds interval);
  // Drops pending events and ends the thread. From any other thread this
  // waits until the thread is gone, so no callback runs after it returns.
  void stop();

  void post(const VrlEventRecord& record);
  // Null stops delivery. Waits for a callback in progress to return unless
  // called from inside a callback.
  void setCallback(VrlEventCallback callback);
  void setInterval(std::chrono::milliseconds interval);

  // True once the queue is empty and no callback is running.
  bool waitDrained(std::chrono::milliseconds timeout);
  bool onPumpThread() const;

 private:
  void run();
  void joinFinished(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<VrlEventRecord> queue_;
  VrlEventCallback callback_ = nullptr;
  bool delivering_ = false;
  bool stopRequested_ = false;
  bool running_ = false;
  Tick tick_;
  std::chrono::milliseconds interval_{1000};
  std::thread thread_;
};

}  // namespace orv::vrlsim
