// The test helpers that meet the Windows file system directly.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "platform/win32/wide.h"
#include "testsupport/temp_dir.h"

namespace fs = std::filesystem;

namespace tandrel::test {
namespace {

using platform::win32::LongPath;
using platform::win32::Wide;

constexpr int64_t kUnixEpoch = 116444736000000000LL;

HANDLE OpenForTimes(const std::string& path, DWORD access) {
  return ::CreateFileW(LongPath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                       nullptr);
}

DWORD AttributesOf(const std::string& path) { return ::GetFileAttributesW(LongPath(path).c_str()); }

}  // namespace

ScopedTempDir::ScopedTempDir() {
  static std::atomic<unsigned> counter = 0;
  wchar_t base[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, base);
  for (;;) {
    const std::string candidate = platform::win32::Narrow(base, n) + "tandrel-test-" +
                                  std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++);
    if (::CreateDirectoryW(Wide(candidate).c_str(), nullptr)) {
      path_ = candidate + "\\";
      return;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot make a temporary folder";
      std::abort();
    }
  }
}

ScopedTempDir::~ScopedTempDir() {
  // Tests leave read-only files behind; the removal must not stop at them.
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(fs::path(Wide(path_)), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const DWORD a = ::GetFileAttributesW(it->path().c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
      ::SetFileAttributesW(it->path().c_str(), a & ~FILE_ATTRIBUTE_READONLY);
  }
  fs::remove_all(fs::path(Wide(path_)), ec);
}

bool Exists(const std::string& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

void SetMTime(const std::string& path, std::time_t t) {
  const HANDLE file = OpenForTimes(path, FILE_WRITE_ATTRIBUTES);
  const int64_t value = static_cast<int64_t>(t) * 10000000 + kUnixEpoch;
  FILETIME time{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
  if (file == INVALID_HANDLE_VALUE || !::SetFileTime(file, nullptr, &time, &time))
    ADD_FAILURE() << "cannot set time of " << path;
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
}

std::time_t MTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  const int64_t value = static_cast<int64_t>((uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                             data.ftLastWriteTime.dwLowDateTime);
  return static_cast<std::time_t>((value - kUnixEpoch) / 10000000);
}

// Windows keeps no permission bits; the read-only attribute reads as the
// lack of every write bit, as the program takes it on Linux.
unsigned FileMode(const std::string& path) {
  const DWORD a = AttributesOf(path);
  if (a == INVALID_FILE_ATTRIBUTES) return 0;
  return (a & FILE_ATTRIBUTE_READONLY) ? 0444 : 0644;
}

void MakeReadOnly(const std::string& path) {
  const DWORD a = AttributesOf(path);
  if (a != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(LongPath(path).c_str(), a | FILE_ATTRIBUTE_READONLY);
}

void MakeWritable(const std::string& path) {
  const DWORD a = AttributesOf(path);
  if (a != INVALID_FILE_ATTRIBUTES)
    ::SetFileAttributesW(LongPath(path).c_str(), a & ~FILE_ATTRIBUTE_READONLY);
}

namespace {

bool MakeLink(const std::string& target, const std::string& link, DWORD kind) {
  const std::wstring linkPath = LongPath(link);
  ::CreateSymbolicLinkW(linkPath.c_str(), LongPath(target).c_str(),
                        kind | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  // Wine answers success and makes nothing: no link to test with then.
  const DWORD made = ::GetFileAttributesW(linkPath.c_str());
  return made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

bool MakeFolderLink(const std::string& target, const std::string& link) {
  return MakeLink(target, link, SYMBOLIC_LINK_FLAG_DIRECTORY);
}

bool MakeFileLink(const std::string& target, const std::string& link) { return MakeLink(target, link, 0); }

void MakeHidden(const std::string& path) {
  const DWORD a = AttributesOf(path);
  if (a != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(LongPath(path).c_str(), a | FILE_ATTRIBUTE_HIDDEN);
}

std::string LeaveStaleTemporary(const std::string& folder) {
  // A process that has come and gone, and a temporary named as that
  // process's copy would have named it.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring command = L"cmd.exe /c exit";
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
    ADD_FAILURE() << "no process to leave a temporary behind";
    return {};
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  const std::string name = ".tandrel-" + std::to_string(process.dwProcessId) + ".0";
  WriteFile(folder + name, "partial");
  return name;
}

std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> entries;
  std::error_code ec;
  const fs::path base(Wide(root));
  for (fs::recursive_directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string path = platform::win32::Narrow(it->path().wstring());
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(it->path().c_str(), GetFileExInfoStandard, &data)) continue;
    std::string facts = std::to_string(data.dwFileAttributes) + ":" +
                        std::to_string(data.ftLastWriteTime.dwHighDateTime) + "." +
                        std::to_string(data.ftLastWriteTime.dwLowDateTime) + ":";
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) facts += ReadFile(path);
    entries[path.substr(root.size())] = facts;
  }
  return entries;
}

}  // namespace tandrel::test
