#pragma once
// A second thread that reads the metadata of the levels the walk is about to
// reach (listings and each entry's facts on both sides), so that the walk's
// own questions find their answers in the kernel's caches instead of waiting
// for the disk. It hands nothing back: every decision of the run still rests
// on the walk's own reading, so a run reads, decides and logs exactly as it
// would without it. It lives for one run and keeps a few levels at most.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/platform.h"

namespace tandrel {

class ReadAhead {
 public:
  // Starts the thread unless `enabled` is false.
  explicit ReadAhead(bool enabled);
  ~ReadAhead();  // stops reading and waits for the thread
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The walk has opened a level: read it and its subfolders on both sides.
  // The newest level is read next; beyond kMaxLevels the oldest is dropped.
  void Post(const platform::DirHandle& source, const platform::DirHandle& dest);

  // Whether runs read ahead: on unless TANDREL_READ_AHEAD is "0".
  static bool WantedByEnvironment();

  static constexpr size_t kMaxLevels = 4;
  // After this many subfolders read (on both sides), a read-ahead that took
  // less than this per subfolder found everything cached and stops.
  static constexpr long kSampleEntries = 100;
  static constexpr long kCachedMicrosPerEntry = 500;

 private:
  struct Level {
    platform::DirHandle source;
    platform::DirHandle dest;
  };
  void Work();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Level> levels_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace tandrel
