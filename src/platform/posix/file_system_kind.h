#pragma once
// What the kind of file system a folder lies on promises the program: not
// every mount keeps the rules a local disk keeps.

namespace tandrel::platform::posix {

// Whether one syncfs of the file system that holds `fd` puts everything
// written there on its disk: a local file system on a block device. FUSE
// mounts (exFAT and NTFS through FUSE, sshfs, encrypted folders) and
// network file systems are reached by a flush of each file instead.
bool FlushedAsAWhole(int fd);
// Whether the change time of a folder on the file system of `fd` moves
// with every entry added, removed or renamed there, so that two equal
// stamps tell that a listing still stands: known only of a few.
bool ChangeTimesTell(int fd);

}  // namespace tandrel::platform::posix
