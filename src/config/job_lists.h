#pragma once
// The two job lists and the job record, as the run and the jobs dialog use
// them. A list is a section whose keys "0", "1", ... hold job names; it ends at
// the first key that reads as kMissing. Through a IniFile every operation
// reads and writes the file key by key, so what another access object wrote
// in between is seen; a run reads its IniSnapshot instead.
// `count` is the caller's number of entries (the dialog's list box), as the
// list operations are defined on it rather than on a fresh read.

#include <functional>
#include <string>
#include <vector>

#include "config/ini_file.h"

namespace tandrel {

inline constexpr char kActiveJobs[] = "Active Jobs";
inline constexpr char kNonActiveJobs[] = "NonActive Jobs";
// The default passed where a missing key must be told from an empty one; a
// value that is literally this text counts as missing.
inline constexpr char kMissing[] = "_error_";

// The names of the list, from key "0" up to the first missing one.
std::vector<std::string> ReadJobList(const IniReader& ini, const std::string& list);

// The position of `name` among keys 0..count-1 (exact, case-sensitive), or -1.
int FindInList(const IniFile& ini, const std::string& list, int count, const std::string& name);

// Writes `name` as entry `count`, the new last entry.
void AppendToList(IniFile& ini, const std::string& list, int count, const std::string& name);

// Removes entry `position`; the later entries move down by one.
void RemoveFromList(IniFile& ini, const std::string& list, int count, int position);

// Swaps the entries at positions `a` and `b`.
void ExchangeInList(IniFile& ini, const std::string& list, int a, int b);

// Moves the entry at `position` of list `from` to the end of list `to`; the
// job's section is not touched.
void MoveJob(IniFile& ini, const std::string& from, int fromCount, int position, const std::string& to,
             int toCount);

// Erases the job's section, then removes its entry at `position` of `list`.
// `sectionErased`, when given, runs between the two, so what it does stands
// even when removing the entry fails.
void DeleteJob(IniFile& ini, const std::string& list, int count, int position, const std::string& name,
               const std::function<void()>& sectionErased = {});

// The keys of a job's section.
namespace jobkey {
inline constexpr char Source[] = "Source";
inline constexpr char Destination[] = "Destination";
inline constexpr char FileMask[] = "FileMask";
inline constexpr char Always[] = "Always";
inline constexpr char HandleAsServer[] = "Handle As Server";
inline constexpr char HandleAsClient[] = "Handle As Client";
inline constexpr char IncludeSubDirs[] = "Include SubDirs";
inline constexpr char DeleteEmptySubDirs[] = "Delete Empty SubDirs";
inline constexpr char CleanupDestination[] = "Cleanup Destination";
inline constexpr char Verify[] = "Verify";
}  // namespace jobkey
// The file mask of a job that names none: every file.
inline constexpr char kAllFiles[] = "*.*";

struct JobRecord {
  std::string name;  // the section's name
  std::string source;
  std::string destination;
  std::string fileMask = kAllFiles;
  bool always = false;
  bool handleAsServer = false;
  bool handleAsClient = false;
  bool includeSubDirs = false;
  bool deleteEmptySubDirs = false;
  bool cleanupDestination = false;
  bool verify = false;

  bool operator==(const JobRecord&) const = default;
};

// Reads the job's section; Source and Destination default to kMissing,
// FileMask to kAllFiles, the switches to false.
JobRecord ReadJob(const IniReader& ini, const std::string& name);

// Writes the ten keys of the record into its section, in the dialog's order,
// leaving any other keys of the section in place.
void WriteJob(IniFile& ini, const JobRecord& job);

}  // namespace tandrel
