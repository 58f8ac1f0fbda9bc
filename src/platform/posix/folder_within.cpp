#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/at_ops.h"
#include "platform/posix/unique_fd.h"

namespace tandrel::platform {
namespace {

using posix::UniqueFd;

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `outer` is `inner` or one of the folders above it, climbing by
// "..", so that no name on the way is read again as text.
bool HasAncestor(const std::string& inner, const struct stat& outer) {
  UniqueFd folder(::open(inner.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct stat st;
  if (!folder.valid() || ::fstat(folder.get(), &st) != 0) return false;
  for (int depth = 0; depth < 4096; ++depth) {
    if (SameFile(st, outer)) return true;
    UniqueFd up(::openat(folder.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat upSt;
    if (!up.valid() || ::fstat(up.get(), &upSt) != 0 || SameFile(upSt, st)) return false;  // the root
    folder = std::move(up);
    st = upSt;
  }
  return false;
}

std::string ReadMountTable() {
  std::string text;
  UniqueFd fd(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return text;
  char buffer[16384];
  for (ssize_t n; (n = ::read(fd.get(), buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  return text;
}

// The table writes blanks, tabs, line feeds and backslashes in paths as
// three octal digits after a backslash.
std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      out += static_cast<char>(std::strtol(field.substr(i + 1, 3).c_str(), nullptr, 8));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

bool AtOrBelow(const std::string& inner, const std::string& outer) {
  if (outer == "/") return true;
  return inner.compare(0, outer.size(), outer) == 0 &&
         (inner.size() == outer.size() || inner[outer.size()] == '/');
}

// Where the resolved path lies in its file system: the device of the mount
// that holds it and the path from that file system's own root. A bind mount
// or a second mount of the same file system gives the same answer as the
// folder it shows.
bool PlaceInFileSystem(const std::string& resolved, const std::string& table, std::string& device,
                       std::string& place) {
  std::string bestPoint, bestRoot;
  bool found = false;
  for (size_t pos = 0; pos < table.size();) {
    size_t end = table.find('\n', pos);
    if (end == std::string::npos) end = table.size();
    std::vector<std::string> fields;
    for (size_t f = pos; f < end && fields.size() < 5;) {
      size_t blank = table.find(' ', f);
      if (blank == std::string::npos || blank > end) blank = end;
      fields.push_back(table.substr(f, blank - f));
      f = blank + 1;
    }
    pos = end + 1;
    if (fields.size() < 5) continue;
    const std::string point = Unescape(fields[4]);
    // The deepest mount point wins; of two at one place, the later one,
    // which covers the earlier.
    if (AtOrBelow(resolved, point) && (!found || point.size() >= bestPoint.size())) {
      found = true;
      bestPoint = point;
      bestRoot = Unescape(fields[3]);
      device = fields[2];
    }
  }
  if (!found) return false;
  const std::string rest = bestPoint == "/" ? resolved : resolved.substr(bestPoint.size());
  place = bestRoot == "/" ? rest : bestRoot + rest;
  if (place.empty()) place.push_back('/');
  return true;
}

}  // namespace

bool posix::FolderWithinAt(const std::string& inner, const std::string& outer) {
  struct stat outerSt;
  if (::stat(outer.c_str(), &outerSt) != 0) return false;
  if (HasAncestor(inner, outerSt)) return true;

  char* innerReal = ::realpath(inner.c_str(), nullptr);
  char* outerReal = ::realpath(outer.c_str(), nullptr);
  const std::string innerPath = innerReal ? innerReal : "";
  const std::string outerPath = outerReal ? outerReal : "";
  std::free(innerReal);
  std::free(outerReal);
  if (innerPath.empty() || outerPath.empty()) return false;
  const std::string table = ReadMountTable();
  std::string innerDevice, innerPlace, outerDevice, outerPlace;
  return PlaceInFileSystem(innerPath, table, innerDevice, innerPlace) &&
         PlaceInFileSystem(outerPath, table, outerDevice, outerPlace) && innerDevice == outerDevice &&
         AtOrBelow(innerPlace, outerPlace);
}

}  // namespace tandrel::platform
