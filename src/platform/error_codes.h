#pragma once
// The few error codes the engine must tell apart, as the platform numbers
// them (the C library's on Linux, GetLastError's on Windows, where each
// platform's file system checks them against the system's own names), as
// constants that a switch can take.

#ifndef _WIN32
#include <cerrno>
#endif

namespace tandrel::platform {

#ifdef _WIN32
inline constexpr int kErrAccessDenied = 5;     // ERROR_ACCESS_DENIED
inline constexpr int kErrNotFound = 2;         // ERROR_FILE_NOT_FOUND
inline constexpr int kErrExists = 183;         // ERROR_ALREADY_EXISTS
inline constexpr int kErrNotADirectory = 267;  // ERROR_DIRECTORY
inline constexpr int kErrNotEmpty = 145;       // ERROR_DIR_NOT_EMPTY
inline constexpr int kErrNotRegularFile = 87;  // ERROR_INVALID_PARAMETER
inline constexpr int kErrCancelled = 1235;     // ERROR_REQUEST_ABORTED
inline constexpr int kErrChanged = 1237;       // ERROR_RETRY
inline constexpr int kErrOutOfMemory = 8;      // ERROR_NOT_ENOUGH_MEMORY
inline constexpr int kErrInternal = 1359;      // ERROR_INTERNAL_ERROR
inline constexpr int kErrTooManyOpen = 4;      // ERROR_TOO_MANY_OPEN_FILES
#else
inline constexpr int kErrAccessDenied = EACCES;
inline constexpr int kErrNotFound = ENOENT;
inline constexpr int kErrExists = EEXIST;
inline constexpr int kErrNotADirectory = ENOTDIR;
inline constexpr int kErrNotEmpty = ENOTEMPTY;
inline constexpr int kErrNotRegularFile = EINVAL;
inline constexpr int kErrCancelled = ECANCELED;
inline constexpr int kErrChanged = EAGAIN;
inline constexpr int kErrOutOfMemory = ENOMEM;
inline constexpr int kErrInternal = ENOTRECOVERABLE;
inline constexpr int kErrTooManyOpen = EMFILE;
#endif
// What each means:
// kErrAccessDenied    a change refused: read-only, a folder, no right
// kErrNotFound        no such file or folder
// kErrExists          something stands there already
// kErrNotADirectory   a link or a file where a folder is needed
// kErrNotEmpty        a folder to remove still holds something
// kErrNotRegularFile  FileReader on something that is no file
// kErrCancelled       a copy abandoned by its caller
// kErrChanged         a file changed while it was being copied, or its destination since it was looked at
// kErrOutOfMemory     the memory a step needed could not be had
// kErrInternal        a step failed in a way no other code names
// kErrTooManyOpen     the process holds as many files as it may

}  // namespace tandrel::platform
