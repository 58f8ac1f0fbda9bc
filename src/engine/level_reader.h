#pragma once
// What one level of a job's walk knows of its source and destination
// folders, and the one place that decides how it comes to know it: the
// source's listing, the destination reader's readings, the read-ahead, and
// the rule that says when an earlier listing still stands.
//
// When a look is fresh enough to act on:
// - A listing serves the level's own pass only while the folder's change
//   stamp shows it still stands (where stamps tell at all; elsewhere it is
//   read again once a subfolder has been walked). The same holds for the
//   destination reader's reading of a destination folder.
// - A look read for the pass is fresh enough to decide on, never to write
//   on alone: a copy over an existing file looks again first (LookAgain) and
//   is named only over the very entry its decision looked at; a mark is
//   cleared, and a client's file deleted, only while the file is as looked
//   at; the cleanup looks at the source name again before it deletes.
// - Whatever the run itself changes in a folder it says through that
//   side's Changed(); nothing else makes the facts forget.
//
// docs/ARCHITECTURE.md gives the thresholds and why.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/destination_reader.h"
#include "engine/folder_facts.h"
#include "engine/walk_rules.h"
#include "platform/folders.h"

namespace tandrel {

class RunContext;

class LevelReader {
 public:
  // The reader of the level whose open folders are `source` and `dest`;
  // a subfolder's level shares its parent's destination reader.
  LevelReader(RunContext& run, const platform::DirHandle& source, const platform::DirHandle& dest,
              const LevelReader* parent);
  LevelReader(const LevelReader&) = delete;
  LevelReader& operator=(const LevelReader&) = delete;

  // The level `dir` (ending in the separator) is entered; where `ignoreCase`,
  // the destination finds its names whatever their letter case.
  void Open(const std::string& dir, bool ignoreCase);
  // The walk begins listing the source folder before entering subfolders;
  // each entry goes to Listed(), the end to ListingEnded() with the
  // listing's error. The top level starts the job's destination reader.
  void BeginListing(const WalkRules& rules);
  void Listed(const platform::FindEntry& entry) { source_.Add(entry); }
  void ListingEnded(int error);
  // The walk is about to enter the level's subfolders: the read-ahead gets
  // the level's folders.
  void BeforeSubfolders();
  // The walk enters one subfolder, which may change this level.
  void EnteringSubfolder();
  // The level's own pass begins: the source's listing is taken over where it
  // still stands and read again otherwise, and the destination read for the
  // files the pass will decide on. 0, or why the source could not be read.
  int ReadForPass(const WalkRules& rules);
  // The level's destination folder has just been made by the pass: it holds
  // nothing but what the pass copies there, so nothing needs reading.
  void DestinationMadeNow();
  // The level is left: everything read for it is dropped.
  void Close();

  FolderFacts& Source() { return source_; }
  FolderFacts& Destination() { return dest_; }

 private:
  // Reads what the pass will ask about both folders, the destination's
  // share on the second thread.
  void ReadPassFacts(const WalkRules& rules, std::unique_ptr<FolderReading> destReading, bool destUnderWay);

  RunContext& run_;
  const bool top_;
  std::string dir_;
  FolderFacts source_;
  FolderFacts dest_;
  // The listing taken before the subfolders, while it may still serve the
  // pass; its stamp (0 where stamps do not tell).
  bool listingStands_ = false;
  uint64_t listingStamp_ = 0;
  bool walkedBelow_ = false;
  // The job's destination reader, started by the top level when the
  // read-ahead is on and folders' stamps tell (see destination_reader.h).
  DestinationReader* destinations_ = nullptr;
  std::unique_ptr<DestinationReader> ownDestinations_;
};

}  // namespace tandrel
