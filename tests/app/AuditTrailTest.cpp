#include "app/AuditTrail.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "app/AuditTrailCheck.h"
#include "platform/IniFile.h"
#include "tests/app/TempDir.h"

namespace {

// 2026-12-09 13:30:00.250 UTC.
constexpr int64_t kDecemberMs = 1796823000250;

class AuditTrailTest : public ::testing::Test {
 protected:
  TAuditTrail MakeTrail() {
    return TAuditTrail(dir.Path(), {"1.2.3.4", "LABOR-PC", "m\xFCller"}, [this] { return now; });
  }
  std::string File() const { return ReadFile(dir.File("Tarvolin-Audit-2026-12.jsonl")); }
  std::vector<std::string> Lines() const {
    const std::string text = File();
    std::vector<std::string> lines;
    for (std::string_view l : AuditLines(text)) lines.emplace_back(l);
    return lines;
  }
  // A capture of three readings, as the result path reports them.
  void WriteCapture(TAuditTrail& trail) {
    ASSERT_TRUE(trail.Open());
    trail.SetContext("A", 3, "usb:0403:6001:A50285BI:00");
    ASSERT_TRUE(trail.CaptureStarted({"9600", "8", "None", "1", "none", "DTR RTS"}));
    ASSERT_TRUE(trail.Record(
        {"+   12.345 g\r\n", "12.345", "12,345", "CR", "Mappe1 - Excel", TResultOutcome::Typed}));
    ASSERT_TRUE(trail.Record(
        {"+    1.5 g\r\n", "1.5", "", "", "***Morvisk***", TResultOutcome::OwnWindow}));
    ASSERT_TRUE(trail.Record(
        {"?    7.0 g\r\n", "7.0", "", "", "Mappe1 - Excel", TResultOutcome::CheckFailed}));
    trail.BatchDone();
    ASSERT_TRUE(trail.CaptureStopped());
  }

  TempDir dir;
  TAuditTime now{kDecemberMs, 60};
};

TEST_F(AuditTrailTest, CaptureIsRecordedAsAnIntactChainBehindAHeader) {
  TAuditTrail trail = MakeTrail();
  WriteCapture(trail);
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 6u);
  const char* const types[] = {"header", "capture-start", "result",
                               "result", "result",        "capture-stop"};
  for (size_t i = 0; i < lines.size(); ++i) {
    const TAuditLine line = ParseAuditLine(lines[i]);
    ASSERT_TRUE(line.sealed) << lines[i];
    EXPECT_EQ(line.content["type"], types[i]);
    EXPECT_EQ(line.content["seq"], i);
  }
  const TAuditLine header = ParseAuditLine(lines[0]);
  EXPECT_EQ(header.content["version"], "1.2.3.4");
  EXPECT_EQ(header.content["computer"], "LABOR-PC");
  EXPECT_EQ(header.content["user"], "m\xC3\xBCller") << "CP1252 becomes UTF-8";
  EXPECT_EQ(header.content["time"], "2026-12-09T13:30:00.250Z");
  EXPECT_EQ(header.content["offset"], "+01:00");

  const TAuditLine typed = ParseAuditLine(lines[2]);
  EXPECT_EQ(typed.content["raw"], "+   12.345 g\r\n");
  EXPECT_NE(lines[2].find(R"("raw":"+   12.345 g\r\n")"), std::string::npos)
      << "control characters escaped on the line";
  EXPECT_EQ(typed.content["typed"], "12,345");
  EXPECT_EQ(typed.content["cursor"], "CR");
  EXPECT_EQ(typed.content["window"], "Mappe1 - Excel");
  EXPECT_EQ(typed.content["config"], "A");
  EXPECT_EQ(typed.content["com"], 3);
  EXPECT_EQ(typed.content["outcome"], "typed");
  EXPECT_EQ(ParseAuditLine(lines[3]).content["outcome"], "own-window");
  EXPECT_EQ(ParseAuditLine(lines[4]).content["outcome"], "check-failed");
  EXPECT_EQ(ParseAuditLine(lines[1]).content["handshake"], "DTR RTS");

  const TAuditVerdict v = VerifyAuditText(File());
  EXPECT_TRUE(v.intact) << v.why;
  EXPECT_EQ(v.records, 6u);
}

TEST_F(AuditTrailTest, AnotherStartContinuesTheChainOfTheMonth) {
  TAuditTrail first = MakeTrail();
  WriteCapture(first);
  TAuditTrail second = MakeTrail();
  WriteCapture(second);
  EXPECT_EQ(Lines().size(), 11u) << "one header only";
  EXPECT_TRUE(VerifyAuditText(File()).intact);
}

