// An INI file held in memory: sections of "key=value" lines, read and written in CP1252.
//
// Reading behaves like the private-profile functions: section and key names are found
// regardless of letter case, blanks around a value and then one pair of quotation marks (" or ')
// around it are removed, at most MaxValueLength characters of a value are used, integers may be
// written "0x..." (hexadecimal), a value that is not a number gives the default, and a missing
// file, section or key gives the default. Writing puts quotation marks around a value that
// reading would otherwise change, so every value reads back as written. Lines other than keys
// (comments, blank lines) and keys the program does not know are kept when the file is written
// again. A UTF-8 byte order mark that an editor put in front is skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Exception.h"

// A configuration file that cannot be written. The message names the file.
class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

class TIniFile {
 public:
  // The longest part of a value that reading gives back (a 2048-byte buffer with its NUL).
  static constexpr size_t MaxValueLength = 2047;

  // Reads `fileName` if it exists; a missing or unreadable file gives an empty store.
  // Line ends may be CR LF or LF.
  explicit TIniFile(std::string fileName);
  // A store holding `text` as if read from `fileName`.
  TIniFile(std::string fileName, std::string_view text);

  const std::string& FileName() const { return fileName_; }

  // Whether the key is in the file, whatever its value.
  bool ValueExists(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  // Any non-zero number is true; a value that is not a number gives the default.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  // Every key of the section in file order with its value as ReadString gives it.
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(
      std::string_view section) const;

  // Changes the store only; UpdateFile writes it. A line break in a value cannot be stored (the
  // rest of the value would become a key or section of its own): CR and LF become blanks.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Removes the section's keys; its other lines stay, and keys written to it again come where
  // the old ones were. A missing section is added at the end.
  void ClearSection(std::string_view section);

  // Writes the whole store with CR LF line ends in place of the file's contents, as
  // ReplaceFileContents does: never half written, through a symbolic link, permissions kept, the
  // directory created when missing. A file the user may not write (made read-only to lock a
  // set-up) is refused and stays untouched, as does the file on any other failure. Raises
  // EIniFileException("In <file> kann nicht geschrieben werden").
  void UpdateFile() const;

  // The text UpdateFile writes.
  std::string Text() const;

 private:
  struct Line {
    std::string key;    // empty for lines that are not keys
    std::string value;  // the value of a key, or the whole text of another line
  };
  struct Section {
    std::string name;  // empty for the lines before the first section
    std::vector<Line> lines;
  };

  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;
  // The section, added at the end when missing.
  Section& SectionForWriting(std::string_view name);
  const Line* FindKey(std::string_view section, std::string_view key) const;
  void Parse(std::string_view text);

  std::string fileName_;
  std::vector<Section> sections_;
};
