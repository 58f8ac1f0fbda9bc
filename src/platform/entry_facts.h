#pragma once
// One look at an entry of an open folder, kept: the several questions a pass
// asks about one entry (its age, its kind, its attributes) are then answered
// from that one look. Links are never followed.

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tandrel::platform {

struct EntryFacts {
  int error = kErrNotFound;  // 0, or why the entry could not be examined
  bool isDirectory = false;  // a real directory
  uint32_t mode = 0;
  int64_t mtime = 0;  // seconds
  int64_t mtimeNsec = 0;
  int64_t size = 0;
  bool exists() const { return error == 0; }
};

// Looks at `name` in the valid folder `dir`: one system call.
EntryFacts LookAt(const DirHandle& dir, const std::string& name);
// What DirHandle::FileAge and DirHandle::GetAttributes answer for the entry
// `name` of `dir` that `facts` describe; for a regular file the archive mark
// is still read.
int64_t AgeOf(const EntryFacts& facts);
uint32_t AttributesOf(const DirHandle& dir, const std::string& name, const EntryFacts& facts);

// Whether a search for `attributeSet` returns `entry`: when it is neither
// hidden, system nor directory, or when one of those it is lies in the set.
bool InAttributeSet(const FindEntry& entry, uint32_t attributeSet);

}  // namespace tandrel::platform
