// Arbitrary bytes as an STR0 block: selection must either refuse the block with a manager error
// or accept it, and every lookup on an accepted block must stay inside it.
#include <cstddef>
#include <cstdint>
#include <span>

#include "serial/AdExcept.h"
#include "serial/AdSrMgr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  RegisterStringResource("FUZZ", bytes);
  TAdStringResource table;
  try {
    table.SelectResource("FUZZ");
  } catch (const ETpsStringResourceError&) {
    return 0;
  }
  // Identifiers taken from the input itself hit stored entries as well as gaps.
  for (size_t at = 0; at + 4 <= size; at += 4) {
    int32_t id = static_cast<int32_t>(uint32_t{data[at]} | uint32_t{data[at + 1]} << 8 |
                                      uint32_t{data[at + 2]} << 16 | uint32_t{data[at + 3]} << 24);
    table.TextFor(id);
    MessageForCode(table, id);
  }
  for (int32_t id : {INT32_MIN, -1, 0, 1, INT32_MAX}) table.TextFor(id);
  table.SetRaiseIfMissing(true);
  try {
    table.TextFor(0x7FFFFFFE);
  } catch (const ETpsStringResourceError&) {
  }
  return 0;
}
