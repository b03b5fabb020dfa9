// The audit trail's file format, shared by the program that writes it and the tool that checks
// it. A file is JSON Lines, one record a line:
//
//   {"hash":"<64 hex>","prev":"<64 hex>","seq":7,"type":"result",...}\n
//
// `hash` is the SHA-256 of the line's text with the hash member taken out, that is of the text
// from the `{` before "prev" on, with the `{` put back in front. Each record's "prev" is the hash
// of the record before it and "seq" counts from 0, so any edit, deletion, insertion or
// reordering breaks the chain at that record. The first record is the header (seq 0, "prev" all
// zeros). A crash can leave the last line cut; the program then keeps it and adds a segment
// record whose "prev" names the last intact record and whose "cut" counts the cut lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

inline constexpr std::string_view kAuditZeroHash =
    "0000000000000000000000000000000000000000000000000000000000000000";

// The line (without its line end) of a record whose members are `content`, "prev" and "seq"
// included, and its hash where `hash` is given. Its texts must be UTF-8.
std::string AuditRecordLine(const nlohmann::json& content, std::string* hash = nullptr);

// One line of a file taken apart.
struct TAuditLine {
  // The line has the record's shape: the hash first, then a JSON object.
  bool wellFormed = false;
  // Its content matches its hash.
  bool sealed = false;
  std::string hash;
  nlohmann::json content;  // an object when well formed
};
TAuditLine ParseAuditLine(std::string_view line);

// Appends a file's whole contents to `text`; false when it cannot be opened or a read fails (a
// directory named reports a failed read instead of throwing).
bool ReadAuditFile(const std::string& path, std::string& text);

// The lines of a file: each ends at a line feed; a last one without it (cut) counts too.
std::vector<std::string_view> AuditLines(std::string_view text);

// The verdict on a whole file.
struct TAuditVerdict {
  bool intact = true;
  size_t records = 0;   // intact records
  size_t cutLines = 0;  // lines a crash cut, kept in the file
  // The first broken record, when not intact: its line (from 1) and why, in English.
  size_t brokenLine = 0;
  std::string why;
};
TAuditVerdict VerifyAuditText(std::string_view text);

// Where a writer goes on in an existing file: after its last sealed record.
struct TAuditTail {
  bool empty = true;       // the file has no line at all
  bool anySealed = false;  // a sealed record was found
  std::string lastHash;    // of the last sealed record (zeros when none)
  int64_t nextSeq = 0;     // its seq + 1
  size_t linesAfter = 0;   // lines after it (cut, or otherwise unusable)
  bool endsWithLineFeed = true;
};
TAuditTail ScanAuditTail(std::string_view text);

// The records of a file as CSV for spreadsheets: a header row, then one row per sealed record,
// UTF-8 with a byte order mark, fields separated by `separator` and quoted where needed, CR LF
// line ends. Control characters in texts are shown by their names ("<CR><LF>").
std::string AuditCsvHeader(char separator);
std::string AuditCsvRows(std::string_view text, char separator);
// The separator a spreadsheet of the current locale expects: ';' where the decimal separator is
// a comma, ',' elsewhere.
char LocaleCsvSeparator();
