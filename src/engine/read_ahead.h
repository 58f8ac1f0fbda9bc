#pragma once
// Threads that help the walk read metadata, living for one run.
// They read the subfolders of the levels the walk has just entered, on both
// sides (each listing and each entry's facts), so that the walk's own
// questions find their answers in the kernel's caches. That part hands
// nothing back and keeps a few levels at most. One thread starts with the
// run; once it finds the disk answering slowly, more join it, because the
// disk answers several requests at once.
// The first thread also takes on a piece of a level's reading that the walk
// shares while it reads the rest (SharedReading): whoever comes first does
// it, so the walk never waits for a thread that is busy elsewhere.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/folders.h"

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
  // Waits for the thread to finish the work it has begun.
  void AwaitThread();

  ReadAhead* helper_;
  std::function<void()> work_;
  std::atomic<bool> done_{false};
  bool settled_ = false;
  bool failed_ = false;
};

class ReadAhead {
 public:
  // Starts the first thread unless `enabled` is false. With `slowDisk`
  // every reader reads from the start and the caches are never judged
  // warm: reading as on a disk that answers slowly.
  explicit ReadAhead(bool enabled, bool slowDisk = false);
  ~ReadAhead();  // stops reading and waits for the threads
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The walk is about to enter the subfolders of a level whose folders are
  // `source` and `dest`: read those subfolders on both sides. The newest
  // level is read first; beyond kMaxLevels the second oldest is dropped, the
  // oldest staying until it is read.
  void Post(const platform::DirHandle& source, const platform::DirHandle& dest);

  // Whether the caches have proved warm: the disk has nothing to read.
  bool FoundWarm() const { return !warming_.load(std::memory_order_relaxed); }

  // Whether runs read ahead: on unless TANDREL_READ_AHEAD is "0".
  static bool WantedByEnvironment();

  static constexpr size_t kMaxLevels = 4;
  static_assert(kMaxLevels >= 2, "the oldest level stays beside a newer one");
  // How many threads read once the disk proves slow.
  static constexpr size_t kReaders = 4;
  // The most descriptors the threads hold at once: two folders of each
  // level kept, and a folder and its listing for each reader, with room.
  static constexpr size_t kMostDescriptors = 2 * kMaxLevels + 4 * kReaders + 8;
  // Every this many entries it reads, the first thread judges the caches:
  // reading no block from the disk (and, where blocks are not counted,
  // taking less than kCachedNanosPerEntry per entry), it found everything
  // cached and the read-ahead stops; reading from the disk (or, uncounted,
  // taking kSlowNanosPerEntry), the other readers join.
  static constexpr long kSampleEntries = 2000;
  static constexpr long kCachedNanosPerEntry = 8000;
  static constexpr long kSlowNanosPerEntry = 16000;
  // Within a sample, how often the first thread looks for blocks read from
  // the disk, which start the other readers at once.
  static constexpr long kEarlyLookEntries = 32;

 private:
  friend class SharedReading;
  // One folder of a posted level, listed by whichever reader comes next.
  struct Side {
    std::mutex mutex;
    platform::DirHandle folder;
    std::unique_ptr<platform::DirSearch> search;
    bool exhausted = false;
  };
  struct Level {
    Side sides[2];
    std::atomic<unsigned> turn{0};
  };
  // Offering and taking back a shared reading: one at a time.
  bool Offer(SharedReading* reading);
  bool Withdraw(SharedReading* reading);
  // Runs the shared reading on offer, if any; whether there was one.
  bool TakeShared();
  // The newest level still to be read, or none (the lock held).
  std::shared_ptr<Level> NewestLevel();
  // Takes the next entry of `level` on one side and reads it if it is a
  // subfolder; drops the level once both sides are done. How many entries
  // were read.
  long ReadNext(const std::shared_ptr<Level>& level);
  // Reads the folder's listing and looks at every entry; how many.
  long ReadFolder(const platform::DirHandle& folder);
  // Judges the caches from the first thread's reading (see kSampleEntries).
  void Judge();
  // Starts the other readers once (the lock held).
  void StartReaders();
  void Lead();
  void Read();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<Level>> levels_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> warming_{true};  // off once the caches prove warm
  std::atomic<size_t> queued_{0};    // levels_.size(), read without the lock
  std::atomic<SharedReading*> offered_{nullptr};
  std::mutex finishedMutex_;
  std::condition_variable finished_;  // told when the thread has done a shared reading
  const bool slowDisk_;
  // What the first thread has read since it last judged, and the time it took.
  long warmedEntries_ = 0;
  long nextEarlyLook_ = 0;     // warmedEntries_ at the next look within a sample
  uint64_t blocksJudged_ = 0;  // BlocksReadByThisThread() when it last judged
  std::chrono::steady_clock::duration warmingTime_{};
  std::thread thread_;
  std::vector<std::thread> readers_;  // started under the lock, at once or by the first thread
};

}  // namespace tandrel
