#include "platform/posix/folder_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/posix/unique_fd.h"

namespace tandrel::platform::posix {
namespace {

// One entry as getdents64 writes it.
struct KernelEntry {
  uint64_t inode;
  int64_t offset;
  unsigned short length;
  unsigned char type;
  char name[1];
};

class Search : public SearchOps {
 public:
  // Reads through the folder's own descriptor, which it holds meanwhile.
  Search(std::shared_ptr<HeldFolder> folder, std::string mask)
      : held_(std::move(folder)), fd_(held_->fd.get()), mask_(std::move(mask)) {}
  // Reads through a descriptor of its own.
  Search(UniqueFd fd, std::string mask) : own_(std::move(fd)), fd_(own_.get()), mask_(std::move(mask)) {}
  explicit Search(int error) : error_(error) {}
  ~Search() override { Release(); }

  bool Next(FindEntry& entry) override {
    for (;;) {
      if (at_ >= filled_ && !Fill()) return false;
      const auto* d = reinterpret_cast<const KernelEntry*>(buffer_ + at_);
      at_ += d->length;
      const char* name = d->name;
      if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
      if (!MatchesMask(name, mask_)) continue;
      unsigned char type = d->type;
      if (type == DT_UNKNOWN) {
        struct stat st;
        if (::fstatat(fd_, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // vanished
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
      }
      entry.name.assign(name);
      entry.isDirectory = type == DT_DIR;
      entry.isSystem = type != DT_DIR && type != DT_REG;
      entry.isHidden = IsHiddenName(entry.name);
      entry.facts.reset();
      return true;
    }
  }
  int error() const override { return error_; }

 private:
  // Reads the next block of entries; false at the end of the folder or on
  // an error, which a listing cut short must not hide.
  bool Fill() {
    if (fd_ < 0) return false;
    long n;
    do {
      n = ::syscall(SYS_getdents64, fd_, buffer_, sizeof buffer_);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
      if (n < 0) error_ = errno;
      Release();  // the descriptor goes as soon as the folder is read
      return false;
    }
    filled_ = static_cast<size_t>(n);
    at_ = 0;
    return true;
  }

  void Release() {
    if (held_) {
      held_->moved = true;
      held_->listing.store(false, std::memory_order_release);
      held_.reset();
    }
    own_.reset();
    fd_ = -1;
  }

  std::shared_ptr<HeldFolder> held_;
  UniqueFd own_;
  int fd_ = -1;
  std::string mask_;
  int error_ = 0;
  size_t filled_ = 0;
  size_t at_ = 0;
  alignas(KernelEntry) char buffer_[32 * 1024];
};

}  // namespace

int OpenFolderAt(int dirfd, const char* path, int flags, bool& readable) {
  flags |= O_DIRECTORY | O_CLOEXEC;
  int fd = ::openat(dirfd, path, O_RDONLY | flags);
  readable = fd >= 0;
  // A folder that may be searched but not listed is held as a path.
  if (fd < 0 && errno == EACCES) fd = ::openat(dirfd, path, O_PATH | flags);
  return fd;
}

std::unique_ptr<SearchOps> SearchFolder(const std::shared_ptr<HeldFolder>& folder, const std::string& mask) {
  // The folder's own descriptor, from its start, when no other search has it.
  if (folder->readable && !folder->listing.exchange(true, std::memory_order_acquire)) {
    if (!folder->moved || ::lseek(folder->fd.get(), 0, SEEK_SET) == 0) {
      return std::make_unique<Search>(folder, mask);
    }
    folder->listing.store(false, std::memory_order_release);
  }
  // Otherwise the folder, already reached without following a link, is
  // opened again for reading.
  const int fd = ::openat(folder->fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::make_unique<Search>(errno);
  return std::make_unique<Search>(UniqueFd(fd), mask);
}

}  // namespace tandrel::platform::posix
