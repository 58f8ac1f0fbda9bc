#pragma once
// What a level's pass asks about one of its two folders, answered from facts
// read once for that pass: the folder's listing (names and kinds, in
// file-system order) and one look at each entry asked about. Every answer is
// the one the folder itself would give on a tree that nothing else changes;
// a change the run makes in the folder takes the changed name, and the
// listing's use for a search, out of the facts. Facts are kept for one
// level's pass and dropped with it; a listing read when the level was
// entered serves the pass only while the folder's change stamp shows it
// still stands.
//
// Switched off, every question and search goes to the folder itself, one
// call each, exactly as the walk asks them.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/entries.h"
#include "platform/folders.h"

namespace tandrel {

class FolderFacts {
  // One listed entry, kept small: a folder may hold many thousands.
  struct Entry {
    uint32_t nameAt = 0;  // in the names
    uint32_t nameSize = 0;
    bool isDirectory = false;
    bool isSystem = false;
    bool isHidden = false;
    bool looked = false;  // the facts hold its look
  };

 public:
  // A folder's listing as the facts keep it: the names one after another,
  // the entries in listing order, and the looks that came with them. Read
  // elsewhere, it is handed over whole (see destination_reader.h).
  class Listing {
   public:
    // Adds the next entry, with its look where it carries one.
    void Add(const platform::FindEntry& entry);
    size_t size() const { return entries_.size(); }

   private:
    friend class FolderFacts;
    std::string names_;
    std::vector<Entry> entries_;
    // The looks, by place; only as long as the last entry that has one.
    std::vector<platform::EntryFacts> facts_;
  };

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
  // "*" with every attribute returns them) that the caller has read: at
  // once, or entry by entry and then Complete().
  void Adopt(Listing&& listing);
  void Add(const platform::FindEntry& entry);
  void Complete();
  // Reads the listing now; after an error, questions go to the folder and
  // ListError() tells why it failed.
  void List();
  int ListError() const { return listError_; }
  bool Listed() const { return listed_; }
  // Whether the listing still shows the folder as the run left it.
  bool ListingCurrent() const { return listed_ && current_; }
  size_t ListedCount() const { return listing_.entries_.size(); }
  // The listed entry at `at`, in listing order (its name and kinds only).
  void ListedEntry(size_t at, platform::FindEntry& entry) const;

  // Looks at each of `names` now that the facts do not already tell
  // missing or a folder: the entries a pass is about to ask about.
  void LookAt(const std::vector<std::string>& names);

  // The answers of the DirHandle questions of the same names.
  // With `size`, the file's size too (-1 for anything but a file).
  int64_t FileAge(const std::string& name, int64_t* size = nullptr);
  bool FileExists(const std::string& name);
  bool DirectoryExists(const std::string& name);
  uint32_t GetAttributes(const std::string& name);
  int EntryError(const std::string& name);
  // The entry's facts where these facts tell them (a look, or missing from
  // the listing, or the look that answered the last FileAge of `name`);
  // false where the folder must be asked.
  bool Known(const std::string& name, platform::EntryFacts& facts);

  // Looks at the file `name` again, where the facts hold an earlier look
  // that the pass is about to act on: true when the file is no longer as
  // that look showed, and then the folder itself answers for it.
  bool LookAgain(const std::string& name);

  // The run has changed `name` in this folder (written, deleted, its
  // attributes set): what the facts knew of it no longer holds.
  void Changed(const std::string& name);

  const platform::DirHandle& dir() const { return dir_; }

 private:
  enum class Kind { Unknown, Missing, Directory, Other };
  static constexpr size_t kNotListed = SIZE_MAX;

  // What the facts know of `name`: Unknown sends the question to the folder.
  Kind KindOf(const std::string& name);
  // The entry's facts, looked at once; nullptr when the facts do not answer.
  const platform::EntryFacts* Look(const std::string& name);
  // The listed entry `name` names, exactly or (where case is ignored) in
  // another letter case; kNotListed when none does.
  size_t Find(std::string_view name) const;
  // The listed entry spelt exactly `name`, or kNotListed.
  size_t FindExact(std::string_view name) const;
  // The entry `index` finds under `key`, where `keyOf` gives an entry's key.
  template <typename KeyOf>
  size_t FindIn(const std::vector<uint32_t>& index, std::string_view key, KeyOf keyOf) const;
  std::string_view NameOf(const Entry& entry) const {
    return {listing_.names_.data() + entry.nameAt, entry.nameSize};
  }
  std::string_view FoldedNameOf(size_t at) const;
  bool IsChanged(const std::string& name) const;
  // The look that answered FileAge of `name` last, where the folder itself
  // answered and nothing has changed the name since; nullptr otherwise.
  const platform::EntryFacts* LastLookAt(const std::string& name) const;
  bool Stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

  const platform::DirHandle& dir_;
  const std::atomic<bool>* stop_ = nullptr;
  bool on_ = false;
  bool listed_ = false;
  bool current_ = false;
  int listError_ = 0;
  bool ignoreCase_ = false;
  // The listing with the looks of its entries, and an index of their places
  // by name (by folded name too where case is ignored, the folded names
  // then kept likewise). The index is open addressing over place + 1, 0
  // marking a free slot.
  Listing listing_;
  std::vector<uint32_t> byName_;
  std::string foldedNames_;
  std::vector<uint32_t> foldedAt_;  // where each entry's folded name begins
  std::vector<uint32_t> byFoldedName_;
  mutable size_t lastFound_ = 0;  // a pass asks about one name several times in a row
  // Names the listing does not hold as asked (or no listing at all): their
  // looks, and the changes the run made (folded where case is ignored).
  std::unordered_map<std::string, platform::EntryFacts> looks_;
  std::unordered_set<std::string> changed_;
  // The last look the folder itself gave FileAge, for the steps that act
  // on its answer: they then act on what the decision saw.
  std::string lastName_;
  platform::EntryFacts lastLook_;
  bool hasLast_ = false;
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
  const FolderFacts* listing_ = nullptr;
  size_t next_ = 0;
  std::string mask_;
  uint32_t attributeSet_;
  std::unique_ptr<platform::DirSearch> search_;
};

}  // namespace tandrel
