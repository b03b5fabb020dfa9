#include "base/Cp1252.h"

#include <gtest/gtest.h>

TEST(Cp1252, EveryByteSurvivesARoundTripThroughUtf8AndUtf16) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
  EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(all)), all);
}

TEST(Cp1252, MapsTheWindowsRangeAndReplacesWhatItCannotHold) {
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(Utf8ToCp1252("Gr\xC3\xBC\xC3\x9F" "e"), "Gr\xFC\xDF" "e");
  EXPECT_EQ(Utf8ToCp1252("\xE2\x84\xA2"), "\x99");       // trade mark
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");          // a CJK character
  EXPECT_EQ(Utf8ToCp1252("a\xFF" "b\xC3"), "a?b?");      // malformed bytes
  EXPECT_EQ(Utf16ToCp1252(u"\U0001F600x"), "?x");       // surrogate pair is one character
}
