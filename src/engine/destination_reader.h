#pragma once
// A thread that reads a job's destination folders for the walk, one level
// ahead of it: while the walk reads a level's source side, the level's
// destination side is read here, so that the two halves of the work run on
// two processors. It follows the walk's own order: it lists the source
// folders to find the subfolders the walk enters, and reads each level's
// destination folder (its listing, and a look at each file the mask takes)
// when the walk would reach that level's own pass, after the
// subfolders. The walk takes a reading while the folder's change stamp
// shows it still stands, and otherwise reads the folder itself, as it does
// for every level the thread has not reached yet: the thread then passes
// those levels over.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "engine/folder_facts.h"
#include "engine/walk_rules.h"
#include "platform/folders.h"

namespace tandrel {

// A destination folder as the thread read it: its stamp, taken before the
// listing, and every entry, the files the mask takes with their looks.
struct FolderReading {
  uint64_t stamp = 0;
  FolderFacts::Listing listing;
};

class DestinationReader {
 public:
  // Starts reading below `source` and `dest`, the job's top folders, whose
  // level the walk calls `top`, by the walk's own `rules` (the files it
  // takes are looked at). Reading ends early once `stop` is set.
  DestinationReader(const platform::DirHandle& source, const platform::DirHandle& dest, std::string top,
                    WalkRules rules, const std::atomic<bool>& stop);
  ~DestinationReader();  // stops reading and waits for the thread
  DestinationReader(const DestinationReader&) = delete;
  DestinationReader& operator=(const DestinationReader&) = delete;

  // The walk's pass of the level `dir` is about to read its destination
  // folder: the thread's reading of it, or nothing, and then the thread
  // will not read it. Nothing too while the thread is reading it now, with
  // `underWay` set: that reading the walk may Await, or leave to be dropped.
  std::unique_ptr<FolderReading> Take(const std::string& dir, bool* underWay = nullptr);
  // The reading of `dir` that was under way, once done (nothing if the
  // reading stopped early).
  std::unique_ptr<FolderReading> Await(const std::string& dir);

  // The most entries held in readings the walk has not taken: beyond that
  // the thread waits for the walk.
  static constexpr size_t kHeldEntries = 4096;
  // How far below the top the thread goes, holding two folders a level:
  // deeper levels the walk reads itself, so that a deep tree does not take
  // the descriptors its copies need.
  static constexpr int kMostLevels = 32;

 private:
  struct Held {
    std::string dir;
    std::unique_ptr<FolderReading> reading;  // none: the folder was not there
    // The destination folder of `dir` was missing: nothing below it is read.
    bool subtree = false;
  };
  // Lists the source folder of the level `dir`, goes through its
  // subfolders, then reads the destination folder.
  void Walk(const platform::DirHandle& source, const platform::DirHandle& dest, const std::string& dir,
            int depth);
  // Reads the destination of the level `dir` for the walk, unless the walk
  // has passed it.
  void ReadLevel(const platform::DirHandle& dest, const std::string& dir);
  // Tells the walk that nothing of the levels at and below `dir` is read.
  void PassOver(const std::string& dir);
  bool Stopped() const {
    return stop_.load(std::memory_order_relaxed) || ended_.load(std::memory_order_relaxed);
  }

  platform::DirHandle source_, dest_;
  const std::string top_;
  const WalkRules rules_;
  const std::atomic<bool>& stop_;
  std::atomic<bool> ended_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  // Readings in the order the walk takes them; the level being read; the
  // levels the walk has read itself before the thread came to them.
  std::deque<Held> held_;
  size_t heldEntries_ = 0;
  std::string reading_;
  std::unordered_set<std::string> passed_;
  std::thread thread_;
};

}  // namespace tandrel
