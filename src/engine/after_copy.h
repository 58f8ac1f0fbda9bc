#pragma once
// What follows a file's transfer, as data: its line, and for a copy the
// steps that wait until the copy stands (counts, the client's mark or the
// client's file deleted). The copy batch carries it to its turn; the run
// applies it there, in one place (ApplyAfterCopy).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/copies.h"
#include "platform/folders.h"

namespace tandrel {

class RunContext;
struct RunSettings;

// One file in the hands of the transfer: its line as it grows, and what
// became of it.
struct FileTransfer {
  std::string status;
  std::string sourceFile;
  std::string destFile;
  int32_t code = 0;
  // Set when a comparison found a difference, for the level's hint line.
  std::shared_ptr<bool> levelVerifyError;
};

// A line of the run's log, held while copies wait so that the log keeps the
// walk's order.
struct HeldLine {
  std::string text;
  bool failure = false;  // written, and counted as the run's failure
  // Written only when this is set by the time the line's turn comes.
  std::shared_ptr<const bool> onlyIf;
};

// How a waiting copy ended. Only a copy that ends with code 0 and no
// difference stands under its name.
struct CopyOutcome {
  int code = 0;          // 0, or the code of the step that failed
  bool differs = false;  // the comparison found the copy unequal
  bool threw = false;    // the comparison could not be made at all
};

struct AfterCopy {
  FileTransfer file;
  // The source's folder, held while the copy waits, and the file's name in it.
  std::shared_ptr<platform::DirHandle> source;
  std::string name;
  platform::CopiedState copied;   // what the copy read, as it read it
  bool compare = false;           // with the source, before the copy is named
  bool clearClientMark = false;   // the client's file is marked as copied
  bool deleteClientFile = false;  // and deleted: its copy now stands on the server
};

// The line of a file the transfer is done with: with extended logging
// always, otherwise only when it failed (a failure that only counted would
// leave the user a failure that no line names).
std::optional<HeldLine> FileLine(const RunSettings& settings, const FileTransfer& file);

// Applies what follows a copy that ended as `outcome`: the counts and the
// client's steps where it stands; the file's line, where it has one.
std::optional<HeldLine> ApplyAfterCopy(RunContext& run, const CopyOutcome& outcome, AfterCopy& after);

}  // namespace tandrel
