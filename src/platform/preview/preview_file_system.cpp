// The preview's file system: what a run would have changed, kept per folder,
// answered over the file system beneath, which is only ever read.

#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <vector>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/preview/preview_scope.h"

namespace tandrel::platform {
namespace {

constexpr uint32_t kKeptBits = attr::ReadOnly | attr::Archive;
// Planned folders and files get identities no real file system gives.
constexpr uint64_t kPlannedDevice = ~uint64_t{0};

// How the run reaches a real entry: a folder by its path, then one entry at
// a time below it. A planned file's bytes are read along the same way, not
// by a whole path, which the system would read on its own terms (Windows
// drops a name's trailing dots and spaces, and takes "aux.txt" or "nul" for
// a device).
struct Route {
  std::string top;                 // opened by its path, links followed
  std::vector<std::string> names;  // below it, each one entry of the last

  Route Then(const std::string& name) const {
    Route route = *this;
    route.names.push_back(name);
    return route;
  }
};

// What the plan knows of one entry of a folder.
struct Entry {
  enum class Kind { Gone, File, Folder } kind = Kind::Gone;
  EntryFacts facts;  // a file's or folder's facts as the run would find them
  Route content;     // the real file whose bytes a planned file holds
};

struct Plan {
  // Folder path (absolute, no trailing separator) -> entry name -> what became of it.
  std::map<std::string, std::map<std::string, Entry>> folders;
  uint64_t nextId = 1;
};

// The absolute path without empty or "." components or a trailing separator.
std::string Absolute(const std::string& path) {
  std::string whole = path;
  if (!std::filesystem::path(path).is_absolute()) {
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string();
    whole = JoinPath(ec ? std::string(1, kPathSeparator) : cwd, path);
  }
  // The root: the leading separator, or a drive and its separator.
  size_t pos = 0;
  while (pos < whole.size() && !IsSeparator(whole[pos])) ++pos;
  std::string out = whole.substr(0, pos) + kPathSeparator;
  const std::string root = out;
  for (++pos; pos <= whole.size();) {
    size_t next = pos;
    while (next < whole.size() && !IsSeparator(whole[next])) ++next;
    const std::string part = whole.substr(pos, next - pos);
    if (!part.empty() && part != ".") out = out == root ? out + part : out + kPathSeparator + part;
    pos = next + 1;
  }
  return out;
}

EntryFacts Missing(int error) {
  EntryFacts facts;
  facts.error = error;
  return facts;
}

class PreviewFileSystem;

// A folder as the preview sees it: the real folder where there is one and
// the way to it, its absolute path, under which the plan keeps what the run
// would have changed in it, and whether it exists only in that plan.
class PreviewFolder : public FolderOps {
 public:
  PreviewFolder(const PreviewFileSystem& fs, std::unique_ptr<FolderOps> real, std::string path, bool planned,
                int error, Route route = {})
      : fs_(fs),
        real_(std::move(real)),
        path_(std::move(path)),
        planned_(planned),
        error_(error),
        route_(std::move(route)) {}

  const std::string& path() const { return path_; }
  bool planned() const { return planned_; }
  bool real() const { return real_ && real_->valid(); }

