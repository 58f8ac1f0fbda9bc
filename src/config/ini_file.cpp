#include "config/ini_file.h"

#include <algorithm>
#include <optional>

#include "platform/error_codes.h"
#include "platform/utf8.h"
#include "support/file_names.h"

namespace tandrel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A boolean value is an integer, and only its being zero matters. The whole
// text must be the integer (blanks around it allowed): "1abc" is not one, so a
// damaged value falls back to the default instead of guessing. Decimal takes
// an optional sign; hexadecimal is "0x"/"0X" with at least one digit and no
// sign. Any number of digits is accepted, so a huge value is still non-zero.
std::optional<bool> IntegerIsNonZero(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  bool (*isDigit)(char) = IsDigit;
  if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    isDigit = IsHexDigit;
  } else if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  bool nonZero = false;
  for (char c : text) {
    if (!isDigit(c)) return std::nullopt;
    nonZero = nonZero || c != '0';
  }
  return nonZero;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigMark = "\xFE\xFF";

bool BeginsWithByteOrderMark(std::string_view text) {
  return text.starts_with(kUtf8Mark) || text.starts_with(kUtf16LittleMark) || text.starts_with(kUtf16BigMark);
}

// UTF-16 code units after their byte order mark, as UTF-8.
std::string FromUtf16(std::string_view bytes, bool bigEndian) {
  const auto unit = [&](size_t at) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[at]),
               second = static_cast<unsigned char>(bytes[at + 1]);
    return bigEndian ? (first << 8 | second) : (second << 8 | first);
  };
  const auto surrogate = [](char32_t c, char32_t from) { return c >= from && c < from + 0x400; };
  std::string out;
  out.reserve(bytes.size());
  size_t at = 0;
  for (; at + 2 <= bytes.size(); at += 2) {
    char32_t c = unit(at);
    if (surrogate(c, 0xD800) && at + 4 <= bytes.size() && surrogate(unit(at + 2), 0xDC00)) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
      at += 2;
    } else if (surrogate(c, 0xD800) || surrogate(c, 0xDC00)) {
      c = 0xFFFD;
    }
    platform::AppendUtf8(out, c);
  }
  if (at < bytes.size()) platform::AppendUtf8(out, 0xFFFD);
  return out;
}

// The file's document; 0, or why the file could not be read (the document
// is then empty).
int ReadDocument(const std::string& fileName, IniDocument& document, platform::FileStamp* stamp = nullptr) {
  std::string content;
  const int rc = platform::ReadWholeFile(fileName, content, stamp);
  document = IniDocument(ConfigurationText(std::move(content)));
  return rc;
}

}  // namespace

std::string ConfigurationText(std::string bytes) {
  std::string text;
  const std::string_view view = bytes;
  if (view.starts_with(kUtf8Mark)) {
    text = bytes.substr(kUtf8Mark.size());
  } else if (view.starts_with(kUtf16LittleMark) || view.starts_with(kUtf16BigMark)) {
    text = FromUtf16(view.substr(2), view.starts_with(kUtf16BigMark));
  } else {
    text = std::move(bytes);
  }
  if (text.find('\n') == std::string::npos) std::replace(text.begin(), text.end(), '\r', '\n');
  return text;
}

std::string ConfigurationBytes(std::string text) {
  if (BeginsWithByteOrderMark(text)) text.insert(0, kUtf8Mark);
  return text;
}

std::string IniFilePathFor(const std::string& executablePath) {
  return WithExtension(executablePath, ".cfg");
}

const IniDocument& IniFile::Document() const {
  const platform::FileStamp now = platform::StampOf(fileName_);
  if (cacheValid_ && now == cacheStamp_) return cache_;

  platform::FileStamp readStamp;
  const int rc = ReadDocument(fileName_, cache_, &readStamp);
  if (rc == 0) {
    cacheStamp_ = readStamp.exists ? readStamp : now;
    cacheValid_ = true;
  } else {
    // A missing file is a state worth caching; any other failure is retried
    // on the next read.
    cacheStamp_ = platform::FileStamp{};
    cacheValid_ = rc == platform::kErrNotFound && !now.exists;
  }
  return cache_;
}

std::string IniReader::ReadString(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const {
  const std::optional<std::string_view> value = Document().Find(section, key);
  if (!value) return std::string(defaultValue);
  return std::string(value->substr(0, kMaxValueLength));
}

bool IniReader::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  const std::optional<std::string_view> value = Document().Find(section, key);
  if (!value) return defaultValue;
  return IntegerIsNonZero(value->substr(0, kMaxValueLength)).value_or(defaultValue);
}

template <typename Edit>
bool IniFile::Modify(Edit&& edit) {
  IniDocument profile;
  const int rc = ReadDocument(fileName_, profile);
  // Replacing a file we could not read would lose its content.
  if (rc != 0 && rc != platform::kErrNotFound) return false;
  if (!edit(profile)) return true;
  // Our own write changes the stamp, so the cache would be dropped anyway;
  // dropping it here also covers a writer that slips in after us.
  cacheValid_ = false;
  // Whatever form the file was read in, it is written in the program's own.
  return platform::WriteFileAtomic(fileName_, ConfigurationBytes(profile.Serialize())) == 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  // Always written, even when unchanged, so that a file that cannot be
  // written is reported whenever the user saves.
  const bool ok = Modify([&](IniDocument& profile) {
    profile.Set(section, key, value);
    return true;
  });
  if (!ok) throw IniWriteError(fileName_);
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(std::string_view section) {
  if (!Modify([&](IniDocument& profile) { return profile.EraseSection(section); })) {
    throw IniWriteError(fileName_);
  }
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  Modify([&](IniDocument& profile) { return profile.DeleteKey(section, key); });
}

IniSnapshot::IniSnapshot(const std::string& fileName) : error_(ReadDocument(fileName, document_)) {}

}  // namespace tandrel
