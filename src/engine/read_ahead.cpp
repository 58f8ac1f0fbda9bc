#include "engine/read_ahead.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/entry_facts.h"

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
  // The thread is at it: a moment from the cache, worth waiting for
  // awake; from the disk long enough to sleep.
  const auto until = Clock::now() + std::chrono::microseconds(ReadAhead::kSettleMicros);
  for (int n = 0;; ++n) {
    if (done_.load(std::memory_order_acquire)) return;
    if (n % 64 == 0 && Clock::now() >= until) break;
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

void ReadAhead::Post(const platform::DirHandle& dest) {
  if (!thread_.joinable() || !warming_.load(std::memory_order_relaxed) || !dest.valid()) return;
  Level level{dest.Duplicate()};
  if (!level.dest.valid()) return;
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
  const auto taken = Clock::now();
  if (lastShared_ != Clock::time_point()) {
    const auto gap = std::chrono::duration_cast<std::chrono::microseconds>(taken - lastShared_).count();
    gapMicros_ += (gap - gapMicros_) / 4;
  }
  reading->Run();
  finished_.fetch_add(1, std::memory_order_release);
  finished_.notify_all();
  lastShared_ = Clock::now();
  return true;
}

bool ReadAhead::Watch() {
  // On a single processor watching only keeps the walk from running; and
  // where the walk's levels come slowly (from the disk) a watching thread
  // only takes the processor that reading needs.
  if (!watch_ || gapMicros_ > kWatchMicros) return false;
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

void ReadAhead::WarmFolder(const platform::DirHandle& folder, bool subfolders) {
  platform::DirSearch search(folder, "*", platform::attr::All);
  platform::FindEntry entry;
  auto begun = Clock::now();
  while (!stop_.load(std::memory_order_relaxed) && search.Next(entry)) {
    platform::LookAt(folder, entry.name);
    ++warmedEntries_;
    if (!subfolders || !entry.isDirectory) continue;
    warmingTime_ += Clock::now() - begun;
    // The walk waits for nothing the thread has not begun: a level's share
    // comes before the rest of the read-ahead.
    TakeShared();
    WarmFolder(platform::DirHandle(folder, entry.name), false);
    begun = Clock::now();
  }
  warmingTime_ += Clock::now() - begun;
}

void ReadAhead::Work() {
  for (;;) {
    if (TakeShared()) continue;
    // With the caches warm already, reading twice only costs time: the first
    // entries read tell which case this is.
    if (warming_ && warmedEntries_ >= kSampleEntries &&
        warmingTime_ < std::chrono::nanoseconds(kCachedNanosPerEntry) * warmedEntries_) {
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
    // Only the destination: the walk reads the source itself, so that the
    // two threads divide the reading between them instead of doing it twice.
    WarmFolder(level.dest, true);
  }
}

}  // namespace tandrel
