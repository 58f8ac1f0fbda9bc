#pragma once
// Test helpers: a fresh temporary directory per test and small file utilities.

#include <cstdint>
#include <ctime>
#include <map>
#include <string>

namespace tandrel::test {

// Creates a unique directory under $TMPDIR (or /tmp) and removes it, with
// everything below it, when destroyed. path() ends in "/".
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + relative; }

 private:
  std::string path_;
};

// Writes a file (creating missing parent directories); a failure is recorded
// in the test, which goes on.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
void MakeDir(const std::string& path);  // with parents
bool Exists(const std::string& path);   // anything at the path, links not followed
void SetMTime(const std::string& path, std::time_t t);
std::time_t MTime(const std::string& path);
unsigned FileMode(const std::string& path);  // permission, set-id and sticky bits; 0 if missing
void MakeReadOnly(const std::string& path);
// What an open folder answers for the entry a path names.
int64_t AgeAt(const std::string& path);
bool FileAt(const std::string& path);
void MakeWritable(const std::string& path);
// Makes `link` a link to the folder `target`; false where the system cannot
// make one (Wine makes none from a Windows program).
bool MakeFolderLink(const std::string& target, const std::string& link);
// The same for a link to a file.
bool MakeFileLink(const std::string& target, const std::string& link);
// Hides a file whose name begins with "." where hidden is an attribute of
// its own (on Linux the name hides it already).
void MakeHidden(const std::string& path);
// Local time for the given calendar values.
std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second);

// Makes a temporary file in `folder` (ending in "/") as a copy does, from a
// child process that is gone when this returns: what a killed run leaves.
// Returns the file's name.
std::string LeaveStaleTemporary(const std::string& folder);

// Every entry below `root` (links not followed) by relative path, each with
// its kind, permission bits, modification time and, for a file, its content
// or, for a link, its target: two snapshots compare equal only when nothing
// below the root was created, removed or changed.
std::map<std::string, std::string> Snapshot(const std::string& root);

}  // namespace tandrel::test
