#include "engine/transfer_decision.h"

#include "platform/entries.h"
#include "platform/error_codes.h"

namespace tandrel {
namespace {

TransferDecision LookAgainAt(TransferDecision::Look side) {
  TransferDecision d;
  d.look = side;
  return d;
}

}  // namespace

TransferDecision Decide(const JobRecord& job, const SourceSide& source, const DestinationSide& dest) {
  TransferDecision d;
  // Whether the sides may be marked as in step where nothing is copied: not
  // where the destination has no file, whose marks say something else.
  bool inStep = true;
  if (job.always) {
    // Replaced as it is now: the copy refuses a file protected meanwhile.
    if (!dest.fresh) return LookAgainAt(TransferDecision::Look::DestinationAgain);
    d.copy = true;
    d.status[status::kModeAt] = 'A';
    d.status[status::kActionAt] = 'C';
  } else {
    const bool sourceNewer = platform::AgeIsNewer(source.age, dest.age) ||
                             (!platform::AgeIsNewer(dest.age, source.age) && source.size != dest.size);
    // A file saved or protected since the level's reading is decided again.
    if (dest.age != -1 && sourceNewer && !dest.fresh)
      return LookAgainAt(TransferDecision::Look::DestinationAgain);
    if (dest.age == -1) {
      inStep = false;
      if (job.handleAsServer) {
        d.copy = d.markServer = true;
        d.status[status::kServerAt] = 'S';
        d.status[status::kNewAt] = 'N';
      }
      if (job.handleAsClient) {
        d.status[status::kClientAt] = 'C';
        if (dest.folderError != 0) {
          // The server's folder cannot be looked into: its files are
          // unknown, so none of the client's is deleted.
          d.code = dest.folderError;
        } else if (dest.folder) {
          // The server holds a folder, not a deleted file: the client's
          // file is neither copied nor deleted.
        } else if (dest.error != 0 && dest.error != platform::kErrNotFound) {
          // Nor is one deleted whose counterpart cannot be examined.
          d.code = dest.error;
        } else if (!source.fresh) {
          // Deleting rests on the client's mark as it is now.
          return LookAgainAt(TransferDecision::Look::SourceAgain);
        } else if (dest.error == 0 || source.archive) {
          // The client's copy replaces the server's: it carries the client's
          // archive state.
          d.copy = d.markClient = true;
          d.markServer = false;
          d.status[status::kActionAt] = 'C';
        } else if (d.copy) {
          // The server's copy is made first; the client's file goes only
          // once that copy stands on the disk.
          d.status[status::kActionAt] = 'D';
          d.deleteAfterCopy = true;
        } else {
          d.status[status::kActionAt] = 'D';
          d.deleteSource = true;
        }
      }
      if (!job.handleAsServer && !job.handleAsClient) {
        d.copy = true;
        d.status[status::kActionAt] = 'C';
      }
    } else if (sourceNewer) {
      d.copy = true;
      d.status[status::kModeAt] = 'D';
      d.status[status::kActionAt] = 'C';
    }
  }
  // A copy that fails leaves the two sides apart: their marks keep saying
  // so, and the next run tries again.
  if (inStep) {
    if (job.handleAsServer) {
      d.status[status::kServerAt] = 'S';
      (d.copy ? d.markServer : d.clearDestinationMark) = true;
    }
    if (job.handleAsClient) {
      d.status[status::kClientAt] = 'C';
      (d.copy ? d.markClient : d.clearSourceMark) = true;
    }
  }
  return d;
}

}  // namespace tandrel