  bool valid() const override { return planned_ || real(); }
  int error() const override { return valid() ? 0 : error_ != 0 ? error_ : kErrNotFound; }
  std::unique_ptr<FolderOps> OpenSub(const std::string& name) const override;
  // The second handle serves another thread, which only reads ahead to warm
  // the caches: it reads the real folder and keeps away from the plan, which
  // this thread alone changes. A folder that is only planned has nothing to
  // read.
  std::unique_ptr<FolderOps> Duplicate() const override {
    if (real()) return real_->Duplicate();
    return std::make_unique<PreviewFolder>(fs_, nullptr, path_, false, kErrNotFound);
  }
  // The plan changes no real folder's stamp: a listing kept by stamp would
  // miss what the plan has added or removed, so a planned folder's
  // listing never stands.
  uint64_t ChangeStamp() const override { return 0; }
  std::unique_ptr<FolderOps> Reopen() const override {
    return std::make_unique<PreviewFolder>(fs_, real_ ? real_->Duplicate() : nullptr, path_, planned_, error_,
                                           route_);
  }
  EntryFacts LookAt(const std::string& name) const override;
  bool ArchiveOf(const std::string& name, const EntryFacts& facts) const override {
    return real() ? real_->ArchiveOf(name, facts) : true;
  }
  int SetAttributes(const std::string& name, uint32_t attributes) const override;
  // A rename changes only the letter case of a name on a folder that
  // ignores case, where either spelling finds the entry: the plan keeps it
  // as it is.
  int Rename(const std::string& from, const std::string&) const override {
    const EntryFacts entry = LookAt(from);
    return entry.exists() ? MayChange() : entry.error;
  }
  // A preview writes nothing, not even a probe.
  bool IgnoresCase(bool) const override { return real() && real_->IgnoresCase(false); }
  int RemoveFile(const std::string& name) const override;
  int RemoveFolder(const std::string& name) const override;
  int MakeFolder(const std::string& name) const override;
  int MayChange() const override;
  std::unique_ptr<PendingCopyOps> PrepareCopyTo(const std::string& name, const FolderOps& dest,
                                                const std::string& destName, bool synchronised,
                                                const CopyProgress& progress, int& error) const override;
  std::unique_ptr<SearchOps> Search(const std::string& mask) const override;
  std::unique_ptr<ReaderOps> OpenFile(const std::string& name, int& error) const override;

  // Every entry as the run would find it: the real ones in listing order,
  // then those the plan adds. 0 or the error of the listing.
  int List(std::vector<FindEntry>& entries) const;

 private:
  // A real file as the plan keeps it once the run has changed something of it.
  Entry RealFile(const std::string& name) const;

  const PreviewFileSystem& fs_;
  std::unique_ptr<FolderOps> real_;
  std::string path_;
  bool planned_;
  int error_;
  Route route_;
};

class PreviewSearch : public SearchOps {
 public:
  PreviewSearch(std::vector<FindEntry> entries, std::string mask, int error)
      : entries_(std::move(entries)), mask_(std::move(mask)), error_(error) {}
  bool Next(FindEntry& entry) override {
    while (next_ < entries_.size()) {
      const FindEntry& e = entries_[next_++];
      if (MatchesMask(e.name, mask_)) {
        entry = e;
        return true;
      }
    }
    return false;
  }
  int error() const override { return error_; }

 private:
  std::vector<FindEntry> entries_;
  size_t next_ = 0;
  std::string mask_;
  int error_;
};

// A lock that is only looked at: never held.
class LookedAtLock : public RunLockOps {
 public:
  explicit LookedAtLock(RunLockState state) : state_(state) {}
  RunLockState state() const override { return state_; }

 private:
  RunLockState state_;
};

class PreviewFileSystem : public FileSystem {
 public:
  explicit PreviewFileSystem(const FileSystem& base) : base_(base) {}

  const Entry* Find(const std::string& folder, const std::string& name) const {
    const auto f = plan_.folders.find(folder);
    if (f == plan_.folders.end()) return nullptr;
    const auto e = f->second.find(name);
    return e == f->second.end() ? nullptr : &e->second;
  }
  void Put(const std::string& folder, const std::string& name, Entry entry) const {
    plan_.folders[folder][name] = std::move(entry);
  }
  void Forget(const std::string& folder) const { plan_.folders.erase(folder); }
  const std::map<std::string, Entry>* Planned(const std::string& folder) const {
    const auto f = plan_.folders.find(folder);
    return f == plan_.folders.end() ? nullptr : &f->second;
  }
  uint64_t NextId() const { return plan_.nextId++; }

