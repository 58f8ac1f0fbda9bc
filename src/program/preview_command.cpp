#include "program/preview_command.h"

#include <cstdio>
#include <exception>

#include "engine/main_base.h"
#include "engine/preview_run.h"
#include "platform/platform.h"
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
class PrintingMain : public TfMainBase {
 public:
  using TfMainBase::TfMainBase;
  void MemoClear() override {}
  int MemoCount() const override { return 0; }
  void MemoAdd(const std::string& line) override { PrintLine(line); }
  void MemoReplaceAll(const std::vector<std::string>& lines) override {
    for (const auto& line : lines) PrintLine(line);
  }
};

}  // namespace

int RunPreviewCommand(const std::string& programPath) {
  try {
    // From the start: not even the folder of a per-user configuration is made.
    const platform::PreviewScope preview;
    PrintingMain main(programPath);
    if (SayIfNoConfiguration(main.ConfigPath())) return kExitClean;
    main.LoadGeneralSettings();
    const RunResult result = PreviewJobs(main);
    // A run that could not start has nothing to count: its one line is all.
    if (RanJobs(result)) PrintLine(PreviewSummary(main.Counts));
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    // An error of the start-up, as for "/SYNC"; its line follows the printed ones.
    if (result == RunResult::Unreadable) EchoToStandardError(main.ConfigurationError());
    return written ? ExitCodeOf(result) : kExitStartUpError;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "The preview ended early: %s\n", SafeLineText(e.what()).c_str());
  } catch (...) {
    std::fprintf(stderr, "The preview ended early\n");
  }
  return kExitStartUpError;
}

}  // namespace tandrel
