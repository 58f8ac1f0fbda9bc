// The transfer decision carried out on the disk: what is copied, what the
// line says, and which archive attributes a run clears.

#include <cctype>
#include <ostream>

#include "engine/folder_level.h"
#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using platform::attr::Archive;

// A link stands where the destination file belongs (pointing at a newer
// file outside); a read-only older copy refuses to be replaced.
enum class Dest { Missing, OlderThanSource, SameAge, Link, ReadOnlyOlder };
enum Mode : int { Plain = 0, Server = 2, Client = 4 };

struct Row {
  Dest dest;
  int mode;
  bool sourceArchive;
  const char* status;
  bool copied;
  bool sourceKept;
  bool sourceArchiveAfter;  // only looked at when the source is kept
  bool destArchiveAfter;    // only looked at when a destination file exists
  int code = 0;
};

// The rows whose decision (transfer_decision_test.cpp) must also be carried
// out on the disk: each kind of mark and deletion, a link replaced rather
// than followed, and a copy refused. The destination, where present, holds
// "old" and the source "new".
const Row kRows[] = {
    {Dest::Missing, Server, true, "File .S. N...", true, true, true, false},
    {Dest::Missing, Client, false, "File ..C .D..", false, false, false, false},
    {Dest::Missing, Server | Client, false, "File .SC ND..", true, false, false, false},
    {Dest::OlderThanSource, Client, true, "File D.C .C..", true, true, false, true},
    {Dest::SameAge, Server, true, "File .S. ....", false, true, true, false},
    {Dest::SameAge, Client, true, "File ..C ....", false, true, false, true},
    {Dest::Link, Plain, true, "File ... .C..", true, true, true, true},
    {Dest::Link, Client, false, "File ..C .C..", true, true, false, false},
    // A failed copy marks nothing as done: both archive attributes stay set.
    {Dest::ReadOnlyOlder, Client, true, "File D.C .C..", false, true, true, true, platform::kErrAccessDenied},
    {Dest::ReadOnlyOlder, Server, true, "File DS. .C..", false, true, true, true, platform::kErrAccessDenied},
};

class TransferTable : public EngineFixture, public ::testing::WithParamInterface<Row> {};

TEST_P(TransferTable, DecidesCopiesAndReports) {
  const Row& row = GetParam();
  const std::string source = platform::JoinPath(src_, "f.txt"), dest = platform::JoinPath(dst_, "f.txt");
  const std::time_t t = LocalTime(2025, 1, 1, 12, 0, 0);
  WriteFile(source, "new");
  SetMTime(source, t);
  const std::string outside = dir_ / "outside.txt";
  if (row.dest == Dest::Link) {
    WriteFile(outside, "outside");
    SetMTime(outside, t + 3600);
    if (!MakeFileLink(outside, dest)) GTEST_SKIP() << "this system makes no links here";
  } else if (row.dest != Dest::Missing) {
    WriteFile(dest, "old");
    SetMTime(dest, row.dest == Dest::SameAge ? t : t - 3600);
    if (row.dest == Dest::ReadOnlyOlder) MakeReadOnly(dest);
  }
  if (!row.sourceArchive) platform::SetAttributes(source, platform::GetAttributes(source) & ~Archive);
  MakeDir(platform::JoinPath(
      dst_, "other"));  // the server's folder is never empty here: an empty one refuses client jobs
  OneJob({std::string("Handle As Server=") + (row.mode & Server ? "1" : "0"),
          std::string("Handle As Client=") + (row.mode & Client ? "1" : "0")});
  settings_.extendedLog = true;

  const auto lines = RunLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            std::string(row.status) + " code " + std::to_string(row.code) + " " + source + " -> " + dest);
  EXPECT_EQ(lines[1],
            "Dir " + platform::WithTrailingSeparator(src_) + " - 1 files and 0 directories synchronised");

  if (row.dest != Dest::Missing || row.copied) {
    EXPECT_EQ(ReadFile(dest), row.copied ? "new" : "old");
    EXPECT_EQ(bool(platform::GetAttributes(dest) & Archive), row.destArchiveAfter);
  } else {
    EXPECT_FALSE(Exists(dest));
  }
  EXPECT_EQ(Exists(source), row.sourceKept);
  if (row.sourceKept) {
    EXPECT_EQ(bool(platform::GetAttributes(source) & Archive), row.sourceArchiveAfter);
  }
  if (row.copied) {
    EXPECT_EQ(MTime(dest), t) << "the copy keeps the source's time";
  }
  if (row.dest == Dest::Link) {
    EXPECT_EQ(ReadFile(outside), "outside") << "the link is replaced, not followed";
  }
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.status; }

// Names such as "Row07_File__C__D__" keep the failing row recognisable.
INSTANTIATE_TEST_SUITE_P(AllRows, TransferTable, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                           std::string name = "Row" + std::to_string(info.index / 10) +
                                              std::to_string(info.index % 10) + "_";
                           for (const char* c = info.param.status; *c; ++c)
                             name += std::isalpha(*c) ? *c : '_';
                           return name;
                         });

}  // namespace
}  // namespace tandrel::test
