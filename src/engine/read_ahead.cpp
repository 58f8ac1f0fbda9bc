#include "engine/read_ahead.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace tandrel {
namespace {

using Clock = std::chrono::steady_clock;

void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

SharedReading::SharedReading(ReadAhead* helper, std::function<void()> work)
    : helper_(helper), work_(std::move(work)) {
  if (helper_ && !helper_->Offer(this)) helper_ = nullptr;
}

SharedReading::~SharedReading() { Settle(); }

void SharedReading::Run() {
  try {
    work_();
  } catch (...) {
    failed_ = true;
  }
  // The last touch of this object by the thread: the walk may end it as
  // soon as it sees this.
  done_.store(true, std::memory_order_release);
}

void SharedReading::Settle() {
  if (settled_) return;
  settled_ = true;
  if (!helper_ || helper_->Withdraw(this)) {
    Run();
    return;
  }
  // The thread is at it: a moment from the cache, longer from the disk.
  for (int spins = 0; spins < 20000; ++spins) {
    if (done_.load(std::memory_order_acquire)) return;
    Pause();
  }
  for (;;) {
    const unsigned finished = helper_->finished_.load(std::memory_order_acquire);
    if (done_.load(std::memory_order_acquire)) return;
    helper_->finished_.wait(finished, std::memory_order_acquire);
  }
}

ReadAhead::ReadAhead(bool enabled) : watch_(std::thread::hardware_concurrency() > 1) {
  if (!enabled) return;
  try {
    thread_ = std::thread([this] { Work(); });
  } catch (...) {
    // Without a thread the run simply reads everything itself.
  }
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    levels_.clear();
    queued_ = 0;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

bool ReadAhead::WantedByEnvironment() {
  const char* value = std::getenv("TANDREL_READ_AHEAD");
  return !(value && std::strcmp(value, "0") == 0);
}

void ReadAhead::Post(const platform::DirHandle& source, const platform::DirHandle& dest) {
  if (!thread_.joinable() || !warming_.load(std::memory_order_relaxed) || !source.valid()) return;
  Level level{source.Duplicate(), dest.Duplicate()};
  if (!level.source.valid()) return;
  {
    std::lock_guard lock(mutex_);
    if (levels_.size() >= kMaxLevels) levels_.pop_front();
    levels_.push_back(std::move(level));
    queued_ = levels_.size();
  }
  wake_.notify_one();
}

bool ReadAhead::Offer(SharedReading* reading) {
  if (!thread_.joinable()) return false;
  offered_.store(reading, std::memory_order_release);
  {
    // Taken and released so that a thread going to sleep either sees the
    // offer or is asleep already when told.
    std::lock_guard lock(mutex_);
  }
  wake_.notify_one();
  return true;
}

bool ReadAhead::Withdraw(SharedReading* reading) {
  SharedReading* expected = reading;
  return offered_.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

bool ReadAhead::TakeShared() {
  SharedReading* reading = offered_.exchange(nullptr, std::memory_order_acq_rel);
  if (!reading) return false;
  reading->Run();
  finished_.fetch_add(1, std::memory_order_release);
  finished_.notify_all();
  return true;
}

bool ReadAhead::Watch() {
  // On a single processor watching only keeps the walk from running.
  if (!watch_) return false;
  const auto until = Clock::now() + std::chrono::microseconds(kWatchMicros);
  for (int n = 0;; ++n) {
    if (offered_.load(std::memory_order_acquire) || stop_.load(std::memory_order_relaxed) ||
        (warming_.load(std::memory_order_relaxed) && queued_.load(std::memory_order_relaxed) > 0)) {
      return true;
    }
    if (n % 64 == 0 && Clock::now() >= until) return false;
    Pause();
  }
}

void ReadAhead::Work() {
  // With the caches warm already, reading twice only makes the two threads
  // contend for the same entries: the first levels tell which case this is.
  const auto started = Clock::now();
  long entries = 0;  // subfolders read
  for (;;) {
    if (TakeShared()) continue;
    if (warming_ && entries >= kSampleEntries &&
        Clock::now() - started < std::chrono::microseconds(kCachedMicrosPerEntry) * entries) {
      std::lock_guard lock(mutex_);
      warming_ = false;
      levels_.clear();
      queued_ = 0;
    }
    Level level;
    {
      if (!Watch()) {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] {
          return stop_ || offered_.load(std::memory_order_acquire) || (warming_ && !levels_.empty());
        });
      }
      std::lock_guard lock(mutex_);
      if (stop_) return;
      if (offered_.load(std::memory_order_acquire) || !warming_ || levels_.empty()) continue;
      // The newest level is nearest to where the walk is; its subfolders are
      // what the walk enters next.
      level = std::move(levels_.back());
      levels_.pop_back();
      queued_ = levels_.size();
    }
    level.dest.Warm();
    level.source.Warm([&](const std::string& name) {
      if (stop_) return;
      // The walk waits for nothing the thread has not begun: a level's
      // share comes before the rest of the read-ahead.
      TakeShared();
      ++entries;
      platform::DirHandle(level.source, name).Warm();
      platform::DirHandle(level.dest, name).Warm();
    });
  }
}

}  // namespace tandrel
