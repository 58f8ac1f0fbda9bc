#include "engine/folder_facts.h"
#include "platform/process.h"

#include <functional>
#include <utility>

namespace tandrel {

void FolderFacts::Begin(bool on) {
  Clear();
  on_ = on && dir_.valid();
}

void FolderFacts::Clear() {
  on_ = listed_ = current_ = hasLast_ = false;
  listError_ = 0;
  // A large folder's facts are given back, not kept for the next level.
  listing_ = {};
  byName_ = {};
  foldedNames_ = {};
  foldedAt_ = {};
  byFoldedName_ = {};
  looks_ = {};
  changed_ = {};
}

void FolderFacts::Adopt(Listing&& listing) {
  if (!on_ || listed_) return;
  listing_ = std::move(listing);
  Complete();
}

void FolderFacts::Listing::Add(const platform::FindEntry& entry) {
  Entry e;
  e.nameAt = static_cast<uint32_t>(names_.size());
  e.nameSize = static_cast<uint32_t>(entry.name.size());
  e.isDirectory = entry.isDirectory;
  e.isSystem = entry.isSystem;
  e.isHidden = entry.isHidden;
  names_ += entry.name;
  // Where the listing told an entry's facts, no look of its own is needed.
  if (entry.facts) {
    facts_.resize(entries_.size() + 1);
    facts_.back() = *entry.facts;
    e.looked = true;
  }
  entries_.push_back(e);
}

void FolderFacts::Add(const platform::FindEntry& entry) {
  if (on_ && !listed_) listing_.Add(entry);
}

void FolderFacts::Complete() {
  if (!on_ || listed_) return;
  listing_.entries_.shrink_to_fit();
  listing_.names_.shrink_to_fit();
  listing_.facts_.resize(listing_.entries_.size());
  listing_.facts_.shrink_to_fit();
  // At most half the slots taken, so that a search ends after a few.
  size_t slots = 2;
  while (slots < listing_.entries_.size() * 2) slots <<= 1;
  const auto insert = [slots](std::vector<uint32_t>& index, std::string_view key, size_t at) {
    size_t slot = std::hash<std::string_view>{}(key) & (slots - 1);
    while (index[slot] != 0) slot = (slot + 1) & (slots - 1);
    index[slot] = static_cast<uint32_t>(at + 1);
  };
  byName_.assign(slots, 0);
  for (size_t i = 0; i < listing_.entries_.size(); ++i) insert(byName_, NameOf(listing_.entries_[i]), i);
  if (ignoreCase_) {
    foldedAt_.resize(listing_.entries_.size() + 1);
    for (size_t i = 0; i < listing_.entries_.size(); ++i) {
      foldedAt_[i] = static_cast<uint32_t>(foldedNames_.size());
      foldedNames_ += platform::FoldCase(std::string(NameOf(listing_.entries_[i])));
    }
    foldedAt_.back() = static_cast<uint32_t>(foldedNames_.size());
    // Of names alike but for case, the first listed is the one found.
    byFoldedName_.assign(slots, 0);
    const auto folded = [this](size_t at) { return FoldedNameOf(at); };
    for (size_t i = 0; i < listing_.entries_.size(); ++i) {
      if (FindIn(byFoldedName_, FoldedNameOf(i), folded) == kNotListed)
        insert(byFoldedName_, FoldedNameOf(i), i);
    }
  }
  listed_ = current_ = true;
}

void FolderFacts::List() {
  if (!on_) return;
  platform::DirSearch search(dir_, "*", platform::attr::All);
  platform::FindEntry entry;
  while (!Stopped() && search.Next(entry)) Add(entry);
  // An incomplete listing would tell of missing names that are there; a
  // stopped run asks nothing more.
  if (Stopped()) return;
  listError_ = search.error();
  if (listError_ == 0) {
    Complete();
  } else {
    listing_ = {};
  }
}

void FolderFacts::ListedEntry(size_t at, platform::FindEntry& entry) const {
  const Entry& e = listing_.entries_[at];
  entry.name.assign(NameOf(e));
  entry.isDirectory = e.isDirectory;
  entry.isSystem = e.isSystem;
  entry.isHidden = e.isHidden;
  entry.facts.reset();
}

std::string_view FolderFacts::FoldedNameOf(size_t at) const {
  return {foldedNames_.data() + foldedAt_[at], foldedAt_[at + 1] - foldedAt_[at]};
}

template <typename KeyOf>
size_t FolderFacts::FindIn(const std::vector<uint32_t>& index, std::string_view key, KeyOf keyOf) const {
  if (index.empty()) return kNotListed;
  const size_t mask = index.size() - 1;
  for (size_t slot = std::hash<std::string_view>{}(key)&mask; index[slot] != 0; slot = (slot + 1) & mask) {
    if (keyOf(index[slot] - 1) == key) return index[slot] - 1;
  }
  return kNotListed;
}

size_t FolderFacts::FindExact(std::string_view name) const {
  if (lastFound_ < listing_.entries_.size() && NameOf(listing_.entries_[lastFound_]) == name)
    return lastFound_;
  const size_t at = FindIn(byName_, name, [this](size_t i) { return NameOf(listing_.entries_[i]); });
  if (at != kNotListed) lastFound_ = at;
  return at;
}

size_t FolderFacts::Find(std::string_view name) const {
  if (const size_t at = FindExact(name); at != kNotListed || !ignoreCase_) return at;
  return FindIn(byFoldedName_, platform::FoldCase(std::string(name)),
                [this](size_t i) { return FoldedNameOf(i); });
}

FolderFacts::Kind FolderFacts::KindOf(const std::string& name) {
  if (!on_ || IsChanged(name)) return Kind::Unknown;
  if (listed_) {
    const size_t at = Find(name);
    if (at == kNotListed) return Kind::Missing;
    return listing_.entries_[at].isDirectory ? Kind::Directory : Kind::Other;
  }
  const platform::EntryFacts* facts = Look(name);
  if (!facts) return Kind::Unknown;
  // An entry that could not be examined is not known to be missing.
  if (!facts->exists()) return facts->error == platform::kErrNotFound ? Kind::Missing : Kind::Unknown;
  return facts->isDirectory ? Kind::Directory : Kind::Other;
}

const platform::EntryFacts* FolderFacts::Look(const std::string& name) {
  if (!on_ || IsChanged(name)) return nullptr;
  // A listed entry asked about by its own spelling keeps its look beside
  // it; any other name (another spelling, or no listing) by that name.
  if (const size_t at = listed_ ? FindExact(name) : kNotListed; at != kNotListed) {
    Entry& e = listing_.entries_[at];
    if (!e.looked) {
      listing_.facts_[at] = dir_.LookAt(name);
      e.looked = true;
    }
    return &listing_.facts_[at];
  }
  auto it = looks_.find(name);
  if (it == looks_.end()) it = looks_.emplace(name, dir_.LookAt(name)).first;
  return &it->second;
}

void FolderFacts::LookAt(const std::vector<std::string>& names) {
  if (!on_) return;
  for (const std::string& name : names) {
    if (Stopped()) return;
    if (KindOf(name) == Kind::Other) Look(name);
  }
}

int64_t FolderFacts::FileAge(const std::string& name, int64_t* size) {
  if (size) *size = -1;
  const Kind kind = KindOf(name);
  if (kind == Kind::Missing || kind == Kind::Directory) return -1;
  const platform::EntryFacts* facts = kind == Kind::Other ? Look(name) : nullptr;
  if (!facts) {
    // Kept for the steps that act on this answer (see Known).
    lastName_ = name;
    lastLook_ = dir_.LookAt(name);
    hasLast_ = true;
    facts = &lastLook_;
  }
  if (size && facts->age != -1) *size = facts->size;
  return facts->age;
}

bool FolderFacts::FileExists(const std::string& name) {
  const Kind kind = KindOf(name);
  return kind == Kind::Unknown ? dir_.FileExists(name) : kind == Kind::Other;
}

bool FolderFacts::DirectoryExists(const std::string& name) {
  const Kind kind = KindOf(name);
  return kind == Kind::Unknown ? dir_.DirectoryExists(name) : kind == Kind::Directory;
}

uint32_t FolderFacts::GetAttributes(const std::string& name) {
  switch (KindOf(name)) {
    case Kind::Unknown:
      return dir_.GetAttributes(name);
    case Kind::Missing:
      return platform::kInvalidAttributes;
    case Kind::Directory:
    case Kind::Other:
      break;
  }
  const platform::EntryFacts* facts = Look(name);
  return facts ? dir_.AttributesOf(name, *facts) : dir_.GetAttributes(name);
}

int FolderFacts::EntryError(const std::string& name) {
  switch (KindOf(name)) {
    case Kind::Unknown:
      return dir_.EntryError(name);
    case Kind::Missing:
      return platform::kErrNotFound;
    case Kind::Directory:
      return 0;
    case Kind::Other:
      break;
  }
  const platform::EntryFacts* facts = Look(name);
  return facts ? facts->error : dir_.EntryError(name);
}

bool FolderFacts::Known(const std::string& name, platform::EntryFacts& facts) {
  if (const platform::EntryFacts* last = LastLookAt(name)) {
    facts = *last;
    return true;
  }
  switch (KindOf(name)) {
    case Kind::Missing:
      facts = {};
      return true;
    case Kind::Other:
      if (const platform::EntryFacts* look = Look(name)) {
        facts = *look;
        return true;
      }
      return false;
    case Kind::Unknown:
    case Kind::Directory:
      break;
  }
  return false;
}

bool FolderFacts::LookAgain(const std::string& name) {
  const platform::EntryFacts* before = LastLookAt(name);
  if (!before && KindOf(name) == Kind::Other) before = Look(name);
  if (!before) return false;
  const platform::EntryFacts now = dir_.LookAt(name);
  if (platform::SameEntryState(now, *before)) return false;
  Changed(name);
  return true;
}

const platform::EntryFacts* FolderFacts::LastLookAt(const std::string& name) const {
  return hasLast_ && lastName_ == name ? &lastLook_ : nullptr;
}

void FolderFacts::Changed(const std::string& name) {
  if (lastName_ == name) hasLast_ = false;
  if (!on_) return;
  changed_.insert(ignoreCase_ ? platform::FoldCase(name) : name);
  current_ = false;
}

bool FolderFacts::IsChanged(const std::string& name) const {
  if (changed_.empty()) return false;
  return changed_.count(ignoreCase_ ? platform::FoldCase(name) : name) != 0;
}

FactsSearch::FactsSearch(const FolderFacts& facts, std::string mask, uint32_t attributeSet)
    : mask_(std::move(mask)), attributeSet_(attributeSet) {
  if (facts.ListingCurrent()) {
    listing_ = &facts;
  } else {
    search_ = std::make_unique<platform::DirSearch>(facts.dir(), mask_, attributeSet_);
  }
}

bool FactsSearch::Next(platform::FindEntry& entry) {
  if (search_) return search_->Next(entry);
  while (next_ < listing_->ListedCount()) {
    listing_->ListedEntry(next_++, entry);
    if (platform::MatchesMask(entry.name, mask_) && platform::InAttributeSet(entry, attributeSet_))
      return true;
  }
  return false;
}

}  // namespace tandrel
