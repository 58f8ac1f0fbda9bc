#pragma once
// Wine keeps FILE_ATTRIBUTE_ARCHIVE set whatever a program asks. Over such
// a file system this layer keeps the archive state itself, as Windows keeps
// it: cleared on request, set again by any change of the file's size or
// time, carried by a copy. Everything else is the real file system's.

#include <map>
#include <mutex>
#include <utility>

#include "platform/file_system.h"
#include "testsupport/file_system_layer.h"

namespace tandrel::test {

class ArchiveLayer : public FileSystemLayer {
 public:
  explicit ArchiveLayer(const platform::FileSystem& real) : FileSystemLayer(real) {}

  // Whether `real` clears the archive attribute when asked (a probe with a
  // file in `folder`): only where it does not is the layer needed.
  static bool ClearsArchive(const platform::FileSystem& real, const std::string& folder);

  // The archive bit as this layer keeps it, put into `facts`.
  void Apply(platform::EntryFacts& facts) const;
  // Records the archive state the file `facts` describes has now.
  void Record(const platform::EntryFacts& facts, bool archive) const;
  // Forgets every kept state: file numbers come again once files are gone.
  void Forget() const;

  std::unique_ptr<platform::FolderOps> OpenFolder(const std::string& path) const override;

 private:
  struct Kept {
    int64_t size, writeTime;
    int32_t writeTimeNsec;
    bool archive;
  };
  mutable std::mutex mutex_;
  mutable std::map<std::pair<uint64_t, uint64_t>, Kept> kept_;  // by identity
};

}  // namespace tandrel::test
