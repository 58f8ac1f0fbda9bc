#include "platform/win32/copy.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/paths.h"
#include "platform/test_seams.h"
#include "platform/win32/open_at.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace tandrel::platform {
namespace {

using win32::UniqueHandle;

constexpr std::string_view kPrefix = ".tandrel-";
constexpr int64_t kBlock = 8 << 20;  // also how often a long copy reports
constexpr ULONG kFileCreate = 2;
constexpr ULONG kNonDirectoryFile = 0x40;

std::string NameFor(unsigned long pid, unsigned long counter) {
  return std::string(kPrefix) + std::to_string(pid) + "." + std::to_string(counter);
}

// Whether `name` is exactly a name TempName() gives, in any process.
bool ParseTempName(const std::string& name, unsigned long& pid) {
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
  const char* const end = name.data() + name.size();
  unsigned long id = 0, counter = 0;
  const auto [dot, idError] = std::from_chars(name.data() + kPrefix.size(), end, id);
  if (idError != std::errc() || dot == end || *dot != '.' || id == 0) return false;
  const auto [last, counterError] = std::from_chars(dot + 1, end, counter);
  if (counterError != std::errc() || last != end) return false;
  pid = id;
  return NameFor(id, counter) == name;
}

std::string TempName() {
  static std::atomic<unsigned long> counter = 0;
  return NameFor(::GetCurrentProcessId(), counter++);
}

int LastError() { return static_cast<int>(::GetLastError()); }

// A new hidden temporary in `folder`, open for writing and for its rename.
UniqueHandle CreateTemporary(HANDLE folder, int& error) {
  win32::OpenRequest request;
  request.access = GENERIC_READ | GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
  // Readers only: the copy is read back around the cache before it is named.
  request.share = FILE_SHARE_READ;
  request.disposition = kFileCreate;
  request.options = kNonDirectoryFile;
  // Hidden, so that no listing takes it for one of the user's files.
  request.attributes = FILE_ATTRIBUTE_HIDDEN;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    UniqueHandle file = win32::OpenAt(folder, win32::Wide(TempName()), request, error);
    if (file.valid() || error != ERROR_FILE_EXISTS) return file;
  }
  return UniqueHandle();
}

int RenameTo(HANDLE file, HANDLE root, const std::wstring& name, bool replace) {
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = root;
  info->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  std::memcpy(info->FileName, name.data(), name.size() * sizeof(wchar_t));
  return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size()))
             ? 0
             : LastError();
}

// Renames the open `file` to `destName` in the open folder `destFolder`
// (whose path is `destPath`, "\\?\" form): with `replace`, over what stands
// there (a link itself, never its target); otherwise only where nothing does.
int Rename(HANDLE file, HANDLE destFolder, const std::wstring& destPath, const std::wstring& destName,
           bool replace = true) {
  const int rc = RenameTo(file, destFolder, destName, replace);
  if (rc != ERROR_INVALID_PARAMETER || destPath.rfind(L"\\\\?\\", 0) != 0) return rc;
  // Where a rename relative to a folder is not supported (Wine), the
  // folder's path names the same place.
  std::wstring full = L"\\??\\" + destPath.substr(4);
  if (full.back() != L'\\') full += L'\\';
  return RenameTo(file, nullptr, full + destName, replace);
}

// Copies the data; false from `progress` abandons the copy.
int CopyData(HANDLE in, HANDLE out, int64_t size, const CopyProgress& progress) {
  std::vector<char> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(size, 1), kBlock)));
  int64_t copied = 0;
  while (copied < size) {
    const DWORD want =
        static_cast<DWORD>(std::min<int64_t>(size - copied, static_cast<int64_t>(buffer.size())));
    DWORD got = 0;
    if (!::ReadFile(in, buffer.data(), want, &got, nullptr)) return LastError();
    if (got == 0) return kErrChanged;  // shorter than at the start
    DWORD written = 0;
    if (!::WriteFile(out, buffer.data(), got, &written, nullptr)) return LastError();
    if (written != got) return ERROR_WRITE_FAULT;
    copied += got;
    if (progress && copied < size && !progress(copied, size)) return kErrCancelled;
  }
  return 0;
}

// Whether the bytes [0, size) read the same through both handles. 0,
// kErrChanged where they differ, or the error code of a read.
int SamePrefix(HANDLE first, HANDLE second, int64_t size) {
  std::vector<char> a(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(size, 1), kBlock)));
  std::vector<char> b(a.size());
  for (int64_t at = 0; at < size;) {
    const DWORD want = static_cast<DWORD>(std::min<int64_t>(size - at, static_cast<int64_t>(a.size())));
    for (auto [file, buffer] : {std::pair{first, &a}, std::pair{second, &b}}) {
      OVERLAPPED from{};
      from.Offset = static_cast<DWORD>(at);
      from.OffsetHigh = static_cast<DWORD>(at >> 32);
      DWORD got = 0;
      if (!::ReadFile(file, buffer->data(), want, &got, &from)) return LastError();
      if (got != want) return kErrChanged;
    }
    if (std::memcmp(a.data(), b.data(), want) != 0) return kErrChanged;
    at += want;
  }
  return 0;
}

