#pragma once
// The entry operations of the POSIX file system relative to a directory
// descriptor: an open folder's descriptor, or AT_FDCWD for an ordinary path.

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace tandrel::platform::posix {

struct HeldFolder;

// The facts of the entry `name` that `st` describes (archive left unread).
EntryFacts FactsFromStat(const std::string& name, const struct stat& st);
// The part of a stat buffer the facts keep, for the archive rule.
struct stat StatOf(const EntryFacts& facts);
int SetAttributesAt(int dirfd, const std::string& name, uint32_t attributes);
// Clears the archive mark of the file `name` as the state `asCopied` (its
// size and modification time), leaving the mode as it is: the mark reads
// as clear only while the file is in that state.
int ClearArchiveAt(int dirfd, const std::string& name, const struct stat& asCopied);
// What both do: with `stampOf`, the mark names that state; with
// `keepReadOnly`, the read-only state stays whatever `attributes` say.
int ChangeAttributesAt(int dirfd, const std::string& name, uint32_t attributes, const struct stat* stampOf,
                       bool keepReadOnly = false);
// Writes the copy of the regular file `source` for `dest`, a name in the
// folder `destFolder`, which the copy holds while it waits (see
// PrepareCopy); null with `error` set when it cannot.
std::unique_ptr<PendingCopyOps> PrepareCopyAt(int sourceDirfd, const std::string& source,
                                              const std::shared_ptr<HeldFolder>& destFolder,
                                              const std::string& dest, bool synchronised,
                                              const CopyProgress& progress, int& error);
// Puts the entries of the folder `dirfd` on the disk where its file system
// flushes them apart from the rest: 0, or the error code (a folder that
// cannot be opened for reading, held as a path only, gives that of the open).
// A file system that keeps nothing of the kind to flush is no error.
int FlushFolderAt(int dirfd);
// A reader that owns the descriptor `fd` of a regular file and reads it
// from its start.
std::unique_ptr<ReaderOps> ReaderOf(int fd);
// Whether the folder `inner` is `outer` or lies below it (see FolderWithin).
bool FolderWithinAt(const std::string& inner, const std::string& outer);
// Replaces the file at `path` through a temporary and a rename (see WriteFileAtomic).
int WriteFileAtomicAt(const std::string& path, const std::string& content);
// Opens `path` as open(2) does with `flags` and `mode`, but never waits on
// a FIFO or a device standing there, and keeps only a regular file: its
// descriptor, in blocking mode again, or -1 with errno set (EISDIR for a
// folder, kErrNotRegularFile for anything else that is no file).
int OpenRegularFile(const std::string& path, int flags, mode_t mode = 0);

}  // namespace tandrel::platform::posix
