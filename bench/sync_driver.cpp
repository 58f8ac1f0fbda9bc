// Performs one headless run on a program folder, as "/SYNC" would without a
// window: the configuration beside `program` decides the jobs. Prints the
// elapsed time, the peak resident memory and the number of log lines.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "config/ini_file.h"
#include "engine/run_engine.h"
#include "platform/process.h"

namespace {

// Counts the run's lines instead of keeping them, so that the memory figure
// shows the engine alone.
class CountedLines : public tandrel::RunObserver {
 public:
  void Line(const std::string&) override { ++lines; }
  int lines = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PROGRAM-PATH   (uses PROGRAM-PATH.cfg and its Log/ folder)\n", argv[0]);
    return 2;
  }
  tandrel::platform::InitLocale();
  CountedLines counted;
  const tandrel::FileLocations locations = tandrel::LocationsFor(argv[1]);
  tandrel::RunEngine engine(locations, counted);
  const auto settings =
      tandrel::RunSettings::From(tandrel::ReadGeneralSettings(tandrel::IniFile(locations.configFile)));
  const auto start = std::chrono::steady_clock::now();
  engine.RunJobs(settings);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("run_ms=%.1f peak_rss_kb=%ld log_lines=%d\n", ms, usage.ru_maxrss, counted.lines);
  return 0;
}
