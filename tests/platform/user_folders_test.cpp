#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace tandrel::platform {
namespace {

// Sets the environment for one check and puts it back afterwards.
class Environment {
 public:
  Environment() {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  ~Environment() {
    for (size_t i = 0; i < saved_.size(); ++i) Set(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
  }
  static void Set(const char* name, const char* value) {
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }

 private:
  static constexpr const char* kNames[] = {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"};
  std::vector<std::optional<std::string>> saved_;
};

TEST(UserFolders, HomeComesFromTheEnvironmentOrThePasswordDatabase) {
  Environment restore;
  const std::string fromDatabase = ::getpwuid(::getuid())->pw_dir;
  struct Row {
    const char* home;
    const char* configHome;
    const char* stateHome;
    std::string expectedHome, expectedConfig, expectedState;
  };
  const Row rows[] = {
      {"/home/ann", nullptr, nullptr, "/home/ann", "", ""},
      {nullptr, nullptr, nullptr, fromDatabase, "", ""},
      {"", nullptr, nullptr, fromDatabase, "", ""},
      {"relative/home", "/cfg", "/state", fromDatabase, "/cfg", "/state"},
      {"/home/ann", "relative", "", "/home/ann", "", ""},
  };
  for (const Row& row : rows) {
    Environment::Set("HOME", row.home);
    Environment::Set("XDG_CONFIG_HOME", row.configHome);
    Environment::Set("XDG_STATE_HOME", row.stateHome);
    const UserFolderSettings got = UserFolders();
    EXPECT_EQ(got.home, row.expectedHome) << (row.home ? row.home : "(unset)");
    EXPECT_EQ(got.configHome, row.expectedConfig);
    EXPECT_EQ(got.stateHome, row.expectedState);
  }
}

}  // namespace
}  // namespace tandrel::platform
