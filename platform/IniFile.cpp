#include "platform/IniFile.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/SysUtils.h"
#include "platform/FileReplace.h"

namespace {

// What an editor that saves UTF-8 may put before the first line; it is no part of the text.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

std::string OneLine(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c == '\r' || c == '\n') c = ' ';
  return r;
}

bool Quoted(std::string_view s) {
  return s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front();
}

// A value as the file holds it, to the value read: blanks around it go, and then one pair of
// quotation marks around it.
std::string_view Unwrap(std::string_view stored) {
  stored = TrimBlanks(stored);
  return Quoted(stored) ? stored.substr(1, stored.size() - 2) : stored;
}

// A value to the text stored for it. Where reading would take blanks or quotation marks off it
// (" 9600" picked from the baud list, an obligatory text ending in a blank), quotation marks
// keep it whole.
std::string Wrap(std::string_view value) {
  std::string line = OneLine(value);
  return Unwrap(line) == line ? line : '"' + line + '"';
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  // A directory opens as a stream too, and its first read throws.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fileName_, ec)) return;
  std::ifstream in(fileName_, std::ios::binary);
  if (!in) return;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Parse(text);
}

TIniFile::TIniFile(std::string fileName, std::string_view text) : fileName_(std::move(fileName)) {
  Parse(text);
}

void TIniFile::Parse(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  sections_.push_back(Section{});
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    std::string_view trimmed = TrimBlanks(line);
    if (!trimmed.empty() && trimmed.front() == '[') {
      size_t close = trimmed.find(']');
      std::string_view name =
          trimmed.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      sections_.push_back(Section{std::string(TrimBlanks(name)), {}});
      continue;
    }
    size_t eq = line.find('=');
    std::string_view key =
        eq == std::string_view::npos ? std::string_view() : TrimBlanks(line.substr(0, eq));
    if (key.empty() || trimmed.front() == ';') {
      sections_.back().lines.push_back(Line{std::string(), std::string(line)});
    } else {
      // Kept as it stands, so that rewriting the file changes only the keys written.
      sections_.back().lines.push_back(Line{std::string(key), std::string(line.substr(eq + 1))});
    }
  }
}

TIniFile::Section* TIniFile::FindSection(std::string_view name) {
  for (Section& s : sections_)
    if (!s.name.empty() && SameText(s.name, name)) return &s;
  return nullptr;
}

const TIniFile::Section* TIniFile::FindSection(std::string_view name) const {
  for (const Section& s : sections_)
    if (!s.name.empty() && SameText(s.name, name)) return &s;
  return nullptr;
}

const TIniFile::Line* TIniFile::FindKey(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return nullptr;
  for (const Line& l : s->lines)
    if (!l.key.empty() && SameText(l.key, key)) return &l;
  return nullptr;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindKey(section, key) != nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  const Line* l = FindKey(section, key);
  std::string_view v = l != nullptr ? Unwrap(l->value) : def;
  return std::string(v.substr(0, MaxValueLength));
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  const Line* l = FindKey(section, key);
  if (l == nullptr) return def;
  return StrToIntDef(TrimBlanks(Unwrap(l->value).substr(0, MaxValueLength)), def);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionValues(
    std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> values;
  if (const Section* s = FindSection(section)) {
    for (const Line& l : s->lines) {
      if (l.key.empty()) continue;
      std::string_view v = Unwrap(l.value);
      values.emplace_back(l.key, std::string(v.substr(0, MaxValueLength)));
    }
  }
  return values;
}

TIniFile::Section& TIniFile::SectionForWriting(std::string_view name) {
  if (Section* s = FindSection(name)) return *s;
  if (sections_.empty()) sections_.push_back(Section{});
  sections_.push_back(Section{OneLine(name), {}});
  return sections_.back();
}

void TIniFile::ClearSection(std::string_view section) {
  std::erase_if(SectionForWriting(section).lines, [](const Line& l) { return !l.key.empty(); });
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = &SectionForWriting(section);
  for (Line& l : s->lines) {
    if (!l.key.empty() && SameText(l.key, key)) {
      l.value = Wrap(value);
      return;
    }
  }
  // New keys go after the section's last key, before trailing blank lines.
  auto at = s->lines.end();
  while (at != s->lines.begin() && std::prev(at)->key.empty() &&
         TrimBlanks(std::prev(at)->value).empty())
    --at;
  s->lines.insert(at, Line{OneLine(key), Wrap(value)});
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string TIniFile::Text() const {
  std::string out;
  for (const Section& s : sections_) {
    if (!s.name.empty()) out += "[" + s.name + "]\r\n";
    for (const Line& l : s.lines) {
      if (!l.key.empty()) out += l.key + "=";
      out += l.value + "\r\n";
    }
  }
  // Text that itself begins with the byte order mark's bytes (a file that had two) keeps them:
  // reading takes one mark off, so they are written behind one.
  if (out.starts_with(kByteOrderMark)) out.insert(0, kByteOrderMark);
  return out;
}

void TIniFile::UpdateFile() const {
  if (!ReplaceFileContents(fileName_, Text()))
    throw EIniFileException(Format("In %s kann nicht geschrieben werden", fileName_));
}
