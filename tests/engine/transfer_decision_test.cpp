// The transfer decision row by row, with no disk: what a file's line says,
// what is copied, deleted and marked, and where a write waits for a look
// taken now.

#include <ctime>
#include <ostream>

#include <gtest/gtest.h>

#include "engine/transfer_decision.h"
#include "platform/entries.h"
#include "platform/error_codes.h"

namespace tandrel {
namespace {

enum Mode : int { Plain = 0, Always = 1, Server = 2, Client = 4 };
// What stands at the destination. Other: something that is not a file
// (a link); Unseen: an entry that could not be examined; Unreadable: the
// destination folder itself cannot be looked into.
enum class Dest { Missing, Older, SameAge, SameAgeOtherSize, Newer, Other, Folder, Unseen, Unreadable };

struct Row {
  int mode;
  Dest dest;
  bool sourceArchive;
  bool fresh;  // both sides looked at just now
  const char* status;
  const char* effects;  // the decision's flags that are set, in order
  int code = 0;
};

constexpr std::time_t kT = 1735732800;  // the source's time

const Row kRows[] = {
    {Always, Dest::SameAge, true, true, "File A.. .C..", "copy"},
    {Always | Server, Dest::SameAge, true, true, "File AS. .C..", "copy markServer"},
    {Always | Client, Dest::SameAge, true, true, "File A.C .C..", "copy markClient"},
    {Plain, Dest::Missing, true, true, "File ... .C..", "copy"},
    {Server, Dest::Missing, true, true, "File .S. N...", "copy markServer"},
    {Client, Dest::Missing, true, true, "File ..C .C..", "copy markClient"},
    {Client, Dest::Missing, false, true, "File ..C .D..", "deleteSource"},
    {Server | Client, Dest::Missing, true, true, "File .SC NC..", "copy markClient"},
    {Server | Client, Dest::Missing, false, true, "File .SC ND..", "copy markServer deleteAfterCopy"},
    {Plain, Dest::Older, true, true, "File D.. .C..", "copy"},
    {Server, Dest::Older, true, true, "File DS. .C..", "copy markServer"},
    {Client, Dest::Older, true, true, "File D.C .C..", "copy markClient"},
    {Plain, Dest::SameAge, true, true, "File ... ....", ""},
    {Server, Dest::SameAge, true, true, "File .S. ....", "clearDestinationMark"},
    {Client, Dest::SameAge, true, true, "File ..C ....", "clearSourceMark"},
    {Plain, Dest::SameAgeOtherSize, true, true, "File D.. .C..", "copy"},
    {Server | Client, Dest::Newer, true, true, "File .SC ....", "clearDestinationMark clearSourceMark"},
    {Plain, Dest::Other, true, true, "File ... .C..", "copy"},
    {Client, Dest::Other, false, true, "File ..C .C..", "copy markClient"},
    // A folder of that name on the server is no deleted file; nor is an
    // entry that could not be examined, nor anything in a folder that
    // cannot be looked into.
    {Client, Dest::Folder, false, true, "File ..C ....", ""},
    {Client, Dest::Unseen, false, true, "File ..C ....", "", platform::kErrAccessDenied},
    {Server | Client, Dest::Unreadable, false, true, "File .SC N...", "copy markServer",
     platform::kErrAccessDenied},
    // On an early look, a write that rests on it waits for a look taken now;
    // a copy onto no file does not (its naming refuses a newcomer), nor does
    // clearing a mark (cleared only while the file is as looked at).
    {Always, Dest::SameAge, true, false, "File ... ....", "destination again"},
    {Plain, Dest::Older, true, false, "File ... ....", "destination again"},
    {Plain, Dest::SameAgeOtherSize, true, false, "File ... ....", "destination again"},
    {Plain, Dest::Missing, true, false, "File ... .C..", "copy"},
    {Plain, Dest::SameAge, true, false, "File ... ....", ""},
    {Server, Dest::SameAge, true, false, "File .S. ....", "clearDestinationMark"},
    {Client, Dest::Missing, false, false, "File ... ....", "source again"},
};

std::string Effects(const TransferDecision& d) {
  std::string text;
  const auto add = [&text](bool set, const char* name) {
    if (set) text += (text.empty() ? "" : " ") + std::string(name);
  };
  add(d.look == TransferDecision::Look::DestinationAgain, "destination again");
  add(d.look == TransferDecision::Look::SourceAgain, "source again");
  add(d.copy, "copy");
  add(d.markServer, "markServer");
  add(d.markClient, "markClient");
  add(d.deleteAfterCopy, "deleteAfterCopy");
  add(d.deleteSource, "deleteSource");
  add(d.clearDestinationMark, "clearDestinationMark");
  add(d.clearSourceMark, "clearSourceMark");
  return text;
}

class TransferDecisionTable : public ::testing::TestWithParam<Row> {};

TEST_P(TransferDecisionTable, DecidesEachRow) {
  const Row& row = GetParam();
  JobRecord job;
  job.always = row.mode & Always;
  job.handleAsServer = row.mode & Server;
  job.handleAsClient = row.mode & Client;
  SourceSide source;
  source.age = platform::AgeOfTime(kT);
  source.size = 3;
  source.archive = row.sourceArchive;
  source.fresh = row.fresh;
  DestinationSide dest;
  dest.fresh = row.fresh;
  dest.error = platform::kErrNotFound;
  switch (row.dest) {
    case Dest::Older:
    case Dest::SameAge:
    case Dest::SameAgeOtherSize:
    case Dest::Newer:
      dest.age = platform::AgeOfTime(row.dest == Dest::Older   ? kT - 3600
                                     : row.dest == Dest::Newer ? kT + 3600
                                                               : kT);
      dest.size = row.dest == Dest::SameAgeOtherSize ? 5 : 3;
      dest.error = 0;
      break;
    case Dest::Folder:
      dest.folder = true;
      [[fallthrough]];
    case Dest::Other:
      dest.error = 0;
      break;
    case Dest::Unseen:
      dest.error = platform::kErrAccessDenied;
      break;
    case Dest::Unreadable:
      dest.folderError = platform::kErrAccessDenied;
      break;
    case Dest::Missing:
      break;
  }

  const TransferDecision d = Decide(job, source, dest);
  EXPECT_EQ(d.status, row.status);
  EXPECT_EQ(Effects(d), row.effects);
  EXPECT_EQ(d.code, row.code);
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.status << " [" << row.effects << "]"; }

INSTANTIATE_TEST_SUITE_P(AllRows, TransferDecisionTable, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace tandrel
