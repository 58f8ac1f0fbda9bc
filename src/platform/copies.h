#pragma once
// Copies made beside their destination, flushed, then named over the very
// entry they were decided on.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/folders.h"

namespace tandrel::platform {

// ---- Copies -----------------------------------------------------------------

// A copy is made in steps: PrepareCopy writes it beside its destination,
// FlushCopies puts it on the disk, PendingCopy::Publish gives it the
// destination's name and FlushCopies again puts that name on the disk.
//
// `progress`, when given, is told the bytes copied so far and the size now
// and then during a long copy; when it answers false the copy is abandoned:
// it fails with kErrCancelled and leaves the destination as it was, with no
// temporary behind.
using CopyProgress = std::function<bool(int64_t copied, int64_t size)>;

class PendingCopyOps;

// A copy written in full beside its destination, but not yet under the
// destination's name: what PrepareCopy makes. The destination stays as it
// was until Publish; a copy dropped unpublished leaves nothing behind (a
// named temporary where the file system has no unnamed files, which a
// killed run leaves for IsStaleTemporary). A durable copy is flushed
// (FlushCopies) before it is read back or published, and its folder entry
// flushed after Publish before anything counts on it.
class PendingCopy {
 public:
  PendingCopy();
  // `over` is the look at the destination entry the copy is to replace (a
  // missing one where it is to be new).
  PendingCopy(std::unique_ptr<PendingCopyOps> ops, const EntryFacts& over);
  ~PendingCopy();
  PendingCopy(PendingCopy&& other) noexcept;
  PendingCopy& operator=(PendingCopy&& other) noexcept;
  PendingCopy(const PendingCopy&) = delete;
  PendingCopy& operator=(const PendingCopy&) = delete;

  bool valid() const { return ops_ != nullptr; }
  // What the copy took from its source.
  CopiedState copied() const;
  // The copy's bytes as the disk holds them, from its start: nothing a cache
  // kept of them is read, so flush it first.
  FileReader ReadBack() const;
  // Gives the copy the destination's name. It replaces only the very entry
  // it was prepared over, still in the state that look showed (a file or a
  // link); anything else standing there now is kept: a name that has
  // appeared since gives kErrExists (refused by the file system itself
  // where it can), an entry that has changed since kErrChanged. 0 or the
  // error code. The copy stays valid for the flush of its folder entry.
  int Publish();
  // Drops the copy; the destination stays as it was.
  void Discard();
  // Copies that answer the same non-zero key share one flush.
  uint64_t FlushKey() const;
  const PendingCopyOps* ops() const { return ops_.get(); }

 private:
  std::unique_ptr<PendingCopyOps> ops_;
  EntryFacts over_;
};

// Makes a copy of content, last-write time, read-only and archive state (also
// to a read-only copy), unnamed: `error` is 0 and the copy valid, or `error`
// tells why not. A `synchronised` copy has its archive attribute clear (a
// server's copy); any other takes the source's. Refuses with
// kErrAccessDenied when the destination is a folder or a read-only or
// hidden file, or the source is no regular file (a link there is never
// followed; one at the destination is replaced itself).
//
// Size and time are those the source had when the copy opened it: bytes
// appended later are not copied (while those it had still read the same),
// and the copy keeps the earlier time, so the next run finds the source
// newer. A source that shrinks or is written in place meanwhile is copied
// once more at once, and gives kErrChanged if it changes again: a copy
// never holds bytes of two versions. Holes of a sparse source stay holes.
// A destination file system that refuses the permission bits (FAT, exFAT,
// some FUSE and SMB mounts) still takes the copy, read-only where it can
// hold that. The copy is written to a file without a name; where the file
// system has none (NFS, CIFS, FUSE, FAT), to a named temporary (see
// IsStaleTemporary) in the destination's folder, which a dropped copy
// removes and a killed run leaves behind.
PendingCopy PrepareCopy(const DirHandle& sourceDir, const std::string& sourceName, const DirHandle& destDir,
                        const std::string& destName, bool synchronised, const CopyProgress& progress,
                        int& error);
// The same, where the caller has looked at the source and the destination
// entry: `source` and `dest` are those looks, and the copy replaces only the
// entry `dest` describes.
PendingCopy PrepareCopy(const DirHandle& sourceDir, const std::string& sourceName, const EntryFacts& source,
                        const DirHandle& destDir, const std::string& destName, const EntryFacts& dest,
                        bool synchronised, const CopyProgress& progress, int& error);
// Puts on the disk what the given copies have written, and what has been
// published of them: one flush per file system rather than one per file
// where the platform and the file system allow it (a local disk's), one per
// copy and then one per folder of names elsewhere (FUSE, network file
// systems). 0 or the first error code.
int FlushCopies(const std::vector<const PendingCopy*>& copies);
// Whether the entry `name` is a temporary file of this program whose process
// is gone: one a killed run left behind. Its name is one only this program's
// temporaries have (beginning with ".", so every pass skips it otherwise);
// the temporary of a running process, this one or another, is never stale.
bool IsStaleTemporary(const std::string& name);

}  // namespace tandrel::platform
