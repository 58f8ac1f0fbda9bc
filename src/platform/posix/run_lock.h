#pragma once
// The run lock of a configuration on POSIX (platform.h, RunLock): a lock
// file of this user's alone, or the configuration's folder.

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace tandrel::platform::posix {

// The lock of `configPath`, taken without waiting.
std::unique_ptr<RunLockOps> LockRun(const std::string& configPath);
// What LockRun would find now, found with a shared lock that is given back
// at once, so that looking never keeps a run from starting.
RunLockState LookAtRunLock(const std::string& configPath);

}  // namespace tandrel::platform::posix
