#include <gtest/gtest.h>

#include "qualification/VersionBlock.h"

namespace {

TVersionDescription Sample() {
  TVersionDescription d;
  d.FileVersion[0] = 1;
  d.FileVersion[3] = 76;
  d.Language = 0x0407;
  d.CodePage = 0x04E4;
  d.Strings = {{"CompanyName", "Labor M\xFCller"}, {"LegalTrademarks", "<none>"}, {"Comments", ""}};
  return d;
}

std::string Text(std::span<const uint8_t> block, const char* path) {
  const auto value = QueryVersionValue(block, path);
  return value ? VersionText(*value) : "<missing>";
}

TEST(VersionBlock, PathsLeadToTheirValuesWhateverTheLetterCase) {
  const std::vector<uint8_t> block = BuildVersionBlock(Sample());
  EXPECT_EQ(Text(block, "\\StringFileInfo\\040704E4\\CompanyName"), "Labor M\xFCller");
  // The reader asks for "LegalTradeMarks"; the block spells it otherwise.
  EXPECT_EQ(Text(block, "\\stringfileinfo\\040704e4\\LegalTradeMarks"), "<none>");
  EXPECT_EQ(Text(block, "\\StringFileInfo\\040704E4\\Comments"), "");
  EXPECT_EQ(Text(block, "\\StringFileInfo\\040704E4\\ProductName"), "<missing>");
  EXPECT_EQ(Text(block, "\\StringFileInfo\\040904E4\\CompanyName"), "<missing>");

  const auto translation = QueryVersionValue(block, "\\VarFileInfo\\Translation");
  ASSERT_TRUE(translation);
  EXPECT_EQ(std::vector<uint8_t>(translation->Bytes.begin(), translation->Bytes.end()),
            (std::vector<uint8_t>{0x07, 0x04, 0xE4, 0x04}));
  const auto root = QueryVersionValue(block, "\\");
  ASSERT_TRUE(root);
  ASSERT_EQ(root->Bytes.size(), 52u);
  EXPECT_EQ(root->Bytes[0], 0xBD);  // the fixed information's signature
  EXPECT_EQ(root->Bytes[12], 76);   // last part of the file version
}

TEST(VersionBlock, CutOrDamagedBlocksNeverLeadOutsideTheBytes) {
  const std::vector<uint8_t> block = BuildVersionBlock(Sample());
  const char* const paths[] = {"\\", "\\VarFileInfo\\Translation",
                               "\\StringFileInfo\\040704E4\\CompanyName",
                               "\\StringFileInfo\\040704E4\\Comments"};
  // A block cut short: its root no longer fits, so nothing is found.
  for (size_t size = 0; size < block.size(); ++size) {
    // Copied so that AddressSanitizer sees every read past the cut.
    const std::vector<uint8_t> cut(block.begin(), block.begin() + static_cast<long>(size));
    for (const char* path : paths) EXPECT_FALSE(QueryVersionValue(cut, path)) << size << path;
  }
  // Every byte set to values that break lengths and terminators: values found stay inside.
  for (size_t at = 0; at < block.size(); ++at) {
    for (uint8_t v : {uint8_t{0x00}, uint8_t{0x01}, uint8_t{0xFF}}) {
      std::vector<uint8_t> damaged = block;
      damaged[at] = v;
      for (const char* path : paths) {
        const auto value = QueryVersionValue(damaged, path);
        if (!value) continue;
        EXPECT_GE(value->Bytes.data(), damaged.data());
        EXPECT_LE(value->Bytes.data() + value->Bytes.size(), damaged.data() + damaged.size());
        VersionText(*value);
      }
    }
  }
}

}  // namespace