TEST_F(AuditTrailTest, ACaptureKeepsOtherWritersOutAndTheyGoOnFromItsEnd) {
  TAuditTrail a = MakeTrail();
  ASSERT_TRUE(a.Open());
  ASSERT_TRUE(a.CaptureStarted({}));
  TAuditTrail b = MakeTrail();
  EXPECT_FALSE(b.Open());
  EXPECT_NE(b.Error().find("wird gerade von einem anderen Tarvolin geschrieben"), std::string::npos)
      << b.Error();
  ASSERT_TRUE(a.Record({"1\n", "1", "1", "", "x", TResultOutcome::Typed}));
  ASSERT_TRUE(a.CaptureStopped());

  ASSERT_TRUE(b.Open());
  ASSERT_TRUE(b.ConfigSaved("B.INI"));
  ASSERT_TRUE(a.ConfigLoaded("A.INI")) << "the first writer goes on after the second one's record";
  const TAuditVerdict v = VerifyAuditText(File());
  EXPECT_TRUE(v.intact) << v.why;
  EXPECT_EQ(v.records, 6u);
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

// Each way of changing a file breaks the chain at the first record that is no longer what was
// written.
TEST_F(AuditTrailTest, EveryTamperingIsFoundAtItsRecord) {
  TAuditTrail trail = MakeTrail();
  WriteCapture(trail);
  const std::vector<std::string> original = Lines();
  struct Case {
    const char* what;
    std::vector<std::string> (*change)(std::vector<std::string>);
    size_t brokenLine;
    const char* why;
  };
  const Case cases[] = {
      {"a digit of a typed value changed",
       [](std::vector<std::string> l) {
         l[2].replace(l[2].find("12,345"), 6, "12,845");
         return l;
       },
       3, "its content does not match its hash"},
      {"a line deleted",
       [](std::vector<std::string> l) {
         l.erase(l.begin() + 3);
         return l;
       },
       4, "it does not follow the record before it"},
      {"two lines swapped",
       [](std::vector<std::string> l) {
         std::swap(l[2], l[3]);
         return l;
       },
       3, "it does not follow the record before it"},
      {"a record inserted with a hash recomputed for itself",
       [](std::vector<std::string> l) {
         nlohmann::json forged = ParseAuditLine(l[2]).content;
         forged["prev"] = ParseAuditLine(l[2]).hash;
         forged["seq"] = 3;
         forged["typed"] = "99,999";
         l.insert(l.begin() + 3, AuditRecordLine(forged));
         return l;
       },
       5, "it does not follow the record before it"},
      {"the header removed",
       [](std::vector<std::string> l) {
         l.erase(l.begin());
         return l;
       },
       1, "the file does not begin with a header record"},
  };
  for (const Case& c : cases) {
    const TAuditVerdict v = VerifyAuditText(Joined(c.change(original)));
    EXPECT_FALSE(v.intact) << c.what;
    EXPECT_EQ(v.brokenLine, c.brokenLine) << c.what;
    EXPECT_EQ(v.why, c.why) << c.what;
  }
}

TEST_F(AuditTrailTest, ACutLastRecordIsKeptAndANewSegmentNamesTheLastIntactOne) {
  {
    TAuditTrail trail = MakeTrail();
    WriteCapture(trail);
  }
  std::string text = File();
  const std::vector<std::string> lines = Lines();
  // A crash in the middle of the last record.
  text.resize(text.size() - lines.back().size() / 2 - 1);
  WriteFile(dir.File("Tarvolin-Audit-2026-12.jsonl"), text);
  EXPECT_TRUE(VerifyAuditText(text).intact) << "the records before the cut stand";

  TAuditTrail again = MakeTrail();
  ASSERT_TRUE(again.Open());
  const std::string after = File();
  EXPECT_EQ(after.substr(0, text.size()), text) << "nothing before is overwritten";
  const std::vector<std::string> kept = Lines();
  ASSERT_EQ(kept.size(), 7u);
  const TAuditLine segment = ParseAuditLine(kept[6]);
  EXPECT_EQ(segment.content["type"], "segment");
  EXPECT_EQ(segment.content["cut"], 1);
  EXPECT_EQ(segment.content["prev"], ParseAuditLine(kept[4]).hash);
  EXPECT_EQ(segment.content["seq"], 5);

  ASSERT_TRUE(again.CaptureStopped());
  const TAuditVerdict v = VerifyAuditText(File());
  EXPECT_TRUE(v.intact) << v.why;
  EXPECT_EQ(v.records, 7u);
  EXPECT_EQ(v.cutLines, 1u);

  // A segment may only follow cut lines, and name the record before them.
  std::vector<std::string> moved = Lines();
  moved.erase(moved.begin() + 5);
  EXPECT_FALSE(VerifyAuditText(Joined(moved)).intact) << "a segment without a cut";
}

TEST_F(AuditTrailTest, ANewMonthBeginsANewFileWithItsHeader) {
  TAuditTrail trail = MakeTrail();
  WriteCapture(trail);
  // 2027-01-01 00:30 local time is still December in UTC: the local month counts.
  now = {1798761600000 - 30 * 60000, 60};
  ASSERT_TRUE(trail.Record({"1\n", "1", "1", "", "x", TResultOutcome::Typed}));
  const std::string january = ReadFile(dir.File("Tarvolin-Audit-2027-01.jsonl"));
  const std::vector<std::string_view> lines = AuditLines(january);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(ParseAuditLine(lines[0]).content["type"], "header");
  EXPECT_TRUE(VerifyAuditText(january).intact);
  EXPECT_EQ(Lines().size(), 6u) << "December's file stays as it was";
}

// Places no one can write to, whoever runs the test (root ignores permissions).
TEST_F(AuditTrailTest, AnUnwritablePlaceFailsTheTrailWithItsCause) {
  WriteFile(dir.File("plain"), "x");
  std::filesystem::create_directories(dir.File("month") + "/Tarvolin-Audit-2026-12.jsonl");
  const struct {
    const char* what;
    std::string directory;
  } cases[] = {
      {"a file stands where the directory would be", dir.File("plain") + "/trail"},
      {"the month's file is a directory", dir.File("month")},
  };
  for (const auto& c : cases) {
    TAuditTrail trail(c.directory, {}, [this] { return now; });
    std::string reported;
    trail.OnFailure = [&reported](const std::string& e) { reported = e; };
    EXPECT_FALSE(trail.Open()) << c.what;
    EXPECT_TRUE(trail.Error().starts_with("Audit-Trail: ")) << trail.Error();
    EXPECT_NE(trail.Error().find(c.directory), std::string::npos) << trail.Error();
    EXPECT_EQ(reported, trail.Error()) << c.what;
    EXPECT_FALSE(trail.Record({"1\n", "1", "1", "", "x", TResultOutcome::Typed}))
        << c.what << ": a failed trail takes no result";
  }
}

TEST_F(AuditTrailTest, CsvHasAHeaderRowAndQuotesWhatNeedsIt) {
  TAuditTrail trail = MakeTrail();
  WriteCapture(trail);
  const std::string csv = AuditCsvHeader(';') + AuditCsvRows(File(), ';');
  EXPECT_TRUE(csv.starts_with("\xEF\xBB\xBFseq;type;time;offset;computer;user;config;com;"));
  EXPECT_NE(csv.find(";+   12.345 g<CR><LF>;12.345;12,345;CR;Mappe1 - Excel;typed;\r\n"),
            std::string::npos)
      << csv;
  const std::string commas = AuditCsvRows(File(), ',');
  EXPECT_NE(commas.find(",\"12,345\","), std::string::npos) << commas;
  size_t rows = 0;
  for (size_t at = 0; (at = csv.find("\r\n", at)) != std::string::npos; at += 2) ++rows;
  EXPECT_EQ(rows, 7u);
}

TEST(AuditConfig, ReadFromItsSectionAndPlacedInTheConfigurationDirectory) {
  TempDir dir;
  WriteFile(dir.File("t.ini"), "[Audit]\r\nAuditing=1\r\nAuditDir= trail \r\n");
  TAuditConfig c;
  c.Read(TIniFile(dir.File("t.ini")));
  EXPECT_TRUE(c.Auditing);
  EXPECT_EQ(c.DirectoryIn("/etc/tarvolin/"), "/etc/tarvolin/trail");
  c.AuditDir.clear();
  EXPECT_EQ(c.DirectoryIn("/etc/tarvolin/"), "/etc/tarvolin/");
#ifndef _WIN32
  c.AuditDir = "/srv/audit";
  EXPECT_EQ(c.DirectoryIn("/etc/tarvolin/"), "/srv/audit");
#endif
  WriteFile(dir.File("t.ini"), "[Trace]\r\nTracing=1\r\n");
  c.Read(TIniFile(dir.File("t.ini")));
  EXPECT_EQ(c, TAuditConfig()) << "off without the section";
}

}  // namespace
