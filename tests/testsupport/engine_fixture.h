#pragma once
// A program folder in a temporary directory with a source and a destination
// tree, a configuration file written as text, and a main-window base whose
// clock stands still.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/main_base.h"
#include "platform/platform.h"
#include "testsupport/temp_dir.h"

namespace tandrel::test {

// A main-window base that runs `hook` once, after the first log line that
// satisfies `when`: a way to change the trees in the middle of a run.
class HookedMain : public TfMainBase {
 public:
  using TfMainBase::TfMainBase;
  std::function<bool(const std::string&)> when;
  std::function<void()> hook;
  void MemoAdd(const std::string& line) override {
    TfMainBase::MemoAdd(line);
    if (hook && when && when(line)) {
      auto h = std::move(hook);
      hook = nullptr;
      h();
    }
  }
};

class EngineFixture : public ::testing::Test {
 protected:
  EngineFixture() : main_(dir_ / "prog/tandrel") {
    MakeDir(dir_ / "prog");
    MakeDir(src_);
    MakeDir(dst_);
    main_.SetClock([this] { return now_; });
  }

  // Writes the configuration: one active job "J" from src_ to dst_ with the
  // given extra key lines (each "Key=Value").
  void OneJob(const std::vector<std::string>& keys, const std::string& mask = "*.*") {
    std::string text = "[Active Jobs]\r\n0=J\r\n\r\n[J]\r\nSource=" + src_ + "\r\nDestination=" + dst_ +
                       "\r\nFileMask=" + mask + "\r\n";
    for (const auto& k : keys) text += k + "\r\n";
    WriteFile(main_.ConfigPath(), text);
  }

  // The lines of the last run after the start line.
  std::vector<std::string> RunLines() {
    main_.RunJobs();
    const auto& memo = main_.MemoLines();
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
  TfMainBase main_;
};

}  // namespace tandrel::test
