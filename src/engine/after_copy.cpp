#include "engine/after_copy.h"

#include "engine/run_context.h"
#include "engine/transfer_decision.h"
#include "platform/error_codes.h"

namespace tandrel {
namespace {

// Deletes a client's file whose copy now stands on the server, unless it
// has changed since it was copied. 0 or the code.
int DeleteCopiedSource(RunContext& run, const platform::DirHandle& folder, const std::string& name,
                       const platform::CopiedState& copied) {
  if (!copied.Describes(folder.LookAt(name))) return platform::kErrChanged;
  const int err = folder.RemoveFile(name);
  if (err == 0) run.Update([](RunProgress&, RunCounts& counts) { ++counts.sourceDeleted; });
  return err == platform::kErrNotFound ? 0 : err;
}

}  // namespace

std::optional<HeldLine> FileLine(const RunSettings& settings, const FileTransfer& file) {
  const bool verifyFailed = file.status[status::kVerifyAt] == 'E';
  const bool failed = file.code != 0 || verifyFailed;
  if (!settings.extendedLog && !failed) return std::nullopt;
  std::string line = file.status;
  if (verifyFailed) line += " VERIFYERROR";
  line += " code " + std::to_string(file.code) + " " + file.sourceFile + " -> " + file.destFile;
  if (verifyFailed && settings.extendedLog && file.levelVerifyError) *file.levelVerifyError = true;
  return HeldLine{std::move(line), failed, nullptr};
}

std::optional<HeldLine> ApplyAfterCopy(RunContext& run, const CopyOutcome& outcome, AfterCopy& after) {
  FileTransfer& file = after.file;
  file.code = outcome.code;
  if (outcome.differs) file.status[status::kVerifyAt] = 'E';
  if (outcome.threw) file.status[status::kFailAt] = 'R';
  if (outcome.code == 0 && !outcome.differs) {
    run.Update([size = after.copied.size](RunProgress& progress, RunCounts& counts) {
      ++counts.copied;
      progress.bytesCopied += size;
    });
    // The client's mark says what was copied; a file changed during its
    // copy keeps its mark set.
    if (after.clearClientMark) file.code = after.source->ClearArchiveAsCopied(after.name, after.copied);
    if (after.deleteClientFile) file.code = DeleteCopiedSource(run, *after.source, after.name, after.copied);
  }
  return FileLine(run.Settings(), file);
}

}  // namespace tandrel
