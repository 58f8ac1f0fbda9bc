#include "engine/read_ahead.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace tandrel {

ReadAhead::ReadAhead(bool enabled) {
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
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

bool ReadAhead::WantedByEnvironment() {
  const char* value = std::getenv("TANDREL_READ_AHEAD");
  return !(value && std::strcmp(value, "0") == 0);
}

void ReadAhead::Post(const platform::DirHandle& source, const platform::DirHandle& dest) {
  if (!thread_.joinable() || !source.valid()) return;
  Level level{source.Duplicate(), dest.Duplicate()};
  if (!level.source.valid()) return;
  {
    std::lock_guard lock(mutex_);
    if (levels_.size() >= kMaxLevels) levels_.pop_front();
    levels_.push_back(std::move(level));
  }
  wake_.notify_one();
}

void ReadAhead::Work() {
  // With the caches warm already, reading twice only makes the two threads
  // contend for the same entries: the first levels tell which case this is.
  using Clock = std::chrono::steady_clock;
  const auto started = Clock::now();
  long entries = 0;  // subfolders read
  for (;;) {
    if (entries >= kSampleEntries &&
        Clock::now() - started < std::chrono::microseconds(kCachedMicrosPerEntry) * entries) {
      return;
    }
    Level level;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || !levels_.empty(); });
      if (stop_) return;
      // The newest level is nearest to where the walk is; its subfolders are
      // what the walk enters next.
      level = std::move(levels_.back());
      levels_.pop_back();
    }
    level.dest.Warm();
    level.source.Warm([&](const std::string& name) {
      {
        std::lock_guard lock(mutex_);
        if (stop_) return;
      }
      ++entries;
      platform::DirHandle(level.source, name).Warm();
      platform::DirHandle(level.dest, name).Warm();
    });
  }
}

}  // namespace tandrel
