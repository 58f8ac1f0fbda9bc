#include "config/job_lists.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

using Names = std::vector<std::string>;

// The file as the dialogs leave it after three jobs were created, two made
// active, a daily time chosen and the log file switched on.
const char kExample[] =
    "[NonActive Jobs]\r\n0=Old archive\r\n\r\n"
    "[Old archive]\r\nSource=D:\\Archive\r\nDestination=F:\\Archive\r\nFileMask=*.*\r\nAlways=0\r\n"
    "Handle As Server=0\r\nHandle As Client=0\r\nInclude SubDirs=1\r\nDelete Empty SubDirs=0\r\n"
    "Cleanup Destination=0\r\nVerify=0\r\n\r\n"
    "[Active Jobs]\r\n0=Documents\r\n1=Photos\r\n\r\n"
    "[Documents]\r\nSource=C:\\Data\\Documents\r\nDestination=E:\\Backup\\Documents\r\nFileMask=*.*\r\n"
    "Always=0\r\nHandle As Server=0\r\nHandle As Client=0\r\nInclude SubDirs=1\r\nDelete Empty SubDirs=0\r\n"
    "Cleanup Destination=1\r\nVerify=1\r\n\r\n"
    "[Photos]\r\nSource=C:\\Data\\Photos\r\nDestination=E:\\Backup\\Photos\r\nFileMask=*.jpg\r\nAlways=0\r\n"
    "Handle As Server=1\r\nHandle As Client=0\r\nInclude SubDirs=1\r\nDelete Empty SubDirs=0\r\n"
    "Cleanup Destination=0\r\nVerify=0\r\n\r\n"
    "[Synchronisation time]\r\nTime=22:30\r\nInterval=0\r\n\r\n"
    "[Log]\r\nLogFile=1\r\nExtendedLog=0\r\nAppendLog=1\r\nMultipleLog=1\r\n";

JobRecord Job(std::string name, std::string source, std::string destination, std::string mask) {
  JobRecord job;
  job.name = std::move(name);
  job.source = std::move(source);
  job.destination = std::move(destination);
  job.fileMask = std::move(mask);
  job.includeSubDirs = true;
  return job;
}

class JobListsTest : public ::testing::Test {
 protected:
  test::ScopedTempDir dir_;
  std::string path_ = dir_ / "tandrel.cfg";
  IniFile ini_{path_};
};

TEST_F(JobListsTest, DialogSessionWritesTheExampleFileAndReadsItBack) {
  JobRecord archive = Job("Old archive", "D:\\Archive", "F:\\Archive", "*.*");
  JobRecord documents = Job("Documents", "C:\\Data\\Documents", "E:\\Backup\\Documents", "*.*");
  documents.cleanupDestination = documents.verify = true;
  JobRecord photos = Job("Photos", "C:\\Data\\Photos", "E:\\Backup\\Photos", "*.jpg");
  photos.handleAsServer = true;

  AppendToList(ini_, kNonActiveJobs, 0, archive.name);
  WriteJob(ini_, archive);
  AppendToList(ini_, kActiveJobs, 0, documents.name);
  WriteJob(ini_, documents);
  AppendToList(ini_, kActiveJobs, 1, photos.name);
  WriteJob(ini_, photos);
  ini_.WriteString("Synchronisation time", "Time", "22:30");
  ini_.WriteBool("Synchronisation time", "Interval", false);
  ini_.WriteBool("Log", "LogFile", true);
  ini_.WriteBool("Log", "ExtendedLog", false);
  ini_.WriteBool("Log", "AppendLog", true);
  ini_.WriteBool("Log", "MultipleLog", true);
  EXPECT_EQ(test::ReadFile(path_), kExample);

  // Read back by a fresh object from the file as given, LF-only this time.
  std::string lfOnly = kExample;
  for (size_t at; (at = lfOnly.find("\r\n")) != std::string::npos;) lfOnly.erase(at, 1);
  test::WriteFile(path_, lfOnly);
  const IniFile reader(path_);
  EXPECT_EQ(ReadJobList(reader, kActiveJobs), (Names{"Documents", "Photos"}));
  EXPECT_EQ(ReadJobList(reader, kNonActiveJobs), (Names{"Old archive"}));
  EXPECT_EQ(ReadJob(reader, "Old archive"), archive);
  EXPECT_EQ(ReadJob(reader, "documents").source, documents.source);
  EXPECT_EQ(ReadJob(reader, "Photos"), photos);
  EXPECT_EQ(reader.ReadString("Synchronisation time", "Time", "  :  "), "22:30");
}

