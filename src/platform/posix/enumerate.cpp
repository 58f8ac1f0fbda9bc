#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/entry_facts.h"
#include "platform/platform.h"
#include "platform/posix/listing.h"
#include "platform/posix/preview_plan.h"

namespace tandrel::platform {

namespace preview = posix::preview;

bool posix::EntryFromListing(int dirfd, const dirent* d, FindEntry& entry) {
  unsigned char type = d->d_type;
  if (type == DT_UNKNOWN) {
    struct stat st;
    if (::fstatat(dirfd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
  }
  entry.name = d->d_name;
  entry.isDirectory = type == DT_DIR;
  entry.isSystem = type != DT_DIR && type != DT_REG;
  entry.isHidden = d->d_name[0] == '.';
  return true;
}

struct DirSearch::Impl {
  DIR* dir = nullptr;
  std::string mask;
  uint32_t attributeSet = 0;
  // During a preview: the folder's entries as the run would find them.
  std::vector<FindEntry> planned;
  size_t next = 0;
  ~Impl() {
    if (dir) ::closedir(dir);
  }
};

DirSearch::DirSearch(const std::string& pattern, uint32_t attributeSet) : impl_(std::make_unique<Impl>()) {
  const auto slash = pattern.rfind('/');
  std::string directory = slash == std::string::npos ? "./" : pattern.substr(0, slash + 1);
  impl_->mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  impl_->attributeSet = attributeSet;
  if (preview::Active()) {
    error_ = preview::List(DirHandle(directory), impl_->planned);
    return;
  }
  // O_NOFOLLOW is not wanted here: the job's own top directory may be a link;
  // links found inside the tree are never walked because they come back as
  // system entries.
  impl_->dir = ::opendir(directory.c_str());
  if (!impl_->dir) error_ = errno;
}

DirSearch::DirSearch(const DirHandle& directory, const std::string& mask, uint32_t attributeSet)
    : impl_(std::make_unique<Impl>()) {
  impl_->mask = mask;
  impl_->attributeSet = attributeSet;
  if (preview::Active()) {
    error_ = preview::List(directory, impl_->planned);
    return;
  }
  if (!directory.valid()) {
    error_ = directory.error();
    return;
  }
  // The folder itself, already reached without following a link, is opened
  // again for listing.
  const int fd = ::openat(directory.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) impl_->dir = ::fdopendir(fd);
  if (!impl_->dir) {
    error_ = errno;
    if (fd >= 0) ::close(fd);
  }
}

DirSearch::~DirSearch() = default;

bool DirSearch::Next(FindEntry& entry) {
  while (impl_->next < impl_->planned.size()) {
    const FindEntry& e = impl_->planned[impl_->next++];
    if (MatchesMask(e.name, impl_->mask) && InAttributeSet(e, impl_->attributeSet)) {
      entry = e;
      return true;
    }
  }
  if (!impl_->dir) return false;
  for (;;) {
    errno = 0;
    const dirent* d = ::readdir(impl_->dir);
    if (!d) {
      if (errno != 0) error_ = errno;
      return false;
    }
    const char* name = d->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    if (!MatchesMask(name, impl_->mask)) continue;
    if (!posix::EntryFromListing(::dirfd(impl_->dir), d, entry)) continue;  // vanished
    if (InAttributeSet(entry, impl_->attributeSet)) return true;
  }
}

}  // namespace tandrel::platform
