// The handles of platform.h over the file system that opened them, and the
// path operations over the file system in force on the calling thread.

#include <algorithm>
#include <utility>

#include "platform/copies.h"
#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace tandrel::platform {
namespace {

thread_local const FileSystem* current = nullptr;

// The program's own refusals, whichever file system answers: a read-only
// file is never replaced or deleted, not even by an administrator, and a
// folder is never taken for a file.
bool Protected(const EntryFacts& facts) {
  return facts.exists() && (facts.isDirectory || (facts.isRegular && (facts.attributes & attr::ReadOnly)));
}

// The folder of `path` and its last component, for the path operations.
DirHandle ParentOf(const std::string& path, std::string& name) {
  name = LastComponent(path);
  const std::string parent = ParentFolder(path);
  return DirHandle(parent.empty() ? std::string(".") : parent);
}

}  // namespace

const FileSystem& CurrentFileSystem() { return current ? *current : RealFileSystem(); }

FileSystemScope::FileSystemScope(const FileSystem& fileSystem) : previous_(current) { current = &fileSystem; }
FileSystemScope::~FileSystemScope() { current = previous_; }

// ---- DirHandle ----

DirHandle::DirHandle() = default;
DirHandle::DirHandle(const std::string& directory) : ops_(CurrentFileSystem().OpenFolder(directory)) {}
DirHandle::DirHandle(const DirHandle& parent, const std::string& name)
    : ops_(parent.ops_ ? parent.ops_->OpenSub(name) : nullptr) {}
DirHandle::DirHandle(std::unique_ptr<FolderOps> ops) : ops_(std::move(ops)) {}
DirHandle::~DirHandle() = default;
DirHandle::DirHandle(DirHandle&& other) noexcept = default;
DirHandle& DirHandle::operator=(DirHandle&& other) noexcept = default;

bool DirHandle::valid() const { return ops_ && ops_->valid(); }
int DirHandle::error() const { return !ops_ ? kErrNotFound : ops_->valid() ? 0 : ops_->error(); }

EntryFacts DirHandle::LookAt(const std::string& name) const {
  if (valid()) return ops_->LookAt(name);
  EntryFacts facts;
  facts.error = error();
  return facts;
}

uint32_t FullAttributes(const FolderOps& folder, const std::string& name, const EntryFacts& facts) {
  if (!facts.exists()) return kInvalidAttributes;
  if (!facts.isRegular || facts.archiveKnown) return facts.attributes;
  return (facts.attributes & ~attr::Archive) | (folder.ArchiveOf(name, facts) ? attr::Archive : 0);
}

uint32_t DirHandle::AttributesOf(const std::string& name, const EntryFacts& facts) const {
  if (!valid()) return facts.exists() ? facts.attributes : kInvalidAttributes;
  return FullAttributes(*ops_, name, facts);
}

int64_t DirHandle::FileAge(const std::string& name) const { return LookAt(name).age; }

bool DirHandle::FileExists(const std::string& name) const {
  const EntryFacts facts = LookAt(name);
  return facts.exists() && !facts.isDirectory;
}

bool DirHandle::DirectoryExists(const std::string& name) const {
  const EntryFacts facts = LookAt(name);
  return facts.exists() && facts.isDirectory;
}

uint32_t DirHandle::GetAttributes(const std::string& name, int* error) const {
  const EntryFacts facts = LookAt(name);
  if (!facts.exists() && error) *error = facts.error;
  return AttributesOf(name, facts);
}

int DirHandle::SetAttributes(const std::string& name, uint32_t attributes) const {
  return valid() ? ops_->SetAttributes(name, attributes) : error();
}

int DirHandle::Rename(const std::string& from, const std::string& to) const {
  if (!valid()) return error();
  if (from == to) return 0;
  // Only an entry that is `from` itself may stand at `to`: the same file
  // under another letter case, where names are found in any case (some
  // such file systems number one file differently for each spelling).
  const EntryFacts source = ops_->LookAt(from);
  if (!source.exists()) return source.error;
  const EntryFacts target = ops_->LookAt(to);
  const bool itself = (target.device == source.device && target.inode == source.inode) ||
                      (FoldCase(from) == FoldCase(to) && ops_->IgnoresCase(false));
  if (target.exists() && !itself) return kErrExists;
  return ops_->Rename(from, to);
}

