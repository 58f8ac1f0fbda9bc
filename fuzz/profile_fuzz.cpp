// Arbitrary bytes as a configuration file.
//
// A reference reading of the line grammar (ini_document.h) lists every key
// the file holds; the parser and IniFile, on a real file (read as the text
// ConfigurationText makes of its bytes), must read each of them the same,
// booleans included, and the parse must survive being written out and read
// again. Then a few writes, chosen by the last bytes of the input
// and taking their names and values from its text, go through IniFile: each
// must change exactly what it names, seen through the writing object and
// through a second one that caches the file.

#include <fcntl.h>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/ini_document.h"
#include "config/ini_file.h"
#include "fuzz_support.h"

namespace {

using fuzz::Fail;
using fuzz::Quoted;
using tandrel::IniDocument;
using tandrel::IniFile;

constexpr size_t kMaxValue = IniFile::kMaxValueLength;
// Keys checked through IniFile per input; each read costs a stat().
constexpr size_t kMaxTrackedKeys = 32;

// ---- The grammar, read the simple way ---------------------------------------

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// What a write stores for a text: line breaks become blanks.
std::string WithBlanksForBreaks(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

// The names a lookup or a write means: the text as a write would store it,
// letter case aside, and for a key without surrounding blanks.
std::string SectionId(std::string_view section) { return AsciiLower(WithBlanksForBreaks(section)); }
std::string KeyId(std::string_view key) { return AsciiLower(TrimBlanks(WithBlanksForBreaks(key))); }
using PairId = std::pair<std::string, std::string>;

struct Entry {
  std::string section;  // spelled as in the file
  std::string key;
  std::string value;
};

struct Model {
  std::map<PairId, Entry> keys;                 // first occurrence of each key of each section
  std::map<std::string, std::string> sections;  // id -> spelling of the first header
};

// The lines of a text: LF ends a line, one CR before it (or at the very end
// of the text) belongs to the line end.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
  }
  return lines;
}

Model ReadModel(std::string_view text) {
  Model model;
  std::optional<std::string> section;  // none before the first header
  for (const std::string_view line : Lines(text)) {
    const std::string_view lead = line.substr(std::min(line.find_first_not_of(" \t"), line.size()));
    const size_t close = lead.rfind(']');
    if (!lead.empty() && lead.front() == '[' && close != std::string_view::npos && close > 0) {
      section = std::string(lead.substr(1, close - 1));
      model.sections.try_emplace(SectionId(*section), *section);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || !section) continue;
    const std::string_view key = line.substr(0, eq);
    model.keys.try_emplace(PairId(SectionId(*section), KeyId(key)),
                           Entry{*section, std::string(key), std::string(line.substr(eq + 1))});
  }
  return model;
}

// A boolean value: the whole text (blanks around it aside) is a decimal
// integer with an optional sign, or "0x"/"0X" and hex digits; nullopt for
// anything else.
std::optional<bool> IntegerNonZero(std::string_view text) {
  text = TrimBlanks(text);
  std::string_view digits = text;
  bool hex = false;
  if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    digits = text.substr(2);
    hex = true;
  } else if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    digits = text.substr(1);
  }
  if (digits.empty()) return std::nullopt;
  bool nonZero = false;
  for (const char c : digits) {
    const bool ok = (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    if (!ok) return std::nullopt;
    nonZero = nonZero || c != '0';
  }
  return nonZero;
}

// ---- The parser in memory ---------------------------------------------------

void CheckParse(std::string_view input, const Model& model) {
  const IniDocument parsed(input);
  const std::string written = parsed.Serialize();
  const IniDocument reparsed(written);
  if (reparsed.Serialize() != written) Fail("Serialize() of a reparse differs for " + Quoted(input));

  for (const auto& item : model.keys) {
    const Entry& e = item.second;
    const auto where = [&] {
      return "[" + Quoted(e.section) + "] " + Quoted(e.key) + " in " + Quoted(input);
    };
    for (const IniDocument* p : {&parsed, &reparsed}) {
      const auto found = p->Find(e.section, e.key);
      if (!found) Fail("key not found: " + where());
      if (*found != e.value)
        Fail("key reads " + Quoted(*found) + " instead of " + Quoted(e.value) + ": " + where());
      // Names match whatever their ASCII case.
      const auto other = p->Find(AsciiUpper(e.section), AsciiLower(e.key));
      if (!other || *other != e.value) Fail("key not found under other letter case: " + where());
    }
  }
  for (const auto& [id, spelling] : model.sections) {
    if (!parsed.HasSection(spelling)) Fail("section not found: " + Quoted(spelling) + " in " + Quoted(input));
  }
}

