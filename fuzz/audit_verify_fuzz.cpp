// Audit trail files from arbitrary bytes: verifying, finding where a writer goes on and exporting
// must never crash, and must agree with each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/AuditTrailCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t lines = AuditLines(text).size();
  const TAuditVerdict v = VerifyAuditText(text);
  if (v.intact ? (v.records == 0 || v.records + v.cutLines > lines) : v.brokenLine > lines)
    std::abort();
  const TAuditTail tail = ScanAuditTail(text);
  if (tail.linesAfter > lines || (v.intact && !tail.anySealed)) std::abort();
  // A file that verifies has every intact record exported, one row each.
  const std::string rows = AuditCsvRows(text, ';');
  size_t rowCount = 0;
  for (size_t at = 0; (at = rows.find("\r\n", at)) != std::string::npos; at += 2) ++rowCount;
  if (v.intact && rowCount < v.records) std::abort();
  return 0;
}
