#include "program/preview_command.h"

#include <cstdio>
#include <exception>

#include "engine/preview_summary.h"
#include "engine/run_engine.h"
#include "platform/preview/preview_scope.h"
#include "program/exit_codes.h"
#include "program/unattended.h"
#include "support/text_lines.h"

namespace tandrel {
namespace {

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

// The run's lines go straight to standard output as they come.
class PrintedLines : public RunObserver {
 public:
  void Line(const std::string& line) override { PrintLine(line); }
};

}  // namespace

int RunPreviewCommand(const std::string& programPath) {
  try {
    // From the start: not even the folder of a per-user configuration is made.
    const platform::PreviewScope preview;
    const FileLocations locations = PreparedLocationsFor(programPath);
    PrintedLines printed;
    RunEngine engine(locations, printed);
    if (SayIfNoConfiguration(locations.configFile)) return kExitClean;
    RunSettings settings = RunSettings::From(ReadGeneralSettings(IniFile(locations.configFile)));
    settings.preview = true;
    const RunResult result = engine.RunJobs(settings);
    // A run that could not start has nothing to count: its one line is all.
    if (RanJobs(result)) PrintLine(PreviewSummary(engine.Counts()));
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    // An error of the start-up, as for "/SYNC"; its line follows the printed ones.
    if (ExitCodeOf(result) == kExitStartUpError) EchoToStandardError(engine.StartError());
    return written ? ExitCodeOf(result) : kExitStartUpError;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "The preview ended early: %s\n", SafeLineText(e.what()).c_str());
  } catch (...) {
    std::fprintf(stderr, "The preview ended early\n");
  }
  return kExitStartUpError;
}

}  // namespace tandrel
