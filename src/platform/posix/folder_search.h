#pragma once
// The listing of a folder held open: read straight from the kernel in
// blocks of entries, with no stream in between.

#include <atomic>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/posix/file_system_kind.h"
#include "platform/posix/unique_fd.h"

namespace tandrel::platform::posix {

// A folder's descriptor, shared by its handle and the searches over it.
// One opened for reading is listed through itself, by one search at a
// time; any other search opens the folder again.
struct HeldFolder {
  HeldFolder(int descriptor, bool forReading) : fd(descriptor), readable(forReading) {}
  UniqueFd fd;
  const bool readable;
  std::atomic<bool> listing{false};  // a search reads through fd
  bool moved = false;                // fd's offset has left the start (kept by the search)
  std::atomic<uint64_t> device{0};   // the folder's file system + 1, once asked
  // What its file system promises (file_system_kind.h), asked once.
  bool FlushedAsAWhole() { return Promise(flushedAsAWhole, posix::FlushedAsAWhole); }
  bool ChangeTimesTell() { return Promise(changeTimesTell, posix::ChangeTimesTell); }

 private:
  template <typename Ask>
  bool Promise(std::atomic<int>& known, Ask ask) {
    int answer = known.load(std::memory_order_relaxed);
    if (answer < 0) known.store(answer = ask(fd.get()) ? 1 : 0, std::memory_order_relaxed);
    return answer == 1;
  }
  std::atomic<int> flushedAsAWhole{-1}, changeTimesTell{-1};  // -1 until asked
};

// Opens the folder `path` relative to `dirfd` with `flags` (O_DIRECTORY and
// O_CLOEXEC added): for reading where it may be read, otherwise as a path
// only, which still serves to reach its entries. -1 with errno set.
int OpenFolderAt(int dirfd, const char* path, int flags, bool& readable);

// Lists the folder, returning the entries whose names match `mask`; "."
// and ".." are left out. A folder that cannot be listed yields a search
// that returns nothing and tells why.
std::unique_ptr<SearchOps> SearchFolder(const std::shared_ptr<HeldFolder>& folder, const std::string& mask);

}  // namespace tandrel::platform::posix
