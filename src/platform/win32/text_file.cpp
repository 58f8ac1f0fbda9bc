// The configuration's text: read whole, stamped for caches.

#include <windows.h>

#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/win32/open_at.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace tandrel::platform {
namespace {

FileStamp StampOfOpen(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file, &info)) return {};
  FileStamp stamp;
  stamp.exists = true;
  stamp.device = info.dwVolumeSerialNumber;
  stamp.inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  stamp.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  stamp.mtimeNs = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                       info.ftLastWriteTime.dwLowDateTime) *
                  100;
  return stamp;
}

win32::UniqueHandle OpenToRead(const std::string& path, DWORD access) {
  return win32::UniqueHandle(::CreateFileW(win32::LongPath(path).c_str(), access,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

FileStamp StampOf(const std::string& path) {
  const win32::UniqueHandle file = OpenToRead(path, FILE_READ_ATTRIBUTES);
  return file.valid() ? StampOfOpen(file.get()) : FileStamp{};
}

int ReadWholeFile(const std::string& path, std::string& content, FileStamp* stamp) {
  content.clear();
  if (stamp) *stamp = {};
  const win32::UniqueHandle file = OpenToRead(path, GENERIC_READ);
  if (!file.valid()) {
    const int error = static_cast<int>(::GetLastError());
    return error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error;
  }
  // A pipe or a device would keep the read waiting for data that never comes.
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) return kErrNotRegularFile;
  const FileStamp before = StampOfOpen(file.get());
  if (win32::FactsOf(file.get()).isDirectory) return ERROR_ACCESS_DENIED;
  content.reserve(static_cast<size_t>(before.size));
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
      content.clear();
      return static_cast<int>(::GetLastError());
    }
    if (got == 0) break;
    content.append(buffer, got);
  }
  if (stamp) *stamp = before;
  return 0;
}

}  // namespace tandrel::platform
