#pragma once
// The real file system with faults in its copies: a source edited while it
// is copied, a disk that holds other bytes than the cache showed, a
// read-back whose memory cannot be had. Everything else is the real one's.

#include <functional>
#include <string>

#include "platform/file_system.h"

namespace tandrel::test {

class CopyFaults : public platform::FileSystem {
 public:
  explicit CopyFaults(const platform::FileSystem& real) : real_(real) {}

  // Runs with the source's path once a copy of it has been written.
  std::function<void(const std::string& source)> afterWrite;
  // Runs with an entry's path after each look at it.
  std::function<void(const std::string& path)> afterLook;
  // A copy read back shows its first byte changed, as a disk that lost the
  // write would.
  bool diskDiffers = false;
  // Reading a copy back fails for want of memory.
  bool readBackThrows = false;

  std::unique_ptr<platform::FolderOps> OpenFolder(const std::string& path) const override;
  bool DirectoryExists(const std::string& path, bool followLinks) const override {
    return real_.DirectoryExists(path, followLinks);
  }
  bool ResolvePath(const std::string& path, std::string& resolved) const override {
    return real_.ResolvePath(path, resolved);
  }
  bool Identity(const std::string& path, uint64_t& device, uint64_t& inode) const override {
    return real_.Identity(path, device, inode);
  }
  bool FolderWithin(const std::string& inner, const std::string& outer) const override {
    return real_.FolderWithin(inner, outer);
  }
  int CreateDirectories(const std::string& path) const override { return real_.CreateDirectories(path); }
  void EnsureDirectory(const std::string& path) const override { real_.EnsureDirectory(path); }
  std::unique_ptr<platform::ReaderOps> OpenFile(const std::string& path, int& error) const override {
    return real_.OpenFile(path, error);
  }
  std::unique_ptr<platform::LogFileOps> OpenLogFile(const std::string& path, bool append) const override {
    return real_.OpenLogFile(path, append);
  }
  std::unique_ptr<platform::RunLockOps> LockRun(const std::string& configPath) const override {
    return real_.LockRun(configPath);
  }
  bool RunBusy(const std::string& configPath) const override { return real_.RunBusy(configPath); }
  int WriteFileAtomic(const std::string& path, const std::string& content) const override {
    return real_.WriteFileAtomic(path, content);
  }

 private:
  const platform::FileSystem& real_;
};

}  // namespace tandrel::test
