// The command line as the program reads it: where "/SYNC" counts, what the
// other switches give, when the window system is left out, and the answers
// printed instead of starting.

#include "program/command_line.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tandrel {
namespace {

// argv of "tandrel" followed by `arguments`.
struct Argv {
  explicit Argv(std::vector<std::string> arguments) : texts(std::move(arguments)) {
    texts.insert(texts.begin(), "tandrel");
    for (const std::string& t : texts) pointers.push_back(t.c_str());
  }
  int argc() const { return static_cast<int>(pointers.size()); }
  const char* const* argv() const { return pointers.data(); }
  std::vector<std::string> texts;
  std::vector<const char*> pointers;
};

TEST(CommandLineTest, SyncSwitchAnywhereInTheArgumentText) {
  const std::pair<const char*, bool> rows[] = {
      {"/SYNC", true},       {"/sync", true},
      {"/Sync", true},       {"/SYNCHRONISE", true},
      {"abc/syncdef", true}, {"--minimized /SYNC later", true},
      {"-SYNC", false},      {"SYNC", false},
      {"/ SYNC", false},     {"", false},
  };
  for (const auto& [text, found] : rows) EXPECT_EQ(HasSyncSwitch(text), found) << '"' << text << '"';
}

TEST(CommandLineTest, OnlyTheArgumentsAfterTheProgramNameCount) {
  const char* withSwitchesInPath[] = {"/srv/sync/--preview", "--minimized"};
  EXPECT_EQ(ArgumentText(2, withSwitchesInPath), "--minimized");
  EXPECT_EQ(ShowStateOf(2, withSwitchesInPath), kShowMinNoActive);
  EXPECT_FALSE(HasPreviewSwitch(2, withSwitchesInPath));
  const Argv several({"a", "/sync", "b", "--preview"});
  EXPECT_EQ(ArgumentText(several.argc(), several.argv()), "a /sync b --preview");
  EXPECT_EQ(ShowStateOf(several.argc(), several.argv()), kShowDefault);
  EXPECT_TRUE(HasPreviewSwitch(several.argc(), several.argv()));
  const Argv alone({});
  EXPECT_EQ(ArgumentText(alone.argc(), alone.argv()), "");
}

TEST(CommandLineTest, TheWindowSystemIsLeftOutOnlyWhereNobodyCouldSeeIt) {
  struct Row {
    const char* name;
    bool chosenOffscreen;
    std::vector<std::string> arguments;
    bool debug;
    Road road;
  };
  const Row rows[] = {
      {"no display, /SYNC", true, {"/SYNC"}, false, Road::Unattended},
      {"no display, /sync among others", true, {"--minimized", "now/sync"}, false, Road::Unattended},
      {"a display", false, {"/SYNC"}, false, Road::Windows},
      {"a display, resident", false, {}, false, Road::Windows},
      {"no display, resident", true, {"--minimized"}, false, Road::NoDisplay},
      {"no display, resident, framework notes wanted", true, {"-SYNC"}, true, Road::NoDisplay},
      {"framework notes wanted", true, {"/SYNC"}, true, Road::Windows},
      {"platform argument", true, {"/SYNC", "-platform", "xcb"}, false, Road::Windows},
      {"platform argument, two dashes", true, {"--platform", "xcb", "/SYNC"}, false, Road::Windows},
      {"platform argument, resident", true, {"-platform", "vnc"}, false, Road::Windows},
  };
  for (const Row& r : rows) {
    const Argv a(r.arguments);
    EXPECT_EQ(RoadOf(r.chosenOffscreen, a.argc(), a.argv(), r.debug), r.road) << r.name;
  }
}

TEST(CommandLineTest, HelpAndVersionAnswers) {
  const Argv version({"/SYNC", "--version"});
  EXPECT_EQ(CommandLineAnswer(version.argc(), version.argv(), "/opt/t/tandrel"), "Tandrel 1.0.0.1\n");
  for (const char* asked : {"--help", "-h"}) {
    const Argv help({asked, "--version"});  // the first one asked for answers
    const std::string usage = CommandLineAnswer(help.argc(), help.argv(), "/opt/t/tandrel");
    EXPECT_EQ(usage.rfind("Usage: tandrel [--minimized] [/SYNC]\n", 0), 0u) << usage;
    // The Log folder ends in the platform's own separator.
    const std::string logFolder =
        "\nLog folder:    /opt/t/Log" + std::string(1, platform::kPathSeparator) + "\n";
    for (const std::string& line :
         {std::string("\nConfiguration: /opt/t/tandrel.cfg\n"), logFolder,
          std::string("\nManual:        /opt/t/tandrel.html\n"),
          std::string("\n  3  another run of the same configuration was in progress; nothing done\n")}) {
      EXPECT_NE(usage.find(line), std::string::npos) << line;
    }
  }
  const Argv neither({"--minimized", "/SYNC", "--preview", "-help"});
  EXPECT_EQ(CommandLineAnswer(neither.argc(), neither.argv(), "/opt/t/tandrel"), "");
}

}  // namespace
}  // namespace tandrel
