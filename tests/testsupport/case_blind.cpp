#include "testsupport/case_blind.h"

namespace tandrel::test {
namespace {

using platform::FolderOps;

class BlindFolder : public FolderOps {
 public:
  explicit BlindFolder(std::unique_ptr<FolderOps> real) : real_(std::move(real)) {}

  bool valid() const override { return real_->valid(); }
  int error() const override { return real_->error(); }
  std::unique_ptr<FolderOps> OpenSub(const std::string& name) const override {
    return std::make_unique<BlindFolder>(real_->OpenSub(Actual(name)));
  }
  std::unique_ptr<FolderOps> Duplicate() const override {
    return std::make_unique<BlindFolder>(real_->Duplicate());
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
  int MayChange() const override { return real_->MayChange(); }
  std::unique_ptr<platform::PendingCopyOps> PrepareCopyTo(const std::string& name, const FolderOps& dest,
                                                          const std::string& destName, bool synchronised,
                                                          const platform::CopyProgress& progress,
                                                          int& error) const override {
    const auto& other = static_cast<const BlindFolder&>(dest);
    // A copy replaces the entry that has its name in any case.
    return real_->PrepareCopyTo(Actual(name), *other.real_, other.Actual(destName), synchronised, progress,
                                error);
  }
  std::unique_ptr<platform::SearchOps> Search(const std::string& mask) const override {
    return real_->Search(mask);
  }
  std::unique_ptr<platform::ReaderOps> OpenFile(const std::string& name, int& error) const override {
    return real_->OpenFile(Actual(name), error);
  }

 private:
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

  std::unique_ptr<FolderOps> real_;
};

}  // namespace

std::unique_ptr<platform::FolderOps> CaseBlind::OpenFolder(const std::string& path) const {
  return std::make_unique<BlindFolder>(real_.OpenFolder(path));
}

}  // namespace tandrel::test
