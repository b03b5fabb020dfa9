#include "base/SysUtils.h"

#include <gtest/gtest.h>

#include "base/Exception.h"

TEST(StrToInt, AcceptsWhatTheRuntimeAccepts) {
  EXPECT_EQ(StrToInt("10"), 10);
  EXPECT_EQ(StrToInt(" 10"), 10);  // the default end code carries a leading blank
  EXPECT_EQ(StrToInt("   -1"), -1);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("0x1F"), 31);
  EXPECT_EQ(StrToInt("0X1f"), 31);
  EXPECT_EQ(StrToInt("$ff"), 255);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
  EXPECT_EQ(StrToInt("0xFFFFFFFF"), -1);
}

TEST(StrToInt, RefusesEverythingElseWithTheGermanMessage) {
  for (const char* bad :
       {"", " ", "10 ", "1a", "abc", "-", "0x", "$", "2147483648", "0x100000000", "1.5", "\t5"}) {
    try {
      StrToInt(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), std::string("'") + bad + "' ist kein g\xFCltiger Integerwert");
    }
  }
  EXPECT_EQ(StrToIntDef("x", 42), 42);
}

TEST(CheckWord, RaisesTheRangeErrorOutsideSixteenBits) {
  EXPECT_EQ(CheckWord(0), 0);
  EXPECT_EQ(CheckWord(65535), 65535);
  EXPECT_THROW(CheckWord(65536), ERangeError);
  try {
    CheckWord(-1);
    FAIL();
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(),
              "Fehler bei Bereichspr\xFC"
              "fung");
  }
}

TEST(TextHelpers, TrimRemovesBlanksAndControlsAndUpperCaseOnlyTouchesAscii) {
  EXPECT_EQ(Trim(" \t\r\nab c\x01 "), "ab c");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(UpperCase("/config=k\xE4"), "/CONFIG=K\xE4");
  EXPECT_TRUE(SameText("resModi", "RESMODI"));
  EXPECT_FALSE(SameText("\xE4", "\xC4")) << "only ASCII letters fold";
  EXPECT_FALSE(SameText("COM1", "COM10"));
  EXPECT_EQ(Format("Parameter %d (%s) nicht auswertbar!", 2, std::string("xyz")),
            "Parameter 2 (xyz) nicht auswertbar!");
}
