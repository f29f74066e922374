#include "SimEventPump.h"

namespace orv::vrlsim {

SimEventPump::~SimEventPump() { stop(); }

bool SimEventPump::onPumpThread() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return thread_.get_id() == std::this_thread::get_id();
}

void SimEventPump::joinFinished(std::unique_lock<std::mutex>& lock) {
  if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id()) return;
  std::thread old = std::move(thread_);
  lock.unlock();
  old.join();
  lock.lock();
}

void SimEventPump::start(Tick tick, std::chrono::milliseconds interval) {
  std::unique_lock<std::mutex> lock(mutex_);
  tick_ = std::move(tick);
  interval_ = interval;
  if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
    // Restarted from a callback: this thread simply carries on.
    stopRequested_ = false;
    running_ = true;
    return;
  }
  if (running_ && !stopRequested_) return;
  stopRequested_ = true;
  wake_.notify_all();
  joinFinished(lock);
  stopRequested_ = false;
  running_ = true;
  thread_ = std::thread(&SimEventPump::run, this);
}

void SimEventPump::stop() {
  std::unique_lock<std::mutex> lock(mutex_);
  stopRequested_ = true;
  running_ = false;
  queue_.clear();
  wake_.notify_all();
  idle_.notify_all();
  joinFinished(lock);
}

void SimEventPump::post(const VrlEventRecord& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!running_) return;
  queue_.push_back(record);
  wake_.notify_all();
}

void SimEventPump::setCallback(VrlEventCallback callback) {
  std::unique_lock<std::mutex> lock(mutex_);
  callback_ = callback;
  if (thread_.get_id() == std::this_thread::get_id()) return;
  idle_.wait(lock, [this] { return !delivering_; });
}

void SimEventPump::setInterval(std::chrono::milliseconds interval) {
  std::lock_guard<std::mutex> lock(mutex_);
  interval_ = interval;
  wake_.notify_all();
}

bool SimEventPump::waitDrained(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return idle_.wait_for(lock, timeout, [this] { return queue_.empty() && !delivering_; });
}

void SimEventPump::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  auto nextTick = std::chrono::steady_clock::now() + interval_;
  while (!stopRequested_) {
    if (!queue_.empty()) {
      VrlEventRecord record = queue_.front();
      queue_.pop_front();
      VrlEventCallback callback = callback_;
      if (callback) {
        delivering_ = true;
        lock.unlock();
        callback(&record);
        lock.lock();
        delivering_ = false;
      }
      idle_.notify_all();
      continue;
    }
    if (std::chrono::steady_clock::now() >= nextTick) {
      Tick tick = tick_;
      lock.unlock();
      if (tick) tick();
      lock.lock();
      nextTick = std::chrono::steady_clock::now() + interval_;
      continue;
    }
    wake_.wait_until(lock, nextTick);
    // A shorter interval set meanwhile takes effect at once.
    nextTick = std::min(nextTick, std::chrono::steady_clock::now() + interval_);
  }
  idle_.notify_all();
}

}  // namespace orv::vrlsim
