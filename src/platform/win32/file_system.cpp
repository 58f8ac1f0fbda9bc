// The Windows file system: folders held open as handles, every entry of a
// job's trees opened relative to its folder's handle, a link or junction
// opened as itself and never followed.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/win32/copy.h"
#include "platform/win32/open_at.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace tandrel::platform {

// The codes the engine tells apart are the system's own.
static_assert(kErrAccessDenied == ERROR_ACCESS_DENIED);
static_assert(kErrNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kErrExists == ERROR_ALREADY_EXISTS);
static_assert(kErrNotADirectory == ERROR_DIRECTORY);
static_assert(kErrNotEmpty == ERROR_DIR_NOT_EMPTY);
static_assert(kErrNotRegularFile == ERROR_INVALID_PARAMETER);
static_assert(kErrCancelled == ERROR_REQUEST_ABORTED);
static_assert(kErrChanged == ERROR_RETRY);
static_assert(kErrOutOfMemory == ERROR_NOT_ENOUGH_MEMORY);
static_assert(kErrInternal == ERROR_INTERNAL_ERROR);
static_assert(kErrTooManyOpen == ERROR_TOO_MANY_OPEN_FILES);
const char kPathSeparator = '\\';
const bool kPathsIgnoreCase = true;

namespace {

using win32::OpenAt;
using win32::OpenRequest;
using win32::UniqueHandle;
using win32::Wide;

constexpr ULONG kFileCreate = 2;           // FILE_CREATE
constexpr ULONG kDirectoryFile = 0x1;      // FILE_DIRECTORY_FILE
constexpr ULONG kNonDirectoryFile = 0x40;  // FILE_NON_DIRECTORY_FILE
constexpr ULONG kSequentialOnly = 0x4;     // FILE_SEQUENTIAL_ONLY

// A missing entry of an open folder is "not found", whichever of the two
// codes the system chose.
int Missing(int error) { return error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error; }

// Whether `name` cannot be reached as one entry of a folder: the system
// would take a separator in it for a path, and a wildcard for a search
// that finds other entries. Windows makes no such names, but a listing can
// show them (Wine shows Linux names as they are). Such an entry is refused
// with its own code, never answered as missing, which the walk would take
// for an entry gone since its folder was listed.
bool Unreachable(const std::string& name) { return name.find_first_of("\\/*?<>\"|") != std::string::npos; }

class WinSearch : public SearchOps {
 public:
  WinSearch(UniqueHandle folder, uint64_t volume, std::string mask)
      : folder_(std::move(folder)), volume_(volume), mask_(std::move(mask)), buffer_(64 * 1024) {}
  explicit WinSearch(int error) : error_(error) {}

  bool Next(FindEntry& entry) override {
    if (!folder_.valid()) return false;
    for (;;) {
      if (!current_ && !Fetch()) return false;
      const auto* info = current_;
      current_ = info->NextEntryOffset ? reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(
                                             reinterpret_cast<const char*>(info) + info->NextEntryOffset)
                                       : nullptr;
      const std::string name = win32::Narrow(info->FileName, info->FileNameLength / sizeof(wchar_t));
      if (name == "." || name == "..") continue;
      if (!MatchesMask(name, mask_)) continue;
      EntryFacts facts =
          win32::FactsFrom(info->FileAttributes, info->LastWriteTime.QuadPart, info->EndOfFile.QuadPart,
                           volume_, static_cast<uint64_t>(info->FileId.QuadPart));
      entry.name = name;
      entry.isDirectory = facts.isDirectory;
      entry.isSystem = (facts.attributes & attr::System) != 0;
      entry.isHidden = (facts.attributes & attr::Hidden) != 0;
      entry.facts = facts;
      return true;
    }
  }
  int error() const override { return error_; }

 private:
  bool Fetch() {
    const FILE_INFO_BY_HANDLE_CLASS kind = first_ ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo;
    first_ = false;
    if (!::GetFileInformationByHandleEx(folder_.get(), kind, buffer_.data(),
                                        static_cast<DWORD>(buffer_.size()))) {
      const DWORD error = ::GetLastError();
      // The end of the folder; anything else breaks the listing off.
      if (error != ERROR_NO_MORE_FILES && error != ERROR_FILE_NOT_FOUND) error_ = static_cast<int>(error);
      folder_.reset();
      return false;
    }
    current_ = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer_.data());
    return true;
  }

