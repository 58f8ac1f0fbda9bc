#pragma once
// A file system over another one that passes every path operation through:
// the base of the test layers, which change only what their folders do.

#include "platform/file_system.h"

namespace tandrel::test {

class FileSystemLayer : public platform::FileSystem {
 public:
  explicit FileSystemLayer(const platform::FileSystem& real) : real_(real) {}

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

 protected:
  const platform::FileSystem& real_;
};

}  // namespace tandrel::test
