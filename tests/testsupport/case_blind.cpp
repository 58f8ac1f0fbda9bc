#include "testsupport/case_blind.h"
#include "platform/process.h"

namespace tandrel::test {
namespace {

using platform::FolderOps;

class BlindFolder : public FolderLayer {
 public:
  using FolderLayer::FolderLayer;

  std::unique_ptr<FolderOps> OpenSub(const std::string& name) const override {
    return Wrap(real_->OpenSub(Actual(name)), name);
  }
  platform::EntryFacts LookAt(const std::string& name) const override { return real_->LookAt(Actual(name)); }
  bool ArchiveOf(const std::string& name, const platform::EntryFacts& facts) const override {
    return real_->ArchiveOf(Actual(name), facts);
  }
  int SetAttributes(const std::string& name, uint32_t attributes) const override {
    return real_->SetAttributes(Actual(name), attributes);
  }
  int ClearArchiveAsCopied(const std::string& name, const platform::CopiedState& copied) const override {
    return real_->ClearArchiveAsCopied(Actual(name), copied);
  }
  int RemoveFile(const std::string& name) const override { return real_->RemoveFile(Actual(name)); }
  int RemoveFolder(const std::string& name) const override { return real_->RemoveFolder(Actual(name)); }
  int Rename(const std::string& from, const std::string& to) const override {
    return real_->Rename(Actual(from), to);
  }
  bool IgnoresCase(bool) const override { return true; }
  int MakeFolder(const std::string& name) const override {
    return Actual(name) != name ? platform::kErrExists : real_->MakeFolder(name);
  }
  std::unique_ptr<platform::PendingCopyOps> PrepareCopyTo(const std::string& name, const FolderOps& dest,
                                                          const std::string& destName, bool synchronised,
                                                          const platform::CopyProgress& progress,
                                                          int& error) const override {
    // A copy replaces the entry that has its name in any case.
    const auto& other = static_cast<const BlindFolder&>(dest);
    return real_->PrepareCopyTo(Actual(name), RealOf(dest), other.Actual(destName), synchronised, progress,
                                error);
  }
  std::unique_ptr<platform::ReaderOps> OpenFile(const std::string& name, int& error) const override {
    return real_->OpenFile(Actual(name), error);
  }

 private:
  std::unique_ptr<FolderOps> Wrap(std::unique_ptr<FolderOps> real, const std::string&) const override {
    return std::make_unique<BlindFolder>(std::move(real));
  }

  // The entry's own spelling of `name`: itself when it is there as asked,
  // else the first entry that differs from it only in letter case.
  std::string Actual(const std::string& name) const {
    if (!real_->valid() || real_->LookAt(name).error != platform::kErrNotFound) return name;
    const std::string key = platform::FoldCase(name);
    const auto search = real_->Search("*");
    platform::FindEntry entry;
    while (search->Next(entry)) {
      if (platform::FoldCase(entry.name) == key) return entry.name;
    }
    return name;
  }
};

}  // namespace

std::unique_ptr<platform::FolderOps> CaseBlind::OpenFolder(const std::string& path) const {
  return std::make_unique<BlindFolder>(real_.OpenFolder(path));
}

}  // namespace tandrel::test