// Whether the source, as `basic` and `standard` described it when its copy
// began, still holds what the copy took: kErrChanged for one that shrank or
// was written in place meanwhile. One that only grew keeps its copy while
// the bytes it had still read the same.
int SourceKept(HANDLE source, HANDLE copy, const FILE_BASIC_INFO& basic, const FILE_STANDARD_INFO& standard) {
  FILE_BASIC_INFO basicNow;
  FILE_STANDARD_INFO standardNow;
  if (!::GetFileInformationByHandleEx(source, FileBasicInfo, &basicNow, sizeof basicNow) ||
      !::GetFileInformationByHandleEx(source, FileStandardInfo, &standardNow, sizeof standardNow))
    return LastError();
  const int64_t size = standard.EndOfFile.QuadPart, sizeNow = standardNow.EndOfFile.QuadPart;
  if (sizeNow == size && basicNow.LastWriteTime.QuadPart == basic.LastWriteTime.QuadPart) return 0;
  if (sizeNow <= size) return kErrChanged;
  return SamePrefix(source, copy, size);
}

}  // namespace

namespace win32 {

namespace {

// Reads a file from its start through a handle its owner keeps open.
class HandleReader : public ReaderOps {
 public:
  explicit HandleReader(HANDLE file) : file_(file) {}
  int64_t ReadBlock(char* buffer, size_t size, int& error) override {
    size_t done = 0;
    while (done < size) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset_);
      at.OffsetHigh = static_cast<DWORD>(offset_ >> 32);
      const DWORD want = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
      DWORD got = 0;
      if (!::ReadFile(file_, buffer + done, want, &got, &at)) {
        if (::GetLastError() == ERROR_HANDLE_EOF) break;
        error = LastError();
        return -1;
      }
      if (got == 0) break;
      done += got;
      offset_ += got;
    }
    return static_cast<int64_t>(done);
  }

 private:
  HANDLE file_;
  int64_t offset_ = 0;
};

// Reads a file from its start around the system's cache, so that what
// comes back is what the disk holds: whole aligned chunks into a buffer of
// the system's own alignment.
class UnbufferedReader : public ReaderOps {
 public:
  explicit UnbufferedReader(UniqueHandle file)
      : file_(std::move(file)),
        buffer_(
            static_cast<char*>(::VirtualAlloc(nullptr, kChunk, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
  ~UnbufferedReader() override {
    if (buffer_) ::VirtualFree(buffer_, 0, MEM_RELEASE);
  }
  UnbufferedReader(const UnbufferedReader&) = delete;
  UnbufferedReader& operator=(const UnbufferedReader&) = delete;
  bool valid() const { return buffer_ != nullptr; }

  int64_t ReadBlock(char* buffer, size_t size, int& error) override {
    size_t done = 0;
    while (done < size) {
      if (at_ == have_) {
        if (end_) break;
        DWORD got = 0;
        if (!::ReadFile(file_.get(), buffer_, kChunk, &got, nullptr)) {
          error = LastError();
          return -1;
        }
        have_ = got;
        at_ = 0;
        end_ = got < kChunk;
        if (got == 0) break;
      }
      const size_t n = std::min(size - done, have_ - at_);
      std::memcpy(buffer + done, buffer_ + at_, n);
      done += n;
      at_ += n;
    }
    return static_cast<int64_t>(done);
  }

 private:
  static constexpr DWORD kChunk = 1 << 20;
  UniqueHandle file_;
  char* buffer_;
  size_t have_ = 0, at_ = 0;
  bool end_ = false;
};

// A copy written to a hidden temporary in the destination's folder.
class WinPendingCopy : public PendingCopyOps {
 public:
  WinPendingCopy(UniqueHandle temp, UniqueHandle folder, std::wstring folderPath, std::string destName,
                 DWORD attributes, CopiedState copied)
      : temp_(std::move(temp)),
        folder_(std::move(folder)),
        folderPath_(std::move(folderPath)),
        destName_(std::move(destName)),
        attributes_(attributes),
        copied_(copied) {}
  ~WinPendingCopy() override {
    if (!published_) DeleteOpened(temp_.get());
  }
  HANDLE handle() const { return temp_.get(); }
  CopiedState copied() const override { return copied_; }
  // Each file is flushed on its own: the system has no cheaper way that
  // needs no administrator.
  uint64_t FlushKey() const override { return 0; }
  int Flush() const override { return ::FlushFileBuffers(temp_.get()) ? 0 : LastError(); }
  std::unique_ptr<ReaderOps> ReadBack(int& error) const override {
    error = 0;
    UniqueHandle again(::ReOpenFile(temp_.get(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN));
    if (again.valid()) {
      auto reader = std::make_unique<UnbufferedReader>(std::move(again));
      if (reader->valid()) return reader;
    }
    // Where the file cannot be opened so (a file system without the
    // option), it is read through its own handle.
    return std::make_unique<HandleReader>(temp_.get());
  }
  EntryFacts LookAtDestination() const override {
    return ListedFacts(folder_.get(), Wide(destName_), FactsOf(folder_.get()).device);
  }
  int Publish(bool replace) override {
    if (const int rc = Rename(temp_.get(), folder_.get(), folderPath_, Wide(destName_), replace)) return rc;
    published_ = true;
    // The source's own attributes only once the copy stands under its name.
    return WriteAttributes(temp_.get(), attributes_);
  }

 private:
  UniqueHandle temp_;
  UniqueHandle folder_;
  std::wstring folderPath_;
  std::string destName_;
  DWORD attributes_;
  CopiedState copied_;
  bool published_ = false;
};

}  // namespace

std::unique_ptr<PendingCopyOps> PrepareCopyOpened(HANDLE source, HANDLE destFolder,
                                                  const std::wstring& destPath, const std::string& destName,
                                                  bool synchronised, const CopyProgress& progress,
                                                  int& error) {
  FILE_BASIC_INFO basic;
  FILE_STANDARD_INFO standard;
  if (!::GetFileInformationByHandleEx(source, FileBasicInfo, &basic, sizeof basic) ||
      !::GetFileInformationByHandleEx(source, FileStandardInfo, &standard, sizeof standard)) {
    error = LastError();
    return nullptr;
  }
  HANDLE folder = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), destFolder, ::GetCurrentProcess(), &folder, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
    error = LastError();
    return nullptr;
  }
  UniqueHandle folderHandle(folder);
  UniqueHandle temp = CreateTemporary(destFolder, error);
  if (!temp.valid()) return nullptr;
  constexpr DWORD kCarried =
      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  DWORD attributes = basic.FileAttributes & kCarried;
  if (synchronised) attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE);
  CopiedState copied;
  copied.size = standard.EndOfFile.QuadPart;
  copied.writeTime = UnixSeconds(basic.LastWriteTime.QuadPart, &copied.writeTimeNsec);
  auto copy = std::make_unique<WinPendingCopy>(std::move(temp), std::move(folderHandle), destPath, destName,
                                               attributes, copied);
  HANDLE out = copy->handle();
  // The size and time the source had when it was opened: bytes appended
  // later wait for the next run, which finds the source newer.
  error = CopyData(source, out, standard.EndOfFile.QuadPart, progress);
  if (error == 0) error = SourceKept(source, out, basic, standard);
  if (error == 0) {
    FILE_BASIC_INFO times{};
    times.LastWriteTime = basic.LastWriteTime;
    times.FileAttributes = FILE_ATTRIBUTE_HIDDEN;
    if (!::SetFileInformationByHandle(out, FileBasicInfo, &times, sizeof times)) error = LastError();
  }
  if (error != 0) return nullptr;
  return copy;
}