  // Where a path stands in the plan: nothing planned on its way (real), or
  // missing, or a planned file or folder.
  struct Place {
    enum class State { Real, Missing, PlannedFile, PlannedFolder } state = State::Real;
    int error = 0;
    const Entry* entry = nullptr;
  };
  Place Locate(const std::string& absolute) const {
    bool belowPlanned = false;
    // From the root down, one component at a time.
    size_t pos = 0;
    while (pos < absolute.size() && !IsSeparator(absolute[pos])) ++pos;
    std::string folder = absolute.substr(0, pos) + kPathSeparator;
    for (++pos; pos < absolute.size();) {
      size_t next = pos;
      while (next < absolute.size() && !IsSeparator(absolute[next])) ++next;
      const std::string name = absolute.substr(pos, next - pos);
      const bool last = next >= absolute.size();
      if (const Entry* e = Find(folder, name)) {
        if (e->kind == Entry::Kind::Gone) return {Place::State::Missing, kErrNotFound, nullptr};
        if (e->kind == Entry::Kind::File) {
          return last ? Place{Place::State::PlannedFile, 0, e}
                      : Place{Place::State::Missing, kErrNotADirectory, nullptr};
        }
        if (last) return {Place::State::PlannedFolder, 0, e};
        belowPlanned = true;
      } else if (belowPlanned) {
        return {Place::State::Missing, kErrNotFound, nullptr};
      }
      folder = JoinPath(folder, name);
      pos = next + 1;
    }
    return {};
  }

  std::unique_ptr<FolderOps> OpenFolder(const std::string& path) const override {
    std::string absolute = Absolute(path);
    const Place place = Locate(absolute);
    switch (place.state) {
      case Place::State::Missing:
        return std::make_unique<PreviewFolder>(*this, nullptr, std::move(absolute), false, place.error);
      case Place::State::PlannedFile:
        return std::make_unique<PreviewFolder>(*this, nullptr, std::move(absolute), false, kErrNotADirectory);
      case Place::State::PlannedFolder:
        return std::make_unique<PreviewFolder>(*this, nullptr, std::move(absolute), true, 0);
      case Place::State::Real:
        break;
    }
    auto real = base_.OpenFolder(path);
    const int error = real->error();
    return std::make_unique<PreviewFolder>(*this, std::move(real), std::move(absolute), false, error,
                                           Route{path, {}});
  }

  bool DirectoryExists(const std::string& path, bool followLinks) const override {
    const Place place = Locate(Absolute(path));
    if (place.state != Place::State::Real) return place.state == Place::State::PlannedFolder;
    return base_.DirectoryExists(path, followLinks);
  }

  bool ResolvePath(const std::string& path, std::string& resolved) const override {
    // A planned folder resolves through its nearest real ancestor.
    std::string real = Absolute(path), rest;
    for (Place::State state; (state = Locate(real).state) != Place::State::Real;) {
      if (state == Place::State::Missing) return false;
      rest = JoinPath(LastComponent(real), rest);
      real = WithoutTrailingSeparator(ParentFolder(real));
    }
    std::string base;
    if (!base_.ResolvePath(real, base)) return false;
    resolved = rest.empty() ? base : JoinPath(base, WithoutTrailingSeparator(rest));
    return true;
  }

  bool Identity(const std::string& path, uint64_t& device, uint64_t& inode) const override {
    const Place place = Locate(Absolute(path));
    if (place.state == Place::State::Missing) return false;
    if (place.entry) {
      device = kPlannedDevice;
      inode = place.entry->facts.inode;
      return true;
    }
    return base_.Identity(path, device, inode);
  }

  bool FolderWithin(const std::string& inner, const std::string& outer) const override {
    return Locate(Absolute(inner)).state == Place::State::Real &&
           Locate(Absolute(outer)).state == Place::State::Real && base_.FolderWithin(inner, outer);
  }

  int CreateDirectories(const std::string& path) const override {
    if (path.empty()) return kErrNotFound;
    const std::string absolute = Absolute(path);
    const Place place = Locate(absolute);
    if (place.state == Place::State::PlannedFolder) return 0;
    if (place.state == Place::State::PlannedFile) return kErrExists;
    if (place.state == Place::State::Missing && place.error != kErrNotFound) return place.error;
    const std::string parent = WithoutTrailingSeparator(ParentFolder(absolute));
    if (place.state == Place::State::Real) {
      if (base_.DirectoryExists(absolute, true)) return 0;
      const DirHandle folder(base_.OpenFolder(parent.empty() ? absolute : parent));
      const EntryFacts facts = folder.LookAt(LastComponent(absolute));
      if (facts.exists()) return kErrExists;
      if (folder.valid() && facts.error != kErrNotFound) return facts.error;
    }
    if (parent.empty() || parent == absolute) return kErrNotFound;
    if (const int rc = CreateDirectories(parent)) return rc;
    return OpenFolder(parent)->MakeFolder(LastComponent(absolute));
  }

