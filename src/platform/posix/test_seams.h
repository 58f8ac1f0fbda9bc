#pragma once
// Failures that tests cannot bring about on the file systems they run on.
// Nothing outside the tests calls these.

namespace tandrel::platform::posix {

// The next permission change of a copy reports `error` (an errno value)
// instead of changing anything, as on a FAT, exFAT, FUSE or SMB mount.
void FailNextModeChangeWith(int error);

}  // namespace tandrel::platform::posix
