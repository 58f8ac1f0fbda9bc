#include "support/file_names.h"

#include <filesystem>

namespace tandrel {

std::string WithExtension(const std::string& path, std::string_view extension) {
  constexpr char kSeparators[] = {'/', static_cast<char>(std::filesystem::path::preferred_separator), '\0'};
  const size_t slash = path.find_last_of(kSeparators);
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  const size_t stem = dot != std::string::npos && dot > nameStart ? dot : path.size();
  return path.substr(0, stem).append(extension);
}

}  // namespace tandrel
