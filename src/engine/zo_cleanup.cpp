#include "engine/zo_cleanup.h"

#include "engine/level_facts.h"
#include "engine/main_base.h"
#include "engine/paths.h"
#include "platform/platform.h"

namespace tandrel {

void CleanUpDestinationLevel(TfMainBase& main, FolderFacts& source, FolderFacts& dest,
                             const std::string& destPath, const std::string& mask) {
  // Directories of every kind, but only ordinary files: hidden and special
  // files directly in a walked destination are left alone. A destination
  // that is missing or a link yields nothing here.
  FactsSearch search(dest, mask,
                     platform::attr::ReadOnly | platform::attr::Directory | platform::attr::Archive);
  platform::FindEntry entry;
  while (search.Next(entry)) {
    if (entry.name[0] == '.') continue;
    if (entry.isDirectory) {
      if (!source.DirectoryExists(entry.name)) {
        ZO_CleanUp cleanup(main);
        cleanup.CleanUpDir(dest.dir(), entry.name, destPath + entry.name);
        dest.Changed(entry.name);
      }
    } else if (!source.FileExists(entry.name)) {
      if (dest.dir().DeleteFile(entry.name) == 0) ++main.Counts.destinationDeleted;
      dest.Changed(entry.name);
    }
  }
}

int32_t ZO_CleanUp::CleanUpDir(const std::string& directory) {
  const std::string path = WithoutTrailingDelimiter(directory);
  const auto slash = path.rfind('/');
  const platform::DirHandle parent(slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1));
  return CleanUpDir(parent, path.substr(slash + 1), path);
}

int32_t ZO_CleanUp::CleanUpDir(const platform::DirHandle& parent, const std::string& name,
                               const std::string& directory) {
  const std::string dir = WithTrailingDelimiter(directory);
  {
    const platform::DirHandle self(parent, name);
    platform::DirSearch search(self, "*.*", platform::attr::All);
    platform::FindEntry entry;
    while (search.Next(entry)) {
      if (entry.name[0] == '.') continue;
      if (entry.isDirectory) {
        ZO_CleanUp inner(main_);
        inner.CleanUpDir(self, entry.name, dir + entry.name);
      } else {
        // A link is removed itself; what it points to is never touched.
        if (self.DeleteFile(entry.name) == 0) ++main_.Counts.destinationDeleted;
      }
    }
  }
  const int err = parent.RemoveDirectory(name);
  if (StillThere(parent, name, err)) {
    main_.AddFailureLine("Cleaning up dir \"" + dir + "\" failed, errorcode: " + std::to_string(err));
  } else {
    main_.AddLogLine("Dir " + dir + " cleaned up");
    ++main_.Counts.foldersRemoved;
  }
  return 0;
}

}  // namespace tandrel