  // A preview makes no folder, not even the Log folder.
  void EnsureDirectory(const std::string&) const override {}

  std::unique_ptr<ReaderOps> OpenFile(const std::string& path, int& error) const override {
    const Place place = Locate(Absolute(path));
    switch (place.state) {
      case Place::State::Missing:
        error = place.error;
        return nullptr;
      case Place::State::PlannedFolder:
        error = kErrNotRegularFile;
        return nullptr;
      case Place::State::PlannedFile:
        return Read(place.entry->content, error);
      case Place::State::Real:
        break;
    }
    return base_.OpenFile(path, error);
  }

  // The real file at the end of `route`, opened for reading as the run opens it.
  std::unique_ptr<ReaderOps> Read(const Route& route, int& error) const {
    std::unique_ptr<FolderOps> folder = base_.OpenFolder(route.top);
    for (size_t i = 0; i + 1 < route.names.size(); ++i) folder = folder->OpenSub(route.names[i]);
    if (!folder->valid() || route.names.empty()) {
      error = folder->valid() ? kErrNotRegularFile : folder->error();
      return nullptr;
    }
    return folder->OpenFile(route.names.back(), error);
  }

  // A preview writes no log file and no configuration.
  std::unique_ptr<LogFileOps> OpenLogFile(const std::string&, bool) const override { return nullptr; }
  int WriteFileAtomic(const std::string&, const std::string&) const override { return kErrAccessDenied; }

  std::unique_ptr<RunLockOps> LockRun(const std::string& configPath) const override {
    return std::make_unique<LookedAtLock>(base_.LookAtRunLock(configPath));
  }
  RunLockState LookAtRunLock(const std::string& configPath) const override {
    return base_.LookAtRunLock(configPath);
  }

