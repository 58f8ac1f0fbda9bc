#include "testsupport/copy_faults.h"

#include <new>

#include "platform/paths.h"

namespace tandrel::test {
namespace {

using platform::FolderOps;
using platform::PendingCopyOps;
using platform::ReaderOps;

// Reads the copy with its first byte changed.
class ChangedReader : public ReaderOps {
 public:
  explicit ChangedReader(std::unique_ptr<ReaderOps> real) : real_(std::move(real)) {}
  int64_t ReadBlock(char* buffer, size_t size, int& error) override {
    const int64_t n = real_->ReadBlock(buffer, size, error);
    if (n > 0 && first_) buffer[0] = static_cast<char>(buffer[0] ^ 0x55);
    first_ = false;
    return n;
  }

 private:
  std::unique_ptr<ReaderOps> real_;
  bool first_ = true;
};

class FaultyCopy : public PendingCopyOps {
 public:
  FaultyCopy(std::unique_ptr<PendingCopyOps> real, std::string dest, const CopyFaults& faults)
      : real_(std::move(real)), dest_(std::move(dest)), faults_(faults) {}
  platform::CopiedState copied() const override { return real_->copied(); }
  uint64_t FlushKey() const override { return real_->FlushKey(); }
  int Flush() const override { return faults_.flushError ? faults_.flushError : real_->Flush(); }
  std::unique_ptr<ReaderOps> ReadBack(int& error) const override {
    if (faults_.readBackThrows) throw std::bad_alloc();
    if ((error = faults_.readBackError) != 0) return nullptr;
    auto reader = real_->ReadBack(error);
    if (!reader || !faults_.diskDiffers) return reader;
    return std::make_unique<ChangedReader>(std::move(reader));
  }
  // The change comes before whichever step of naming comes first.
  platform::EntryFacts LookAtDestination() const override {
    if (faults_.beforePublish) faults_.beforePublish(dest_);
    return real_->LookAtDestination();
  }
  int Publish(bool replace) override {
    if (faults_.beforePublish) faults_.beforePublish(dest_);
    return faults_.publishError ? faults_.publishError : real_->Publish(replace);
  }

 private:
  std::unique_ptr<PendingCopyOps> real_;
  std::string dest_;
  const CopyFaults& faults_;
};

class FaultyFolder : public FolderLayer {
 public:
  FaultyFolder(std::unique_ptr<FolderOps> real, std::string path, const CopyFaults& faults)
      : FolderLayer(std::move(real)), path_(std::move(path)), faults_(faults) {}

  platform::EntryFacts LookAt(const std::string& name) const override {
    const platform::EntryFacts facts = real_->LookAt(name);
    if (faults_.afterLook) faults_.afterLook(platform::JoinPath(path_, name));
    return facts;
  }
  std::unique_ptr<PendingCopyOps> PrepareCopyTo(const std::string& name, const FolderOps& dest,
                                                const std::string& destName, bool synchronised,
                                                const platform::CopyProgress& progress,
                                                int& error) const override {
    const std::string source = platform::JoinPath(path_, name);
    platform::CopyProgress told = progress;
    if (faults_.duringCopy) {
      told = [this, source, progress](int64_t copied, int64_t size) {
        faults_.duringCopy(source);
        return !progress || progress(copied, size);
      };
    }
    auto copy = real_->PrepareCopyTo(name, RealOf(dest), destName, synchronised, told, error);
    if (!copy) return nullptr;
    if (faults_.afterWrite) faults_.afterWrite(source);
    return std::make_unique<FaultyCopy>(
        std::move(copy), platform::JoinPath(static_cast<const FaultyFolder&>(dest).path_, destName), faults_);
  }

 private:
  std::unique_ptr<FolderOps> Wrap(std::unique_ptr<FolderOps> real, const std::string& name) const override {
    return std::make_unique<FaultyFolder>(std::move(real),
                                          name.empty() ? path_ : platform::JoinPath(path_, name), faults_);
  }

  std::string path_;
  const CopyFaults& faults_;
};

}  // namespace

std::unique_ptr<FolderOps> CopyFaults::OpenFolder(const std::string& path) const {
  return std::make_unique<FaultyFolder>(real_.OpenFolder(path), path, *this);
}

}  // namespace tandrel::test
