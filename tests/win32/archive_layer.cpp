#include "archive_layer.h"

#include "platform/paths.h"
#include "testsupport/temp_dir.h"

namespace tandrel::test {
namespace {

using platform::EntryFacts;
using platform::FolderOps;
namespace attr = platform::attr;

class ArchiveSearch : public platform::SearchOps {
 public:
  ArchiveSearch(std::unique_ptr<platform::SearchOps> real, const ArchiveLayer& layer)
      : real_(std::move(real)), layer_(layer) {}
  bool Next(platform::FindEntry& entry) override {
    if (!real_->Next(entry)) return false;
    if (entry.facts) layer_.Apply(*entry.facts);
    return true;
  }
  int error() const override { return real_->error(); }

 private:
  std::unique_ptr<platform::SearchOps> real_;
  const ArchiveLayer& layer_;
};

// A copy that takes its source's archive state with it once it stands
// under its name.
class ArchiveCopy : public platform::PendingCopyOps {
 public:
  ArchiveCopy(std::unique_ptr<platform::PendingCopyOps> real, std::unique_ptr<FolderOps> folder,
              std::string name, const ArchiveLayer& layer, bool archive)
      : real_(std::move(real)),
        folder_(std::move(folder)),
        name_(std::move(name)),
        layer_(layer),
        archive_(archive) {}
  platform::CopiedState copied() const override { return real_->copied(); }
  uint64_t FlushKey() const override { return real_->FlushKey(); }
  int Flush() const override { return real_->Flush(); }
  std::unique_ptr<platform::ReaderOps> ReadBack(int& error) const override { return real_->ReadBack(error); }
  platform::EntryFacts LookAtDestination() const override { return real_->LookAtDestination(); }
  int Publish(bool replace) override {
    const int rc = real_->Publish(replace);
    if (rc == 0) layer_.Record(folder_->LookAt(name_), archive_);
    return rc;
  }

 private:
  std::unique_ptr<platform::PendingCopyOps> real_;
  std::unique_ptr<FolderOps> folder_;  // outlives the walk's handle of it
  std::string name_;
  const ArchiveLayer& layer_;
  bool archive_;
};

class ArchiveFolder : public FolderLayer {
 public:
  ArchiveFolder(std::unique_ptr<FolderOps> real, const ArchiveLayer& layer)
      : FolderLayer(std::move(real)), layer_(layer) {}

  EntryFacts LookAt(const std::string& name) const override {
    EntryFacts facts = real_->LookAt(name);
    layer_.Apply(facts);
    return facts;
  }
  bool ArchiveOf(const std::string& name, const EntryFacts&) const override {
    return (LookAt(name).attributes & attr::Archive) != 0;
  }
  int SetAttributes(const std::string& name, uint32_t attributes) const override {
    const int rc = real_->SetAttributes(name, attributes);
    if (rc == 0) layer_.Record(real_->LookAt(name), attributes & attr::Archive);
    return rc;
  }
  // The mark goes through this layer's own look and change.
  int ClearArchiveAsCopied(const std::string& name, const platform::CopiedState& copied) const override {
    return FolderOps::ClearArchiveAsCopied(name, copied);
  }
  std::unique_ptr<platform::PendingCopyOps> PrepareCopyTo(const std::string& name, const FolderOps& dest,
                                                          const std::string& destName, bool synchronised,
                                                          const platform::CopyProgress& progress,
                                                          int& error) const override {
    const bool archive = !synchronised && (LookAt(name).attributes & attr::Archive) != 0;
    auto copy = real_->PrepareCopyTo(name, RealOf(dest), destName, synchronised, progress, error);
    if (!copy) return nullptr;
    return std::make_unique<ArchiveCopy>(std::move(copy), RealOf(dest).Duplicate(), destName, layer_,
                                         archive);
  }
  std::unique_ptr<platform::SearchOps> Search(const std::string& mask) const override {
    return std::make_unique<ArchiveSearch>(real_->Search(mask), layer_);
  }

 private:
  std::unique_ptr<FolderOps> Wrap(std::unique_ptr<FolderOps> real, const std::string&) const override {
    return std::make_unique<ArchiveFolder>(std::move(real), layer_);
  }

  const ArchiveLayer& layer_;
};

}  // namespace

bool ArchiveLayer::ClearsArchive(const platform::FileSystem& real, const std::string& folder) {
  const std::string name = "archive-probe.txt";
  WriteFile(platform::JoinPath(folder, name), "probe");
  const std::unique_ptr<FolderOps> dir = real.OpenFolder(folder);
  dir->SetAttributes(name, 0);
  const EntryFacts facts = dir->LookAt(name);
  const bool clears = !(platform::FullAttributes(*dir, name, facts) & attr::Archive);
  dir->RemoveFile(name);
  return clears;
}

std::unique_ptr<FolderOps> ArchiveLayer::OpenFolder(const std::string& path) const {
  return std::make_unique<ArchiveFolder>(real_.OpenFolder(path), *this);
}

void ArchiveLayer::Apply(EntryFacts& facts) const {
  if (!facts.exists() || !facts.isRegular) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto it = kept_.find({facts.device, facts.inode});
  // A file changed since its state was kept has its archive bit set again.
  const bool archive = it == kept_.end() || it->second.size != facts.size ||
                       it->second.writeTime != facts.writeTime ||
                       it->second.writeTimeNsec != facts.writeTimeNsec || it->second.archive;
  facts.attributes = (facts.attributes & ~attr::Archive) | (archive ? attr::Archive : 0);
  facts.archiveKnown = true;
}

void ArchiveLayer::Forget() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  kept_.clear();
}

void ArchiveLayer::Record(const EntryFacts& facts, bool archive) const {
  if (!facts.exists() || !facts.isRegular) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  kept_[{facts.device, facts.inode}] = Kept{facts.size, facts.writeTime, facts.writeTimeNsec, archive};
}

}  // namespace tandrel::test