bool DirHandle::IgnoresCase() const { return valid() && ops_->IgnoresCase(true); }

int DirHandle::ClearArchiveAsCopied(const std::string& name, const CopiedState& copied) const {
  return valid() ? ops_->ClearArchiveAsCopied(name, copied) : error();
}

int FolderOps::ClearArchiveAsCopied(const std::string& name, const CopiedState& copied) const {
  const EntryFacts facts = LookAt(name);
  if (!facts.exists()) return facts.error;
  if (!copied.Describes(facts)) return kErrChanged;
  const uint32_t attributes = FullAttributes(*this, name, facts);
  if ((attributes & attr::Archive) == 0) return 0;
  return SetAttributes(name, attributes & ~attr::Archive);
}

bool DirHandle::Identity(const std::string& name, uint64_t& device, uint64_t& inode) const {
  const EntryFacts facts = LookAt(name);
  if (!facts.exists()) return false;
  device = facts.device;
  inode = facts.inode;
  return true;
}

int DirHandle::EntryError(const std::string& name) const { return LookAt(name).error; }

int DirHandle::RemoveFile(const std::string& name) const {
  if (!valid()) return error();
  const EntryFacts facts = ops_->LookAt(name);
  if (!facts.exists()) return facts.error;
  return Protected(facts) ? kErrAccessDenied : ops_->RemoveFile(name);
}

int DirHandle::RemoveStaleTemporary(const std::string& name) const {
  if (!IsStaleTemporary(name)) return kErrAccessDenied;
  if (!valid()) return error();
  // Read-only or not: a copy killed after taking its source's read-only
  // state leaves a read-only temporary. Only a regular file is one.
  const EntryFacts facts = ops_->LookAt(name);
  if (!facts.exists()) return facts.error;
  return facts.isRegular ? ops_->RemoveFile(name) : kErrAccessDenied;
}

int DirHandle::RemoveFolder(const std::string& name) const {
  return valid() ? ops_->RemoveFolder(name) : error();
}

int DirHandle::MakeFolder(const std::string& name) const {
  return valid() ? ops_->MakeFolder(name) : error();
}

uint64_t DirHandle::ChangeStamp() const { return ops_ ? ops_->ChangeStamp() : 0; }
DirHandle DirHandle::Duplicate() const { return DirHandle(ops_ ? ops_->Duplicate() : nullptr); }
DirHandle DirHandle::Reopen() const { return DirHandle(ops_ ? ops_->Reopen() : nullptr); }

// ---- DirSearch ----

DirSearch::DirSearch(const std::string& pattern, uint32_t attributeSet) : attributeSet_(attributeSet) {
  const std::string folder = ParentFolder(pattern);
  Start(DirHandle(folder.empty() ? std::string(".") : folder), LastComponent(pattern));
}

DirSearch::DirSearch(const DirHandle& directory, const std::string& mask, uint32_t attributeSet)
    : attributeSet_(attributeSet) {
  Start(directory, mask);
}

void DirSearch::Start(const DirHandle& directory, const std::string& mask) {
  if (!directory.valid()) {
    error_ = directory.error();
    return;
  }
  impl_ = directory.ops()->Search(mask);
}

DirSearch::~DirSearch() = default;

bool DirSearch::Next(FindEntry& entry) {
  if (!impl_) return false;
  while (impl_->Next(entry)) {
    if (InAttributeSet(entry, attributeSet_)) return true;
  }
  return false;
}

int DirSearch::error() const { return impl_ ? impl_->error() : error_; }

// ---- Path operations ----

uint32_t GetAttributes(const std::string& path, int* error) {
  std::string name;
  return ParentOf(path, name).GetAttributes(name, error);
}

