#pragma once
// What a look at an entry of a folder tells: its attributes, identity,
// size and times, the age a run compares, and which names a pass takes.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "platform/error_codes.h"

namespace tandrel::platform {

// Attribute bits, with the values the Windows API gives them.
namespace attr {
constexpr uint32_t ReadOnly = 0x01;
constexpr uint32_t Hidden = 0x02;
constexpr uint32_t System = 0x04;
constexpr uint32_t Directory = 0x10;
constexpr uint32_t Archive = 0x20;
constexpr uint32_t All = ReadOnly | Hidden | System | Directory | Archive;
}  // namespace attr
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// ---- Entries ------------------------------------------------------------

// One look at an entry of a folder; links are never followed.
struct EntryFacts {
  int error = kErrNotFound;  // 0, or why the entry could not be examined
  bool isDirectory = false;  // a real directory, not a link to one
  bool isRegular = false;    // a regular file; anything else is "system"
  // Every attribute bit but Archive, which only archiveKnown makes certain:
  // a platform whose archive state takes a look of its own leaves it to
  // DirHandle::AttributesOf.
  uint32_t attributes = 0;
  bool archiveKnown = false;
  int64_t age = -1;  // a regular file's age (AgeOfTime); -1 otherwise
  int64_t size = 0;
  int64_t writeTime = 0;  // last write, seconds since 1970
  int32_t writeTimeNsec = 0;
  uint64_t device = 0, inode = 0;  // identity
  bool exists() const { return error == 0; }
};

// The size and last-write time a copy took from its source when it opened it.
struct CopiedState {
  int64_t size = 0;
  int64_t writeTime = 0;
  int32_t writeTimeNsec = 0;
  // Whether a look at the source finds it still so.
  bool Describes(const EntryFacts& facts) const {
    return facts.exists() && facts.size == size && facts.writeTime == writeTime &&
           facts.writeTimeNsec == writeTimeNsec;
  }
};

// Whether two looks show one entry in one state: the same file (identity
// and kind) with the same size, last-write time and read-only, hidden and
// system attributes. What a run replaces or deletes must still be in the
// state its decision looked at.
bool SameEntryState(const EntryFacts& a, const EntryFacts& b);

struct FindEntry {
  std::string name;
  bool isDirectory = false;  // a real directory, not a link to one
  bool isSystem = false;     // neither a regular file nor a directory
  bool isHidden = false;     // name begins with "."
  // What the listing itself told of the entry, on a platform whose listing
  // gives age, attributes and identity without a look of its own.
  std::optional<EntryFacts> facts;
};

// Whether a name is hidden: it begins with "." (every pass skips those).
bool IsHiddenName(const std::string& name);
// Whether a search for `attributeSet` returns `entry`: when it is neither
// hidden, system nor directory, or when one of those it is lies in the set.
bool InAttributeSet(const FindEntry& entry, uint32_t attributeSet);
// Case-insensitive (ASCII) wildcard match: "*" any run, "?" one character;
// "*.*" and "*" match every name.
bool MatchesMask(const std::string& name, const std::string& mask);

// ---- Ages -----------------------------------------------------------------

// Last-write time as a run compares it: the local time (by the UTC offset
// in force now) in seconds, in the 2-second steps of a DOS date-time, but
// whatever the year. -1 when an entry is missing or is no regular file (a
// directory, a link, a device); a real age is even, so it is never -1.
// Compare ages with AgeIsNewer.
bool AgeIsNewer(int64_t age, int64_t than);
// The age of a file last written at `t`.
int64_t AgeOfTime(std::time_t t);
// The offset of local time from UTC in force now, in seconds; every age is
// shifted by this one offset, so that ages keep the order of the real times
// across a clock change.
long UtcOffsetNow();

}  // namespace tandrel::platform
