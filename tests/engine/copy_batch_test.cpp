#include "engine/copy_batch.h"

#include <gtest/gtest.h>

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

// Batches of three follow each other, flushed here or on a thread of their
// own. Whatever their flushes overlap, each copy's step runs only once it
// stands under its name, and every step, held line or one a step reports
// on its own, comes out in the order the walk gave.
TEST(CopyBatchTest, BatchesInTurnKeepTheWalksOrder) {
  for (const bool background : {false, true}) {
    SCOPED_TRACE(background ? "flushed on a thread" : "flushed in place");
    ScopedTempDir dir;
    MakeDir(dir / "src");
    MakeDir(dir / "dst");
    const platform::DirHandle source(dir / "src");
    const platform::DirHandle dest(dir / "dst");
    CopyBatch batch(3);
    batch.FlushInBackground(background);
    std::vector<std::string> order;
    // As the run's log does: a line waits while copies do.
    const auto line = [&](const std::string& text) {
      if (batch.Waiting()) {
        batch.Then([&order, text] { order.push_back(text); });
      } else {
        order.push_back(text);
      }
    };
    std::vector<std::string> expected;
    for (int i = 0; i < 10; ++i) {
      const std::string name = "f" + std::to_string(i);
      WriteFile(dir / ("src/" + name), "content " + name);
      int error = -1;
      platform::PendingCopy copy = platform::PrepareCopy(source, name, dest, name, false, {}, error);
      ASSERT_EQ(error, 0);
      batch.Add(std::move(copy), {}, [&, name](const CopyBatch::Outcome& outcome) {
        EXPECT_EQ(outcome.code, 0);
        EXPECT_EQ(ReadFile(dir / ("dst/" + name)), "content " + name);
        line("copied " + name);
      });
      line("after " + name);
      expected.insert(expected.end(), {"copied " + name, "after " + name});
    }
    EXPECT_TRUE(Exists(dir / "dst/f0")) << "a full batch moves on by itself";
    EXPECT_FALSE(Exists(dir / "dst/f9")) << "named before its flush";
    batch.Complete();
    EXPECT_FALSE(batch.Waiting());
    EXPECT_EQ(order, expected);
    line("last");
    EXPECT_EQ(order.back(), "last");
  }
}

}  // namespace
}  // namespace tandrel
