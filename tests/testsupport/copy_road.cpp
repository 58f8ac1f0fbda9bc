#include "testsupport/copy_road.h"

#include "platform/paths.h"

namespace tandrel::test {

int CopyAsARun(const platform::DirHandle& sourceDir, const std::string& sourceName,
               const platform::DirHandle& destDir, const std::string& destName,
               const platform::CopyProgress& progress) {
  int error = 0;
  platform::PendingCopy copy =
      platform::PrepareCopy(sourceDir, sourceName, destDir, destName, false, progress, error);
  if (error != 0) return error;
  if (const int rc = platform::FlushCopies({&copy})) return rc;
  if (const int rc = copy.Publish()) return rc;
  return platform::FlushCopies({&copy});
}

int CopyAsARun(const std::string& source, const std::string& dest) {
  const auto folderOf = [](const std::string& path) {
    const std::string folder = platform::ParentFolder(path);
    return platform::DirHandle(folder.empty() ? std::string(".") : folder);
  };
  return CopyAsARun(folderOf(source), platform::LastComponent(source), folderOf(dest),
                    platform::LastComponent(dest));
}

}  // namespace tandrel::test
