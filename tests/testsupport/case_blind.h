#pragma once
// The real file system seen as one that ignores letter case, as FAT, exFAT
// and Windows' disks are: a name finds its entry in any case, and a new
// name that differs from an entry's only in case is that entry.

#include "platform/file_system.h"
#include "testsupport/file_system_layer.h"

namespace tandrel::test {

class CaseBlind : public FileSystemLayer {
 public:
  explicit CaseBlind(const platform::FileSystem& real) : FileSystemLayer(real) {}

  std::unique_ptr<platform::FolderOps> OpenFolder(const std::string& path) const override;
};

}  // namespace tandrel::test
