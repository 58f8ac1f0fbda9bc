#pragma once
// A program folder in a temporary directory with a source and a destination
// tree, a configuration file written as text, and a run engine whose clock
// stands still.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/run_engine.h"
#include "platform/entries.h"
#include "platform/folders.h"
#include "testsupport/temp_dir.h"

namespace tandrel::test {

// Keeps the lines of a run (each run starts afresh, after a separating
// empty line when AppendLog is on, as the log area shows them) and its
// failures; runs `hook` once, after the first line that satisfies `when`: a
// way to change the trees in the middle of a run.
class KeptLines : public RunObserver {
 public:
  bool append = false;
  std::vector<std::string> lines;
  std::vector<std::string> failures;
  std::function<bool(const std::string&)> when;
  std::function<void()> hook;
  void RunBegins() override {
    if (!append) lines.clear();
    if (!lines.empty()) lines.push_back("");
  }
  void Line(const std::string& line) override {
    lines.push_back(line);
    if (hook && when && when(line)) {
      auto h = std::move(hook);
      hook = nullptr;
      h();
    }
  }
  void Failure(const std::string& text) override { failures.push_back(text); }
};

class EngineFixture : public ::testing::Test {
 protected:
  EngineFixture() {
    MakeDir(dir_ / "prog");
    MakeDir(src_);
    MakeDir(dst_);
    engine_.SetClock([this] { return now_; });
  }

  // One run with settings_; the lines stay in lines_.
  RunResult Run() {
    lines_.append = settings_.appendLog;
    lines_.failures.clear();
    return engine_.RunJobs(settings_);
  }
  // The same as a preview: nothing changes on disk.
  RunResult Preview() {
    RunSettings settings = settings_;
    settings.preview = true;
    lines_.append = settings.appendLog;
    lines_.failures.clear();
    return engine_.RunJobs(settings);
  }
  const std::string& ConfigPath() const { return engine_.Locations().configFile; }
  const std::string& LogFolder() const { return engine_.Locations().logFolder; }

  // Writes the configuration: one active job "J" from src_ to dst_ with the
  // given extra key lines (each "Key=Value").
  void OneJob(const std::vector<std::string>& keys, const std::string& mask = "*.*") {
    std::string text = "[Active Jobs]\r\n0=J\r\n\r\n[J]\r\nSource=" + src_ + "\r\nDestination=" + dst_ +
                       "\r\nFileMask=" + mask + "\r\n";
    for (const auto& k : keys) text += k + "\r\n";
    WriteFile(ConfigPath(), text);
  }

  // The lines of the last run after the start line.
  std::vector<std::string> RunLines() {
    Run();
    const auto& memo = lines_.lines;
    EXPECT_FALSE(memo.empty());
    return std::vector<std::string>(memo.begin() + 1, memo.end());
  }

  // Fills a folder outside both trees, where a followed link would lead: a
  // file whose archive bit is clear (a client would delete it), a subfolder
  // and a file named like a source file. Returns its snapshot.
  std::map<std::string, std::string> MakeOutsideFolder() {
    WriteFile(outside_ + "/precious.txt", "precious");
    WriteFile(outside_ + "/precious_dir/inner.txt", "inner");
    WriteFile(outside_ + "/a.txt", "not the source's a.txt");
    const std::string p = outside_ + "/precious.txt";
    EXPECT_EQ(platform::SetAttributes(p, platform::GetAttributes(p) & ~platform::attr::Archive), 0);
    return Snapshot(outside_);
  }

  ScopedTempDir dir_;
  std::string outside_ = dir_ / "elsewhere";
  std::string src_ = dir_ / "S";
  std::string dst_ = dir_ / "D";
  std::time_t now_ = LocalTime(2026, 12, 6, 23, 5, 30);
  std::string program_ = dir_ / "prog/tandrel";
  RunSettings settings_;
  KeptLines lines_;
  RunEngine engine_{LocationsFor(program_), lines_};
};

}  // namespace tandrel::test