int SetAttributes(const std::string& path, uint32_t attributes) {
  std::string name;
  return ParentOf(path, name).SetAttributes(name, attributes);
}

int RemoveFile(const std::string& path) {
  std::string name;
  return ParentOf(path, name).RemoveFile(name);
}

bool DirectoryExists(const std::string& path, bool followLinks) {
  return CurrentFileSystem().DirectoryExists(path, followLinks);
}

bool ResolvePath(const std::string& path, std::string& resolved) {
  return CurrentFileSystem().ResolvePath(path, resolved);
}

bool Identity(const std::string& path, uint64_t& device, uint64_t& inode) {
  return CurrentFileSystem().Identity(path, device, inode);
}

bool FolderWithin(const std::string& inner, const std::string& outer) {
  return CurrentFileSystem().FolderWithin(inner, outer);
}

int CreateDirectories(const std::string& path) { return CurrentFileSystem().CreateDirectories(path); }

void EnsureDirectory(const std::string& path) { CurrentFileSystem().EnsureDirectory(path); }

int WriteFileAtomic(const std::string& path, const std::string& content) {
  return CurrentFileSystem().WriteFileAtomic(path, content);
}

// ---- Copies ----

PendingCopy::PendingCopy() = default;
PendingCopy::PendingCopy(std::unique_ptr<PendingCopyOps> ops, const EntryFacts& over)
    : ops_(std::move(ops)), over_(over) {}
PendingCopy::~PendingCopy() = default;
PendingCopy::PendingCopy(PendingCopy&& other) noexcept = default;
PendingCopy& PendingCopy::operator=(PendingCopy&& other) noexcept = default;

CopiedState PendingCopy::copied() const { return ops_ ? ops_->copied() : CopiedState{}; }

FileReader PendingCopy::ReadBack() const {
  if (!ops_) return FileReader(nullptr, kErrNotFound);
  int error = 0;
  std::unique_ptr<ReaderOps> reader = ops_->ReadBack(error);
  return FileReader(std::move(reader), error);
}

int PendingCopy::Publish() {
  if (!ops_) return kErrNotFound;
  // What the copy was to replace is judged as it stands now: another
  // program may have saved, protected or made the file meanwhile.
  if (over_.exists()) {
    const EntryFacts now = ops_->LookAtDestination();
    if (now.exists() && !SameEntryState(now, over_)) return kErrChanged;
    if (now.exists()) return ops_->Publish(true);
    if (now.error != kErrNotFound) return now.error;
  }
  return ops_->Publish(false);
}

void PendingCopy::Discard() { ops_.reset(); }

uint64_t PendingCopy::FlushKey() const { return ops_ ? ops_->FlushKey() : 0; }

PendingCopy PrepareCopy(const DirHandle& sourceDir, const std::string& sourceName, const DirHandle& destDir,
                        const std::string& destName, bool synchronised, const CopyProgress& progress,
                        int& error) {
  // An invalid folder's looks cost nothing; its error is the copy's.
  return PrepareCopy(sourceDir, sourceName, sourceDir.LookAt(sourceName), destDir, destName,
                     destDir.LookAt(destName), synchronised, progress, error);
}

PendingCopy PrepareCopy(const DirHandle& sourceDir, const std::string& sourceName, const EntryFacts& source,
                        const DirHandle& destDir, const std::string& destName, const EntryFacts& dest,
                        bool synchronised, const CopyProgress& progress, int& error) {
  error = 0;
  if (!sourceDir.valid()) error = sourceDir.error();
  if (error == 0 && !destDir.valid()) error = destDir.error();
  if (error != 0) return {};
  // A hidden file is not replaced either, as a read-only one is not.
  if (Protected(dest) || (dest.exists() && dest.isRegular && (dest.attributes & attr::Hidden))) {
    error = kErrAccessDenied;
    return {};
  }
  // A link, a folder or a device is never copied.
  error = !source.exists() ? source.error : !source.isRegular ? kErrAccessDenied : 0;
  if (error != 0) return {};
  return PendingCopy(
      sourceDir.ops()->PrepareCopyTo(sourceName, *destDir.ops(), destName, synchronised, progress, error),
      dest);
}

