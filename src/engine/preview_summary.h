#pragma once
// What a preview says at its end.

#include <string>

#include "engine/run_context.h"

namespace tandrel {

// The closing line of a preview.
std::string PreviewSummary(const RunCounts& counts);

}  // namespace tandrel
