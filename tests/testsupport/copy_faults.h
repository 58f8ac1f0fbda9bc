#pragma once
// The real file system with faults in its copies: a source edited while it
// is copied, a disk that holds other bytes than the cache showed, a
// read-back whose memory cannot be had. Everything else is the real one's.

#include <functional>
#include <string>

#include "platform/file_system.h"
#include "testsupport/file_system_layer.h"

namespace tandrel::test {

class CopyFaults : public FileSystemLayer {
 public:
  explicit CopyFaults(const platform::FileSystem& real) : FileSystemLayer(real) {}

  // Runs with the source's path once a copy of it has been written.
  std::function<void(const std::string& source)> afterWrite;
  // Runs with the source's path each time a copy of it reports its
  // progress (a long copy, of more than 8 MiB), in the middle of the copy.
  std::function<void(const std::string& source)> duringCopy;
  // Runs with the destination's path right before a copy takes that name
  // (before each step of naming: the look at what stands there, the name).
  std::function<void(const std::string& dest)> beforePublish;
  // Runs with an entry's path after each look at it.
  std::function<void(const std::string& path)> afterLook;
  // A copy read back shows its first byte changed, as a disk that lost the
  // write would.
  bool diskDiffers = false;
  // Reading a copy back fails for want of memory.
  bool readBackThrows = false;
  // Opening a copy to read it back fails with this code.
  int readBackError = 0;
  // Flushing copies, or naming one, fails with this code.
  int flushError = 0;
  int publishError = 0;

  std::unique_ptr<platform::FolderOps> OpenFolder(const std::string& path) const override;
};

}  // namespace tandrel::test