// ---- IniFile on a real file ------------------------------------------------

// One scratch folder per process, under TMPDIR.
const std::string& ScratchFile() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/profile_fuzz-XXXXXX";
    if (!::mkdtemp(dir.data())) Fail("cannot create a scratch folder");
    static const std::string toRemove = dir;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(toRemove, ec);
    });
    return dir + "/tandrel.cfg";
  }();
  return path;
}

void WriteRaw(const std::string& path, std::string_view content) {
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot create " + path);
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n <= 0) Fail("cannot write " + path);
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

std::string ReadRaw(const std::string& path) {
  std::string content;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("cannot open " + path);
  char buffer[65536];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) content.append(buffer, static_cast<size_t>(n));
  ::close(fd);
  return content;
}

// What every tracked key should read: its value as IniFile returns it, or
// nullopt for a missing key.
struct Tracked {
  std::string section;  // a spelling to read it with
  std::string key;
  std::optional<std::string> value;
};
using Expectations = std::map<PairId, Tracked>;

void CheckReads(const IniFile& ini, const Expectations& expected, const char* who,
                const std::string& history) {
  // Two defaults, so that a value equal to one default still tells.
  static const std::string kDefaultA = "\x01missing-a";
  static const std::string kDefaultB = "\x01missing-b";
  for (const auto& item : expected) {
    const Tracked& t = item.second;
    const std::string a = ini.ReadString(t.section, t.key, kDefaultA);
    const std::string b = ini.ReadString(t.section, t.key, kDefaultB);
    const auto where = [&] {
      return std::string(who) + " reading [" + Quoted(t.section) + "] " + Quoted(t.key) + history;
    };
    if (!t.value) {
      if (a != kDefaultA || b != kDefaultB)
        Fail(where() + ": reads " + Quoted(a) + " instead of the default");
      continue;
    }
    if (a != *t.value || b != *t.value)
      Fail(where() + ": reads " + Quoted(a) + " instead of " + Quoted(*t.value));
    const std::optional<bool> integer = IntegerNonZero(*t.value);
    const bool whenFalse = ini.ReadBool(t.section, t.key, false);
    const bool whenTrue = ini.ReadBool(t.section, t.key, true);
    if (integer ? (whenFalse != *integer || whenTrue != *integer) : (whenFalse || !whenTrue)) {
      Fail(where() + ": ReadBool gives " + (whenFalse ? "true" : "false") + "/" +
           (whenTrue ? "true" : "false") + " for the defaults false/true");
    }
  }
}

// A key that reads back under its own name. The line grammar cannot carry
// a key with "=" (the line splits there) or one that begins with "[" (with a
// "]" anywhere in the value the line is a section header); the program's own
// keys are fixed words and list positions.
bool KeyCanBeStored(std::string_view key) {
  const std::string cleaned = WithBlanksForBreaks(key);
  const std::string_view stored = TrimBlanks(cleaned);
  return stored.find('=') == std::string_view::npos && (stored.empty() || stored.front() != '[');
}

class Ops {
 public:
  Ops(std::string_view input, const Model& model)
      : input_(input), model_(model), fdp_(Bytes(input), input.size()) {}

