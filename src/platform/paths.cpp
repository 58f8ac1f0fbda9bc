#include "platform/paths.h"

#include <cctype>

namespace tandrel::platform {
namespace {

bool SameText(char a, char b) {
  if (!kPathsIgnoreCase) return a == b;
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// The length of `path` without trailing separators, a root kept whole.
size_t TrimmedLength(const std::string& path) {
  size_t n = path.size();
  while (n > 1 && IsSeparator(path[n - 1]) && path[n - 2] != ':') --n;
  return n;
}

}  // namespace

bool IsSeparator(char c) { return c == kPathSeparator || c == '/'; }

std::string WithTrailingSeparator(const std::string& path) {
  return !path.empty() && IsSeparator(path.back()) ? path : path + kPathSeparator;
}

std::string WithoutTrailingSeparator(std::string path) {
  if (path.size() > 1 && IsSeparator(path.back()) && path[path.size() - 2] != ':') path.pop_back();
  return path;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : WithTrailingSeparator(folder) + name;
}

std::string LastComponent(const std::string& path) {
  const size_t end = TrimmedLength(path);
  size_t start = end;
  while (start > 0 && !IsSeparator(path[start - 1])) --start;
  return path.substr(start, end - start);
}

std::string ParentFolder(const std::string& path) {
  size_t start = TrimmedLength(path);
  while (start > 0 && !IsSeparator(path[start - 1])) --start;
  return path.substr(0, start);
}

bool PathInside(const std::string& inner, const std::string& outer) {
  const size_t n = TrimmedLength(outer);
  const bool outerIsRoot = n > 0 && IsSeparator(outer[n - 1]);
  if (inner.size() <= n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (!SameText(inner[i], outer[i]) && !(IsSeparator(inner[i]) && IsSeparator(outer[i]))) return false;
  }
  return outerIsRoot || IsSeparator(inner[n]);
}

}  // namespace tandrel::platform
