#include "engine/preview_summary.h"

namespace tandrel {

std::string PreviewSummary(const RunCounts& counts) {
  return "Preview: " + std::to_string(counts.copied) + " files would be copied, " +
         std::to_string(counts.sourceDeleted) + " source files deleted, " +
         std::to_string(counts.destinationDeleted) + " destination files deleted, " +
         std::to_string(counts.foldersRemoved) + " folders removed";
}

}  // namespace tandrel
