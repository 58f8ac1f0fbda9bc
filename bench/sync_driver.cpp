// Performs one headless run on a program folder, as "/SYNC" would without a
// window: the configuration beside `program` decides the jobs. Prints the
// elapsed time, the peak resident memory and the number of log lines.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "engine/main_base.h"
#include "platform/platform.h"

namespace {

// Counts the log area's lines instead of keeping them, so that the memory
// figure shows the engine alone.
class CountingMain : public tandrel::TfMainBase {
 public:
  using TfMainBase::TfMainBase;
  void MemoClear() override { lines_ = 0; }
  int MemoCount() const override { return lines_; }
  void MemoAdd(const std::string&) override { ++lines_; }

 private:
  int lines_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PROGRAM-PATH   (uses PROGRAM-PATH.cfg and its Log/ folder)\n", argv[0]);
    return 2;
  }
  tandrel::platform::InitLocale();
  CountingMain main(argv[1]);
  main.LoadGeneralSettings();
  const auto start = std::chrono::steady_clock::now();
  main.RunJobs();
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("run_ms=%.1f peak_rss_kb=%ld log_lines=%d\n", ms, usage.ru_maxrss, main.MemoCount());
  return 0;
}
