#pragma once
// Wine keeps FILE_ATTRIBUTE_ARCHIVE set whatever a program asks. Over such
// a file system this layer keeps the archive state itself, as Windows keeps
// it: cleared on request, set again by any change of the file's size or
// time, carried by a copy. Everything else is the real file system's.

#include <map>
#include <mutex>
#include <utility>

#include "platform/file_system.h"

namespace tandrel::test {

class ArchiveLayer : public platform::FileSystem {
 public:
  explicit ArchiveLayer(const platform::FileSystem& real) : real_(real) {}

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
  struct Kept {
    int64_t size, writeTime;
    int32_t writeTimeNsec;
    bool archive;
  };
  const platform::FileSystem& real_;
  mutable std::mutex mutex_;
  mutable std::map<std::pair<uint64_t, uint64_t>, Kept> kept_;  // by identity
};

}  // namespace tandrel::test
