#include "platform/IniFile.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/CaptureConfig.h"
#include "tests/app/TempDir.h"
#ifndef _WIN32
#include "tests/app/Unprivileged.h"
#endif

namespace {

namespace fs = std::filesystem;

// The names in a directory, to see that no temporary file is left behind.
std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

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

// An editor that saves UTF-8 puts a byte order mark in front; the first section must survive it.
TEST(IniFile, AByteOrderMarkIsSkippedAndSectionsCanBeListedAndCleared) {
  TIniFile ini("t.INI",
               "\xEF\xBB\xBF[Comms]\r\nPort=4\r\n; kept\r\nBaud=\" 9600\"\r\n[mainWin]\r\n");
  EXPECT_EQ(ini.ReadString("Comms", "Port", "1"), "4");
  EXPECT_EQ(ini.ReadSectionValues("comms"),
            (std::vector<std::pair<std::string, std::string>>{{"Port", "4"}, {"Baud", " 9600"}}));
  ini.ClearSection("Comms");
  ini.WriteString("Comms", "Port", "7");
  ini.ClearSection("prgOpt");
  EXPECT_EQ(ini.Text(), "[Comms]\r\n; kept\r\nPort=7\r\n[mainWin]\r\n[prgOpt]\r\n");
  // Text that begins with the mark's bytes itself (a file that had two) survives a save.
  const TIniFile twice("t.INI", "\xEF\xBB\xBF\xEF\xBB\xBFx=1\r\n");
  EXPECT_EQ(TIniFile("t.INI", twice.Text()).Text(), twice.Text());
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

TEST(IniFile, ValuesAreReadWithoutSurroundingBlanksAndOneQuotePair) {
  struct Row {
    const char* stored;
    const char* read;
  };
  const Row rows[] = {
      {"9600 ", "9600"},
      {" 10\t", "10"},
      {"\" 9600\"", " 9600"},
      {" 'g ' ", "g "},
      {"\"\"\"x\"\"\"", "\"\"x\"\""},
      {"\"\"", ""},
      {"\"", "\""},
      {"\"a'", "\"a'"},
  };
  TempDir dir;
  const std::string path = dir.File("t.INI");
  std::string text = "[s]\r\n";
  for (size_t i = 0; i < std::size(rows); ++i)
    text += "k" + std::to_string(i) + "=" + rows[i].stored + "\r\n";
  WriteFile(path, text);
  TIniFile ini(path);
  for (size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(ini.ReadString("s", "k" + std::to_string(i), "-"), rows[i].read) << rows[i].stored;

  // A file edited by hand: the setting is taken, not lost to a conversion error.
  WriteFile(path, "[Comms]\r\nBaud=9600 \r\nParity= \"2\" \r\n[resRecog]\r\nend=10 \r\n");
  TCaptureConfig c;
  c.Read(TIniFile(path));
  EXPECT_EQ(c.Baud, "9600");
  EXPECT_EQ(c.Parity, 2);
  EXPECT_EQ(c.end, "10");
}

TEST(IniFile, ValuesThatReadingWouldChangeAreQuotedWhenWritten) {
  TempDir dir;
  const std::string path = dir.File("t.INI");
  const std::string values[] = {" 9600", "g ", "\"x\"", "'y'", "\t", "", "a \"b\"", "12"};
  TIniFile out(path);
  for (size_t i = 0; i < std::size(values); ++i)
    out.WriteString("s", "k" + std::to_string(i), values[i]);
  out.UpdateFile();
  EXPECT_TRUE(ReadFile(path).starts_with("[s]\r\nk0=\" 9600\"\r\nk1=\"g \"\r\n")) << ReadFile(path);
  EXPECT_NE(ReadFile(path).find("k6=a \"b\"\r\nk7=12\r\n"), std::string::npos) << ReadFile(path);
  TIniFile in(path);
  for (size_t i = 0; i < std::size(values); ++i)
    EXPECT_EQ(in.ReadString("s", "k" + std::to_string(i), "-"), values[i]) << i;
}

#ifndef _WIN32
unsigned Mode(const std::string& path) {
  return static_cast<unsigned>(fs::status(path).permissions());
}

// A file made read-only, or one in a directory that allows no new file beside it, is refused
// with the message and stays as it was. Root may write anything, so the save runs as a user.
TEST(IniFile, AFileTheUserMayNotWriteIsRefusedAndLeftUntouched) {
  struct Case {
    const char* name;
    fs::perms dir, file;
  };
  const Case cases[] = {{"readonly", fs::perms::all, fs::perms(0444)},
                        {"lockeddir", fs::perms(0555), fs::perms(0666)}};
  TempDir dir;
  const std::string old = "[Comms]\r\nPort=3\r\n";
  for (const Case& c : cases) {
    const std::string sub = dir.File(c.name), path = sub + "/t.INI";
    fs::create_directory(sub);
    WriteFile(path, old);
    fs::permissions(path, c.file);
    fs::permissions(sub, c.dir);
    std::string why;
    const std::optional<int> result = RunUnprivileged(
        [&] {
          TIniFile ini(path);
          ini.WriteString("Comms", "Port", "4");
          try {
            ini.UpdateFile();
          } catch (const EIniFileException& e) {
            return e.Message() == "In " + path + " kann nicht geschrieben werden" ? 0 : 2;
          }
          return 1;
        },
        why);
    fs::permissions(sub, fs::perms::owner_all);
    if (!result) GTEST_SKIP() << why;
    EXPECT_EQ(*result, 0) << c.name << ": 1 saved, 2 another message";
    EXPECT_EQ(ReadFile(path), old) << c.name;
    EXPECT_EQ(Mode(path), static_cast<unsigned>(c.file)) << c.name;
    EXPECT_EQ(Names(sub), std::vector<std::string>{"t.INI"}) << c.name;
  }
}

TEST(IniFile, SavingKeepsPermissionsAndWritesThroughASymbolicLink) {
  TempDir dir;
  fs::create_directory(dir.File("validated"));
  const std::string target = dir.File("validated/Tarvolin.INI"), link = dir.File("Tarvolin.INI");
  WriteFile(target, "[Comms]\r\nPort=3\r\n");
  fs::permissions(target, fs::perms(0640));
  fs::create_symlink("validated/Tarvolin.INI", link);

  TIniFile ini(link);
  ini.WriteString("Comms", "Port", "4");
  ini.UpdateFile();
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(target), "[Comms]\r\nPort=4\r\n");
  EXPECT_EQ(Mode(target), 0640u);
  EXPECT_EQ(Names(dir.File("validated")), std::vector<std::string>{"Tarvolin.INI"});
}
#else
// A file made read-only is refused with the message and stays as it was.
TEST(IniFile, AReadOnlyFileIsRefusedAndLeftUntouched) {
  TempDir dir;
  const std::string path = dir.File("t.INI"), old = "[Comms]\r\nPort=3\r\n";
  WriteFile(path, old);
  fs::permissions(path, fs::perms::all & ~(fs::perms::owner_write | fs::perms::group_write |
                                           fs::perms::others_write));
  TIniFile ini(path);
  ini.WriteString("Comms", "Port", "4");
  EXPECT_THROW(ini.UpdateFile(), EIniFileException);
  EXPECT_EQ(ReadFile(path), old);
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"t.INI"});
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
}
#endif