 private:
  const FileSystem& base_;
  mutable Plan plan_;
};

std::unique_ptr<FolderOps> PreviewFolder::OpenSub(const std::string& name) const {
  if (!valid()) return std::make_unique<PreviewFolder>(fs_, nullptr, std::string(), false, error());
  std::string path = JoinPath(path_, name);
  if (const Entry* e = fs_.Find(path_, name)) {
    if (e->kind == Entry::Kind::Folder) return std::make_unique<PreviewFolder>(fs_, nullptr, path, true, 0);
    return std::make_unique<PreviewFolder>(fs_, nullptr, path, false,
                                           e->kind == Entry::Kind::Gone ? kErrNotFound : kErrNotADirectory);
  }
  if (planned_) return std::make_unique<PreviewFolder>(fs_, nullptr, path, false, kErrNotFound);
  auto sub = real_->OpenSub(name);
  const int error = sub->error();
  return std::make_unique<PreviewFolder>(fs_, std::move(sub), std::move(path), false, error,
                                         route_.Then(name));
}

EntryFacts PreviewFolder::LookAt(const std::string& name) const {
  if (const Entry* e = fs_.Find(path_, name)) {
    return e->kind == Entry::Kind::Gone ? Missing(kErrNotFound) : e->facts;
  }
  if (real()) return real_->LookAt(name);
  return Missing(valid() ? kErrNotFound : error());
}

Entry PreviewFolder::RealFile(const std::string& name) const {
  Entry e;
  e.kind = Entry::Kind::File;
  e.facts = real_->LookAt(name);
  e.facts.attributes = FullAttributes(*real_, name, e.facts);
  e.facts.archiveKnown = true;
  e.facts.device = kPlannedDevice;
  e.facts.inode = fs_.NextId();
  e.content = route_.Then(name);
  return e;
}

int PreviewFolder::SetAttributes(const std::string& name, uint32_t attributes) const {
  if (!valid()) return error();
  Entry entry;
  if (const Entry* e = fs_.Find(path_, name)) {
    if (e->kind == Entry::Kind::Gone) return kErrNotFound;
    if (e->kind == Entry::Kind::Folder) return 0;
    entry = *e;
  } else {
    if (planned_) return kErrNotFound;
    const EntryFacts facts = real_->LookAt(name);
    if (!facts.exists()) return facts.error;
    if (facts.isDirectory) return 0;
    if (!facts.isRegular) return kErrAccessDenied;
    entry = RealFile(name);
  }
  entry.facts.attributes = (entry.facts.attributes & ~kKeptBits) | (attributes & kKeptBits);
  fs_.Put(path_, name, std::move(entry));
  return 0;
}

int PreviewFolder::MayChange() const {
  if (fs_.Locate(path_).state == PreviewFileSystem::Place::State::Missing) return kErrNotFound;
  if (planned_) return 0;
  return real_->MayChange();
}

int PreviewFolder::RemoveFile(const std::string& name) const {
  if (!valid()) return error();
  if (const int rc = MayChange()) return rc;
  fs_.Put(path_, name, Entry{});
  return 0;
}

int PreviewFolder::RemoveFolder(const std::string& name) const {
  if (!valid()) return error();
  if (const Entry* e = fs_.Find(path_, name)) {
    if (e->kind == Entry::Kind::Gone) return kErrNotFound;
    if (e->kind == Entry::Kind::File) return kErrNotADirectory;
  } else {
    if (planned_) return kErrNotFound;
    const EntryFacts facts = real_->LookAt(name);
    if (!facts.exists()) return facts.error;
    if (!facts.isDirectory) return kErrNotADirectory;
  }
  const auto self = OpenSub(name);
  std::vector<FindEntry> inside;
  if (const int rc = static_cast<const PreviewFolder&>(*self).List(inside)) return rc;
  if (!inside.empty()) return kErrNotEmpty;
  if (const int rc = MayChange()) return rc;
  fs_.Forget(static_cast<const PreviewFolder&>(*self).path());
  fs_.Put(path_, name, Entry{});
  return 0;
}

int PreviewFolder::MakeFolder(const std::string& name) const {
  if (!valid()) return error();
  if (const Entry* e = fs_.Find(path_, name)) {
    if (e->kind != Entry::Kind::Gone) return kErrExists;
  } else if (real() && real_->LookAt(name).exists()) {
    return kErrExists;
  }
  if (const int rc = MayChange()) return rc;
  Entry folder;
  folder.kind = Entry::Kind::Folder;
  folder.facts.error = 0;
  folder.facts.isDirectory = true;
  folder.facts.attributes = attr::Directory | (IsHiddenName(name) ? attr::Hidden : 0);
  folder.facts.archiveKnown = true;
  folder.facts.device = kPlannedDevice;
  folder.facts.inode = fs_.NextId();
  fs_.Put(path_, name, std::move(folder));
  return 0;
}

// A planned copy: it joins the plan when published, and reads back as the
// file whose bytes it would hold.
class PlannedCopy : public PendingCopyOps {
 public:
  PlannedCopy(const PreviewFileSystem& fs, std::unique_ptr<FolderOps> folder, std::string folderPath,
              std::string name, Entry entry)
      : fs_(fs),
        folder_(std::move(folder)),
        folderPath_(std::move(folderPath)),
        name_(std::move(name)),
        entry_(std::move(entry)) {}
  CopiedState copied() const override {
    return {entry_.facts.size, entry_.facts.writeTime, entry_.facts.writeTimeNsec};
  }
  uint64_t FlushKey() const override { return 1; }
  int Flush() const override { return 0; }
  std::unique_ptr<ReaderOps> ReadBack(int& error) const override { return fs_.Read(entry_.content, error); }
  EntryFacts LookAtDestination() const override { return folder_->LookAt(name_); }
  int Publish(bool replace) override {
    if (!replace && LookAtDestination().exists()) return kErrExists;
    fs_.Put(folderPath_, name_, entry_);
    return 0;
  }

