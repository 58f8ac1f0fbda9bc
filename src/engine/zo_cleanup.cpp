#include "engine/zo_cleanup.h"

#include "engine/main_base.h"
#include "engine/paths.h"
#include "engine/zo_dir.h"
#include "platform/platform.h"

namespace tandrel {

void CleanUpDestinationLevel(TfMainBase& main, const std::string& sourceDir, const std::string& mask) {
  const std::string target = WithTrailingDelimiter(MapToDestination(main, sourceDir));

  // Directories of every kind, but only ordinary files: hidden and special
  // files directly in a walked destination are left alone.
  platform::DirSearch search(target + mask,
                             platform::attr::ReadOnly | platform::attr::Directory | platform::attr::Archive);
  platform::FindEntry entry;
  // The source folder held open answers for its entries by name; should it
  // have gone meanwhile, the full paths answer the same way.
  const platform::DirHandle source(sourceDir);
  const auto sourceHasDirectory = [&](const std::string& name) {
    return source.valid() ? source.DirectoryExists(name) : platform::DirectoryExists(sourceDir + name);
  };
  const auto sourceHasFile = [&](const std::string& name) {
    return source.valid() ? source.FileExists(name) : platform::FileExists(sourceDir + name);
  };
  while (search.Next(entry)) {
    if (entry.name[0] == '.') continue;
    if (entry.isDirectory) {
      if (!sourceHasDirectory(entry.name)) {
        ZO_CleanUp cleanup(main);
        cleanup.CleanUpDir(target + entry.name);
      }
    } else if (!sourceHasFile(entry.name)) {
      platform::DeleteFile(target + entry.name);
    }
  }
}

int32_t ZO_CleanUp::CleanUpDir(const std::string& directory) {
  const std::string dir = WithTrailingDelimiter(directory);
  {
    platform::DirSearch search(dir + "*.*", platform::attr::All);
    platform::FindEntry entry;
    while (search.Next(entry)) {
      if (entry.name[0] == '.') continue;
      if (entry.isDirectory) {
        ZO_CleanUp inner(main_);
        inner.CleanUpDir(dir + entry.name);
      } else {
        // A link is removed itself; what it points to is never touched.
        platform::DeleteFile(dir + entry.name);
      }
    }
  }
  const int err = platform::RemoveDirectory(dir);
  if (StillThere(dir.substr(0, dir.size() - 1), err)) {
    main_.AddLogLine("Cleaning up dir \"" + dir + "\" failed, errorcode: " + std::to_string(err));
  } else {
    main_.AddLogLine("Dir " + dir + " cleaned up");
  }
  return 0;
}

}  // namespace tandrel
