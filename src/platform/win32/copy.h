#pragma once
// Copies and whole-file writes: always through a temporary in the
// destination's folder, renamed over the destination only once complete.

#include <windows.h>

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace tandrel::platform::win32 {

// Writes the copy of the open source file for `destName` of the open folder
// `destFolder` (whose path, in "\\?\" form, is `destPath`), keeping the
// source's last-write time and attributes (read-only, hidden, system,
// archive). The program's refusals are made before the call. Null with
// `error` set when it cannot.
std::unique_ptr<PendingCopyOps> PrepareCopyOpened(HANDLE source, HANDLE destFolder,
                                                  const std::wstring& destPath, const std::string& destName,
                                                  bool synchronised, const CopyProgress& progress,
                                                  int& error);

// Renames the open entry `entry` to `name` in the open folder `folder`
// (whose path, in "\\?\" form, is `folderPath`). 0 or the error code.
int RenameOpened(HANDLE entry, HANDLE folder, const std::wstring& folderPath, const std::string& name);

// Replaces the file at `path` by `content` through a temporary beside it.
int WriteFileAtomic(const std::string& path, const std::string& content);

}  // namespace tandrel::platform::win32
