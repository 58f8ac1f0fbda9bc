#pragma once
// Removal from the destination of what no longer exists in the source.

#include <cstdint>
#include <string>

namespace tandrel {

namespace platform {
class DirHandle;
}
class FolderFacts;
class RunContext;

class DestinationCleanup {
 public:
  explicit DestinationCleanup(RunContext& run) : run_(run) {}

  // Removes the subfolder `name` of the open folder `parent`, whose path is
  // `directory`, with everything below it (names beginning with "."
  // excepted, but for stale temporaries of killed copies), reporting each
  // folder, innermost first; true when the folder is gone. A link there is
  // not entered; its removal fails and is reported.
  bool CleanUpDir(const platform::DirHandle& parent, const std::string& name, const std::string& directory);

 private:
  RunContext& run_;
};

// Removes the temporaries of copies whose run was killed from the folder
// `dir` (see platform::IsStaleTemporary), without a line.
void RemoveStaleTemporaries(const platform::DirHandle& dir);

// The cleanup pass of one walked level: `source` and `dest` are the facts
// of the level's open folders (an invalid `dest` means nothing to clean),
// `destPath` the destination folder's path ending in "/". Where the
// destination `ignoresCase`, an entry is stale only when no source entry of
// its kind has its name in any letter case.
void CleanUpDestinationLevel(RunContext& run, FolderFacts& source, FolderFacts& dest,
                             const std::string& destPath, const std::string& mask, bool ignoresCase);

}  // namespace tandrel
