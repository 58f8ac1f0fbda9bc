#include "config/ini_document.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tandrel {
namespace {

std::string ValueOf(const IniDocument& p, std::string_view section, std::string_view key) {
  const auto v = p.Find(section, key);
  return v ? std::string(*v) : std::string("<missing>");
}

TEST(IniDocumentTest, LineEndsOfEveryKind) {
  const char* texts[] = {
      "[S]\r\na=1\r\nb=2\r\n",  // CR LF
      "[S]\na=1\nb=2\n",        // LF only
      "[S]\r\na=1\nb=2\r\n",    // mixed
      "[S]\na=1\r\nb=2",        // no final line end
      "[S]\na=1\nb=2\r",        // cut between CR and LF
  };
  for (const char* text : texts) {
    const IniDocument p(text);
    EXPECT_EQ(ValueOf(p, "S", "a"), "1") << text;
    EXPECT_EQ(ValueOf(p, "S", "b"), "2") << text;
    EXPECT_EQ(p.Serialize(), "[S]\r\na=1\r\nb=2\r\n") << text;
  }
  EXPECT_EQ(IniDocument("").Serialize(), "");
  // A lone CR inside a line is text, not a line end.
  EXPECT_EQ(ValueOf(IniDocument("[S]\na=x\ry\n"), "S", "a"), "x\ry");
}

TEST(IniDocumentTest, ValuesAreVerbatimKeysAreTrimmed) {
  const IniDocument p(
      "[S]\n"
      "  padded  =  two blanks each side  \n"
      "\tTabbed\t=x\n"
      "eq=a=b==\n"
      "empty=\n"
      "=no key\n"
      "no equals sign here\n");
  EXPECT_EQ(ValueOf(p, "S", "padded"), "  two blanks each side  ");
  EXPECT_EQ(ValueOf(p, "S", "  padded\t"), "  two blanks each side  ");
  EXPECT_EQ(ValueOf(p, "S", "tabbed"), "x");
  EXPECT_EQ(ValueOf(p, "S", "eq"), "a=b==");
  EXPECT_EQ(ValueOf(p, "S", "empty"), "");
  EXPECT_EQ(ValueOf(p, "S", ""), "no key");
  EXPECT_EQ(ValueOf(p, "S", "no equals sign here"), "<missing>");
}

TEST(IniDocumentTest, SectionHeaders) {
  const IniDocument p(
      "top=before any section\n"
      "   [Indented]\n"
      "a=1\n"
      "[Odd]name]\n"
      "a=2\n"
      "[]\n"
      "a=3\n"
      "[Trailing]   \n"
      "a=4\n"
      "[Unclosed\n"
      "b=5\n");
  EXPECT_EQ(ValueOf(p, "Indented", "a"), "1");
  EXPECT_EQ(ValueOf(p, "Odd]name", "a"), "2");
  EXPECT_EQ(ValueOf(p, "", "a"), "3");
  EXPECT_EQ(ValueOf(p, "Trailing", "a"), "4");
  // "[Unclosed" is no header, so its key stays in the section before it.
  EXPECT_EQ(ValueOf(p, "Trailing", "b"), "5");
  EXPECT_FALSE(p.HasSection("Unclosed"));
  EXPECT_FALSE(p.HasSection("top"));

  // Names that carry "]", "[", ";" or blanks round-trip through a write.
  IniDocument q;
  for (const char* name : {"a]b", "[x]", ";c", " lead", "trail ", "", "=eq="}) {
    q.Set(name, "k", name);
  }
  const IniDocument reread(q.Serialize());
  for (const char* name : {"a]b", "[x]", ";c", " lead", "trail ", "", "=eq="}) {
    EXPECT_EQ(ValueOf(reread, name, "k"), name) << '"' << name << '"';
  }
}

TEST(IniDocumentTest, NamesMatchWithoutRegardToCase) {
  IniDocument p("[Active Jobs]\nFileMask=*.txt\n");
  EXPECT_EQ(ValueOf(p, "ACTIVE jobs", "filemask"), "*.txt");
  p.Set("active JOBS", "FILEMASK", "*.doc");
  // The existing line keeps its spelling; no second section or key appears.
  EXPECT_EQ(p.Serialize(), "[Active Jobs]\r\nFileMask=*.doc\r\n");
  // Only ASCII letters fold; other bytes compare exactly.
  p.Set("\xC4", "k", "upper");
  EXPECT_EQ(ValueOf(p, "\xE4", "k"), "<missing>");
}

TEST(IniDocumentTest, DuplicatesFirstOccurrenceWins) {
  IniDocument p(
      "[Job]\n"
      "a=first\n"
      "a=second\n"
      "\n"
      "[Other]\n"
      "x=1\n"
      "[job]\n"
      "a=third\n"
      "b=only in the later block\n");
  EXPECT_EQ(ValueOf(p, "Job", "a"), "first");
  EXPECT_EQ(ValueOf(p, "Job", "b"), "only in the later block");

  p.Set("Job", "a", "changed");
  p.Set("Job", "c", "new");
  EXPECT_EQ(p.Serialize(),
            "[Job]\r\na=changed\r\na=second\r\nc=new\r\n\r\n[Other]\r\nx=1\r\n[job]\r\na=third\r\n"
            "b=only in the later block\r\n");

  // Deleting a key removes every line of it, so it really is gone.
  EXPECT_TRUE(p.DeleteKey("JOB", "a"));
  EXPECT_EQ(ValueOf(p, "Job", "a"), "<missing>");
  EXPECT_FALSE(p.DeleteKey("Job", "a"));

  EXPECT_TRUE(p.EraseSection("job"));
  EXPECT_FALSE(p.HasSection("Job"));
  EXPECT_EQ(p.Serialize(), "[Other]\r\nx=1\r\n");
  EXPECT_FALSE(p.EraseSection("Job"));
}

TEST(IniDocumentTest, PlacementOfNewKeysAndSections) {
  IniDocument p;
  p.Set("A", "k1", "v1");
  EXPECT_EQ(p.Serialize(), "[A]\r\nk1=v1\r\n");  // no blank line at the top
  p.Set("B", "k1", "v1");
  p.Set("A", "k2", "v2");  // after A's last key, before the blank line
  EXPECT_EQ(p.Serialize(), "[A]\r\nk1=v1\r\nk2=v2\r\n\r\n[B]\r\nk1=v1\r\n");

  // A section without keys gets its first key right below the header; a
  // comment after the last key stays with what follows it.
  IniDocument q("[Empty]\n\n; about Next\n[Next]\nn=1\n; note\n\n");
  q.Set("Empty", "k", "v");
  q.Set("Next", "m", "2");
  q.Set("New", "k", "v");  // the file already ends in a blank line
  EXPECT_EQ(q.Serialize(),
            "[Empty]\r\nk=v\r\n\r\n; about Next\r\n[Next]\r\nn=1\r\nm=2\r\n; note\r\n\r\n[New]\r\nk=v\r\n");
}

TEST(IniDocumentTest, LineBreaksInWrittenTextBecomeBlanks) {
  IniDocument p;
  p.Set("Evil\r\n[Active Jobs]", "Source", "C:\\x\r\n0=Injected\nVerify=1");
  p.Set("Evil\r\n[Active Jobs]", "Key\nTwo", "v");
  EXPECT_EQ(p.Serialize(), "[Evil  [Active Jobs]]\r\nSource=C:\\x  0=Injected Verify=1\r\nKey Two=v\r\n");
  const IniDocument reread(p.Serialize());
  EXPECT_FALSE(reread.HasSection("Active Jobs"));
  // The name as typed still finds what was written under it.
  EXPECT_EQ(ValueOf(reread, "Evil\r\n[Active Jobs]", "Key\nTwo"), "v");
}

// Cuts a valid file at every byte: every key line complete before the cut
// must read back whole, a key line cut in its value reads back as a prefix,
// and nothing crashes.
TEST(IniDocumentTest, TruncatedAtEveryByte) {
  struct Entry {
    std::string section, key, value;
    size_t valueStart = 0, valueEnd = 0;
  };
  std::vector<Entry> entries;
  std::string text;
  auto header = [&](const std::string& name, const char* end = "\r\n") { text += "[" + name + "]" + end; };
  auto key = [&](const std::string& section, const std::string& k, const std::string& v,
                 const char* end = "\r\n") {
    text += k + "=";
    entries.push_back({section, k, v, text.size(), text.size() + v.size()});
    text += v + end;
  };
  header("Active Jobs");
  key("Active Jobs", "0", "Documents");
  key("Active Jobs", "1", "Photos", "\n");
  text += "\r\n";
  header("Documents");
  key("Documents", "Source", "C:\\Data\\Documents");
  key("Documents", "Destination", "  blanks kept  ");
  key("Documents", "FileMask", "");
  key("Documents", "Verify", "1", "\n");
  text += "garbage line\r\n";
  header("Log", "\n");
  key("Log", "LogFile", "1");
  key("Log", "Name", "a=b", "");

  for (size_t cut = 0; cut <= text.size(); ++cut) {
    const IniDocument p(std::string_view(text).substr(0, cut));
    for (const Entry& e : entries) {
      const auto found = p.Find(e.section, e.key);
      if (cut >= e.valueEnd) {
        ASSERT_TRUE(found) << e.key << " cut at " << cut;
        ASSERT_EQ(*found, e.value) << "cut at " << cut;
      } else if (cut >= e.valueStart) {
        ASSERT_TRUE(found) << e.key << " cut at " << cut;
        ASSERT_EQ(*found, e.value.substr(0, cut - e.valueStart)) << "cut at " << cut;
      } else {
        ASSERT_FALSE(found) << e.key << " cut at " << cut;
      }
    }
  }
}

TEST(IniDocumentTest, HostileContentKeepsReadableKeys) {
  std::string text = "[S]\na=1\n";
  text += std::string("nul\0inside\0line", 15) + "\n";
  text += "b=" + std::string("v\0w", 3) + "\n";
  text += std::string(1 << 20, 'x') + "\n";             // a 1 MB line
  text += "big=" + std::string(1 << 20, 'y') + "\r\n";  // a 1 MB value
  text += "\x01\x02\xff\xfe ]]] ==\r\r\n";              // binary junk with an "="
  text += "c=3";
  const IniDocument p(text);
  EXPECT_EQ(ValueOf(p, "S", "a"), "1");
  EXPECT_EQ(ValueOf(p, "S", "b"), std::string("v\0w", 3));
  EXPECT_EQ(p.Find("S", "big")->size(), size_t{1} << 20);
  EXPECT_EQ(ValueOf(p, "S", "c"), "3");
  EXPECT_EQ(IniDocument(p.Serialize()).Serialize(), p.Serialize());
}

// Random bytes drawn mostly from the characters that carry syntax: parsing
// never fails, a serialized document parses to the same document, and an
// edit always reads back.
TEST(IniDocumentTest, RandomDocumentsRoundTripAndAcceptEdits) {
  const std::string alphabet = std::string("[]=\r\n \t;aAbB") + std::string("\0\xff", 2);
  const char* names[] = {"a", "A", "b", "", "ab", "a]", " a"};
  std::mt19937 random(20240501);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const size_t length = random() % 400;
    for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];

