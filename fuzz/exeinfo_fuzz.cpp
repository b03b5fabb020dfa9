// Arbitrary bytes as a program file and as a version block: finding the block and reading every
// property must stay inside the input and never fail.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "qualification/ExeImage.h"
#include "qualification/VersionBlock.h"
#include "qualification/zanExeinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  TZanExeInfo info;
  const std::vector<uint8_t> block = FindVersionBlock(TMemorySource(bytes));
  info.getInfoFromBlock(block);
  info.getInfoFromBlock(bytes);
  if (const auto root = QueryVersionValue(bytes, "\\")) VersionText(*root);
  return 0;
}
