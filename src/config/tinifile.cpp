#include "config/tinifile.h"

#include <optional>

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

}  // namespace

std::string IniFilePathFor(const std::string& executablePath) {
  return WithExtension(executablePath, ".cfg");
}

const PrivateProfile& TIniFile::Current() const {
  const platform::FileStamp now = platform::StampOf(fileName_);
  if (cacheValid_ && now == cacheStamp_) return cache_;

  std::string content;
  platform::FileStamp readStamp;
  const int rc = platform::ReadWholeFile(fileName_, content, &readStamp);
  if (rc == 0) {
    cache_ = PrivateProfile(content);
    cacheStamp_ = readStamp.exists ? readStamp : now;
    cacheValid_ = true;
  } else {
    // A missing file is a state worth caching; any other failure is retried
    // on the next read.
    cache_ = PrivateProfile();
    cacheStamp_ = platform::FileStamp{};
    cacheValid_ = rc == platform::kErrNotFound && !now.exists;
  }
  return cache_;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  const std::optional<std::string_view> value = Current().Find(section, key);
  if (!value) return std::string(defaultValue);
  return std::string(value->substr(0, kMaxValueLength));
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  const std::optional<std::string_view> value = Current().Find(section, key);
  if (!value) return defaultValue;
  return IntegerIsNonZero(value->substr(0, kMaxValueLength)).value_or(defaultValue);
}

template <typename Edit>
bool TIniFile::Modify(Edit&& edit) {
  std::string content;
  const int rc = platform::ReadWholeFile(fileName_, content);
  // Replacing a file we could not read would lose its content.
  if (rc != 0 && rc != platform::kErrNotFound) return false;
  PrivateProfile profile(content);
  if (!edit(profile)) return true;
  // Our own write changes the stamp, so the cache would be dropped anyway;
  // dropping it here also covers a writer that slips in after us.
  cacheValid_ = false;
  return platform::WriteFileAtomic(fileName_, profile.Serialize()) == 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  // Always written, even when unchanged, so that a file that cannot be
  // written is reported whenever the user saves.
  const bool ok = Modify([&](PrivateProfile& profile) {
    profile.Set(section, key, value);
    return true;
  });
  if (!ok) throw IniWriteError(fileName_);
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::EraseSection(std::string_view section) {
  if (!Modify([&](PrivateProfile& profile) { return profile.EraseSection(section); })) {
    throw IniWriteError(fileName_);
  }
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  Modify([&](PrivateProfile& profile) { return profile.DeleteKey(section, key); });
}

}  // namespace tandrel