 private:
  const PreviewFileSystem& fs_;
  std::unique_ptr<FolderOps> folder_;  // the plan's folder the copy goes to
  std::string folderPath_, name_;
  Entry entry_;
};

// A planned copy takes no time: there is no progress to tell.
std::unique_ptr<PendingCopyOps> PreviewFolder::PrepareCopyTo(const std::string& name,
                                                             const FolderOps& destOps,
                                                             const std::string& destName, bool synchronised,
                                                             const CopyProgress&, int& error) const {
  const auto* dest = dynamic_cast<const PreviewFolder*>(&destOps);
  error = !dest ? kErrAccessDenied : !valid() ? this->error() : !dest->valid() ? dest->error() : 0;
  if (error != 0) return nullptr;
  Entry copy;
  if (const Entry* e = fs_.Find(path_, name)) {
    copy = *e;
  } else {
    if (!real()) {
      error = kErrNotFound;
      return nullptr;
    }
    if (!real_->OpenFile(name, error)) return nullptr;
    copy = RealFile(name);
  }
  if ((error = dest->MayChange()) != 0) return nullptr;
  // Content, time, read-only and archive state travel with the copy.
  copy.facts.attributes = (copy.facts.attributes & kKeptBits) | (IsHiddenName(destName) ? attr::Hidden : 0);
  if (synchronised) {
    copy.facts.attributes &= ~attr::Archive;
    copy.facts.archiveKnown = true;
  }
  copy.facts.inode = fs_.NextId();
  return std::make_unique<PlannedCopy>(fs_, dest->Reopen(), dest->path(), destName, std::move(copy));
}

int PreviewFolder::List(std::vector<FindEntry>& entries) const {
  entries.clear();
  if (!valid()) return error();
  const std::map<std::string, Entry>* planned = fs_.Planned(path_);
  std::set<std::string> seen;
  if (real()) {
    const auto search = real_->Search("*");
    FindEntry f;
    while (search->Next(f)) {
      if (planned) {
        if (const auto e = planned->find(f.name); e != planned->end()) {
          seen.insert(f.name);
          if (e->second.kind == Entry::Kind::Gone) continue;
          f.isDirectory = e->second.kind == Entry::Kind::Folder;
          f.isSystem = false;
          f.facts.reset();
        }
      }
      entries.push_back(f);
    }
    if (search->error() != 0) return search->error();
  }
  if (planned) {
    for (const auto& [name, e] : *planned) {
      if (e.kind == Entry::Kind::Gone || seen.count(name)) continue;
      FindEntry f;
      f.name = name;
      f.isDirectory = e.kind == Entry::Kind::Folder;
      f.isHidden = IsHiddenName(name);
      entries.push_back(std::move(f));
    }
  }
  return 0;
}

std::unique_ptr<SearchOps> PreviewFolder::Search(const std::string& mask) const {
  std::vector<FindEntry> entries;
  const int error = List(entries);
  return std::make_unique<PreviewSearch>(std::move(entries), mask, error);
}

std::unique_ptr<ReaderOps> PreviewFolder::OpenFile(const std::string& name, int& error) const {
  if (!valid()) {
    error = this->error();
    return nullptr;
  }
  if (const Entry* e = fs_.Find(path_, name)) {
    if (e->kind == Entry::Kind::File) return fs_.Read(e->content, error);
    error = e->kind == Entry::Kind::Gone ? kErrNotFound : kErrNotRegularFile;
    return nullptr;
  }
  if (planned_) {
    error = kErrNotFound;
    return nullptr;
  }
  return real_->OpenFile(name, error);
}

}  // namespace

struct PreviewScope::Impl {
  // Each scope plans on its own, over the real tree.
  PreviewFileSystem fileSystem{RealFileSystem()};
  FileSystemScope scope{fileSystem};
};

PreviewScope::PreviewScope() : impl_(std::make_unique<Impl>()) {}
PreviewScope::~PreviewScope() = default;

}  // namespace tandrel::platform
