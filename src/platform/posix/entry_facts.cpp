#include "platform/entry_facts.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/at_ops.h"

namespace tandrel::platform {
namespace {

// The part of a stat buffer that the facts keep, put back for the rules
// that read it.
struct stat StatOf(const EntryFacts& facts) {
  struct stat st {};
  st.st_mode = facts.mode;
  st.st_mtim.tv_sec = facts.mtime;
  st.st_mtim.tv_nsec = facts.mtimeNsec;
  st.st_size = facts.size;
  return st;
}

}  // namespace

EntryFacts LookAt(const DirHandle& dir, const std::string& name) {
  EntryFacts facts;
  struct stat st;
  if (::fstatat(dir.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    facts.error = errno;
    return facts;
  }
  facts.error = 0;
  facts.isDirectory = S_ISDIR(st.st_mode);
  facts.mode = st.st_mode;
  facts.mtime = st.st_mtim.tv_sec;
  facts.mtimeNsec = st.st_mtim.tv_nsec;
  facts.size = st.st_size;
  return facts;
}

int64_t AgeOf(const EntryFacts& facts) { return facts.exists() ? posix::AgeFromStat(StatOf(facts)) : -1; }

uint32_t AttributesOf(const DirHandle& dir, const std::string& name, const EntryFacts& facts) {
  return facts.exists() ? posix::AttributesFromStat(dir.fd(), name, StatOf(facts)) : kInvalidAttributes;
}

bool InAttributeSet(const FindEntry& entry, uint32_t attributeSet) {
  const uint32_t kinds = (entry.isHidden ? attr::Hidden : 0) | (entry.isSystem ? attr::System : 0) |
                         (entry.isDirectory ? attr::Directory : 0);
  return kinds == 0 || (kinds & attributeSet) != 0;
}

}  // namespace tandrel::platform
