#include "engine/destination_cleanup.h"

#include <unordered_map>

#include "engine/folder_facts.h"
#include "engine/paths.h"
#include "engine/run_context.h"
#include "platform/copies.h"
#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/folders.h"
#include "platform/process.h"

namespace tandrel {
namespace {

// A temporary file of a copy whose run was killed, found where the cleanup
// lists a folder: removed without a log line and not counted, as its copy
// would have left nothing. It would otherwise stay forever and keep its
// folder from ever being removed.
bool RemoveIfStaleTemporary(const platform::DirHandle& dir, const platform::FindEntry& entry) {
  return !entry.isDirectory && !entry.isSystem && platform::IsStaleTemporary(entry.name) &&
         dir.RemoveStaleTemporary(entry.name) == 0;
}

// Whether the source holds `name` as a folder (or else as a file) when the
// cleanup is about to delete its counterpart: the listing may be older than
// the level's copies, and a name made since keeps what the destination has.
// A name the source cannot hold (or look at) is as the listing found it.
bool StandsNow(const FolderFacts& source, const std::string& name, bool folder) {
  const platform::EntryFacts now = source.dir().LookAt(name);
  return now.exists() && now.isDirectory == folder;
}

}  // namespace

void RemoveStaleTemporaries(const platform::DirHandle& dir) {
  platform::DirSearch search(dir, "*", platform::attr::All);
  platform::FindEntry entry;
  while (search.Next(entry)) {
    if (entry.isHidden) RemoveIfStaleTemporary(dir, entry);
  }
}

void CleanUpDestinationLevel(RunContext& run, FolderFacts& source, FolderFacts& dest,
                             const std::string& destPath, const std::string& mask, bool ignoresCase) {
  // The source's spelling of each name, where the destination may hold it in
  // another letter case: the first in listing order, as the walk took it.
  std::unordered_map<std::string, std::string> spelling;
  if (ignoresCase) {
    FactsSearch names(source, "*", platform::attr::All);
    platform::FindEntry entry;
    while (names.Next(entry)) spelling.emplace(platform::FoldCase(entry.name), entry.name);
  }
  const auto sourceName = [&](const std::string& name) -> const std::string& {
    if (!ignoresCase) return name;
    const auto it = spelling.find(platform::FoldCase(name));
    return it == spelling.end() ? name : it->second;
  };
  // Directories of every kind, but only ordinary files: hidden and special
  // files directly in a walked destination are left alone, stale temporaries
  // excepted. Those match no mask, so every entry is listed and the mask is
  // applied here. A destination that is missing or a link yields nothing.
  FactsSearch search(dest, "*",
                     platform::attr::ReadOnly | platform::attr::Hidden | platform::attr::Directory |
                         platform::attr::Archive);
  platform::FindEntry entry;
  while (search.Next(entry)) {
    if (entry.isHidden) {
      if (RemoveIfStaleTemporary(dest.dir(), entry)) dest.Changed(entry.name);
      continue;
    }
    if (!platform::MatchesMask(entry.name, mask)) continue;
    if (entry.isDirectory) {
      if (!source.DirectoryExists(sourceName(entry.name)) &&
          !StandsNow(source, sourceName(entry.name), true)) {
        DestinationCleanup cleanup(run);
        cleanup.CleanUpDir(dest.dir(), entry.name, destPath + entry.name);
        dest.Changed(entry.name);
      }
    } else if (!source.FileExists(sourceName(entry.name)) &&
               !StandsNow(source, sourceName(entry.name), false)) {
      const int err = dest.dir().RemoveFile(entry.name);
      if (err == 0) {
        run.DestinationFileDeleted(destPath + entry.name);
      } else if (err != platform::kErrNotFound) {
        run.AddFailureLine("Deleting file \"" + destPath + entry.name +
                           "\" failed, errorcode: " + std::to_string(err));
      }
      dest.Changed(entry.name);
    }
  }
}

bool DestinationCleanup::CleanUpDir(const platform::DirHandle& parent, const std::string& name,
                                    const std::string& directory) {
  const std::string dir = WithTrailingSeparator(directory);
  {
    const platform::DirHandle self(parent, name);
    platform::DirSearch search(self, "*.*", platform::attr::All);
    platform::FindEntry entry;
    while (search.Next(entry)) {
      if (entry.isHidden) {
        RemoveIfStaleTemporary(self, entry);
        continue;
      }
      if (entry.isDirectory) {
        DestinationCleanup inner(run_);
        inner.CleanUpDir(self, entry.name, dir + entry.name);
      } else {
        // A link is removed itself; what it points to is never touched.
        if (self.RemoveFile(entry.name) == 0) run_.DestinationFileDeleted(dir + entry.name);
      }
    }
  }
  const int err = parent.RemoveFolder(name);
  if (StillThere(parent, name, err)) {
    run_.AddFailureLine("Cleaning up dir \"" + dir + "\" failed, errorcode: " + std::to_string(err));
    return false;
  }
  run_.AddLogLine("Dir " + dir + " cleaned up");
  run_.Update([](RunProgress&, RunCounts& counts) { ++counts.foldersRemoved; });
  return true;
}

}  // namespace tandrel
