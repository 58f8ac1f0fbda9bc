#pragma once
// An INI document (the form of the configuration file) held as its lines. Parsing never fails: a
// line is a section header, a key line or some other line that is kept but
// ignored. Reads go through a hash index built once per parse; edits touch only
// the lines they must and Serialize() writes every line back with CR LF.
//
// Syntax:
// - Lines end in LF, CR LF or nothing (last line); one CR before the LF, or at
//   the very end of the text, belongs to the line end. A lone CR elsewhere is
//   ordinary text.
// - "[name]", optionally after blanks or tabs, opens a section. The name runs
//   to the last "]" on the line, so any name without a line break round-trips.
// - "key=value": the key is the text before the first "=", matched with blanks
//   and tabs trimmed; the value is everything after it, verbatim.
// - Section and key names match case-insensitively (ASCII). Keys before the
//   first section header belong to no section and are never read.
// - A section that occurs more than once is one section; for a key that occurs
//   more than once the first occurrence in file order counts, for reads and
//   for replacing it. New keys go into the first occurrence.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tandrel {

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string_view text);
  // The index points into the lines, so a copy needs its own index.
  IniDocument(const IniDocument& other);
  IniDocument& operator=(const IniDocument& other);
  IniDocument(IniDocument&&) noexcept = default;
  IniDocument& operator=(IniDocument&&) noexcept = default;

  // The whole value of the key, or nullopt when the key or its section is
  // missing. The view is valid until the next edit.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;

  // Replaces the value of an existing key in place; otherwise adds the key at
  // the end of its section, or a new section at the end of the document. A CR
  // or LF in any of the three texts becomes a blank.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes every occurrence of the section with all its lines; false when
  // there was none.
  bool EraseSection(std::string_view section);
  // Removes every line of the key in the section; false when there was none.
  bool DeleteKey(std::string_view section, std::string_view key);

  // The document with CR LF after every line.
  std::string Serialize() const;
  size_t LineCount() const { return lines_.size(); }

 private:
  struct CaseInsensitiveHash {
    size_t operator()(std::string_view s) const noexcept;
  };
  struct CaseInsensitiveEqual {
    bool operator()(std::string_view a, std::string_view b) const noexcept;
  };
  using KeyIndex = std::unordered_map<std::string_view, size_t, CaseInsensitiveHash, CaseInsensitiveEqual>;
  struct SectionEntry {
    size_t firstHeader = 0;  // line of the first header of the section
    size_t insertAfter = 0;  // last key line of that first block, or its header
    KeyIndex keys;           // key -> line of its first occurrence
  };

  void Reindex();

  std::vector<std::string> lines_;
  std::unordered_map<std::string_view, SectionEntry, CaseInsensitiveHash, CaseInsensitiveEqual> sections_;
};

}  // namespace tandrel
