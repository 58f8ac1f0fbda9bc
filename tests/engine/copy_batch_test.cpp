#include "engine/copy_batch.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

using test::Exists;
using test::MakeDir;
using test::ReadFile;
using test::ScopedTempDir;
using test::WriteFile;

// Takes the batch's steps in their turn, as the run's log does.
struct Recorder : CopyBatch::Sink {
  explicit Recorder(const ScopedTempDir& dir) : dir(dir) {}
  void CopyEnded(const CopyOutcome& outcome, AfterCopy& after) override {
    EXPECT_EQ(outcome.code, 0);
    EXPECT_FALSE(outcome.differs);
    EXPECT_EQ(ReadFile(dir / ("dst/" + after.name)), "content " + after.name) << "stands under its name";
    order.push_back("copied " + after.name);
  }
  void LineDue(const HeldLine& line) override { order.push_back(line.text); }
  const ScopedTempDir& dir;
  std::vector<std::string> order;
};

// Batches of three follow each other, flushed here or on a thread of their
// own. Whatever their flushes overlap, each copy's step comes only once it
// stands under its name (compared with its source first), and every step
// comes out in the order the walk gave.
TEST(CopyBatchTest, BatchesInTurnKeepTheWalksOrder) {
  for (const bool background : {false, true}) {
    SCOPED_TRACE(background ? "flushed on a thread" : "flushed in place");
    ScopedTempDir dir;
    MakeDir(dir / "src");
    MakeDir(dir / "dst");
    const auto source = std::make_shared<platform::DirHandle>(dir / "src");
    const platform::DirHandle dest(dir / "dst");
    Recorder recorder(dir);
    CopyBatch batch(recorder, 3);
    batch.FlushInBackground(background);
    std::vector<std::string> expected;
    for (int i = 0; i < 10; ++i) {
      const std::string name = "f" + std::to_string(i);
      WriteFile(dir / ("src/" + name), "content " + name);
      int error = -1;
      platform::PendingCopy copy = platform::PrepareCopy(*source, name, dest, name, false, {}, error);
      ASSERT_EQ(error, 0);
      AfterCopy after;
      after.source = source;
      after.name = name;
      after.compare = i % 2 == 0;
      batch.Add(std::move(copy), std::move(after));
      batch.Hold({"after " + name, false, nullptr});
      expected.insert(expected.end(), {"copied " + name, "after " + name});
    }
    EXPECT_TRUE(Exists(dir / "dst/f0")) << "a full batch moves on by itself";
    EXPECT_FALSE(Exists(dir / "dst/f9")) << "named before its flush";
    batch.Complete();
    EXPECT_FALSE(batch.Waiting());
    EXPECT_EQ(recorder.order, expected);
    batch.Hold({"last", false, nullptr});
    EXPECT_EQ(recorder.order.back(), "last") << "nothing waits: given at once";
  }
}

}  // namespace
}  // namespace tandrel