  void Run() {
    const std::string& path = ScratchFile();
    WriteRaw(path, input_);
    IniFile ini(path);
    const IniFile reader(path);

    Expectations expected;
    for (const auto& [id, e] : model_.keys) {
      if (expected.size() == kMaxTrackedKeys) break;
      expected.emplace(id, Tracked{e.section, e.key, e.value.substr(0, kMaxValue)});
    }
    CheckReads(ini, expected, "IniFile", " before any write");
    CheckReads(reader, expected, "second IniFile", " before any write");

    std::string history = " after";
    bool rewritten = false;
    const int count = fdp_.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < count; ++i) {
      const int kind = fdp_.ConsumeIntegralInRange(0, 3);
      const auto [section, key] = PickNames();
      const PairId id(SectionId(section), KeyId(key));
      const std::string call = "[" + Quoted(section) + "] " + Quoted(key);
      try {
        if (kind == 0) {
          const std::string value = PickValue();
          ini.WriteString(section, key, value);
          history += " WriteString " + call + " = " + Quoted(value) + ";";
          rewritten = true;
          if (!KeyCanBeStored(key)) return;  // what it changed is no longer known
          expected[id] = Tracked{section, key, WithBlanksForBreaks(value).substr(0, kMaxValue)};
        } else if (kind == 1) {
          const bool value = fdp_.ConsumeBool();
          ini.WriteBool(section, key, value);
          history += std::string(" WriteBool ") + call + " = " + (value ? "true;" : "false;");
          rewritten = true;
          if (!KeyCanBeStored(key)) return;
          expected[id] = Tracked{section, key, value ? "1" : "0"};
          if (ini.ReadBool(section, key, !value) != value) Fail("WriteBool does not read back" + history);
        } else if (kind == 2) {
          ini.EraseSection(section);
          history += " EraseSection " + Quoted(section) + ";";
          for (auto& [other, t] : expected) {
            if (other.first == id.first) t.value.reset();
          }
        } else {
          ini.DeleteKey(section, key);
          history += " DeleteKey " + call + ";";
          auto it = expected.find(id);
          if (it == expected.end()) it = expected.emplace(id, Tracked{section, key, std::nullopt}).first;
          it->second.value.reset();
        }
      } catch (const tandrel::IniWriteError& e) {
        Fail(std::string(e.what()) + history);
      }
      CheckReads(ini, expected, "IniFile", history);
      // The second object reads only now and then, so that its cache has to
      // notice several writes at once.
      if (fdp_.ConsumeBool()) CheckReads(reader, expected, "second IniFile", history);
    }
    CheckReads(reader, expected, "second IniFile", history);

    // A file the program wrote has CR LF line ends and reads back to the very
    // same text.
    if (rewritten) {
      const std::string content = ReadRaw(path);
      for (size_t lf = content.find('\n'); lf != std::string::npos; lf = content.find('\n', lf + 1)) {
        if (lf == 0 || content[lf - 1] != '\r') Fail("written file has a bare LF" + history);
      }
      if (!content.empty() && content.back() != '\n') Fail("written file does not end with CR LF" + history);
      const std::string text = tandrel::ConfigurationText(content);
      if (IniDocument(text).Serialize() != text) Fail("written file does not parse back to itself" + history);
    }
  }

 private:
  static const uint8_t* Bytes(std::string_view s) { return reinterpret_cast<const uint8_t*>(s.data()); }

  std::string Slice(size_t maxLength) {
    const size_t at = fdp_.ConsumeIntegralInRange<size_t>(0, input_.size());
    const size_t length = fdp_.ConsumeIntegralInRange<size_t>(0, maxLength);
    return std::string(input_.substr(at, length));
  }

  // Names of the file (a key it holds, or a section of it with any key) or
  // any piece of the input.
  std::pair<std::string, std::string> PickNames() {
    const int how = fdp_.ConsumeIntegralInRange(0, 3);
    if (how == 0 && !model_.keys.empty()) {
      auto it = model_.keys.begin();
      std::advance(it, fdp_.ConsumeIntegralInRange<size_t>(0, model_.keys.size() - 1));
      return {it->second.section, it->second.key};
    }
    if (how == 1 && !model_.sections.empty()) {
      auto it = model_.sections.begin();
      std::advance(it, fdp_.ConsumeIntegralInRange<size_t>(0, model_.sections.size() - 1));
      return {it->second, Slice(16)};
    }
    return {Slice(24), Slice(16)};
  }

  // Short values mostly; sometimes one around the read limit.
  std::string PickValue() {
    std::string piece = Slice(48);
    if (!fdp_.ConsumeBool()) return piece;
    if (piece.empty()) piece = "v";
    const size_t length = fdp_.ConsumeIntegralInRange<size_t>(kMaxValue - 2, kMaxValue + 64);
    std::string value;
    while (value.size() < length) value += piece;
    value.resize(length);
    return value;
  }

  std::string_view input_;
  const Model& model_;
  FuzzedDataProvider fdp_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const Model model = ReadModel(input);
  CheckParse(input, model);
  // A file is read as a configuration file's text (a byte order mark,
  // UTF-16, CR line ends), and whatever the program writes reads back as it is.
  const std::string text = tandrel::ConfigurationText(std::string(input));
  const std::string written = IniDocument(text).Serialize();
  if (tandrel::ConfigurationText(tandrel::ConfigurationBytes(written)) != written)
    Fail("a written text does not read back as itself: " + Quoted(input));
  const Model fileModel = text == input ? model : ReadModel(text);
  Ops(input, fileModel).Run();
  return 0;
}