TEST_F(JobListsTest, ListEndsAtGapOrErrorEntry) {
  test::WriteFile(path_, "[Active Jobs]\r\n0=A\r\n1=B\r\n3=C\r\n");
  EXPECT_EQ(ReadJobList(ini_, kActiveJobs), (Names{"A", "B"}));
  AppendToList(ini_, kActiveJobs, 2, "D");
  EXPECT_EQ(ini_.ReadString(kActiveJobs, "2", kMissing), "D");
  EXPECT_EQ(ReadJobList(ini_, kActiveJobs), (Names{"A", "B", "D", "C"}));

  test::WriteFile(path_, "[NonActive Jobs]\r\n0=A\r\n1=_error_\r\n2=C\r\n");
  EXPECT_EQ(ReadJobList(ini_, kNonActiveJobs), (Names{"A"}));
  EXPECT_EQ(ReadJobList(ini_, kActiveJobs), Names{});
  std::remove(path_.c_str());
  EXPECT_EQ(ReadJobList(ini_, kActiveJobs), Names{});
}

TEST_F(JobListsTest, RemoveRenumbersWithoutGap) {
  for (int at : {0, 1, 3}) {
    test::WriteFile(path_, "[Active Jobs]\r\n0=A\r\n1=B\r\n2=C\r\n3=D\r\n");
    RemoveFromList(ini_, kActiveJobs, 4, at);
    Names expected{"A", "B", "C", "D"};
    expected.erase(expected.begin() + at);
    EXPECT_EQ(ReadJobList(ini_, kActiveJobs), expected) << at;
    EXPECT_EQ(ini_.ReadString(kActiveJobs, "3", kMissing), kMissing) << at;
  }
  RemoveFromList(ini_, kActiveJobs, 3, 0);
  RemoveFromList(ini_, kActiveJobs, 2, 0);
  RemoveFromList(ini_, kActiveJobs, 1, 0);
  EXPECT_EQ(test::ReadFile(path_), "[Active Jobs]\r\n");
}

TEST_F(JobListsTest, ExchangeFindAndMove) {
  test::WriteFile(path_,
                  "[Active Jobs]\r\n0=A\r\n1=B\r\n2=b\r\n[NonActive Jobs]\r\n0=X\r\n[B]\r\nVerify=1\r\n");
  ExchangeInList(ini_, kActiveJobs, 0, 1);
  EXPECT_EQ(ReadJobList(ini_, kActiveJobs), (Names{"B", "A", "b"}));
  ExchangeInList(ini_, kActiveJobs, 2, 1);
  EXPECT_EQ(ReadJobList(ini_, kActiveJobs), (Names{"B", "b", "A"}));

  EXPECT_EQ(FindInList(ini_, kActiveJobs, 3, "b"), 1);  // letter case counts
  EXPECT_EQ(FindInList(ini_, kActiveJobs, 3, "A"), 2);
  EXPECT_EQ(FindInList(ini_, kActiveJobs, 2, "A"), -1);  // only the first `count` keys
  EXPECT_EQ(FindInList(ini_, kActiveJobs, 3, "a"), -1);

  MoveJob(ini_, kActiveJobs, 3, 0, kNonActiveJobs, 1);
  EXPECT_EQ(ReadJobList(ini_, kActiveJobs), (Names{"b", "A"}));
  EXPECT_EQ(ReadJobList(ini_, kNonActiveJobs), (Names{"X", "B"}));
  EXPECT_TRUE(ReadJob(ini_, "B").verify) << "moving leaves the section alone";
}

TEST_F(JobListsTest, NamesDifferingInCaseShareOneSection) {
  AppendToList(ini_, kActiveJobs, 0, "Backup");
  AppendToList(ini_, kActiveJobs, 1, "backup");
  AppendToList(ini_, kActiveJobs, 2, "Other");
  WriteJob(ini_, Job("Backup", "C:\\One", "E:\\One", "*.*"));
  WriteJob(ini_, Job("backup", "C:\\Two", "E:\\Two", "*.txt"));
  EXPECT_EQ(ReadJob(ini_, "Backup").source, "C:\\Two");

  DeleteJob(ini_, kActiveJobs, 3, 0, "Backup");
  EXPECT_EQ(ReadJobList(ini_, kActiveJobs), (Names{"backup", "Other"}));
  EXPECT_EQ(ReadJob(ini_, "backup").source, kMissing) << "deleting one erased the settings of both";
}

TEST_F(JobListsTest, JobRecordDefaultsAndKeptKeys) {
  test::WriteFile(path_, "[Empty mask]\r\nFileMask=\r\nExtra=kept\r\nVerify=yes\r\n");
  const JobRecord missing = ReadJob(ini_, "No section");
  EXPECT_EQ(missing.source, kMissing);
  EXPECT_EQ(missing.destination, kMissing);
  EXPECT_EQ(missing.fileMask, "*.*");
  EXPECT_FALSE(missing.always || missing.handleAsServer || missing.handleAsClient || missing.includeSubDirs ||
               missing.deleteEmptySubDirs || missing.cleanupDestination || missing.verify);

  JobRecord job = ReadJob(ini_, "Empty mask");
  EXPECT_EQ(job.fileMask, "");
  EXPECT_FALSE(job.verify);
  job.source = "C:\\Src\\";
  job.destination = "E:\\Dst";
  job.always = job.handleAsClient = job.deleteEmptySubDirs = true;
  WriteJob(ini_, job);
  EXPECT_EQ(ReadJob(ini_, "Empty mask"), job);
  EXPECT_EQ(
      test::ReadFile(path_),
      "[Empty mask]\r\nFileMask=\r\nExtra=kept\r\nVerify=0\r\nSource=C:\\Src\\\r\nDestination=E:\\Dst\r\n"
      "Always=1\r\nHandle As Server=0\r\nHandle As Client=1\r\nInclude SubDirs=0\r\n"
      "Delete Empty SubDirs=1\r\nCleanup Destination=0\r\n");
}

