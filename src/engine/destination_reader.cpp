#include "engine/destination_reader.h"

#include <utility>

#include "engine/paths.h"

namespace tandrel {

DestinationReader::DestinationReader(const platform::DirHandle& source, const platform::DirHandle& dest,
                                     std::string top, WalkRules rules, const std::atomic<bool>& stop)
    : source_(source.Duplicate()),
      dest_(dest.Duplicate()),
      top_(std::move(top)),
      rules_(std::move(rules)),
      stop_(stop) {
  try {
    thread_ = std::thread([this] {
      try {
        Walk(source_, dest_, top_, 0);
      } catch (...) {
        // What was not read the walk reads itself.
      }
      std::lock_guard lock(mutex_);
      reading_.clear();
      ended_ = true;
      changed_.notify_all();
    });
  } catch (...) {
    ended_ = true;  // without a thread the walk reads everything itself
  }
}

DestinationReader::~DestinationReader() {
  {
    std::lock_guard lock(mutex_);
    ended_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DestinationReader::Walk(const platform::DirHandle& source, const platform::DirHandle& dest,
                             const std::string& dir, int depth) {
  std::vector<std::string> subfolders;
  {
    platform::DirSearch search(source, "*.*", platform::attr::All);
    platform::FindEntry entry;
    while (!Stopped() && search.Next(entry)) {
      if (WalkRules::IsSubfolder(entry)) subfolders.push_back(std::move(entry.name));
    }
  }
  if (depth >= kMostLevels) {
    for (const std::string& name : subfolders) PassOver(WithTrailingSeparator(dir + name));
  } else if (WalkRules::MayEnterBelow(depth)) {
    for (const std::string& name : subfolders) {
      if (Stopped()) return;
      if (rules_.IsOwnDestination(source, name)) continue;
      const platform::DirHandle sub(source, name);
      if (!sub.valid()) continue;
      platform::DirHandle destSub(dest, name);
      // Below a destination folder that is not there, the walk makes every
      // folder itself and knows it empty: there is nothing to read.
      if (destSub.valid()) {
        Walk(sub, destSub, WithTrailingSeparator(dir + name), depth + 1);
      } else {
        PassOver(WithTrailingSeparator(dir + name));
      }
    }
  }
  if (!Stopped()) ReadLevel(dest, dir);
}

void DestinationReader::ReadLevel(const platform::DirHandle& dest, const std::string& dir) {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return Stopped() || heldEntries_ < kHeldEntries || held_.empty(); });
    if (Stopped() || passed_.erase(dir) != 0) return;
    reading_ = dir;
  }
  auto reading = std::make_unique<FolderReading>();
  // Taken before the listing, as the walk takes its own: a change made
  // while listing then shows as a changed stamp.
  reading->stamp = dest.valid() ? dest.ChangeStamp() : 0;
  if (reading->stamp != 0) {
    // The files the walk may ask about are looked at: those the mask takes.
    platform::DirSearch search(dest, "*", platform::attr::All);
    platform::FindEntry entry;
    while (!Stopped() && search.Next(entry)) {
      if (!entry.facts && rules_.TakesFile(entry)) entry.facts = dest.LookAt(entry.name);
      reading->listing.Add(entry);
      entry.facts.reset();
    }
    if (search.error() != 0) reading->stamp = 0;
  }
  if (reading->stamp == 0 || Stopped()) reading.reset();
  {
    std::lock_guard lock(mutex_);
    reading_.clear();
    if (reading) heldEntries_ += reading->listing.size();
    held_.push_back({dir, std::move(reading)});
  }
  changed_.notify_all();
}

void DestinationReader::PassOver(const std::string& dir) {
  {
    std::lock_guard lock(mutex_);
    if (Stopped() || passed_.erase(dir) != 0) return;
    held_.push_back({dir, nullptr, true});
  }
  changed_.notify_all();
}

std::unique_ptr<FolderReading> DestinationReader::Take(const std::string& dir, bool* underWay) {
  std::unique_lock lock(mutex_);
  // A reading under way is not waited for here: where another program
  // holds a processor, the thread may be off it for a while, and the walk
  // reads a small folder sooner itself. A reading left so is dropped.
  if (underWay) *underWay = reading_ == dir;
  if (reading_ == dir) return nullptr;
  // Readings before this level's are of folders the walk did not enter.
  while (!held_.empty()) {
    // A level below one passed over has nothing read; the passed-over
    // level itself, which the walk reaches after them, ends the stretch.
    const Held& first = held_.front();
    if (first.subtree && dir != first.dir && dir.starts_with(first.dir)) return nullptr;
    Held held = std::move(held_.front());
    held_.pop_front();
    if (held.reading) heldEntries_ -= held.reading->listing.size();
    if (held.dir == dir) {
      lock.unlock();
      changed_.notify_all();
      return std::move(held.reading);
    }
  }
  if (!ended_) passed_.insert(dir);
  lock.unlock();
  changed_.notify_all();
  return nullptr;
}

std::unique_ptr<FolderReading> DestinationReader::Await(const std::string& dir) {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return reading_ != dir || ended_.load(std::memory_order_relaxed); });
  }
  return Take(dir);
}

}  // namespace tandrel
