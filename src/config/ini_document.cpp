#include "config/ini_document.h"

#include <algorithm>
#include <cstdint>

namespace tandrel {

namespace {

enum class LineKind { Other, Section, Key };

struct LineInfo {
  LineKind kind = LineKind::Other;
  std::string_view name;  // section name, or the trimmed key
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Names match without regard to ASCII case, and a line break in a name
// matches the blank that a write puts in its place.
char NameChar(char c) {
  if (c == '\r' || c == '\n') return ' ';
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (NameChar(a[i]) != NameChar(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsBlankLine(std::string_view line) { return Trim(line).empty(); }

// A key name as a write would store it: a stray CR or LF in a hand-edited
// file counts as the blank that Set() puts in its place, and blanks around
// the name do not count.
std::string_view TrimKeyName(std::string_view s) {
  const auto blank = [](char c) { return IsBlank(c) || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

LineInfo Classify(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i < line.size() && line[i] == '[') {
    const size_t close = line.rfind(']');
    if (close != std::string_view::npos && close > i) {
      return {LineKind::Section, line.substr(i + 1, close - i - 1)};
    }
  }
  const size_t eq = line.find('=');
  if (eq != std::string_view::npos) return {LineKind::Key, TrimKeyName(line.substr(0, eq))};
  return {};
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// A line break in a name or value would start a new line of the file, so it
// becomes a blank: what one writes can never turn into other keys or sections.
std::string WithoutLineBreaks(std::string_view s) {
  std::string out(s);
  std::replace(out.begin(), out.end(), '\r', ' ');
  std::replace(out.begin(), out.end(), '\n', ' ');
  return out;
}

// Names are looked up the way Set() stores them; `storage` holds the cleaned
// copy only when one is needed, so plain lookups do not allocate.
std::string_view LookupName(std::string_view name, std::string& storage) {
  if (!HasLineBreak(name)) return name;
  storage = WithoutLineBreaks(name);
  return storage;
}

}  // namespace

size_t IniDocument::CaseInsensitiveHash::operator()(std::string_view s) const noexcept {
  uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (char c : s) {
    h ^= static_cast<unsigned char>(NameChar(c));
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

bool IniDocument::CaseInsensitiveEqual::operator()(std::string_view a, std::string_view b) const noexcept {
  return SameName(a, b);
}

IniDocument::IniDocument(std::string_view text) {
  lines_.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  size_t start = 0;
  while (start < text.size()) {
    const size_t nl = text.find('\n', start);
    size_t stop = nl == std::string_view::npos ? text.size() : nl;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines_.emplace_back(text.substr(start, stop - start));
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  Reindex();
}

IniDocument::IniDocument(const IniDocument& other) : lines_(other.lines_) { Reindex(); }

IniDocument& IniDocument::operator=(const IniDocument& other) {
  if (this != &other) {
    lines_ = other.lines_;
    Reindex();
  }
  return *this;
}

void IniDocument::Reindex() {
  sections_.clear();
  SectionEntry* current = nullptr;
  bool inFirstBlock = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const LineInfo info = Classify(lines_[i]);
    if (info.kind == LineKind::Section) {
      auto [it, inserted] = sections_.try_emplace(info.name);
      if (inserted) {
        it->second.firstHeader = i;
        it->second.insertAfter = i;
      }
      current = &it->second;
      inFirstBlock = inserted;
    } else if (info.kind == LineKind::Key && current) {
      current->keys.try_emplace(info.name, i);
      if (inFirstBlock) current->insertAfter = i;
    }
  }
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
  std::string sectionStorage, keyStorage;
  const auto sec = sections_.find(LookupName(section, sectionStorage));
  if (sec == sections_.end()) return std::nullopt;
  const auto k = sec->second.keys.find(Trim(LookupName(key, keyStorage)));
  if (k == sec->second.keys.end()) return std::nullopt;
  const std::string& line = lines_[k->second];
  return std::string_view(line).substr(line.find('=') + 1);
}

bool IniDocument::HasSection(std::string_view section) const {
  std::string storage;
  return sections_.count(LookupName(section, storage)) != 0;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string sectionName = WithoutLineBreaks(section);
  const std::string keyText = WithoutLineBreaks(key);
  const std::string_view keyName = Trim(keyText);
  const std::string cleanValue = WithoutLineBreaks(value);

  const auto sec = sections_.find(sectionName);
  if (sec == sections_.end()) {
    // Sections are kept apart by one empty line, as the program writes them.
    if (!lines_.empty() && !IsBlankLine(lines_.back())) lines_.emplace_back();
    lines_.push_back("[" + sectionName + "]");
    lines_.push_back(std::string(keyName) + "=" + cleanValue);
  } else if (const auto k = sec->second.keys.find(keyName); k != sec->second.keys.end()) {
    // Keep the key's own spelling and place; only the value changes.
    std::string& line = lines_[k->second];
    line.resize(line.find('=') + 1);
    line += cleanValue;
  } else {
    const auto at = lines_.begin() + static_cast<std::ptrdiff_t>(sec->second.insertAfter + 1);
    lines_.insert(at, std::string(keyName) + "=" + cleanValue);
  }
  Reindex();
}

bool IniDocument::EraseSection(std::string_view section) {
  std::string storage;
  const std::string_view name = LookupName(section, storage);
  if (!sections_.count(name)) return false;
  std::vector<std::string> kept;
  kept.reserve(lines_.size());
  bool inTarget = false;
  for (std::string& line : lines_) {
    const LineInfo info = Classify(line);
    if (info.kind == LineKind::Section) inTarget = SameName(info.name, name);
    if (!inTarget) kept.push_back(std::move(line));
  }
  lines_ = std::move(kept);
  Reindex();
  return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  if (!Find(section, key)) return false;
  std::string sectionStorage, keyStorage;
  const std::string_view sectionName = LookupName(section, sectionStorage);
  const std::string_view keyName = Trim(LookupName(key, keyStorage));
  std::vector<std::string> kept;
  kept.reserve(lines_.size());
  bool inTarget = false;
  for (std::string& line : lines_) {
    const LineInfo info = Classify(line);
    if (info.kind == LineKind::Section) inTarget = SameName(info.name, sectionName);
    if (inTarget && info.kind == LineKind::Key && SameName(info.name, keyName)) continue;
    kept.push_back(std::move(line));
  }
  lines_ = std::move(kept);
  Reindex();
  return true;
}

std::string IniDocument::Serialize() const {
  size_t total = 0;
  for (const std::string& line : lines_) total += line.size() + 2;
  std::string out;
  out.reserve(total);
  for (const std::string& line : lines_) {
    out += line;
    out += "\r\n";
  }
  return out;
}

}  // namespace tandrel
