#pragma once
// What the About window says, the same in every front end: the version
// line, the maker's copyright line and home page.

#include <cstdio>
#include <string>

namespace tandrel::ui {

inline constexpr char kHomePage[] = "https://www.kolvane.example/tandrel";
inline constexpr char kCopyRight[] = "Copyright \u00a9 2026 Kolvane";

// "Tandrel version 1.2.3.4" for a file version of four 16-bit numbers.
inline std::string VersionLine(int major, int minor, int release, int build) {
  char line[64];
  std::snprintf(line, sizeof line, "Tandrel version %d.%d.%d.%d", major, minor, release, build);
  return line;
}

}  // namespace tandrel::ui
