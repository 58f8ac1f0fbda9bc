#pragma once
// What a run does with one file of a level, decided from what is known of
// its two sides and the job's switches alone: no disk and no run, so that
// every row of the decision can be tried by itself.

#include <cstdint>
#include <string>

#include "config/job_lists.h"

namespace tandrel {

// The file's line before anything is decided, and where its letters go.
namespace status {
inline constexpr char kFresh[] = "File ... ....";
inline constexpr size_t kModeAt = 5;     // "A" always, "D" newer
inline constexpr size_t kServerAt = 6;   // "S"
inline constexpr size_t kClientAt = 7;   // "C"
inline constexpr size_t kNewAt = 9;      // "N"
inline constexpr size_t kActionAt = 10;  // "C" copied, "D" source deleted
inline constexpr size_t kVerifyAt = 11;  // "E"
inline constexpr size_t kFailAt = 12;    // "R"
}  // namespace status

// The source file as the level looked at it (ages as the platform's, -1
// where no file stands).
struct SourceSide {
  int64_t age = -1;
  int64_t size = -1;
  // Its archive attribute: asked only where a client's file's fate rests
  // on it, and then on a look taken just now.
  bool archive = false;
  bool fresh = false;  // looked at just now, not taken from the level's reading
};

// The destination's entry of the same name, and its folder.
struct DestinationSide {
  int64_t age = -1;  // -1: no file stands there
  int64_t size = -1;
  // Where no file stands: 0 when something else does (a link), kErrNotFound
  // when nothing does, or the error that kept the entry from being seen.
  int error = 0;
  bool folder = false;  // a folder of that name stands there
  // The destination folder's own error where it cannot be looked into for
  // another reason than not being there yet; else 0.
  int folderError = 0;
  bool fresh = false;  // looked at just now
};

struct TransferDecision {
  // A write would rest on a look that may be old: look at that side again
  // and decide anew. Nothing else in the decision holds until then.
  enum class Look { Enough, DestinationAgain, SourceAgain } look = Look::Enough;
  std::string status = status::kFresh;
  bool copy = false;
  bool markServer = false;       // the copy is made with its archive attribute clear
  bool markClient = false;       // the source is marked as copied once its copy stands
  bool deleteAfterCopy = false;  // the client's file goes once its copy stands
  bool deleteSource = false;     // the client's file goes now: the server deleted it
  // The two sides agree already: the archive attribute of that side is cleared.
  bool clearDestinationMark = false;
  bool clearSourceMark = false;
  int code = 0;  // the file's failure where it is known before any copy
};

// Decides one file. Ages within two seconds of each other are equal; a size
// that differs still says the file changed.
TransferDecision Decide(const JobRecord& job, const SourceSide& source, const DestinationSide& dest);

}  // namespace tandrel
