#include "platform/win32/open_at.h"

#include <winternl.h>

#include "platform/entries.h"

// Declared by the system's headers for drivers only.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);

namespace tandrel::platform::win32 {
namespace {

constexpr ULONG kDirectoryFile = 0x1;
constexpr int kFileIdBothDirectoryInformation = 37;
// FileDispositionInfoEx, which the compiler's headers hide behind a
// version test no version passes.
constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr ULONG kSynchronousIo = 0x00000020;     // FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG kOpenForBackupIntent = 0x00004000;
constexpr int64_t kUnixEpoch = 116444736000000000LL;  // 1970 in FILETIME units

}  // namespace

UniqueHandle OpenAt(HANDLE folder, const std::wstring& name, const OpenRequest& request, int& error) {
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name.c_str());
  text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  text.MaximumLength = text.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK io;
  HANDLE handle = nullptr;
  const NTSTATUS status = ::NtCreateFile(
      &handle, request.access | SYNCHRONIZE, &attributes, &io, nullptr,
      request.attributes ? request.attributes : FILE_ATTRIBUTE_NORMAL, request.share, request.disposition,
      request.options | kOpenReparsePoint | kSynchronousIo | kOpenForBackupIntent, nullptr, 0);
  if (status < 0) {
    error = static_cast<int>(::RtlNtStatusToDosError(status));
    return UniqueHandle();
  }
  error = 0;
  return UniqueHandle(handle);
}

int64_t UnixSeconds(int64_t fileTime, int32_t* nanoseconds) {
  const int64_t units = fileTime - kUnixEpoch;
  int64_t seconds = units / 10000000;
  int64_t rest = units % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  if (nanoseconds) *nanoseconds = static_cast<int32_t>(rest * 100);
  return seconds;
}

EntryFacts FactsFrom(uint32_t fileAttributes, int64_t lastWrite, int64_t size, uint64_t volume,
                     uint64_t fileIndex) {
  EntryFacts facts;
  facts.error = 0;
  const bool reparse = fileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
  const bool device = fileAttributes & FILE_ATTRIBUTE_DEVICE;
  // A link or junction is never a folder to enter nor a file to copy: it
  // stands as the system entry it is.
  facts.isDirectory = (fileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !reparse;
  facts.isRegular = !(fileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !reparse && !device;
  facts.attributes = fileAttributes & (attr::ReadOnly | attr::Hidden | attr::System | attr::Archive);
  if (facts.isDirectory) facts.attributes |= attr::Directory;
  if (!facts.isDirectory && !facts.isRegular) facts.attributes |= attr::System;
  facts.archiveKnown = true;
  facts.writeTime = UnixSeconds(lastWrite, &facts.writeTimeNsec);
  facts.age = facts.isRegular ? AgeOfTime(static_cast<std::time_t>(facts.writeTime)) : -1;
  facts.size = facts.isRegular ? size : 0;
  facts.device = volume;
  facts.inode = fileIndex;
  return facts;
}

EntryFacts FactsOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle, &info)) {
    EntryFacts facts;
    facts.error = static_cast<int>(::GetLastError());
    return facts;
  }
  const int64_t lastWrite = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                                 info.ftLastWriteTime.dwLowDateTime);
  const int64_t size = static_cast<int64_t>((uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
  const uint64_t index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return FactsFrom(info.dwFileAttributes, lastWrite, size, info.dwVolumeSerialNumber, index);
}

EntryFacts ListedFacts(HANDLE folder, const std::wstring& name, uint64_t volume) {
  EntryFacts facts;
  OpenRequest request;
  request.access = FILE_LIST_DIRECTORY;
  request.options = kDirectoryFile;
  int error = 0;
  // A handle of its own: a folder handle takes a search's name only once.
  const UniqueHandle listing = OpenAt(folder, L"", request, error);
  if (!listing.valid()) {
    facts.error = error;
    return facts;
  }
  // Room for one entry with the longest name a folder can hold.
  alignas(8) char buffer[sizeof(FILE_ID_BOTH_DIR_INFO) + 256 * sizeof(wchar_t)];
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name.c_str());
  text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  text.MaximumLength = text.Length;
  IO_STATUS_BLOCK io;
  // A name cannot hold the wildcards of a search, so it finds itself alone.
  const NTSTATUS status = ::NtQueryDirectoryFile(
      listing.get(), nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
      static_cast<FILE_INFORMATION_CLASS>(kFileIdBothDirectoryInformation), TRUE, &text, TRUE);
  if (status < 0) {
    const int code = static_cast<int>(::RtlNtStatusToDosError(status));
    facts.error = code == ERROR_NO_MORE_FILES || code == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : code;
    return facts;
  }
  const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer);
  return FactsFrom(info->FileAttributes, info->LastWriteTime.QuadPart, info->EndOfFile.QuadPart, volume,
                   static_cast<uint64_t>(info->FileId.QuadPart));
}

bool SameEntry(const EntryFacts& listed, HANDLE opened) {
  const EntryFacts facts = FactsOf(opened);
  return facts.exists() && listed.exists() && facts.isDirectory == listed.isDirectory &&
         facts.isRegular == listed.isRegular &&
         // A file system without file numbers (FAT) lists none, and has no links.
         (listed.inode == 0 || facts.inode == listed.inode);
}

int WriteAttributes(HANDLE handle, uint32_t fileAttributes) {
  FILE_BASIC_INFO basic{};  // zero times: left as they are
  basic.FileAttributes = fileAttributes ? fileAttributes : FILE_ATTRIBUTE_NORMAL;
  if (::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic)) return 0;
  return static_cast<int>(::GetLastError());
}

int DeleteOpened(HANDLE handle) {
  // The name goes at once, as on Linux, even while another handle (a
  // read-ahead's, say) still holds the entry; older systems leave it until
  // the last handle closes.
  FILE_DISPOSITION_INFO_EX now{};
  now.Flags = FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS;
  if (::SetFileInformationByHandle(handle, kDispositionInfoEx, &now, sizeof now)) return 0;
  if (::GetLastError() != ERROR_INVALID_PARAMETER && ::GetLastError() != ERROR_NOT_SUPPORTED &&
      ::GetLastError() != ERROR_INVALID_FUNCTION)
    return static_cast<int>(::GetLastError());
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  if (::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition)) return 0;
  return static_cast<int>(::GetLastError());
}

}  // namespace tandrel::platform::win32
