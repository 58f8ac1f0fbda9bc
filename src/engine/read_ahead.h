#pragma once
// A second thread that helps the walk read metadata, living for one run.
// It reads the destination's side of the levels the walk is about to reach
// (listings and each entry's facts), so that the walk's own questions find
// their answers in the kernel's caches while the walk reads the source's
// side itself; that part hands nothing back and keeps a few levels at most.
// It also takes on a piece of a level's reading that the walk shares while
// it reads the rest (SharedReading): whoever comes first does it, so the
// walk never waits for a thread that is busy elsewhere.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/platform.h"

namespace tandrel {

class ReadAhead;

// A piece of reading the walk needs before it goes on, offered to the
// second thread. Settle() returns once it is done: at once when the thread
// has it done already, after the wait for its end when the thread has begun
// it, and after doing it here when the thread has not taken it yet.
class SharedReading {
 public:
  // Offers `work` to `helper` (none: the walk does it at Settle).
  SharedReading(ReadAhead* helper, std::function<void()> work);
  ~SharedReading();  // settles
  SharedReading(const SharedReading&) = delete;
  SharedReading& operator=(const SharedReading&) = delete;

  void Settle();
  // Whether the work ended by an error (such as exhausted memory); what it
  // read is then not to be used.
  bool Failed() const { return failed_; }

 private:
  friend class ReadAhead;
  void Run();

  ReadAhead* helper_;
  std::function<void()> work_;
  std::atomic<bool> done_{false};
  bool settled_ = false;
  bool failed_ = false;
};

class ReadAhead {
 public:
  // Starts the thread unless `enabled` is false.
  explicit ReadAhead(bool enabled);
  ~ReadAhead();  // stops reading and waits for the thread
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The walk has opened a level whose destination folder is `dest`: read it
  // and its subfolders. The newest level is read next; beyond kMaxLevels the
  // oldest is dropped.
  void Post(const platform::DirHandle& dest);

  // Whether runs read ahead: on unless TANDREL_READ_AHEAD is "0".
  static bool WantedByEnvironment();

  static constexpr size_t kMaxLevels = 4;
  // After this many entries read, a read-ahead that took less than this per
  // entry found everything cached and stops.
  static constexpr long kSampleEntries = 2000;
  static constexpr long kCachedNanosPerEntry = 4000;
  // How long the idle thread watches for the next shared reading before it
  // sleeps: a little longer than the walk takes for a level from the cache.
  static constexpr long kWatchMicros = 150;
  // How long the walk waits awake for a shared reading the thread has begun.
  static constexpr long kSettleMicros = 30;

 private:
  friend class SharedReading;
  struct Level {
    platform::DirHandle dest;
  };
  // Offering and taking back a shared reading: one at a time.
  bool Offer(SharedReading* reading);
  bool Withdraw(SharedReading* reading);
  // Runs the shared reading on offer, if any; whether there was one.
  bool TakeShared();
  // Waits briefly for work without sleeping; whether some came.
  bool Watch();
  // Reads the folder's listing and looks at every entry; with
  // `subfolders`, every real subfolder the same way.
  void WarmFolder(const platform::DirHandle& folder, bool subfolders);
  void Work();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Level> levels_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> warming_{true};  // off once the caches prove warm
  std::atomic<size_t> queued_{0};    // levels_.size(), read without the lock
  std::atomic<SharedReading*> offered_{nullptr};
  std::atomic<unsigned> finished_{0};  // shared readings the thread has done
  bool watch_;
  // The thread's own: when it last finished a shared reading, and the usual
  // time from then to the next one.
  std::chrono::steady_clock::time_point lastShared_;
  long gapMicros_ = 0;
  // What the read-ahead has read so far, and the time it took.
  long warmedEntries_ = 0;
  std::chrono::steady_clock::duration warmingTime_{};
  std::thread thread_;
};

}  // namespace tandrel
