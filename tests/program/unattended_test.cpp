// The unattended run in this process: its exit code for each way a run
// ends, and what reaches standard error.

#include "program/unattended.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>

#include "platform/files.h"
#include "program/exit_codes.h"
#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

TEST(UnattendedTest, ExitCodeAndStandardErrorOfEachEnding) {
  struct Row {
    const char* name;
    int code;
    const char* errors;  // found in standard error; "" for nothing at all
  };
  const Row rows[] = {
      {"clean", kExitClean, ""},
      {"failed", kExitRunFailed, "Source directory does not exist for job \"Missing\"\n"},
      {"busy", kExitBusy, "Another run of this configuration is in progress\n"},
      {"unreadable", kExitStartUpError, "\" could not be read, errorcode: "},
      {"start-up error", kExitStartUpError, "Kolvane Tandrel: Start-up step failed.\n"},
  };
  for (const Row& r : rows) {
    test::ScopedTempDir dir;
    const std::string program = dir / "tandrel";
    const std::string config = program + ".cfg";
    test::MakeDir(dir / "S");
    test::MakeDir(dir / "D");
    test::WriteFile(dir / "S/a.txt", "a");
    const std::string name = r.name;
    if (name == "unreadable") {
      test::MakeDir(config);
    } else {
      test::WriteFile(config, "[Active Jobs]\r\n0=J\r\n" +
                                  std::string(name == "failed" ? "1=Missing\r\n" : "") +
                                  "[J]\r\nSource=" + dir / "S" + "\r\nDestination=" + dir / "D" + "\r\n");
    }
    std::optional<platform::RunLock> other;
    if (name == "busy") other.emplace(config);
    testing::internal::CaptureStderr();
    const int code = RunUnattended(program, [&] {
      if (name == "start-up error") throw std::runtime_error("Start-up step failed");
    });
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, r.code) << r.name;
    if (*r.errors == '\0') {
      EXPECT_EQ(errors, "") << r.name;
    } else {
      EXPECT_NE(errors.find(r.errors), std::string::npos) << r.name << ": " << errors;
    }
    EXPECT_EQ(test::Exists(dir / "D/a.txt"), r.code == kExitClean || r.code == kExitRunFailed) << r.name;
  }
}

}  // namespace
}  // namespace tandrel