int FlushCopies(const std::vector<const PendingCopy*>& copies) {
  std::vector<uint64_t> flushed;
  int result = 0;
  for (const PendingCopy* copy : copies) {
    if (!copy || !copy->ops()) continue;
    const uint64_t key = copy->ops()->FlushKey();
    if (key != 0) {
      if (std::find(flushed.begin(), flushed.end(), key) != flushed.end()) continue;
      flushed.push_back(key);
    }
    if (const int rc = copy->ops()->Flush(); rc != 0 && result == 0) result = rc;
  }
  return result;
}

// ---- FileReader ----

FileReader::FileReader(const std::string& path) { ops_ = CurrentFileSystem().OpenFile(path, error_); }

FileReader::FileReader(const DirHandle& dir, const std::string& name) {
  if (!dir.valid()) {
    error_ = dir.error();
    return;
  }
  ops_ = dir.ops()->OpenFile(name, error_);
}

FileReader::FileReader(std::unique_ptr<ReaderOps> ops, int error) : ops_(std::move(ops)), error_(error) {}

FileReader::~FileReader() = default;

int64_t FileReader::ReadBlock(char* buffer, size_t size) {
  if (!ops_) return -1;
  return ops_->ReadBlock(buffer, size, error_);
}

// ---- LogFile ----

LogFile::LogFile() = default;
LogFile::~LogFile() = default;
LogFile::LogFile(LogFile&& other) noexcept = default;
LogFile& LogFile::operator=(LogFile&& other) noexcept = default;

bool LogFile::OpenToAppend(const std::string& path) {
  ops_ = CurrentFileSystem().OpenLogFile(path, true);
  return open();
}

bool LogFile::Create(const std::string& path) {
  ops_ = CurrentFileSystem().OpenLogFile(path, false);
  return open();
}

int LogFile::Write(const std::string& text) {
  if (!ops_) return kErrNotFound;
  return text.empty() ? 0 : ops_->Write(text.data(), text.size());
}

int LogFile::Flush() { return ops_ ? ops_->Flush() : kErrNotFound; }

void LogFile::Close() { ops_.reset(); }

// ---- RunLock ----

std::string RunLockFile(const std::string& configPath) { return configPath + ".lock"; }

RunLock::RunLock(const std::string& configPath) : ops_(CurrentFileSystem().LockRun(configPath)) {}
RunLock::~RunLock() = default;
RunLockState RunLock::state() const { return ops_ ? ops_->state() : RunLockState::Free; }

// ---- Entries and ages ----

bool SameEntryState(const EntryFacts& a, const EntryFacts& b) {
  constexpr uint32_t kState = attr::ReadOnly | attr::Hidden | attr::System;
  return a.exists() && b.exists() && a.isDirectory == b.isDirectory && a.isRegular == b.isRegular &&
         a.device == b.device && a.inode == b.inode && a.size == b.size && a.writeTime == b.writeTime &&
         a.writeTimeNsec == b.writeTimeNsec && (a.attributes & kState) == (b.attributes & kState);
}

bool InAttributeSet(const FindEntry& entry, uint32_t attributeSet) {
  const uint32_t kinds = (entry.isHidden ? attr::Hidden : 0) | (entry.isSystem ? attr::System : 0) |
                         (entry.isDirectory ? attr::Directory : 0);
  return kinds == 0 || (kinds & attributeSet) != 0;
}

int64_t AgeOfTime(std::time_t t) {
  // Floored to an even second, also before 1970, as a DOS date-time keeps it.
  const int64_t local = static_cast<int64_t>(t) + UtcOffsetNow();
  return local - (((local % 2) + 2) % 2);
}

bool AgeIsNewer(int64_t age, int64_t than) {
  // -1 (missing) is older than everything.
  if (age == -1) return false;
  return than == -1 || age > than;
}

}  // namespace tandrel::platform