  UniqueHandle folder_;
  uint64_t volume_ = 0;
  std::string mask_;
  std::vector<char> buffer_;
  const FILE_ID_BOTH_DIR_INFO* current_ = nullptr;
  bool first_ = true;
  int error_ = 0;
};

class WinReader : public ReaderOps {
 public:
  explicit WinReader(UniqueHandle file) : file_(std::move(file)) {}
  int64_t ReadBlock(char* buffer, size_t size, int& error) override {
    size_t done = 0;
    while (done < size) {
      const DWORD want = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
      DWORD got = 0;
      if (!::ReadFile(file_.get(), buffer + done, want, &got, nullptr)) {
        error = static_cast<int>(::GetLastError());
        return -1;
      }
      if (got == 0) break;
      done += got;
    }
    return static_cast<int64_t>(done);
  }

 private:
  UniqueHandle file_;
};

// A file opened by its path, for reading, when it is a regular file.
std::unique_ptr<ReaderOps> ReaderFor(UniqueHandle file, int& error) {
  if (!file.valid()) return nullptr;
  const EntryFacts facts = win32::FactsOf(file.get());
  if (!facts.exists()) {
    error = facts.error;
    return nullptr;
  }
  if (!facts.isRegular) {
    error = kErrNotRegularFile;
    return nullptr;
  }
  error = 0;
  return std::make_unique<WinReader>(std::move(file));
}

OpenRequest FolderRequest() {
  OpenRequest request;
  request.access = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
  request.options = kDirectoryFile;
  return request;
}

class WinFolder : public FolderOps {
 public:
  // `path` is the folder's path in "\\?\" form, for the rare call that
  // the system takes by path alone.
  WinFolder(UniqueHandle handle, int error, std::wstring path = {})
      : handle_(std::move(handle)), error_(handle_.valid() ? 0 : error), path_(std::move(path)) {
    BY_HANDLE_FILE_INFORMATION info;
    if (handle_.valid() && ::GetFileInformationByHandle(handle_.get(), &info))
      volume_ = info.dwVolumeSerialNumber;
  }

  HANDLE handle() const { return handle_.get(); }
  bool valid() const override { return handle_.valid(); }
  int error() const override { return error_; }

  std::unique_ptr<FolderOps> OpenSub(const std::string& name) const override {
    if (!valid()) return std::make_unique<WinFolder>(UniqueHandle(), error_);
    EntryFacts listed;
    int error = 0;
    UniqueHandle sub = OpenEntry(name, FolderRequest(), listed, error);
    // A junction or a link to a folder is never entered.
    if (listed.exists() && !listed.isDirectory) {
      sub.reset();
      error = kErrNotADirectory;
    }
    return std::make_unique<WinFolder>(std::move(sub), error, path_ + L"\\" + Wide(name));
  }

  std::unique_ptr<FolderOps> Duplicate() const override {
    if (!valid()) return std::make_unique<WinFolder>(UniqueHandle(), error_);
    int error = 0;
    UniqueHandle same = OpenAt(handle(), L"", FolderRequest(), error);
    return std::make_unique<WinFolder>(std::move(same), error, path_);
  }

  EntryFacts LookAt(const std::string& name) const override {
    if (Unreachable(name)) {
      EntryFacts facts;
      facts.error = ERROR_INVALID_NAME;
      return facts;
    }
    return win32::ListedFacts(handle(), Wide(name), volume_);
  }

  bool ArchiveOf(const std::string& name, const EntryFacts&) const override {
    return (LookAt(name).attributes & attr::Archive) != 0;
  }

  int SetAttributes(const std::string& name, uint32_t attributes) const override {
    OpenRequest request;
    request.access = FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
    EntryFacts listed;
    int error = 0;
    const UniqueHandle entry = OpenEntry(name, request, listed, error);
    if (!entry.valid()) return error;
    if (listed.isDirectory) return 0;
    if (!listed.isRegular) return kErrAccessDenied;
    constexpr uint32_t kWritten = attr::ReadOnly | attr::Archive;
    const uint32_t kept = listed.attributes & (attr::Hidden | attr::System);
    return win32::WriteAttributes(entry.get(), kept | (attributes & kWritten));
  }

