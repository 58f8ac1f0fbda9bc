#include "platform/posix/file_system_kind.h"

#include <sys/vfs.h>

#include <algorithm>
#include <array>

namespace tandrel::platform::posix {
namespace {

// Magic numbers of statfs(2).
constexpr unsigned long kExt = 0xEF53;  // ext2, ext3, ext4
constexpr unsigned long kXfs = 0x58465342;
constexpr unsigned long kBtrfs = 0x9123683E;
constexpr unsigned long kTmpfs = 0x01021994;
constexpr unsigned long kF2fs = 0xF2F52010;
constexpr unsigned long kFat = 0x4d44;
constexpr unsigned long kExfat = 0x2011BAB0;  // the kernel's own driver
constexpr unsigned long kNtfs3 = 0x7366746e;
constexpr unsigned long kJfs = 0x3153464a;
constexpr unsigned long kReiserfs = 0x52654973;

// 0 where the kind cannot be told: then nothing is promised.
unsigned long KindOf(int fd) {
  struct statfs fs;
  return ::fstatfs(fd, &fs) == 0 ? static_cast<unsigned long>(fs.f_type) : 0;
}

template <size_t N>
bool OneOf(unsigned long kind, const std::array<unsigned long, N>& kinds) {
  return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

}  // namespace

bool FlushedAsAWhole(int fd) {
  constexpr std::array kinds{kExt, kXfs, kBtrfs, kTmpfs, kF2fs, kFat, kExfat, kNtfs3, kJfs, kReiserfs};
  return OneOf(KindOf(fd), kinds);
}

bool ChangeTimesTell(int fd) {
  constexpr std::array kinds{kExt, kXfs, kBtrfs, kTmpfs};
  return OneOf(KindOf(fd), kinds);
}

}  // namespace tandrel::platform::posix
