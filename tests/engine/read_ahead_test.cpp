// The read-ahead never changes what a run does: the same changing trees,
// run with and without it, give the same log lines and the same trees.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <thread>

#include "engine/destination_reader.h"
#include "engine/folder_facts.h"
#include "platform/entries.h"
#include "platform/folders.h"
#include "testsupport/engine_fixture.h"
#include "testsupport/file_system_layer.h"

namespace tandrel::test {
namespace {

using Lines = std::vector<std::string>;
using platform::attr::Archive;

// Kind, mode, content and archive state of every file below `root`, and the
// kind and mode of every folder (a folder's time changes with every run).
std::map<std::string, std::string> TreeFacts(const std::string& root) {
  std::map<std::string, std::string> facts;
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string path = it->path().string();
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) continue;
    std::string f = std::to_string(st.st_mode);
    if (S_ISREG(st.st_mode)) {
      f += ":" + std::to_string(st.st_mtime) + ":" + ReadFile(path) +
           ((platform::GetAttributes(path) & Archive) ? ":A" : ":-");
    }
    facts[path.substr(root.size())] = f;
  }
  return facts;
}

// The entries in which two trees differ, for a readable failure.
std::string Differences(const std::map<std::string, std::string>& a,
                        const std::map<std::string, std::string>& b) {
  std::string text;
  for (const auto& [path, facts] : a) {
    const auto it = b.find(path);
    if (it == b.end() || it->second != facts)
      text += path + ": " + facts + " / " + (it == b.end() ? "-" : it->second) + "\n";
  }
  for (const auto& [path, facts] : b) {
    if (a.count(path) == 0) text += path + ": - / " + facts + "\n";
  }
  return text;
}

int CountEntries(const char* folder) {
  int n = 0;
  if (DIR* d = ::opendir(folder)) {
    while (::readdir(d)) ++n;
    ::closedir(d);
  }
  return n;
}

// How folders' change stamps answer: not at all, drawn from the entries as
// they are at that moment (as a real folder's on a disk whose stamps tell,
// once it has settled), or the disk's own.
enum class Stamps { Untold, Drawn, Real };

// Folders whose stamps answer as `stamps` says. Counts the walk's listings
// (those of the read-ahead, through duplicates, vary with its threads' timing).
class SettledFolder : public FolderLayer {
 public:
  SettledFolder(std::unique_ptr<platform::FolderOps> real, std::atomic<int>* listings, Stamps stamps)
      : FolderLayer(std::move(real)), listings_(listings), stamps_(stamps) {}

  uint64_t ChangeStamp() const override {
    if (stamps_ != Stamps::Drawn) return stamps_ == Stamps::Real ? real_->ChangeStamp() : 0;
    std::string entries;
    const auto search = real_->Search("*");
    platform::FindEntry entry;
    while (search->Next(entry)) {
      entries += entry.name + (entry.isDirectory ? "/d" : entry.isSystem ? "/s" : "") + "\n";
    }
    return std::hash<std::string>{}(entries) | 1;
  }
  std::unique_ptr<platform::SearchOps> Search(const std::string& mask) const override {
    if (listings_) ++*listings_;
    return real_->Search(mask);
  }

 private:
  std::unique_ptr<platform::FolderOps> Wrap(std::unique_ptr<platform::FolderOps> real,
                                            const std::string& name) const override {
    return std::make_unique<SettledFolder>(std::move(real), name.empty() ? nullptr : listings_, stamps_);
  }
  std::atomic<int>* listings_;
  const Stamps stamps_;
};

class Settled : public FileSystemLayer {
 public:
  explicit Settled(Stamps stamps) : FileSystemLayer(platform::RealFileSystem()), stamps_(stamps) {}
  std::unique_ptr<platform::FolderOps> OpenFolder(const std::string& path) const override {
    return std::make_unique<SettledFolder>(real_.OpenFolder(path), &listings, stamps_);
  }
  mutable std::atomic<int> listings{0};

 private:
  const Stamps stamps_;
};