    IniDocument p(text);
    const IniDocument reread(p.Serialize());
    ASSERT_EQ(reread.Serialize(), p.Serialize()) << round;
    for (const char* s : names) {
      for (const char* k : names) ASSERT_EQ(ValueOf(reread, s, k), ValueOf(p, s, k)) << round;
    }

    const char* section = names[random() % std::size(names)];
    const char* key = names[random() % std::size(names)];
    p.Set(section, key, "written");
    ASSERT_EQ(ValueOf(IniDocument(p.Serialize()), section, key), "written") << round;
    p.DeleteKey(section, key);
    ASSERT_EQ(ValueOf(IniDocument(p.Serialize()), section, key), "<missing>") << round;
    p.EraseSection(section);
    ASSERT_FALSE(IniDocument(p.Serialize()).HasSection(section)) << round;
  }
}

}  // namespace
}  // namespace tandrel

namespace tandrel {
namespace {

// Found by fuzzing: names holding a stray CR in a hand-edited file were
// stored as they stood but looked up with the CR as a blank.
TEST(IniDocumentTest, NamesHoldingALoneCrAreFound) {
  IniDocument p("[Photo\rs]\r\nSource=/home/user/Photos\r\n[Log]\r\nLog\rFile=1\r\n");
  EXPECT_TRUE(p.HasSection("Photo\rs"));
  EXPECT_EQ(p.Find("Photo\rs", "Source").value_or("<missing>"), "/home/user/Photos");
  EXPECT_EQ(p.Find("Photo s", "Source").value_or("<missing>"), "/home/user/Photos") << "as a write names it";
  EXPECT_EQ(p.Find("Log", "Log\rFile").value_or("<missing>"), "1");
  p.Set("Photo\rs", "Source", "/elsewhere");
  EXPECT_EQ(p.Find("Photo\rs", "Source").value_or("<missing>"), "/elsewhere");
  EXPECT_EQ(p.Serialize().find("[Photo s]"), std::string::npos) << "no second section for the same name";
  EXPECT_TRUE(p.EraseSection("Photo\rs"));
  EXPECT_FALSE(p.HasSection("Photo s"));
}

}  // namespace
}  // namespace tandrel
