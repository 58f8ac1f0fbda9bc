#pragma once
// IniFile: the access object of the configuration file. There is no state
// beyond the file itself: every read sees the file as it stands (a parsed copy
// is reused only while the file's stamp is unchanged), and every write reads
// the file afresh, applies the one change and replaces the whole file
// atomically. Any number of objects may be open on one file at a time.
// IniSnapshot: the file as it was at one moment, for a run.

#include <stdexcept>
#include <string>
#include <string_view>

#include "config/ini_document.h"
#include "platform/files.h"

namespace tandrel {

// A write that did not reach the file; the file keeps its earlier content.
class IniWriteError : public std::runtime_error {
 public:
  explicit IniWriteError(const std::string& path) : std::runtime_error("Unable to write to " + path) {}
};

// The configuration file of the executable at `executablePath`: the file
// name's extension replaced by ".cfg", or ".cfg" appended when it has none.
std::string IniFilePathFor(const std::string& executablePath);

// The text of a configuration file's bytes, as every reader takes it. Editors
// save the file in forms the program never writes: a UTF-8 byte order mark is
// dropped; after a UTF-16 byte order mark (little- or big-endian, Notepad's
// "Unicode") the text is converted to UTF-8, an unpaired surrogate or an odd
// last byte becoming U+FFFD; a text without any LF has each CR made an LF
// (old Mac line ends). Anything else is taken as it is.
std::string ConfigurationText(std::string bytes);
// The bytes a text is written as: UTF-8 without a byte order mark, unless the
// text begins like one (only a damaged first line can), so that
// ConfigurationText gives every written text back exactly.
std::string ConfigurationBytes(std::string text);

// The values of a configuration document, read by the program's rules.
class IniReader {
 public:
  // Values longer than this read back cut to this length.
  static constexpr size_t kMaxValueLength = 2047;

  virtual ~IniReader() = default;

  // The value, or `defaultValue` when the key or its section is missing; a
  // present key with an empty value reads as "". A missing or unreadable file
  // reads as empty.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
  // True for a non-zero integer, false for zero, `defaultValue` when the key
  // is missing or its value is not an integer (see ini_file.cpp).
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

 protected:
  IniReader() = default;
  IniReader(const IniReader&) = default;
  IniReader& operator=(const IniReader&) = default;

 private:
  virtual const IniDocument& Document() const = 0;
};

class IniFile : public IniReader {
 public:
  explicit IniFile(std::string fileName) : fileName_(std::move(fileName)) {}

  // Writes create the file (not its folder) and throw IniWriteError when the
  // file cannot be read or replaced.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteBool(std::string_view section, std::string_view key, bool value);  // "1" or "0"
  void EraseSection(std::string_view section);
  // Like the writes, but a failure is ignored.
  void DeleteKey(std::string_view section, std::string_view key);

 private:
  // The file as it stands now.
  const IniDocument& Document() const override;
  // Applies `edit` to a fresh parse of the file and writes the result when
  // `edit` reports a change. Returns false when the file could not be read or
  // written.
  template <typename Edit>
  bool Modify(Edit&& edit);

  std::string fileName_;
  mutable bool cacheValid_ = false;
  mutable platform::FileStamp cacheStamp_;
  mutable IniDocument cache_;
};

// The configuration file read once: what it held then, whatever becomes of
// the file afterwards. What could not be read reads as empty.
class IniSnapshot : public IniReader {
 public:
  explicit IniSnapshot(const std::string& fileName);
  // 0, or why the file could not be read (kErrNotFound when there is none).
  int error() const { return error_; }

 private:
  const IniDocument& Document() const override { return document_; }

  IniDocument document_;
  int error_ = 0;
};

}  // namespace tandrel