TEST(IniFile, TwoSavingAtOnceNeverMixTheirFiles) {
  TempDir dir;
  const std::string path = dir.File("t.INI");
  auto saver = [&path](char fill) {
    TIniFile ini(path);
    ini.WriteString("resRecog", "goodChars", std::string(20000, fill));
    for (int i = 0; i < 20; ++i) ini.UpdateFile();
    return ini.Text();
  };
  std::string a, b;
  std::thread other([&] { b = saver('b'); });
  a = saver('a');
  other.join();
  const std::string saved = ReadFile(path);
  EXPECT_TRUE(saved == a || saved == b) << saved.substr(0, 60);
  // None of the savers' own temporary files is left. (Wine's ReplaceFileW leaves a file of its
  // own behind when two replace one file at once; Windows does not.)
  std::vector<std::string> ours = Names(dir.Path());
  std::erase_if(ours, [](const std::string& name) { return !name.starts_with("t.INI"); });
  EXPECT_EQ(ours, std::vector<std::string>{"t.INI"});
}

TEST(IniFile, SavingCreatesTheDirectory) {
  TempDir dir;
  const std::string path = dir.File("sub/dir/t.INI");
  TIniFile ini(path);
  ini.WriteInteger("mainWin", "Left", -3);
  ini.WriteBool("Comms", "useDTR", true);
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(path), "[mainWin]\r\nLeft=-3\r\n[Comms]\r\nuseDTR=1\r\n");
  EXPECT_EQ(Names(dir.File("sub/dir")), std::vector<std::string>{"t.INI"});
}

}  // namespace
