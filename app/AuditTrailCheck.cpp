#include "app/AuditTrailCheck.h"

#include <clocale>
#include <fstream>

#include "app/ResultRecord.h"
#include "platform/Sha256.h"

using nlohmann::json;

namespace {

constexpr std::string_view kHashPrefix = "{\"hash\":\"";
constexpr size_t kHashDigits = 64;
// `{"hash":"` + 64 digits + `",`
constexpr size_t kSealLength = kHashPrefix.size() + kHashDigits + 2;

bool IsHex(std::string_view s) {
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// A member of a record as the chain needs it; nullptr when missing or of another kind.
const std::string* Text(const json& content, const char* name) {
  const auto it = content.find(name);
  return it != content.end() && it->is_string() ? it->get_ptr<const std::string*>() : nullptr;
}

bool Seq(const json& content, int64_t& seq) {
  const auto it = content.find("seq");
  if (it == content.end() || !it->is_number_integer()) return false;
  seq = it->get<int64_t>();
  return true;
}

// The successor of a seq without overflow: a forged maximum wraps and breaks the sequence.
int64_t After(int64_t seq) {
  return static_cast<int64_t>(static_cast<uint64_t>(seq) + 1);
}

std::string CsvField(std::string_view value, char separator) {
  if (value.find_first_of(std::string{separator, '"', '\n', '\r'}) == std::string_view::npos)
    return std::string(value);
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

// The columns of every kind of record; members not among them go to the last column.
const char* const kColumns[] = {"seq",      "type",   "time",   "offset",  "computer",
                                "user",     "config", "com",    "adapter", "raw",
                                "filtered", "typed",  "cursor", "window",  "outcome"};

std::string ValueText(const json& v) {
  return v.is_string() ? v.get<std::string>()
                       : v.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string AuditRecordLine(const json& content, std::string* hash) {
  const std::string body = content.dump();
  const std::string digest = Sha256Hex(std::string_view(body));
  if (hash != nullptr) *hash = digest;
  return std::string(kHashPrefix) + digest + "\"," + body.substr(1);
}

TAuditLine ParseAuditLine(std::string_view line) {
  TAuditLine parsed;
  if (line.size() <= kSealLength || !line.starts_with(kHashPrefix) ||
      line.substr(kHashPrefix.size() + kHashDigits, 2) != "\",")
    return parsed;
  const std::string_view hash = line.substr(kHashPrefix.size(), kHashDigits);
  if (!IsHex(hash)) return parsed;
  std::string body = "{";
  body += line.substr(kSealLength);
  json content = json::parse(body, nullptr, false);
  if (content.is_discarded() || !content.is_object()) return parsed;
  parsed.wellFormed = true;
  parsed.hash = std::string(hash);
  parsed.content = std::move(content);
  parsed.sealed = Sha256Hex(std::string_view(body)) == hash;
  return parsed;
}

std::vector<std::string_view> AuditLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      lines.push_back(text);
      break;
    }
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  return lines;
}

TAuditVerdict VerifyAuditText(std::string_view text) {
  TAuditVerdict v;
  auto broken = [&v](size_t line, std::string why) {
    v.intact = false;
    v.brokenLine = line;
    v.why = std::move(why);
    return v;
  };
  const std::vector<std::string_view> lines = AuditLines(text);
  if (lines.empty()) return broken(0, "the file is empty: no header record");

  std::string prevHash;
  int64_t nextSeq = 0;
  size_t cutRun = 0;  // unreadable lines since the last intact record
  for (size_t i = 0; i < lines.size(); ++i) {
    const size_t number = i + 1;
    const TAuditLine line = ParseAuditLine(lines[i]);
    if (!line.wellFormed) {
      ++cutRun;
      continue;
    }
    const size_t firstCut = number - cutRun;
    if (!line.sealed) {
      if (cutRun) return broken(firstCut, "unreadable record");
      return broken(number, "its content does not match its hash");
    }
    const std::string* type = Text(line.content, "type");
    const std::string* prev = Text(line.content, "prev");
    int64_t seq = 0;
    if (!type || !prev || !Seq(line.content, seq))
      return broken(cutRun ? firstCut : number,
                    cutRun ? "unreadable record" : "it lacks its type, prev or seq");
    if (i == 0) {
      if (*type != "header" || seq != 0 || *prev != kAuditZeroHash)
        return broken(number, "the file does not begin with a header record");
    } else if (cutRun) {
      const auto cut = line.content.find("cut");
      const bool continues = *type == "segment" && cut != line.content.end() &&
                             cut->is_number_unsigned() && cut->get<uint64_t>() == cutRun;
      if (!continues) return broken(firstCut, "unreadable record");
      if (*prev != prevHash || seq != nextSeq)
        return broken(number, "the new segment does not name the last intact record");
      v.cutLines += cutRun;
      cutRun = 0;
    } else if (*type == "header" || *type == "segment") {
      return broken(number, "a " + *type + " record in the middle of the chain");
    } else if (*prev != prevHash) {
      return broken(number, "it does not follow the record before it");
    } else if (seq != nextSeq) {
      return broken(number, "it is out of sequence");
    }
    prevHash = line.hash;
    nextSeq = After(seq);
    ++v.records;
  }
  if (v.records == 0) return broken(1, "unreadable record");
  // A cut end that no start has continued yet: the records before it stand.
  v.cutLines += cutRun;
  return v;
}

TAuditTail ScanAuditTail(std::string_view text) {
  TAuditTail tail;
  tail.lastHash = std::string(kAuditZeroHash);
  const std::vector<std::string_view> lines = AuditLines(text);
  tail.empty = lines.empty();
  tail.endsWithLineFeed = text.empty() || text.back() == '\n';
  // From the end: a start need not hash a whole month's records.
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    const TAuditLine line = ParseAuditLine(*it);
    int64_t seq = 0;
    if (line.sealed && Seq(line.content, seq)) {
      tail.anySealed = true;
      tail.lastHash = line.hash;
      tail.nextSeq = After(seq);
      return tail;
    }
    ++tail.linesAfter;
  }
  return tail;
}

std::string AuditCsvHeader(char separator) {
  std::string row = "\xEF\xBB\xBF";
  for (const char* c : kColumns) row += std::string(c) + separator;
  return row + "details\r\n";
}

std::string AuditCsvRows(std::string_view text, char separator) {
  std::string out;
  for (std::string_view raw : AuditLines(text)) {
    const TAuditLine line = ParseAuditLine(raw);
    if (!line.sealed) continue;
    json rest = line.content;
    rest.erase("prev");
    for (const char* c : kColumns) {
      const auto it = rest.find(c);
      if (it != rest.end()) {
        out += CsvField(VisibleText(ValueText(*it)), separator);
        rest.erase(it);
      }
      out += separator;
    }
    std::string details;
    for (const auto& [key, value] : rest.items())
      details += (details.empty() ? "" : " ") + key + "=" + VisibleText(ValueText(value));
    out += CsvField(details, separator) + "\r\n";
  }
  return out;
}

char LocaleCsvSeparator() {
  const lconv* conv = std::localeconv();
  return conv && conv->decimal_point && conv->decimal_point[0] == ',' ? ';' : ',';
}

bool ReadAuditFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    text.append(buffer, static_cast<size_t>(in.gcount()));
  return !in.bad();
}
