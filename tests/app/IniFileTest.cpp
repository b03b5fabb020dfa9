#include "app/IniFile.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "app/CaptureConfig.h"
#include "tests/app/TempDir.h"

namespace {

TCaptureConfig SavedAndLoaded(const TCaptureConfig& c, const std::string& path) {
  TIniFile out(path);
  c.Write(out);
  out.UpdateFile();
  TCaptureConfig back;
  back.Read(TIniFile(path));
  return back;
}

TEST(IniFile, EveryFieldSurvivesSavingAndLoading) {
  TempDir dir;
  TCaptureConfig c;
  c.Port = "7";
  c.Baud = " 9600";  // list entries carry leading blanks
  c.Databits = "7";
  c.Parity = -1;
  c.Stopbits = "2";
  c.XonXoff = -1;
  c.useDTR = true;
  c.useRTS = false;
  c.useDSR = true;
  c.useCTS = true;
  c.begin = "2";
  c.end = " 3";
  c.checkChars = "\xB5g ";  // micro sign, trailing blank
  c.goodChars = "0123456789,-";
  c.decSubst = -1;
  c.cursMove = -1;
  c.mainLeft = -5;
  c.mainTop = 1;
  c.prgLeft = 2;
  c.prgTop = 3;
  c.serLeft = 4;
  c.serTop = 5;
  ASSERT_NE(c, TCaptureConfig());
  EXPECT_EQ(SavedAndLoaded(c, dir.File("a.INI")), c);

  // The defaults survive too, including the end code's leading blank and the empty text.
  EXPECT_EQ(SavedAndLoaded(TCaptureConfig(), dir.File("b.INI")), TCaptureConfig());
}

TEST(IniFile, MissingFileGivesTheDefaults) {
  TempDir dir;
  TCaptureConfig c;
  c.Port = "9";
  c.Read(TIniFile(dir.File("none.INI")));
  EXPECT_EQ(c, TCaptureConfig());
  EXPECT_EQ(c.Port, "1");
  EXPECT_EQ(c.Baud, "9600");
  EXPECT_EQ(c.end, " 10");
  EXPECT_EQ(c.begin, "255");
  EXPECT_EQ(c.checkChars, "");
  EXPECT_EQ(c.goodChars, ".0123456789");
  EXPECT_EQ(c.cursMove, 1);
  EXPECT_EQ(c.prgLeft, 200);
  EXPECT_EQ(c.mainLeft, 100);
}

TEST(IniFile, NumbersHexNonNumbersAndBooleans) {
  TempDir dir;
  WriteFile(dir.File("t.INI"),
            "[Comms]\n"
            "Parity=0x3\n"
            "XonXoff=zwei\n"
            "useDTR=5\n"
            "useRTS=ja\n"
            "useDSR=0X0\n"
            "useCTS=-1\n"
            "[resModi]\n"
            "decSubst= 2 \n"
            "cursMove=\n"
            "[mainWin]\n"
            "Left=0x10\n");
  TCaptureConfig c;
  c.Read(TIniFile(dir.File("t.INI")));
  EXPECT_EQ(c.Parity, 3);
  EXPECT_EQ(c.XonXoff, 0);  // not a number: default
  EXPECT_TRUE(c.useDTR);    // any non-zero number
  EXPECT_FALSE(c.useRTS);   // not a number: default false
  EXPECT_FALSE(c.useDSR);
  EXPECT_TRUE(c.useCTS);
  EXPECT_EQ(c.decSubst, 2);
  EXPECT_EQ(c.cursMove, 1);  // empty value: default
  EXPECT_EQ(c.mainLeft, 16);
}

TEST(IniFile, SectionsAndKeysAreFoundRegardlessOfCase) {
  TempDir dir;
  const std::string path = dir.File("t.INI");
  WriteFile(path, "[COMMS]\r\nport=4\r\n[ResRecog]\r\nGOODCHARS=12\r\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("Comms", "Port", "1"), "4");
  EXPECT_EQ(ini.ReadString("resRecog", "goodChars", ""), "12");

  // Writing replaces the existing key in place instead of adding a second one.
  ini.WriteString("Comms", "Port", "5");
  EXPECT_EQ(ini.Text(), "[COMMS]\r\nport=5\r\n[ResRecog]\r\nGOODCHARS=12\r\n");
}

TEST(IniFile, OnlyTheFirst2047CharactersOfAValueAreUsed) {
  TempDir dir;
  const std::string path = dir.File("t.INI");
  const std::string longText(3000, 'x');
  TIniFile out(path);
  out.WriteString("resRecog", "goodChars", longText);
  out.WriteString("resModi", "cursMove", std::string(2047, ' ') + "7");
  out.UpdateFile();
  TIniFile in(path);
  EXPECT_EQ(in.ReadString("resRecog", "goodChars", ""), std::string(2047, 'x'));
  // The digit lies beyond the limit: only blanks are read, which is not a number.
  EXPECT_EQ(in.ReadInteger("resModi", "cursMove", 1), 1);
}

TEST(IniFile, LineEndsWindowsWrittenUnixAndWindowsRead) {
  TempDir dir;
  const std::string lf = dir.File("lf.INI"), crlf = dir.File("crlf.INI");
  WriteFile(lf, "; comment\n[Comms]\nPort=3\nBaud=4800\n\n[Extra]\nkeep=me\n");
  WriteFile(crlf, "[Comms]\r\nPort=3\r\nBaud=4800\r\n");
  for (const std::string& path : {lf, crlf}) {
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Comms", "Port", ""), "3") << path;
    EXPECT_EQ(ini.ReadString("Comms", "Baud", ""), "4800") << path;
  }

  // Rewriting keeps comments, blank lines and foreign sections, adds new keys to their
  // section and writes CR LF only.
  TIniFile ini(lf);
  ini.WriteString("Comms", "Databits", "7");
  ini.WriteString("resRecog", "begin", "2");
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(lf),
            "; comment\r\n[Comms]\r\nPort=3\r\nBaud=4800\r\nDatabits=7\r\n\r\n[Extra]\r\n"
            "keep=me\r\n[resRecog]\r\nbegin=2\r\n");
}

TEST(IniFile, ALineBreakInAValueCannotCreateKeysOrSections) {
  TempDir dir;
  const std::string path = dir.File("t.INI");
  TIniFile out(path);
  out.WriteString("resRecog", "checkChars", "g\r\n[Comms]\r\nPort=7\nBaud=x");
  out.UpdateFile();

  TIniFile in(path);
  EXPECT_EQ(in.ReadString("Comms", "Port", "none"), "none");
  EXPECT_EQ(in.ReadString("Comms", "Baud", "none"), "none");
  EXPECT_EQ(in.ReadString("resRecog", "checkChars", ""), "g  [Comms]  Port=7 Baud=x");
}

TEST(IniFile, AFailedSaveLeavesTheOldFileIntact) {
  TempDir dir;
  const std::string path = dir.File("t.INI");
  const std::string old = "[Comms]\r\nPort=3\r\n";
  WriteFile(path, old);
  // The temporary file beside it cannot be created.
  std::filesystem::create_directory(path + ".tmp");

  TIniFile ini(path);
  ini.WriteString("Comms", "Port", "4");
  try {
    ini.UpdateFile();
    FAIL() << "no error raised";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "In " + path + " kann nicht geschrieben werden");
  }
  EXPECT_EQ(ReadFile(path), old);
}

TEST(IniFile, SavingCreatesTheDirectory) {
  TempDir dir;
  const std::string path = dir.File("sub/dir/t.INI");
  TIniFile ini(path);
  ini.WriteInteger("mainWin", "Left", -3);
  ini.WriteBool("Comms", "useDTR", true);
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(path), "[mainWin]\r\nLeft=-3\r\n[Comms]\r\nuseDTR=1\r\n");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

}  // namespace
