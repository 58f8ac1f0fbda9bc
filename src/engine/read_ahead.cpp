#include "engine/read_ahead.h"
#include "platform/speed_hooks.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace tandrel {
namespace {

using Clock = std::chrono::steady_clock;

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
  AwaitThread();
}

void SharedReading::AwaitThread() {
  // Asleep, not awake: a walk that spins for the thread takes the processor
  // the thread needs whenever another program holds the other one.
  // A condition variable rather than an atomic wait: the latter can miss
  // its wake-up where the system has no futex to build it on.
  std::unique_lock lock(helper_->finishedMutex_);
  helper_->finished_.wait(lock, [this] { return done_.load(std::memory_order_acquire); });
}

ReadAhead::ReadAhead(bool enabled, bool slowDisk) : slowDisk_(slowDisk) {
  if (!enabled) return;
  try {
    thread_ = std::thread([this] { Lead(); });
  } catch (...) {
    // Without a thread the run simply reads everything itself.
    return;
  }
  if (slowDisk_) {
    std::lock_guard lock(mutex_);
    StartReaders();
  }
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    levels_.clear();
    queued_ = 0;
  }
  wake_.notify_all();
  // The first thread starts the others; once it has ended, no more come.
  if (thread_.joinable()) thread_.join();
  for (std::thread& reader : readers_) reader.join();
}

bool ReadAhead::WantedByEnvironment() {
  const char* value = std::getenv("TANDREL_READ_AHEAD");
  return !(value && std::strcmp(value, "0") == 0);
}

void ReadAhead::Post(const platform::DirHandle& source, const platform::DirHandle& dest) {
  if (!thread_.joinable() || !warming_.load(std::memory_order_relaxed)) return;
  auto level = std::make_shared<Level>();
  level->sides[0].folder = source.Duplicate();
  level->sides[1].folder = dest.Duplicate();
  {
    std::lock_guard lock(mutex_);
    // The oldest level stays: its subfolders come last in the walk, and
    // the readers turn to them whenever the newer levels are read.
    if (levels_.size() >= kMaxLevels) levels_.erase(levels_.begin() + 1);
    levels_.push_back(std::move(level));
    queued_ = levels_.size();
  }
  wake_.notify_all();
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
  {
    // Taken and released so that a walk going to sleep either sees the
    // reading done or is asleep already when told.
    std::lock_guard lock(finishedMutex_);
  }
  finished_.notify_all();
  return true;
}

std::shared_ptr<ReadAhead::Level> ReadAhead::NewestLevel() {
  // The newest level is nearest to where the walk is; its subfolders are
  // what the walk enters next.
  return levels_.empty() ? nullptr : levels_.back();
}

long ReadAhead::ReadNext(const std::shared_ptr<Level>& level) {
  // The two sides take turns, so that both keep ahead of the walk.
  const unsigned first = level->turn.fetch_add(1, std::memory_order_relaxed);
  for (unsigned k = 0; k < 2; ++k) {
    Side& side = level->sides[(first + k) % 2];
    platform::FindEntry entry;
    {
      std::lock_guard lock(side.mutex);
      if (side.exhausted) continue;
      if (!side.search)
        side.search = std::make_unique<platform::DirSearch>(side.folder, "*", platform::attr::All);
      if (!side.search->Next(entry)) {
        side.exhausted = true;
        side.search.reset();
        continue;
      }
    }
    // The level's own entries were read with it as a subfolder one level up.
    if (!entry.isDirectory) return 0;
    return ReadFolder(platform::DirHandle(side.folder, entry.name));
  }
  std::lock_guard lock(mutex_);
  for (auto it = levels_.begin(); it != levels_.end(); ++it) {
    if (*it == level) {
      levels_.erase(it);
      break;
    }
  }
  queued_ = levels_.size();
  return 0;
}

long ReadAhead::ReadFolder(const platform::DirHandle& folder) {
  platform::DirSearch search(folder, "*", platform::attr::All);
  platform::FindEntry entry;
  long entries = 0;
  while (!stop_.load(std::memory_order_relaxed) && search.Next(entry)) {
    folder.LookAt(entry.name);
    ++entries;
  }
  return entries;
}

void ReadAhead::StartReaders() {
  if (!readers_.empty() || stop_) return;
  try {
    for (size_t n = 1; n < kReaders; ++n) readers_.emplace_back([this] { Read(); });
  } catch (...) {
    // Fewer readers only read more slowly.
  }
}

void ReadAhead::Judge() {
  if (warmedEntries_ < kSampleEntries) {
    // Blocks read from the disk tell a slow one long before the sample
    // ends, and a slow disk is where the readers gain most: they join at once.
    if (warmedEntries_ >= nextEarlyLook_ && platform::BlocksAreCounted()) {
      nextEarlyLook_ = warmedEntries_ + kEarlyLookEntries;
      if (platform::BlocksReadByThisThread() != blocksJudged_) {
        std::lock_guard lock(mutex_);
        StartReaders();
      }
    }
    return;
  }
  nextEarlyLook_ = 0;
  const uint64_t blocks = platform::BlocksReadByThisThread();
  const bool fromDisk = blocks != blocksJudged_;
  const auto per = [this](long nanos) { return std::chrono::nanoseconds(nanos) * warmedEntries_; };
  // Where blocks are counted, they alone tell: a thread that read none and
  // took long merely waited for the processor, which more reading would
  // only take from the walk. Without them, only the time tells.
  const bool counted = platform::BlocksAreCounted();
  const bool cached = !slowDisk_ && !fromDisk && (counted || warmingTime_ < per(kCachedNanosPerEntry));
  const bool slow = fromDisk || (!counted && warmingTime_ >= per(kSlowNanosPerEntry));
  blocksJudged_ = blocks;
  warmedEntries_ = 0;
  warmingTime_ = {};
  std::lock_guard lock(mutex_);
  if (cached) {
    // With the caches warm, reading twice only costs time.
    warming_ = false;
    levels_.clear();
    queued_ = 0;
    return;
  }
  if (slow) StartReaders();
}

void ReadAhead::Lead() {
  for (;;) {
    if (TakeShared()) continue;
    Judge();
    std::shared_ptr<Level> level;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] {
        return stop_ || offered_.load(std::memory_order_acquire) || (warming_ && !levels_.empty());
      });
      if (stop_) return;
      if (offered_.load(std::memory_order_acquire) || !warming_) continue;
      level = NewestLevel();
    }
    if (!level) continue;
    const auto begun = Clock::now();
    if (const long entries = ReadNext(level)) {
      warmedEntries_ += entries;
      warmingTime_ += Clock::now() - begun;
    }
  }
}

void ReadAhead::Read() {
  for (;;) {
    std::shared_ptr<Level> level;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || (warming_ && !levels_.empty()); });
      if (stop_) return;
      level = NewestLevel();
    }
    ReadNext(level);
  }
}

}  // namespace tandrel