// Waits until every folder below `root` has settled, so that its real
// stamp tells: false where the disk's stamps never do.
bool SettledOnDisk(const std::string& root) {
  std::vector<std::string> folders{root};
  for (std::filesystem::recursive_directory_iterator it(root), end; it != end; ++it) {
    if (it->is_directory() && !it->is_symlink()) folders.push_back(it->path().string());
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (const std::string& folder : folders) {
    const platform::DirHandle handle(folder);
    while (handle.ChangeStamp() == 0) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  return true;
}

class ReadAheadTest : public ::testing::Test {
 protected:
  struct Outcome {
    Lines lines;
    std::map<std::string, std::string> tree;
    int listings = 0;  // on the settled roads
    bool told = true;  // on the disk's own stamps: they told once the folders had settled
  };

  // Builds the trees below `root`: new, newer, older, equal and deleted
  // files, empty chains, files named like folders, dot names, server and
  // client folders with both archive states.
  static void Build(const std::string& root) {
    const std::time_t t = LocalTime(2026, 6, 1, 12, 0, 0);
    const auto file = [&](const std::string& path, const std::string& text, std::time_t when) {
      WriteFile(root + path, text);
      SetMTime(root + path, when);
    };
    for (int d = 0; d < 6; ++d) {
      const std::string sub = "/S/d" + std::to_string(d);
      for (int f = 0; f < 8; ++f) {
        const std::string name = "/f" + std::to_string(f) + ".txt";
        file(sub + name, "source " + std::to_string(d * 10 + f), t + f);
        if (f % 4 == 1) file("/D" + sub.substr(2) + name, "older copy", t - 100);  // newer at the source
        if (f % 4 == 2) file("/D" + sub.substr(2) + name, "newer copy", t + 100);  // older at the source
        if (f % 4 == 3) file("/D" + sub.substr(2) + name, "source " + std::to_string(d * 10 + f), t + f);
      }
      file("/D" + sub.substr(2) + "/gone.txt", "deleted at the source", t);
      file(sub + "/deep/er/x.dat", "deep", t);
      MakeDir(root + sub + "/empty/chain");
      file(sub + "/.dot", "dot", t);
    }
    MakeDir(root + "/D/d0/empty");
    file("/D/old/stale.txt", "a folder the source lost", t);
    file("/D/d1/f0.txt/inner.txt", "a folder where a file goes", t);
    // Server and client folders.
    for (int f = 0; f < 6; ++f) {
      const std::string name = "/c" + std::to_string(f) + ".txt";
      file("/Client" + name, "client " + std::to_string(f), t);
      if (f % 2 == 0) {
        platform::SetAttributes(root + "/Client" + name,
                                platform::GetAttributes(root + "/Client" + name) & ~Archive);
      }
      if (f < 3) file("/Server" + name, "server " + std::to_string(f), t);
    }
    file("/Server/only-here.txt", "s", t);
    file("/Mirror/keep.txt", "m", t);
    // Links on both sides: never transferred, but a link where a copy goes
    // has an age of its own; a read-only copy refuses to be replaced.
    Link("f0.txt", root + "/S/d0/link.txt", t);
    std::filesystem::remove(root + "/D/d1/f1.txt");
    Link("elsewhere", root + "/D/d1/f1.txt", t - 200);
    Link("f0.txt", root + "/D/d2/only-a-link", t);
    MakeReadOnly(root + "/D/d2/f1.txt");
    // A masked job: other names and folders stay where they are.
    file("/Masked/a.txt", "a", t);
    file("/Masked/b.log", "b", t);
    file("/Masked/sub/c.txt", "c", t);
    file("/MaskedCopy/stale.txt", "removed", t);
    file("/MaskedCopy/stale.log", "left alone", t);
    file("/MaskedCopy/olddir/x.txt", "a folder the mask matches not", t);
    file("/MaskedCopy/old.txt/x.txt", "a folder the mask matches", t);
  }

  static void Link(const std::string& target, const std::string& path, std::time_t when) {
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
  }

  static void WriteConfig(const std::string& root, const std::string& configPath) {
    const auto job = [&](const std::string& name, const std::string& from, const std::string& to,
                         const std::string& keys) {
      return "[" + name + "]\r\nSource=" + root + from + "\r\nDestination=" + root + to + "\r\n" + keys;
    };
    WriteFile(
        configPath,
        "[Active Jobs]\r\n0=Tree\r\n1=Server\r\n2=Client\r\n3=Masked\r\n\r\n" +
            job("Tree", "/S", "/D",
                "Include SubDirs=1\r\nDelete Empty SubDirs=1\r\nCleanup Destination=1\r\nVerify=1\r\n") +
            job("Server", "/S/d2", "/Mirror", "Handle As Server=1\r\nInclude SubDirs=1\r\n") +
            job("Client", "/Client", "/Server", "Handle As Client=1\r\n") +
            job("Masked", "/Masked", "/MaskedCopy",
                "FileMask=*.txt\r\nInclude SubDirs=1\r\nCleanup Destination=1\r\n"));
  }

  // Keeps the log lines and calls `during` with each as it is written.
  struct WatchedLines : RunObserver {
    std::function<void(const std::string&)> during;
    std::vector<std::string> lines;
    void Line(const std::string& line) override {
      lines.push_back(line);
      if (during) during(line);
    }
  };

  // Settled: ahead, over folders whose change stamps tell; OnDisk: the same
  // with the disk's own stamps, the folders left to settle first.
  enum class Reading { Plain, Ahead, EveryReader, Settled, OnDisk };

  // One run over freshly built trees; `during`, when given, may change the
  // trees at any line (it gets the root and the line).
  Outcome Run(Reading reading,
              const std::function<void(const std::string&, const std::string&)>& during = {}) {
    ScopedTempDir dir;
    const std::string root = dir.path() + "t";
    Build(root);
    Outcome outcome;
    if (reading == Reading::OnDisk) outcome.told = SettledOnDisk(root);
    Settled settled(reading == Reading::OnDisk ? Stamps::Real : stampsTell_ ? Stamps::Drawn : Stamps::Untold);
    std::optional<platform::FileSystemScope> scope;
    if (reading == Reading::Settled || reading == Reading::OnDisk) scope.emplace(settled);
    WatchedLines watched;
    RunEngine engine(LocationsFor(dir / "prog/tandrel"), watched);
    MakeDir(dir / "prog");
    engine.SetClock([] { return LocalTime(2026, 12, 6, 23, 5, 30); });
    engine.SetReadAhead(reading != Reading::Plain, reading == Reading::EveryReader);
    WriteConfig(root, engine.Locations().configFile);
    if (during) watched.during = [&](const std::string& line) { during(root, line); };
    RunSettings settings;
    settings.extendedLog = true;
    engine.RunJobs(settings);
    for (std::string line : watched.lines) {
      for (size_t at; (at = line.find(root)) != std::string::npos;) line.replace(at, root.size(), "<root>");
      outcome.lines.push_back(line);
    }
    outcome.lines.erase(outcome.lines.begin());  // the start line
    outcome.tree = TreeFacts(root);
    outcome.listings = settled.listings;
    return outcome;
  }

  bool stampsTell_ = true;  // on the settled road

  // Runs with each way of reading ahead and expects what the plain run did.
  void ExpectTheSameAsPlain(const Outcome& plain,
                            const std::function<void(const std::string&, const std::string&)>& during = {},
                            const std::function<void()>& reset = {}) {
    for (const Reading reading : {Reading::Ahead, Reading::EveryReader, Reading::Settled, Reading::OnDisk}) {
      if (reset) reset();
      const Outcome ahead = Run(reading, during);
      const char* way = reading == Reading::Ahead         ? "ahead"
                        : reading == Reading::EveryReader ? "every reader"
                        : reading == Reading::Settled     ? "settled"
                                                          : "on the disk's stamps";
      EXPECT_EQ(ahead.lines, plain.lines) << way;
      EXPECT_EQ(ahead.tree, plain.tree) << way << "\n" << Differences(ahead.tree, plain.tree);
    }
  }
};

TEST_F(ReadAheadTest, ARunDecidesTheSameWithAndWithoutIt) {
  const Outcome plain = Run(Reading::Plain);
  ASSERT_GT(plain.lines.size(), 60u);
  ExpectTheSameAsPlain(plain);
  // Where the stamps tell, a level with subfolders is not listed again.
  stampsTell_ = false;
  const Outcome untold = Run(Reading::Settled);
  stampsTell_ = true;
  EXPECT_EQ(untold.lines, plain.lines);
  EXPECT_LT(Run(Reading::Settled).listings, untold.listings);
  // So too on the disk's own stamps, where they tell (ext4, xfs, btrfs, tmpfs).
  const Outcome onDisk = Run(Reading::OnDisk);
  if (onDisk.told) {
    EXPECT_LT(onDisk.listings, untold.listings);
  }
}

TEST_F(ReadAheadTest, ChangesByAnotherProcessDuringTheRunAreSeenTheSame) {
  // Between the first level's summary and the rest of the walk: a source
  // file becomes newer, one is deleted, a folder empties, a new one appears.
  bool changed = false;
  const auto change = [&changed](const std::string& root, const std::string& line) {
    if (changed || line.rfind("Dir ", 0) != 0) return;
    changed = true;
    for (int d = 0; d < 6; ++d) {
      const std::string sub = root + "/S/d" + std::to_string(d);
      WriteFile(sub + "/f2.txt", "changed meanwhile");
      SetMTime(sub + "/f2.txt", LocalTime(2026, 6, 2, 12, 0, 0));
      std::filesystem::remove(sub + "/f3.txt");
      std::filesystem::remove_all(sub + "/deep");
      WriteFile(sub + "/new/arrived.txt", "new");
      SetMTime(sub + "/new/arrived.txt", LocalTime(2026, 6, 3, 12, 0, 0));  // the same in both runs
    }
  };
  const Outcome plain = Run(Reading::Plain, change);
  ExpectTheSameAsPlain(plain, change, [&changed] { changed = false; });
}

TEST_F(ReadAheadTest, ChangesJustBeforeALevelsOwnPassAreSeenTheSame) {
  // Each dN/ is passed right after its last subfolder's summary: whatever
  // the walk knew of dN/ from opening it is stale by then, on both sides.
  const auto change = [](const std::string& root, const std::string& line) {
    const auto at = line.find(root + "/S/d");
    if (line.rfind("Dir ", 0) != 0 || at == std::string::npos ||
        line.find(" synchronised") == std::string::npos)
      return;
    const std::string level = line.substr(at + root.size() + 4, 1);  // the N of dN
    const std::string sub = "/d" + level;
    if (line.find(sub + "/", at) == std::string::npos || line.find(sub + "/ - ") != std::string::npos) return;
    const std::time_t later = LocalTime(2026, 6, 4, 12, 0, 0);
    WriteFile(root + "/S" + sub + "/f1.txt", "changed before the pass");
    SetMTime(root + "/S" + sub + "/f1.txt", later);
    std::filesystem::remove(root + "/S" + sub + "/f5.txt");
    WriteFile(root + "/S" + sub + "/late.txt", "late");
    SetMTime(root + "/S" + sub + "/late.txt", later);
    std::filesystem::remove(root + "/D" + sub + "/f7.txt");
    WriteFile(root + "/D" + sub + "/extra.txt", "cleaned up");
    SetMTime(root + "/D" + sub + "/extra.txt", later);  // the same in both runs
    std::filesystem::remove_all(root + "/D" + sub + "/empty");
  };
  const Outcome plain = Run(Reading::Plain, change);
  ASSERT_GT(plain.lines.size(), 60u);
  ExpectTheSameAsPlain(plain, change);
  EXPECT_NE(plain.tree, Run(Reading::Plain).tree) << "the changes were made";
}

TEST_F(ReadAheadTest, ItsThreadsAndDescriptorsEndWithTheRun) {
  const int threads = CountEntries("/proc/self/task");
  const int descriptors = CountEntries("/proc/self/fd");
  for (const Reading reading : {Reading::Ahead, Reading::EveryReader, Reading::Settled}) {
    const Outcome outcome = Run(reading);
    EXPECT_FALSE(outcome.lines.empty());
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors);
  }
}

TEST_F(ReadAheadTest, OpenDescriptorsStayFewInAWideTree) {
  // 200 subfolders of 10 subfolders each, every reader at work: what is open
  // at any line is bounded by the depth and the levels read ahead, not by
  // the number of folders.
  ScopedTempDir dir;
  const std::string root = dir.path() + "wide";
  for (int a = 0; a < 200; ++a) {
    for (int b = 0; b < 10; ++b) MakeDir(root + "/S/a" + std::to_string(a) + "/b" + std::to_string(b));
    WriteFile(root + "/S/a" + std::to_string(a) + "/f.txt", "x");
  }
  MakeDir(root + "/D");
  WatchedLines watched;
  RunEngine engine(LocationsFor(dir / "prog/tandrel"), watched);
  MakeDir(dir / "prog");
  RunSettings settings;
  settings.extendedLog = true;
  engine.SetReadAhead(engine.ReadAheadEnabled(), true);
  WriteFile(engine.Locations().configFile, "[Active Jobs]\r\n0=Wide\r\n\r\n[Wide]\r\nSource=" + root +
                                               "/S\r\nDestination=" + root +
                                               "/D\r\nInclude SubDirs=1\r\nCleanup Destination=1\r\n");
  // Copies hold their descriptors until their batch is flushed: the run
  // measured is the second, which copies nothing.
  ASSERT_EQ(engine.RunJobs(settings), RunResult::Clean);
  const int before = CountEntries("/proc/self/fd");
  int most = before;
  watched.during = [&most](const std::string&) { most = std::max(most, CountEntries("/proc/self/fd")); };
  ASSERT_EQ(engine.RunJobs(settings), RunResult::Clean);
  EXPECT_LT(most - before, 40) << "open at most";
  EXPECT_EQ(CountEntries("/proc/self/fd"), before);
  EXPECT_EQ(ReadFile(root + "/D/a199/f.txt"), "x");
}

// The names a reading of `folder` holds, and those the folder holds now.
std::set<std::string> NamesOf(FolderFacts::Listing listing, const std::string& folder) {
  const platform::DirHandle open(folder);
  FolderFacts facts(open);
  std::set<std::string> names;
  facts.Begin(true);
  facts.Adopt(std::move(listing));
  platform::FindEntry entry;
  for (size_t i = 0; i < facts.ListedCount(); ++i) {
    facts.ListedEntry(i, entry);
    names.insert(entry.name);
  }
  return names;
}

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

TEST(DestinationReader, HandsOverOnlyWhatAFolderHoldsAndNothingItPassedOver) {
  ScopedTempDir dir;
  const std::string source = dir / "S", dest = dir / "D";
  WriteFile(source + "/a/x.txt", "x");
  WriteFile(dest + "/a/x.txt", "older");
  WriteFile(dest + "/a/only.txt", "only here");
  WriteFile(source + "/gone/sub/y.txt", "a folder the destination lacks");
  std::string chain;
  for (int i = 0; i < DestinationReader::kMostLevels + 2; ++i) chain += "/c";
  WriteFile(source + chain + "/z.txt", "deeper than the reader goes");
  WriteFile(dest + chain + "/z.txt", "older");
  Settled settled(Stamps::Drawn);
  const platform::FileSystemScope scope(settled);

  // The levels in the walk's order, each after its subfolders, with their depths.
  std::vector<std::pair<std::string, int>> levels;
  const std::function<void(const std::string&, int)> walk = [&](const std::string& level, int depth) {
    platform::DirSearch search(level + "*.*", platform::attr::All);
    platform::FindEntry entry;
    std::vector<std::string> subfolders;
    while (search.Next(entry)) {
      if (entry.isDirectory && !entry.isHidden) subfolders.push_back(entry.name);
    }
    for (const std::string& name : subfolders) walk(level + name + "/", depth + 1);
    levels.emplace_back(level, depth);
  };
  walk(source + "/", 0);
  ASSERT_EQ(levels.size(), DestinationReader::kMostLevels + 2u + 4u);

  const std::atomic<bool> stop{false};
  DestinationReader reader(platform::DirHandle(source), platform::DirHandle(dest), source + "/",
                           WalkRules{"*.*", std::nullopt}, stop);
  for (const auto& [level, depth] : levels) {
    bool underWay = false;
    std::unique_ptr<FolderReading> reading = reader.Take(level, &underWay);
    if (underWay) reading = reader.Await(level);
    if (!reading) continue;
    EXPECT_EQ(level.find("/gone/"), std::string::npos) << "nothing is read below a missing folder";
    EXPECT_LE(depth, DestinationReader::kMostLevels) << level;
    const std::string destLevel = dest + level.substr(source.size());
    EXPECT_EQ(NamesOf(std::move(reading->listing), destLevel), NamesIn(destLevel)) << level;
  }
}

TEST(ReadAheadSwitch, TheEnvironmentTurnsItOff) {
  const char* old = std::getenv("TANDREL_READ_AHEAD");
  const std::string saved = old ? old : "";
  ::setenv("TANDREL_READ_AHEAD", "0", 1);
  EXPECT_FALSE(ReadAhead::WantedByEnvironment());
  ::setenv("TANDREL_READ_AHEAD", "1", 1);
  EXPECT_TRUE(ReadAhead::WantedByEnvironment());
  ::unsetenv("TANDREL_READ_AHEAD");
  EXPECT_TRUE(ReadAhead::WantedByEnvironment());
  if (old) ::setenv("TANDREL_READ_AHEAD", saved.c_str(), 1);
}

}  // namespace
}  // namespace tandrel::test
