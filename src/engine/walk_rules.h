#pragma once
// What a job's walk enters, what it takes and how deep it goes: one
// statement, followed by the walk and by the destination reader that runs
// ahead of it. The walk lists a level whole, enters its subfolders in
// listing order, then makes the level's own pass over its files.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/entries.h"
#include "platform/folders.h"

namespace tandrel {

// How many folders below a job's From folder the walk goes: each level holds
// its folders open, and no real tree needs more.
inline constexpr int kMaxWalkDepth = 256;

struct FolderIdentity {
  uint64_t device = 0, inode = 0;
};

struct WalkRules {
  std::string mask;
  // The job's own destination, where it lies inside the source: never walked.
  std::optional<FolderIdentity> ownDestination;

  // Names beginning with "." are the system's or the program's own: not the
  // job's data, never entered, taken or counted.
  static bool PassesOver(const platform::FindEntry& entry) { return entry.isHidden; }
  static bool IsSubfolder(const platform::FindEntry& entry) { return !entry.isHidden && entry.isDirectory; }
  static bool IsFile(const platform::FindEntry& entry) { return !entry.isHidden && !entry.isDirectory; }
  // A file of the level that its pass decides on.
  bool TakesFile(const platform::FindEntry& entry) const {
    return IsFile(entry) && platform::MatchesMask(entry.name, mask);
  }
  // Whether the subfolder `name` of the open folder `parent` is the job's
  // own destination.
  bool IsOwnDestination(const platform::DirHandle& parent, const std::string& name) const {
    FolderIdentity id;
    return ownDestination && parent.Identity(name, id.device, id.inode) &&
           id.device == ownDestination->device && id.inode == ownDestination->inode;
  }
  // Whether a level `depth` folders below the top may enter its subfolders.
  static bool MayEnterBelow(int depth) { return depth < kMaxWalkDepth; }
};

}  // namespace tandrel
