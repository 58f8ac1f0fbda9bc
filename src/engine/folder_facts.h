#pragma once
// What a level's pass asks about one of its two folders, answered from facts
// read once for that pass: the folder's listing (names and kinds, in
// file-system order) and one look at each entry asked about. Every answer is
// the one the folder itself would give on a tree that nothing else changes;
// a change the run makes in the folder takes the changed name, and the
// listing's use for a search, out of the facts. Facts are kept for one
// level's pass and dropped with it.
//
// Switched off, every question and search goes to the folder itself, one
// call each, exactly as the walk asks them.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/platform.h"

namespace tandrel {

class FolderFacts {
 public:
  explicit FolderFacts(const platform::DirHandle& dir) : dir_(dir) {}
  FolderFacts(const FolderFacts&) = delete;
  FolderFacts& operator=(const FolderFacts&) = delete;

  // Starts a level's pass: facts are kept only when `on` and the folder is
  // open. Forgets whatever an earlier pass knew.
  void Begin(bool on);
  // Whether the folder finds its names whatever their letter case: then a
  // name asked about matches its entry in any case. Kept across passes.
  void IgnoreCase(bool on) { ignoreCase_ = on; }
  // Ends the pass: everything is forgotten.
  void Clear();
  bool on() const { return on_; }
  // Reading stops early once `stop` is set: a stopped run asks nothing more
  // of the level, so a large folder does not hold up its end.
  void StopWhen(const std::atomic<bool>* stop) { stop_ = stop; }

  // Takes the complete listing of the folder (every entry, as a search over
  // "*" with every attribute returns them) that the caller has just read.
  void Adopt(std::vector<platform::FindEntry> listing);
  // Reads the listing now; after an error, questions go to the folder and
  // ListError() tells why it failed.
  void List();
  int ListError() const { return listError_; }
  bool Listed() const { return listed_; }
  // Whether the listing still shows the folder as the run left it.
  bool ListingCurrent() const { return listed_ && current_; }
  const std::vector<platform::FindEntry>& Listing() const { return listing_; }

  // Looks at each of `names` now that the facts do not already tell
  // missing or a folder: the entries a pass is about to ask about.
  void LookAt(const std::vector<std::string>& names);
  // Looks at every listed entry that is no folder: all a pass may ask about
  // when the listing answers for the names it lacks.
  void LookAtListedFiles();

  // The answers of the DirHandle questions of the same names.
  // With `size`, the file's size too (-1 for anything but a file).
  int64_t FileAge(const std::string& name, int64_t* size = nullptr);
  bool FileExists(const std::string& name);
  bool DirectoryExists(const std::string& name);
  uint32_t GetAttributes(const std::string& name);
  int EntryError(const std::string& name);

  // The run has changed `name` in this folder (written, deleted, its
  // attributes set): what the facts knew of it no longer holds.
  void Changed(const std::string& name);

  const platform::DirHandle& dir() const { return dir_; }

 private:
  enum class Kind { Unknown, Missing, Directory, Other };
  // What the facts know of `name`: Unknown sends the question to the folder.
  Kind KindOf(const std::string& name);
  // The entry's facts, looked at once; nullptr when the facts do not answer.
  const platform::EntryFacts* Look(const std::string& name);
  // The name as changes are recorded: folded where case is ignored.
  std::string Key(const std::string& name) const;
  bool IsChanged(const std::string& name) const;
  bool Stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

  const platform::DirHandle& dir_;
  const std::atomic<bool>* stop_ = nullptr;
  bool on_ = false;
  bool listed_ = false;
  bool current_ = false;
  int listError_ = 0;
  std::vector<platform::FindEntry> listing_;
  std::unordered_map<std::string_view, size_t> index_;  // the names of listing_
  bool ignoreCase_ = false;
  std::unordered_map<std::string, size_t> foldedIndex_;  // the same, folded, where case is ignored
  std::unordered_map<std::string, platform::EntryFacts> looks_;
  std::unordered_set<std::string> changed_;
};

// A DirSearch over a folder's listing while it is current, otherwise over
// the folder itself: the same entries, in the same order.
class FactsSearch {
 public:
  FactsSearch(const FolderFacts& facts, std::string mask, uint32_t attributeSet);
  bool Next(platform::FindEntry& entry);
  // 0, or why the folder could not be read to its end.
  int error() const { return search_ ? search_->error() : 0; }

 private:
  const std::vector<platform::FindEntry>* listing_ = nullptr;
  size_t next_ = 0;
  std::string mask_;
  uint32_t attributeSet_;
  std::unique_ptr<platform::DirSearch> search_;
};

}  // namespace tandrel
