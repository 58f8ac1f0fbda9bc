// Reads a 1,000-job configuration key by key, as a run does, through one
// IniFile, and compares that with one full parse of the same file. The
// reads should cost little more than a stat per key.

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "config/ini_document.h"
#include "config/ini_file.h"
#include "config/job_lists.h"
#include "platform/files.h"

namespace {

constexpr int kJobs = 1000;
const char* const kSwitches[] = {"Always",          "Handle As Server",     "Handle As Client",
                                 "Include SubDirs", "Delete Empty SubDirs", "Cleanup Destination",
                                 "Verify"};

std::string BuildConfiguration() {
  std::string text = "[Active Jobs]\r\n";
  for (int i = 0; i < kJobs; ++i) text += std::to_string(i) + "=Job number " + std::to_string(i) + "\r\n";
  for (int i = 0; i < kJobs; ++i) {
    const std::string n = std::to_string(i);
    text += "\r\n[Job number " + n + "]\r\n";
    text += "Source=/home/user/data/folder " + n + "\r\n";
    text += "Destination=/mnt/backup/data/folder " + n + "\r\n";
    text += "FileMask=*.*\r\n";
    for (const char* key : kSwitches) text += std::string(key) + "=" + (i % 2 ? "1" : "0") + "\r\n";
  }
  return text;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  const char* base = std::getenv("TMPDIR");
  std::string dir = std::string(base && *base ? base : "/tmp") + "/tandrel-ini-bench-XXXXXX";
  if (!mkdtemp(dir.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string path = dir + "/tandrel.cfg";
  const std::string text = BuildConfiguration();
  if (tandrel::platform::WriteFileAtomic(path, text) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }

  const auto readStart = std::chrono::steady_clock::now();
  const tandrel::IniFile ini(path);
  int reads = 0, jobs = 0, switchesOn = 0;
  for (int i = 0;; ++i) {
    const std::string name = ini.ReadString(tandrel::kActiveJobs, std::to_string(i), tandrel::kMissing);
    ++reads;
    if (name == tandrel::kMissing) break;
    ++jobs;
    const std::string source = ini.ReadString(name, "Source", tandrel::kMissing);
    const std::string destination = ini.ReadString(name, "Destination", tandrel::kMissing);
    reads += 2;
    for (const char* key : kSwitches) switchesOn += ini.ReadBool(name, key, false);
    reads += 7;
    const std::string mask = ini.ReadString(name, "FileMask", "*.*");
    ++reads;
    if (source == tandrel::kMissing || destination == tandrel::kMissing || mask.empty()) return 1;
  }
  const double readMs = MillisecondsSince(readStart);

  const auto parseStart = std::chrono::steady_clock::now();
  const tandrel::IniDocument parsed(text);
  const double parseMs = MillisecondsSince(parseStart);

  std::printf("file: %zu bytes, %zu lines, %d jobs (%d switches on)\n", text.size(), parsed.LineCount(), jobs,
              switchesOn);
  std::printf("%d reads through one IniFile: %.2f ms (%.2f us per read)\n", reads, readMs,
              readMs * 1000.0 / reads);
  std::printf("one full parse: %.2f ms\n", parseMs);
  std::printf("reads / one parse: %.1f\n", readMs / parseMs);

  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return jobs == kJobs ? 0 : 1;
}