  int RemoveFile(const std::string& name) const override {
    OpenRequest request;
    request.access = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
    EntryFacts listed;
    int error = 0;
    const UniqueHandle entry = OpenEntry(name, request, listed, error);
    if (!entry.valid()) return error;
    if (listed.isDirectory) return kErrAccessDenied;
    // Only a removal the program allowed comes here (a stale temporary
    // that took its source's read-only state among them).
    if (listed.isRegular && (listed.attributes & attr::ReadOnly)) {
      if (const int rc = win32::WriteAttributes(entry.get(), listed.attributes & ~attr::ReadOnly)) return rc;
    }
    return win32::DeleteOpened(entry.get());
  }

  int RemoveFolder(const std::string& name) const override {
    OpenRequest request;
    request.access = DELETE | FILE_READ_ATTRIBUTES;
    EntryFacts listed;
    int error = 0;
    const UniqueHandle entry = OpenEntry(name, request, listed, error);
    if (!entry.valid()) return error;
    if (!listed.isDirectory) return kErrNotADirectory;
    return win32::DeleteOpened(entry.get());
  }

  int Rename(const std::string& from, const std::string& to) const override {
    OpenRequest request;
    request.access = DELETE | FILE_READ_ATTRIBUTES;
    EntryFacts listed;
    int error = 0;
    const UniqueHandle entry = OpenEntry(from, request, listed, error);
    if (!entry.valid()) return error;
    return win32::RenameOpened(entry.get(), handle(), path_, to);
  }

  // Windows' folders ignore letter case.
  bool IgnoresCase(bool) const override { return true; }

  int MakeFolder(const std::string& name) const override {
    if (Unreachable(name)) return ERROR_INVALID_NAME;
    OpenRequest request = FolderRequest();
    request.disposition = kFileCreate;
    int error = 0;
    const UniqueHandle made = OpenAt(handle(), Wide(name), request, error);
    return made.valid() ? 0 : error;
  }

  int MayChange() const override {
    DWORD flags = 0;
    if (::GetVolumeInformationByHandleW(handle(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
        (flags & FILE_READ_ONLY_VOLUME))
      return ERROR_WRITE_PROTECT;
    return 0;
  }

  std::unique_ptr<PendingCopyOps> PrepareCopyTo(const std::string& name, const FolderOps& dest,
                                                const std::string& destName, bool synchronised,
                                                const CopyProgress& progress, int& error) const override {
    const auto* other = dynamic_cast<const WinFolder*>(&dest);
    if (!other) {
      error = kErrAccessDenied;
      return nullptr;
    }
    if (Unreachable(destName)) {
      error = ERROR_INVALID_NAME;
      return nullptr;
    }
    // A source changed during its copy is copied once more at once, as it
    // is then; changed again, it waits for the next run.
    for (int attempt = 0;; ++attempt) {
      UniqueHandle source = OpenRegular(name, error);
      if (!source.valid()) {
        if (error == kErrNotRegularFile) error = kErrAccessDenied;
        return nullptr;
      }
      auto copy = win32::PrepareCopyOpened(source.get(), other->handle(), other->path_, destName,
                                           synchronised, progress, error);
      if (error != kErrChanged || attempt == 1) return copy;
    }
  }

  std::unique_ptr<SearchOps> Search(const std::string& mask) const override {
    // Listed through a handle of its own, so that each search starts at the
    // folder's beginning.
    int error = 0;
    UniqueHandle listing = OpenAt(handle(), L"", FolderRequest(), error);
    if (!listing.valid()) return std::make_unique<WinSearch>(error);
    return std::make_unique<WinSearch>(std::move(listing), volume_, mask);
  }

  std::unique_ptr<ReaderOps> OpenFile(const std::string& name, int& error) const override {
    UniqueHandle file = OpenRegular(name, error);
    if (!file.valid()) return nullptr;
    return std::make_unique<WinReader>(std::move(file));
  }

 private:
  // Opens the entry `name` itself: the open is checked against the folder's
  // listing afterwards, so that nothing a link leads to is ever acted on,
  // also where the system follows a link it was asked to open as itself.
  UniqueHandle OpenEntry(const std::string& name, const OpenRequest& request, EntryFacts& listed,
                         int& error) const {
    if (Unreachable(name)) {
      error = ERROR_INVALID_NAME;
      return UniqueHandle();
    }
    UniqueHandle entry = OpenAt(handle(), Wide(name), request, error);
    if (!entry.valid()) {
      error = Missing(error);
      return entry;
    }
    listed = LookAt(name);
    if (!listed.exists()) {
      error = listed.error;
      return UniqueHandle();
    }
    if (!win32::SameEntry(listed, entry.get())) {
      error = listed.isDirectory ? kErrNotADirectory : kErrAccessDenied;
      return UniqueHandle();
    }
    return entry;
  }

  // A regular file opened for reading; others may read it too, but not be
  // writing it: a copy never takes a file in the middle of a change.
  UniqueHandle OpenRegular(const std::string& name, int& error) const {
    OpenRequest request;
    request.access = FILE_READ_DATA | FILE_READ_ATTRIBUTES;
    request.share = FILE_SHARE_READ | FILE_SHARE_DELETE;
    request.options = kNonDirectoryFile | kSequentialOnly;
    EntryFacts listed;
    UniqueHandle file = OpenEntry(name, request, listed, error);
    if (file.valid() && !listed.isRegular) {
      error = kErrNotRegularFile;
      return UniqueHandle();
    }
    return file;
  }

  UniqueHandle handle_;
  int error_;
  std::wstring path_;
  uint64_t volume_ = 0;
};

class WinLogFile : public LogFileOps {
 public:
  explicit WinLogFile(UniqueHandle file) : file_(std::move(file)) {}
  int Write(const char* data, size_t size) override {
    while (size > 0) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      if (!::WriteFile(file_.get(), data, chunk, &written, nullptr))
        return static_cast<int>(::GetLastError());
      if (written == 0) return ERROR_WRITE_FAULT;
      data += written;
      size -= written;
    }
    return 0;
  }
  int Flush() override { return ::FlushFileBuffers(file_.get()) ? 0 : static_cast<int>(::GetLastError()); }

 private:
  UniqueHandle file_;
};

// A lock file's first byte, locked without waiting; the system drops the
// lock with the handle, also when the process dies.
bool LockByte(HANDLE file, bool exclusive, bool& busy) {
  OVERLAPPED at{};
  const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
  if (::LockFileEx(file, flags, 0, 1, 0, &at)) return true;
  busy = ::GetLastError() == ERROR_LOCK_VIOLATION;
  return false;
}

// Where the lock of a configuration in a folder the user may not write
// lives: the temporary folder, under a name made from the configuration's path.
std::wstring FallbackLockPath(const std::string& configPath) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
  uint64_t hash = 1469598103934665603ULL;
  for (const char c : configPath)
    hash =
        (hash ^ static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)))) * 1099511628211ULL;
  return std::wstring(temp, n) + L"tandrel-" + std::to_wstring(hash) + L".lock";
}

