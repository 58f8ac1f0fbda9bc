#pragma once
// A run that changes nothing: every active job decided as an unattended run
// decides it, over the platform layer's preview, with every file line shown.

#include <string>

#include "engine/main_base.h"

namespace tandrel {

// Runs every active job of `main`'s configuration as a preview. Its lines
// reach `main`'s log area hooks exactly as a run with extended logging writes
// them; no log file is written and nothing on disk changes. Returns what the
// run would most likely return, and main.Counts holds what it would change.
// The settings of `main` are as before afterwards.
RunResult PreviewJobs(TfMainBase& main);

// The closing line of a preview.
std::string PreviewSummary(const RunCounts& counts);

}  // namespace tandrel