TEST_F(JobListsTest, FailedWriteStopsTheOperationWhereItFailed) {
  test::WriteFile(path_, "[Active Jobs]\r\n0=A\r\n1=B\r\n");
  test::MakeReadOnly(path_);
  EXPECT_THROW(RemoveFromList(ini_, kActiveJobs, 2, 0), IniWriteError);
  EXPECT_THROW(DeleteJob(ini_, kActiveJobs, 2, 0, "A"), IniWriteError);
  EXPECT_EQ(test::ReadFile(path_), "[Active Jobs]\r\n0=A\r\n1=B\r\n");
}

TEST_F(JobListsTest, DeleteTellsWhenTheSectionIsGone) {
  // What the file holds, on a writable or read-only file: whether the step
  // between erasing and renumbering runs, and whether the delete fails.
  struct Row {
    const char* name;
    const char* content;
    bool readOnly;
    bool stepRuns, fails;
    const char* after;
  };
  const Row rows[] = {
      {"writable", "[Active Jobs]\r\n0=A\r\n1=B\r\n[A]\r\nSource=/a\r\n", false, true, false,
       "[Active Jobs]\r\n0=B\r\n"},
      {"read-only with section", "[Active Jobs]\r\n0=A\r\n1=B\r\n[A]\r\nSource=/a\r\n", true, false, true,
       "[Active Jobs]\r\n0=A\r\n1=B\r\n[A]\r\nSource=/a\r\n"},
      // Nothing to erase, so erasing succeeds; renumbering then fails.
      {"read-only without section", "[Active Jobs]\r\n0=A\r\n1=B\r\n", true, true, true,
       "[Active Jobs]\r\n0=A\r\n1=B\r\n"},
  };
  for (const Row& r : rows) {
    test::MakeWritable(path_);
    test::WriteFile(path_, r.content);
    if (r.readOnly) test::MakeReadOnly(path_);
    bool stepRan = false;
    std::string seenByStep;
    bool failed = false;
    try {
      DeleteJob(ini_, kActiveJobs, 2, 0, "A", [&] {
        stepRan = true;
        seenByStep = test::ReadFile(path_);
      });
    } catch (const IniWriteError&) {
      failed = true;
    }
    EXPECT_EQ(stepRan, r.stepRuns) << r.name;
    if (stepRan) {
      EXPECT_EQ(seenByStep, "[Active Jobs]\r\n0=A\r\n1=B\r\n") << r.name << ": section gone, list untouched";
    }
    EXPECT_EQ(failed, r.fails) << r.name;
    EXPECT_EQ(test::ReadFile(path_), r.after) << r.name;
  }
}

// Editors save the file in forms the program never writes (Notepad's
// "Unicode", a byte order mark, old Mac line ends); each gives the jobs it
// holds, and a write leaves the program's own form, UTF-8 with CR LF.
TEST_F(JobListsTest, EveryFormAnEditorSavesGivesTheSameJobs) {
  const std::string fotos = "Fotos \xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80";  // 2-, 3- and 4-byte characters
  const std::string head = "[Active Jobs]\r\n0=Docs\r\n1=", text = head + fotos + "\r\n";
  const auto cr = [](std::string crlf) {
    std::erase(crlf, '\n');
    return crlf;
  };
  const auto utf16 = [](std::string_view ascii, bool big) {
    std::string out;
    for (const char c : ascii) out += big ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
  };
  const std::pair<const char*, std::string> rows[] = {
      {"UTF-8 with BOM", "\xEF\xBB\xBF" + text},
      {"CR", cr(text)},
      {"UTF-16 LE",
       "\xFF\xFE" + utf16(head + "Fotos ", false) + std::string("\xE4\0\xAC\x20\x3D\xD8\0\xDE\r\0\n\0", 12)},
      {"UTF-16 BE, CR",
       "\xFE\xFF" + utf16(cr(head) + "Fotos ", true) + std::string("\0\xE4\x20\xAC\xD8\x3D\xDE\0\0\r", 10)},
  };
  for (const auto& [name, bytes] : rows) {
    test::WriteFile(path_, bytes);
    const IniSnapshot snapshot(path_);  // as a run reads it
    for (const IniReader* reader : std::initializer_list<const IniReader*>{&ini_, &snapshot})
      EXPECT_EQ(ReadJobList(*reader, kActiveJobs), (Names{"Docs", fotos})) << name;
    ini_.WriteBool("Log", "LogFile", true);
    EXPECT_EQ(test::ReadFile(path_), text + "\r\n[Log]\r\nLogFile=1\r\n") << name;
  }
}

}  // namespace
}  // namespace tandrel
