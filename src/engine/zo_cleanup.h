#pragma once
// Removal from the destination of what no longer exists in the source.

#include <cstdint>
#include <string>

namespace tandrel {

class TfMainBase;

class ZO_CleanUp {
 public:
  explicit ZO_CleanUp(TfMainBase& main) : main_(main) {}

  // Removes `directory` with everything below it (names beginning with "."
  // excepted), reporting each directory, innermost first. Always returns 0.
  int32_t CleanUpDir(const std::string& directory);

 private:
  TfMainBase& main_;
};

// The cleanup pass of one walked level: `sourceDir` ends in "/".
void CleanUpDestinationLevel(TfMainBase& main, const std::string& sourceDir, const std::string& mask);

}  // namespace tandrel
