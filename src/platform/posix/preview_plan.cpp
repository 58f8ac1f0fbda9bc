#include "platform/posix/preview_plan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <map>
#include <memory>
#include <set>

#include "platform/posix/at_ops.h"
#include "platform/posix/listing.h"
#include "platform/posix/unique_fd.h"

namespace tandrel::platform {
namespace posix::preview {
namespace {

using Access = PreviewAccess;

constexpr uint32_t kKeptBits = attr::ReadOnly | attr::Archive;
// Planned folders and files get identities no real file system gives.
constexpr uint64_t kPlannedDevice = ~uint64_t{0};

// What the plan knows of one entry of a folder.
struct Entry {
  enum class Kind { Gone, File, Folder } kind = Kind::Gone;
  int64_t age = -1;         // a file's age
  uint32_t attributes = 0;  // a file's attribute bits
  std::string content;      // the real file whose bytes a planned file holds
  uint64_t id = 0;          // identity of a planned folder or file
};

struct Plan {
  // Folder path (absolute, no trailing "/") -> entry name -> what became of it.
  std::map<std::string, std::map<std::string, Entry>> folders;
  uint64_t nextId = 1;
};

// The plans of the scopes alive on this thread, innermost last.
thread_local std::vector<std::unique_ptr<Plan>> plans;
thread_local Plan* current = nullptr;

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// The absolute path without empty or "." components or a trailing "/".
std::string Absolute(const std::string& path) {
  std::string whole = path;
  if (whole.empty() || whole[0] != '/') {
    char cwd[PATH_MAX];
    whole = std::string(::getcwd(cwd, sizeof cwd) ? cwd : "/") + "/" + whole;
  }
  std::string out;
  for (size_t pos = 0; pos <= whole.size();) {
    size_t next = whole.find('/', pos);
    if (next == std::string::npos) next = whole.size();
    const std::string part = whole.substr(pos, next - pos);
    if (!part.empty() && part != ".") out += "/" + part;
    pos = next + 1;
  }
  return out.empty() ? "/" : out;
}

void Split(const std::string& absolute, std::string& folder, std::string& name) {
  const auto slash = absolute.rfind('/');
  folder = slash == 0 ? "/" : absolute.substr(0, slash);
  name = absolute.substr(slash + 1);
}

const Entry* Find(const std::string& folder, const std::string& name) {
  const auto f = current->folders.find(folder);
  if (f == current->folders.end()) return nullptr;
  const auto e = f->second.find(name);
  return e == f->second.end() ? nullptr : &e->second;
}

const Entry* Find(const DirHandle& dir, const std::string& name) { return Find(Access::Path(dir), name); }

void Put(const DirHandle& dir, const std::string& name, Entry entry) {
  current->folders[Access::Path(dir)][name] = std::move(entry);
}

bool RealStat(const DirHandle& dir, const std::string& name, struct stat& st) {
  return dir.fd() >= 0 && ::fstatat(dir.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

uint32_t HiddenBit(const std::string& name) { return !name.empty() && name[0] == '.' ? attr::Hidden : 0; }

// A real file as the plan keeps it once the run has changed something of it.
Entry RealFile(const DirHandle& dir, const std::string& name) {
  Entry e;
  e.kind = Entry::Kind::File;
  e.age = FileAgeAt(dir.fd(), name);
  e.attributes = GetAttributesAt(dir.fd(), name, nullptr);
  e.content = Join(Access::Path(dir), name);
  e.id = current->nextId++;
  return e;
}

// Where a path stands in the plan: nothing planned on its way (real), or
// missing, or a planned file or folder.
struct Place {
  enum class State { Real, Missing, PlannedFile, PlannedFolder } state = State::Real;
  int error = 0;
  const Entry* entry = nullptr;
};

Place Locate(const std::string& absolute) {
  bool belowPlanned = false;
  std::string folder = "/";
  for (size_t pos = 1; pos < absolute.size();) {
    size_t next = absolute.find('/', pos);
    if (next == std::string::npos) next = absolute.size();
    const std::string name = absolute.substr(pos, next - pos);
    const bool last = next == absolute.size();
    if (const Entry* e = Find(folder, name)) {
      if (e->kind == Entry::Kind::Gone) return {Place::State::Missing, ENOENT, nullptr};
      if (e->kind == Entry::Kind::File) {
        return last ? Place{Place::State::PlannedFile, 0, e} : Place{Place::State::Missing, ENOTDIR, nullptr};
      }
      if (last) return {Place::State::PlannedFolder, 0, e};
      belowPlanned = true;
    } else if (belowPlanned) {
      return {Place::State::Missing, ENOENT, nullptr};
    }
    folder = Join(folder, name);
    pos = next + 1;
  }
  return {};
}

// What creating or removing an entry of the folder would meet: a folder
// the plan has removed meanwhile, or the right to write and search it (or a
// read-only file system).
int MayChange(const DirHandle& dir) {
  if (Locate(Access::Path(dir)).state == Place::State::Missing) return ENOENT;
  if (Access::Planned(dir)) return 0;
  return ::faccessat(dir.fd(), ".", W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

DirHandle Handle(int fd, int error, std::string path, bool planned) {
  DirHandle h;
  Access::Set(h, fd, error, std::move(path), planned);
  return h;
}

FindEntry EntryOf(const std::string& name, const Entry& e) {
  FindEntry f;
  f.name = name;
  f.isDirectory = e.kind == Entry::Kind::Folder;
  f.isHidden = name[0] == '.';
  return f;
}

}  // namespace

bool Active() { return current != nullptr; }

DirHandle Open(const std::string& path) {
  std::string absolute = Absolute(path);
  const Place place = Locate(absolute);
  switch (place.state) {
    case Place::State::Missing:
      return Handle(-1, place.error, std::move(absolute), false);
    case Place::State::PlannedFile:
      return Handle(-1, ENOTDIR, std::move(absolute), false);
    case Place::State::PlannedFolder:
      return Handle(-1, 0, std::move(absolute), true);
    case Place::State::Real:
      break;
  }
  const int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  return Handle(fd, fd < 0 ? errno : 0, std::move(absolute), false);
}

DirHandle OpenSub(const DirHandle& parent, const std::string& name) {
  if (!parent.valid()) return Handle(-1, parent.error() != 0 ? parent.error() : kErrNotFound, {}, false);
  std::string path = Join(Access::Path(parent), name);
  if (const Entry* e = Find(parent, name)) {
    if (e->kind == Entry::Kind::Folder) return Handle(-1, 0, std::move(path), true);
    return Handle(-1, e->kind == Entry::Kind::Gone ? ENOENT : ENOTDIR, std::move(path), false);
  }
  if (Access::Planned(parent)) return Handle(-1, ENOENT, std::move(path), false);
  const int fd = ::openat(parent.fd(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  const int error = fd >= 0 ? 0 : errno == ELOOP ? ENOTDIR : errno;
  return Handle(fd, error, std::move(path), false);
}

DirHandle Duplicate(const DirHandle& dir) {
  const int fd = dir.fd() >= 0 ? ::fcntl(dir.fd(), F_DUPFD_CLOEXEC, 0) : -1;
  const int error = dir.fd() >= 0 && fd < 0 ? errno : dir.error();
  return Handle(fd, error, Access::Path(dir), Access::Planned(dir));
}

int64_t FileAge(const DirHandle& dir, const std::string& name) {
  if (const Entry* e = Find(dir, name)) return e->kind == Entry::Kind::File ? e->age : -1;
  return dir.fd() >= 0 ? FileAgeAt(dir.fd(), name) : -1;
}

int EntryError(const DirHandle& dir, const std::string& name) {
  if (const Entry* e = Find(dir, name)) return e->kind == Entry::Kind::Gone ? ENOENT : 0;
  if (dir.fd() < 0) return dir.valid() || dir.error() == 0 ? ENOENT : dir.error();
  return EntryErrorAt(dir.fd(), name);
}

bool FileExists(const DirHandle& dir, const std::string& name) {
  if (const Entry* e = Find(dir, name)) return e->kind == Entry::Kind::File;
  struct stat st;
  return RealStat(dir, name, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const DirHandle& dir, const std::string& name) {
  if (const Entry* e = Find(dir, name)) return e->kind == Entry::Kind::Folder;
  struct stat st;
  return RealStat(dir, name, st) && S_ISDIR(st.st_mode);
}

uint32_t GetAttributes(const DirHandle& dir, const std::string& name, int* error) {
  if (const Entry* e = Find(dir, name)) {
    if (e->kind == Entry::Kind::File) return e->attributes;
    if (e->kind == Entry::Kind::Folder) return attr::Directory | HiddenBit(name);
    if (error) *error = ENOENT;
    return kInvalidAttributes;
  }
  if (dir.fd() < 0) {
    if (error) *error = dir.valid() ? ENOENT : dir.error();
    return kInvalidAttributes;
  }
  return GetAttributesAt(dir.fd(), name, error);
}

int SetAttributes(const DirHandle& dir, const std::string& name, uint32_t attributes) {
  if (!dir.valid()) return dir.error();
  Entry entry;
  if (const Entry* e = Find(dir, name)) {
    if (e->kind == Entry::Kind::Gone) return ENOENT;
    if (e->kind == Entry::Kind::Folder) return 0;
    entry = *e;
  } else {
    struct stat st;
    if (Access::Planned(dir)) return ENOENT;
    if (!RealStat(dir, name, st)) return errno;
    if (S_ISDIR(st.st_mode)) return 0;
    if (!S_ISREG(st.st_mode)) return kErrAccessDenied;
    entry = RealFile(dir, name);
  }
  entry.attributes = (entry.attributes & ~kKeptBits) | (attributes & kKeptBits);
  Put(dir, name, std::move(entry));
  return 0;
}

bool Identity(const DirHandle& dir, const std::string& name, uint64_t& device, uint64_t& inode) {
  if (const Entry* e = Find(dir, name)) {
    if (e->kind == Entry::Kind::Gone) return false;
    device = kPlannedDevice;
    inode = e->id;
    return true;
  }
  struct stat st;
  if (!RealStat(dir, name, st)) return false;
  device = st.st_dev;
  inode = st.st_ino;
  return true;
}

namespace {

// Plans the deletion of a file or a link; `readOnlyToo` for a stale
// temporary, which only a regular file can be.
int PlanDeletion(const DirHandle& dir, const std::string& name, bool readOnlyToo) {
  if (!dir.valid()) return dir.error();
  if (const Entry* e = Find(dir, name)) {
    if (e->kind == Entry::Kind::Gone) return ENOENT;
    if (e->kind == Entry::Kind::Folder || (!readOnlyToo && (e->attributes & attr::ReadOnly))) {
      return kErrAccessDenied;
    }
  } else {
    struct stat st;
    if (Access::Planned(dir)) return ENOENT;
    if (!RealStat(dir, name, st)) return errno;
    if (readOnlyToo ? !S_ISREG(st.st_mode)
                    : S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0)) {
      return kErrAccessDenied;
    }
  }
  if (const int rc = MayChange(dir)) return rc;
  Put(dir, name, Entry{});
  return 0;
}

}  // namespace

int DeleteFile(const DirHandle& dir, const std::string& name) { return PlanDeletion(dir, name, false); }

int DeleteStaleTemporary(const DirHandle& dir, const std::string& name) {
  return PlanDeletion(dir, name, true);
}

int RemoveDirectory(const DirHandle& dir, const std::string& name) {
  if (!dir.valid()) return dir.error();
  if (const Entry* e = Find(dir, name)) {
    if (e->kind == Entry::Kind::Gone) return ENOENT;
    if (e->kind == Entry::Kind::File) return ENOTDIR;
  } else {
    struct stat st;
    if (Access::Planned(dir)) return ENOENT;
    if (!RealStat(dir, name, st)) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  }
  const DirHandle self = OpenSub(dir, name);
  std::vector<FindEntry> inside;
  if (const int rc = List(self, inside)) return rc;
  if (!inside.empty()) return ENOTEMPTY;
  if (const int rc = MayChange(dir)) return rc;
  current->folders.erase(Access::Path(self));
  Put(dir, name, Entry{});
  return 0;
}

int CreateDirectory(const DirHandle& dir, const std::string& name) {
  if (!dir.valid()) return dir.error();
  if (const Entry* e = Find(dir, name)) {
    if (e->kind != Entry::Kind::Gone) return EEXIST;
  } else {
    struct stat st;
    if (RealStat(dir, name, st)) return EEXIST;
  }
  if (const int rc = MayChange(dir)) return rc;
  Entry folder;
  folder.kind = Entry::Kind::Folder;
  folder.id = current->nextId++;
  Put(dir, name, std::move(folder));
  return 0;
}

int CopyFile(const DirHandle& sourceDir, const std::string& sourceName, const DirHandle& destDir,
             const std::string& destName) {
  if (!sourceDir.valid()) return sourceDir.error();
  if (!destDir.valid()) return destDir.error();
  // The copy's own refusals first: a directory or a read-only file at the
  // destination is never replaced.
  if (const Entry* e = Find(destDir, destName)) {
    if (e->kind == Entry::Kind::Folder ||
        (e->kind == Entry::Kind::File && (e->attributes & attr::ReadOnly))) {
      return kErrAccessDenied;
    }
  } else {
    struct stat st;
    if (RealStat(destDir, destName, st) &&
        (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0))) {
      return kErrAccessDenied;
    }
  }

  Entry copy;
  if (const Entry* e = Find(sourceDir, sourceName)) {
    if (e->kind == Entry::Kind::Gone) return ENOENT;
    if (e->kind == Entry::Kind::Folder) return kErrAccessDenied;
    copy = *e;
  } else {
    struct stat st;
    if (Access::Planned(sourceDir)) return ENOENT;
    if (!RealStat(sourceDir, sourceName, st)) return errno;
    if (!S_ISREG(st.st_mode)) return kErrAccessDenied;  // a link, a folder, a device
    if (::faccessat(sourceDir.fd(), sourceName.c_str(), R_OK, AT_EACCESS) != 0) return errno;
    copy = RealFile(sourceDir, sourceName);
  }
  if (const int rc = MayChange(destDir)) return rc;
  // Content, time, read-only and archive state travel with the copy.
  copy.attributes = (copy.attributes & kKeptBits) | HiddenBit(destName);
  copy.id = current->nextId++;
  Put(destDir, destName, std::move(copy));
  return 0;
}

int List(const DirHandle& dir, std::vector<FindEntry>& entries) {
  entries.clear();
  if (!dir.valid()) return dir.error();
  const auto planned = current->folders.find(Access::Path(dir));
  const bool anyPlanned = planned != current->folders.end();
  std::set<std::string> seen;
  if (dir.fd() >= 0) {
    const int fd = ::openat(dir.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!listing) {
      const int rc = errno;
      if (fd >= 0) ::close(fd);
      return rc;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> closer(listing, ::closedir);
    for (;;) {
      errno = 0;
      const dirent* d = ::readdir(listing);
      if (!d) {
        // A listing cut short is no end of the folder.
        if (errno != 0) return errno;
        break;
      }
      const std::string name = d->d_name;
      if (name == "." || name == "..") continue;
      if (anyPlanned) {
        if (const auto e = planned->second.find(name); e != planned->second.end()) {
          seen.insert(name);
          if (e->second.kind != Entry::Kind::Gone) entries.push_back(EntryOf(name, e->second));
          continue;
        }
      }
      FindEntry f;
      if (EntryFromListing(fd, d, f)) entries.push_back(std::move(f));  // else vanished
    }
  }
  if (anyPlanned) {
    for (const auto& [name, e] : planned->second) {
      if (e.kind != Entry::Kind::Gone && !seen.count(name)) entries.push_back(EntryOf(name, e));
    }
  }
  return 0;
}

int ContentOf(const DirHandle& dir, const std::string& name, std::string& path) {
  path.clear();
  if (!dir.valid()) return dir.error();
  if (const Entry* e = Find(dir, name)) {
    if (e->kind == Entry::Kind::Gone) return ENOENT;
    if (e->kind == Entry::Kind::Folder) return kErrNotRegularFile;
    path = e->content;
    return 0;
  }
  return Access::Planned(dir) ? ENOENT : 0;
}

bool DirectoryExists(const std::string& path, bool followLinks) {
  const Place place = Locate(Absolute(path));
  if (place.state != Place::State::Real) return place.state == Place::State::PlannedFolder;
  struct stat st;
  const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  return rc == 0 && S_ISDIR(st.st_mode);
}

bool Identity(const std::string& path, uint64_t& device, uint64_t& inode) {
  const Place place = Locate(Absolute(path));
  if (place.state == Place::State::Missing) return false;
  if (place.entry) {
    device = kPlannedDevice;
    inode = place.entry->id;
    return true;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  device = st.st_dev;
  inode = st.st_ino;
  return true;
}

bool ResolvePath(const std::string& path, std::string& resolved) {
  // A planned folder resolves through its nearest real ancestor.
  const std::string absolute = Absolute(path);
  std::string real = absolute, rest;
  for (Place::State state; (state = Locate(real).state) != Place::State::Real;) {
    if (state == Place::State::Missing) return false;
    std::string folder, name;
    Split(real, folder, name);
    rest = "/" + name + rest;
    real = folder;
  }
  char* r = ::realpath(real.c_str(), nullptr);
  if (!r) return false;
  const std::string base = r;
  std::free(r);
  resolved = rest.empty() ? base : (base == "/" ? rest : base + rest);
  return true;
}

int CreateDirectories(const std::string& path) {
  if (path.empty()) return kErrNotFound;
  const std::string absolute = Absolute(path);
  const Place place = Locate(absolute);
  if (place.state == Place::State::PlannedFolder) return 0;
  if (place.state == Place::State::PlannedFile) return EEXIST;
  if (place.state == Place::State::Missing && place.error != ENOENT) return place.error;
  if (place.state == Place::State::Real) {
    struct stat st;
    if (::stat(absolute.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : EEXIST;
    if (errno != ENOENT) return errno;
  }
  if (absolute == "/") return ENOENT;
  std::string folder, name;
  Split(absolute, folder, name);
  if (const int rc = CreateDirectories(folder)) return rc;
  return CreateDirectory(Open(folder), name);
}

DirHandle OpenParent(const std::string& path, std::string& name) {
  std::string folder;
  Split(Absolute(path), folder, name);
  return Open(folder);
}

bool LockBusy(const std::string& configPath) {
  const auto slash = configPath.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : configPath.substr(0, slash + 1);
  // A shared lock cannot be had while a run holds its exclusive one; it is
  // given back at once, so the preview never keeps a run from starting.
  for (const std::string& holder : {configPath + ".lock", folder}) {
    const UniqueFd fd(::open(holder.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.valid() && ::flock(fd.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) return true;
  }
  return false;
}

}  // namespace posix::preview

// Scopes on one thread nest: the inner one plans on its own.
PreviewScope::PreviewScope() {
  using namespace posix::preview;
  plans.push_back(std::make_unique<Plan>());
  current = plans.back().get();
}

PreviewScope::~PreviewScope() {
  using namespace posix::preview;
  plans.pop_back();
  current = plans.empty() ? nullptr : plans.back().get();
}

}  // namespace tandrel::platform
