#pragma once
// A file system over another one that passes every path operation through,
// and a folder likewise: the bases of the test layers, which change only
// what they must.

#include <memory>
#include <string>

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
  platform::RunLockState LookAtRunLock(const std::string& configPath) const override {
    return real_.LookAtRunLock(configPath);
  }
  int WriteFileAtomic(const std::string& path, const std::string& content) const override {
    return real_.WriteFileAtomic(path, content);
  }

 protected:
  const platform::FileSystem& real_;
};

// A folder over another one that passes every question and change through;
// a test layer overrides what it changes. Folders it opens are the layer's
// own, made by Wrap.
class FolderLayer : public platform::FolderOps {
 public:
  explicit FolderLayer(std::unique_ptr<platform::FolderOps> real) : real_(std::move(real)) {}

  bool valid() const override { return real_->valid(); }
  int error() const override { return real_->error(); }
  std::unique_ptr<platform::FolderOps> OpenSub(const std::string& name) const override {
    return Wrap(real_->OpenSub(name), name);
  }
  std::unique_ptr<platform::FolderOps> Duplicate() const override { return Wrap(real_->Duplicate(), ""); }
  platform::EntryFacts LookAt(const std::string& name) const override { return real_->LookAt(name); }
  bool ArchiveOf(const std::string& name, const platform::EntryFacts& facts) const override {
    return real_->ArchiveOf(name, facts);
  }
  int SetAttributes(const std::string& name, uint32_t attributes) const override {
    return real_->SetAttributes(name, attributes);
  }
  int ClearArchiveAsCopied(const std::string& name, const platform::CopiedState& copied) const override {
    return real_->ClearArchiveAsCopied(name, copied);
  }
  int RemoveFile(const std::string& name) const override { return real_->RemoveFile(name); }
  int RemoveFolder(const std::string& name) const override { return real_->RemoveFolder(name); }
  int Rename(const std::string& from, const std::string& to) const override {
    return real_->Rename(from, to);
  }
  bool IgnoresCase(bool mayProbe) const override { return real_->IgnoresCase(mayProbe); }
  int MakeFolder(const std::string& name) const override { return real_->MakeFolder(name); }
  int MayChange() const override { return real_->MayChange(); }
  std::unique_ptr<platform::PendingCopyOps> PrepareCopyTo(const std::string& name, const FolderOps& dest,
                                                          const std::string& destName, bool synchronised,
                                                          const platform::CopyProgress& progress,
                                                          int& error) const override {
    return real_->PrepareCopyTo(name, RealOf(dest), destName, synchronised, progress, error);
  }
  std::unique_ptr<platform::SearchOps> Search(const std::string& mask) const override {
    return real_->Search(mask);
  }
  uint64_t ChangeStamp() const override { return real_->ChangeStamp(); }
  std::unique_ptr<platform::ReaderOps> OpenFile(const std::string& name, int& error) const override {
    return real_->OpenFile(name, error);
  }

 protected:
  // The layer's folder over `real`, the subfolder `name` of this one, or
  // this folder again when `name` is empty.
  virtual std::unique_ptr<platform::FolderOps> Wrap(std::unique_ptr<platform::FolderOps> real,
                                                    const std::string& name) const = 0;
  // The real folder beneath another folder of the same layer.
  static const platform::FolderOps& RealOf(const platform::FolderOps& folder) {
    return *static_cast<const FolderLayer&>(folder).real_;
  }

  std::unique_ptr<platform::FolderOps> real_;
};

}  // namespace tandrel::test