// Only a file on a disk: a pipe or a device at the name is no lock file.
UniqueHandle OpenLockFile(const std::wstring& path, DWORD disposition) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() && ::GetFileType(file.get()) == FILE_TYPE_DISK ? std::move(file) : UniqueHandle();
}

class WinRunLock : public RunLockOps {
 public:
  explicit WinRunLock(const std::string& configPath) {
    file_ = OpenLockFile(win32::LongPath(RunLockFile(configPath)), OPEN_ALWAYS);
    if (!file_.valid()) file_ = OpenLockFile(FallbackLockPath(configPath), OPEN_ALWAYS);
    bool busy = false;
    if (file_.valid() && LockByte(file_.get(), true, busy)) state_ = RunLockState::Held;
    if (busy) state_ = RunLockState::Busy;
  }
  RunLockState state() const override { return state_; }

 private:
  UniqueHandle file_;
  RunLockState state_ = RunLockState::Free;
};

class WinFileSystem : public FileSystem {
 public:
  std::unique_ptr<FolderOps> OpenFolder(const std::string& path) const override {
    std::wstring longPath = win32::LongPath(path);
    while (longPath.size() > 7 && longPath.back() == L'\\') longPath.pop_back();
    UniqueHandle folder(::CreateFileW(longPath.c_str(),
                                      FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.valid()) {
      const int error = static_cast<int>(::GetLastError());
      return std::make_unique<WinFolder>(UniqueHandle(), error);
    }
    // Opened through the path, links followed: what the path names in the end.
    if (!win32::FactsOf(folder.get()).isDirectory)
      return std::make_unique<WinFolder>(UniqueHandle(), kErrNotADirectory);
    return std::make_unique<WinFolder>(std::move(folder), 0, std::move(longPath));
  }

  bool DirectoryExists(const std::string& path, bool followLinks) const override {
    const DWORD a = ::GetFileAttributesW(win32::LongPath(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return followLinks || !(a & FILE_ATTRIBUTE_REPARSE_POINT);
  }

  bool ResolvePath(const std::string& path, std::string& resolved) const override {
    const UniqueHandle entry(::CreateFileW(win32::LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!entry.valid()) return false;
    const std::wstring final = win32::FinalPath(entry.get());
    if (final.empty()) return false;
    resolved = win32::ShortForm(final);
    return true;
  }

  bool Identity(const std::string& path, uint64_t& device, uint64_t& inode) const override {
    const UniqueHandle entry(::CreateFileW(win32::LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!entry.valid()) return false;
    const EntryFacts facts = win32::FactsOf(entry.get());
    if (!facts.exists()) return false;
    device = facts.device;
    inode = facts.inode;
    return true;
  }

  bool FolderWithin(const std::string& inner, const std::string& outer) const override {
    // Junctions, links, substituted drives and mounted folders all resolve
    // to one final path; the comparison ignores letter case as the system does.
    std::string a, b;
    if (!ResolvePath(inner, a) || !ResolvePath(outer, b)) return false;
    uint64_t da = 0, ia = 0, db = 0, ib = 0;
    if (Identity(inner, da, ia) && Identity(outer, db, ib) && da == db && ia == ib) return true;
    return PathInside(a, b);
  }

  int CreateDirectories(const std::string& path) const override {
    if (path.empty()) return kErrNotFound;
    const std::string p = WithoutTrailingSeparator(path);
    const std::wstring wide = win32::LongPath(p);
    if (::CreateDirectoryW(wide.c_str(), nullptr)) return 0;
    DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS) return DirectoryExists(p, true) ? 0 : ERROR_ALREADY_EXISTS;
    if (error != ERROR_PATH_NOT_FOUND) return static_cast<int>(error);
    const std::string parent = ParentFolder(p);
    if (parent.empty() || parent == p) return ERROR_PATH_NOT_FOUND;
    if (const int rc = CreateDirectories(parent)) return rc;
    if (::CreateDirectoryW(wide.c_str(), nullptr)) return 0;
    error = ::GetLastError();
    return error == ERROR_ALREADY_EXISTS && DirectoryExists(p, true) ? 0 : static_cast<int>(error);
  }

  void EnsureDirectory(const std::string& path) const override {
    if (!::CreateDirectoryW(win32::LongPath(path).c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS)
      CreateDirectories(path);
  }

  std::unique_ptr<ReaderOps> OpenFile(const std::string& path, int& error) const override {
    UniqueHandle file(::CreateFileW(win32::LongPath(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) {
      error = static_cast<int>(::GetLastError());
      return nullptr;
    }
    return ReaderFor(std::move(file), error);
  }

  std::unique_ptr<LogFileOps> OpenLogFile(const std::string& path, bool append) const override {
    // Others may read the log while a run writes it, never write it.
    UniqueHandle file(::CreateFileW(win32::LongPath(path).c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                                    FILE_SHARE_READ, nullptr, append ? OPEN_EXISTING : OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    // Only a file on a disk: a pipe or a device there could hold every write.
    if (!file.valid() || ::GetFileType(file.get()) != FILE_TYPE_DISK) return nullptr;
    // Emptied only once it is held, so another run's file is never emptied.
    if (!append && !::SetEndOfFile(file.get())) return nullptr;
    return std::make_unique<WinLogFile>(std::move(file));
  }

  std::unique_ptr<RunLockOps> LockRun(const std::string& configPath) const override {
    return std::make_unique<WinRunLock>(configPath);
  }

  RunLockState LookAtRunLock(const std::string& configPath) const override {
    // A shared lock cannot be had while a run holds its exclusive one; it is
    // given back at once, so looking never keeps a run from starting.
    for (const std::wstring& path :
         {win32::LongPath(RunLockFile(configPath)), FallbackLockPath(configPath)}) {
      const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      bool busy = false;
      if (!file.valid()) continue;
      if (LockByte(file.get(), false, busy)) {
        OVERLAPPED at{};
        ::UnlockFileEx(file.get(), 0, 1, 0, &at);
      } else if (busy) {
        return RunLockState::Busy;
      }
    }
    return RunLockState::Free;
  }

  int WriteFileAtomic(const std::string& path, const std::string& content) const override {
    return win32::WriteFileAtomic(path, content);
  }
};

}  // namespace

const FileSystem& RealFileSystem() {
  static const WinFileSystem fileSystem;
  return fileSystem;
}

}  // namespace tandrel::platform
