#include "engine/folder_facts.h"

#include <utility>

namespace tandrel {

void FolderFacts::Begin(bool on) {
  Clear();
  on_ = on && dir_.valid();
}

void FolderFacts::Clear() {
  on_ = listed_ = current_ = false;
  listError_ = 0;
  index_.clear();
  foldedIndex_.clear();
  listing_.clear();
  looks_.clear();
  changed_.clear();
}

void FolderFacts::Adopt(std::vector<platform::FindEntry> listing) {
  if (!on_) return;
  index_.clear();
  foldedIndex_.clear();
  listing_ = std::move(listing);
  index_.reserve(listing_.size());
  for (size_t i = 0; i < listing_.size(); ++i) {
    index_.emplace(listing_[i].name, i);
    if (ignoreCase_) foldedIndex_.emplace(platform::FoldCase(listing_[i].name), i);
    // Where the listing told an entry's facts, no look of its own is needed.
    if (listing_[i].facts) looks_.emplace(listing_[i].name, *listing_[i].facts);
  }
  listed_ = current_ = true;
}

void FolderFacts::List() {
  if (!on_) return;
  std::vector<platform::FindEntry> listing;
  platform::DirSearch search(dir_, "*", platform::attr::All);
  platform::FindEntry entry;
  while (!Stopped() && search.Next(entry)) listing.push_back(entry);
  // An incomplete listing would tell of missing names that are there; a
  // stopped run asks nothing more.
  if (Stopped()) return;
  listError_ = search.error();
  if (listError_ == 0) Adopt(std::move(listing));
}

FolderFacts::Kind FolderFacts::KindOf(const std::string& name) {
  if (!on_ || IsChanged(name)) return Kind::Unknown;
  if (listed_) {
    size_t at = 0;
    if (const auto it = index_.find(name); it != index_.end()) {
      at = it->second;
    } else if (const auto folded =
                   ignoreCase_ ? foldedIndex_.find(platform::FoldCase(name)) : foldedIndex_.end();
               folded != foldedIndex_.end()) {
      at = folded->second;  // the same entry, spelt in another letter case
    } else {
      return Kind::Missing;
    }
    return listing_[at].isDirectory ? Kind::Directory : Kind::Other;
  }
  const platform::EntryFacts* facts = Look(name);
  if (!facts) return Kind::Unknown;
  // An entry that could not be examined is not known to be missing.
  if (!facts->exists()) return facts->error == platform::kErrNotFound ? Kind::Missing : Kind::Unknown;
  return facts->isDirectory ? Kind::Directory : Kind::Other;
}

const platform::EntryFacts* FolderFacts::Look(const std::string& name) {
  if (!on_ || IsChanged(name)) return nullptr;
  auto it = looks_.find(name);
  if (it == looks_.end()) it = looks_.emplace(name, dir_.LookAt(name)).first;
  return &it->second;
}

void FolderFacts::LookAt(const std::vector<std::string>& names) {
  if (!on_) return;
  looks_.reserve(looks_.size() + names.size());
  for (const std::string& name : names) {
    if (Stopped()) return;
    if (KindOf(name) == Kind::Other) Look(name);
  }
}

void FolderFacts::LookAtListedFiles() {
  if (!listed_) return;
  looks_.reserve(looks_.size() + listing_.size());
  for (const platform::FindEntry& entry : listing_) {
    if (Stopped()) return;
    if (!entry.isDirectory) Look(entry.name);
  }
}

int64_t FolderFacts::FileAge(const std::string& name, int64_t* size) {
  if (size) *size = -1;
  const Kind kind = KindOf(name);
  if (kind == Kind::Missing || kind == Kind::Directory) return -1;
  const platform::EntryFacts* facts = kind == Kind::Other ? Look(name) : nullptr;
  if (!facts) {
    if (!size) return dir_.FileAge(name);
    const platform::EntryFacts look = dir_.LookAt(name);
    if (look.age != -1) *size = look.size;
    return look.age;
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

void FolderFacts::Changed(const std::string& name) {
  if (!on_) return;
  changed_.insert(Key(name));
  looks_.erase(name);
  current_ = false;
}

FactsSearch::FactsSearch(const FolderFacts& facts, std::string mask, uint32_t attributeSet)
    : mask_(std::move(mask)), attributeSet_(attributeSet) {
  if (facts.ListingCurrent()) {
    listing_ = &facts.Listing();
  } else {
    search_ = std::make_unique<platform::DirSearch>(facts.dir(), mask_, attributeSet_);
  }
}

bool FactsSearch::Next(platform::FindEntry& entry) {
  if (search_) return search_->Next(entry);
  while (next_ < listing_->size()) {
    const platform::FindEntry& listed = (*listing_)[next_++];
    if (platform::MatchesMask(listed.name, mask_) && platform::InAttributeSet(listed, attributeSet_)) {
      entry = listed;
      return true;
    }
  }
  return false;
}

}  // namespace tandrel

namespace tandrel {

std::string FolderFacts::Key(const std::string& name) const {
  return ignoreCase_ ? platform::FoldCase(name) : name;
}

bool FolderFacts::IsChanged(const std::string& name) const {
  if (changed_.empty()) return false;
  return changed_.count(ignoreCase_ ? platform::FoldCase(name) : name) != 0;
}

}  // namespace tandrel