int RenameOpened(HANDLE entry, HANDLE folder, const std::wstring& folderPath, const std::string& name) {
  return Rename(entry, folder, folderPath, Wide(name));
}

int WriteFileAtomic(const std::string& path, const std::string& content) {
  const std::wstring target = LongPath(path);
  const DWORD existing = ::GetFileAttributesW(target.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES &&
      (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return kErrAccessDenied;
  const std::string folder = ParentFolder(path);
  const std::wstring folderPath = LongPath(folder.empty() ? std::string(".") : folder);
  const UniqueHandle dir(::CreateFileW(folderPath.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!dir.valid()) return LastError();
  int error = 0;
  UniqueHandle temp = CreateTemporary(dir.get(), error);
  if (!temp.valid()) return error;
  DWORD written = 0;
  int rc = 0;
  if (!content.empty() &&
      (!::WriteFile(temp.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
       written != content.size()))
    rc = LastError() ? LastError() : ERROR_WRITE_FAULT;
  if (rc == 0 && !::FlushFileBuffers(temp.get())) rc = LastError();
  if (rc == 0) rc = Rename(temp.get(), dir.get(), folderPath, Wide(LastComponent(path)));
  if (rc == 0) {
    const DWORD kept =
        existing == INVALID_FILE_ATTRIBUTES
            ? FILE_ATTRIBUTE_ARCHIVE
            : existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    WriteAttributes(temp.get(), kept | FILE_ATTRIBUTE_ARCHIVE);
    return 0;
  }
  DeleteOpened(temp.get());
  return rc;
}

}  // namespace win32

bool IsStaleTemporary(const std::string& name) {
  unsigned long pid = 0;
  if (!ParseTempName(name, pid)) return false;
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return ::GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  // A process that has ended but is still held by someone is gone too.
  const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

// Every copy here goes through a named temporary already.
void UseNamedTemporaries(bool) {}

// Handles have no small limit here, but each copy is flushed on its own: a
// large batch saves nothing, and a small one bounds what a Stop waits for.
size_t CopiesPerFlush() { return 64; }

size_t DescriptorLimit() { return size_t{1} << 20; }

}  // namespace tandrel::platform
