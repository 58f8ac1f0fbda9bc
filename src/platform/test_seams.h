#pragma once
// Roads that tests take on purpose where the disks they run on would not
// lead there. Nothing outside the tests calls these.

namespace tandrel::platform {

// For tests: copies take the named temporary's road, as on a file system
// without unnamed files, while `on`.
void UseNamedTemporaries(bool on);

}  // namespace tandrel::platform
