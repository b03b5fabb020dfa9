// The qualification report's data and layout against a scripted program: rows, checks, pauses,
// results, and where the report puts them on its page.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <stdexcept>

#include "platform/Win32Errors.h"
#include "qualification/IqChecks.h"
#include "qualification/IqReport.h"
#include "tests/app/TempDir.h"
#include "tests/qualification/OwnFile.h"
#include "tests/qualification/ScriptedFacts.h"

namespace {

// The program as a script: what the checks do is logged, what they see is set by the test.
struct TScriptedProgram : IIqSubject {
  std::vector<TIqComPort> ComPorts() const override { return ports; }
  TIqProgramFile ProgramFile() const override { return program; }
  void ShowFilterSettings() override { Log("show filter"), filterVisible = filterShows; }
  void HideFilterSettings() override { Log("hide filter"), filterVisible = false; }
  bool FilterSettingsVisible() const override { return filterVisible; }
  void ClickPortMenu() override { Log("port menu"), portVisible = true; }
  void ClickPortClose() override { Log("port close"), portVisible = !portCloseHides; }
  bool PortSettingsVisible() const override { return portVisible; }
  bool HelpFileExists() const override { return helpFile; }
  void ClickHelpMenu() override { Log("help menu"), helpShown = helpFile && helpOpens; }
  bool HelpShown() const override { return helpShown; }
  void CloseHelp() override { Log("close help"), helpShown = false; }
  void ProcessMessages() override {
    if (onMessages) onMessages();
  }
  void Pause(int ms) override { Log("pause " + std::to_string(ms)); }
  void Log(const std::string& what) { log.push_back(what); }

  std::vector<TIqComPort> ports{
      {1, TIqComPort::Free}, {3, TIqComPort::InUse}, {12, TIqComPort::NoAccess}};
  TIqProgramFile program{OwnFile(), "/opt/tarvolin/", "tarvolin"};
  bool filterShows = true, portCloseHides = true, helpFile = true, helpOpens = true;
  bool filterVisible = false, portVisible = false, helpShown = false;
  std::vector<std::string> log;
  std::function<void()> onMessages;
};

class IqReportData : public testing::Test {
 protected:
  std::vector<std::string> Values(const char* field) {
    return dynamic_cast<TAlField*>(report_.Form().FindComponent(field))->Values();
  }
  using Rows = std::vector<std::pair<std::string, std::string>>;
  Rows RowsOf(const char* labels, const char* values) {
    Rows rows;
    const auto l = Values(labels), v = Values(values);
    EXPECT_EQ(l.size(), v.size());
    for (size_t i = 0; i < std::min(l.size(), v.size()); ++i) rows.emplace_back(l[i], v[i]);
    return rows;
  }
  std::vector<std::string> Results() {
    return {Values("alrFieldResultOk").at(0), Values("alrFieldResultBad").at(0),
            Values("alrFieldResultText").at(0)};
  }

  TScriptedProgram program_;
  TIqReport report_;
};

TEST_F(IqReportData, AllChecksPassInOrderWithTheirPauses) {
  report_.FillData(program_);
  EXPECT_EQ(Values("alrFieldIqVal"), std::vector<std::string>(6, "Ja"));
  EXPECT_EQ(Values("alrFieldIqLbl").at(4), "Hilfedatei \"Tarvolin.hlp\" vorhanden");
  EXPECT_EQ(Results(), (std::vector<std::string>{"Tests bestanden: 6 von 6",
                                                 "Nicht bestanden: 0 von 6", "Bestanden"}));
  // No pause after the file test; the help is closed at the end.
  EXPECT_EQ(program_.log,
            (std::vector<std::string>{"show filter", "pause 300", "hide filter", "pause 300",
                                      "port menu", "pause 300", "port close", "pause 300",
                                      "help menu", "pause 300", "close help"}));
}

TEST_F(IqReportData, FailedChecksAreCountedAndShownAsNein) {
  struct Case {
    const char* why;
    void (*script)(TScriptedProgram&);
    std::vector<std::string> checks;
  };
  const Case cases[] = {
      {"no help file: the click happens, file and help check fail",
       [](TScriptedProgram& p) { p.helpFile = false; },
       {"Ja", "Ja", "Ja", "Ja", "Nein", "Nein"}},
      {"the help menu opens nothing",
       [](TScriptedProgram& p) { p.helpOpens = false; },
       {"Ja", "Ja", "Ja", "Ja", "Ja", "Nein"}},
      {"the filter window does not show, so hiding it proves nothing new",
       [](TScriptedProgram& p) { p.filterShows = false; },
       {"Nein", "Ja", "Ja", "Ja", "Ja", "Ja"}},
      {"Schliessen leaves the port window open",
       [](TScriptedProgram& p) { p.portCloseHides = false; },
       {"Ja", "Ja", "Ja", "Nein", "Ja", "Ja"}},
  };
  for (const Case& c : cases) {
    TScriptedProgram program;
    c.script(program);
    report_.FillData(program);
    EXPECT_EQ(Values("alrFieldIqVal"), c.checks) << c.why;
    const int failed = static_cast<int>(std::count(c.checks.begin(), c.checks.end(), "Nein"));
    EXPECT_EQ(Results(),
              (std::vector<std::string>{"Tests bestanden: " + std::to_string(6 - failed) + " von 6",
                                        "Nicht bestanden: " + std::to_string(failed) + " von 6",
                                        "Nicht bestanden"}))
        << c.why;
    EXPECT_NE(std::find(program.log.begin(), program.log.end(), "help menu"), program.log.end());
  }
}

TEST_F(IqReportData, EachRunListsItsOwnRows) {
  TScriptedFacts facts;
  facts.host = {true, true, "labor-pc.example", "127.0.1.1", "192.0.2.2"};
  facts.version.Description = "Debian GNU/Linux 12 (bookworm), Linux 6.1.0 x86_64";
  facts.login = "anna";
  report_.FillData(program_, facts);
  const Rows computer = RowsOf("alrFieldSysinfoLbl", "alrFieldSysinfoVal");
  const Rows software = RowsOf("alrFieldProginfoLbl", "alrFieldProginfoVal");
  EXPECT_EQ(computer,
            (Rows{{"Computername:", "LABOR-PC"},
                  {"IP-Adresse:", "192.0.2.2"},
                  {"IP-Hostname:", "labor-pc.example"},
                  {"Betriebssystem:", "Debian GNU/Linux 12 (bookworm), Linux 6.1.0 x86_64"},
                  {"Verf\xFCgbare COM-Ports:", "1,3 (belegt),12 (kein Zugriff)"},
                  {"Angemeldeter Benutzer:", "anna (effektiv: mueller)"}}));
  ASSERT_EQ(software.size(), 9u);
  EXPECT_EQ(software[7].first, "SHA-256 Programmdatei:");
  EXPECT_EQ(software[8].first, "SHA-256 Tarvolin.hlp:");
  EXPECT_EQ(Rows(software.begin(), software.begin() + 7),
            (Rows{{"Produktname:", "Tarvolin"},
                  {"Produktversion:", "V1.1 (Freeware)"},
                  {"Buildnummer:", "1.1.1.76"},
                  {"Hersteller:", "Morvisk Software"},
                  {"Copyright:", "2026 Morvisk Software"},
                  {"Installationspfad:", "/opt/tarvolin/"},
                  {"Programmdatei:", "tarvolin"}}));

  program_.ports.clear();
  report_.FillData(program_, facts);
  Rows again = RowsOf("alrFieldSysinfoLbl", "alrFieldSysinfoVal");
  EXPECT_EQ(again[4].second, "");
  again[4].second = "1,3 (belegt),12 (kein Zugriff)";
  EXPECT_EQ(again, computer);
  EXPECT_EQ(RowsOf("alrFieldProginfoLbl", "alrFieldProginfoVal"), software);
  EXPECT_EQ(Values("alrFieldIqVal").size(), 6u);
  EXPECT_EQ(Values("alrFieldResultOk").size(), 1u);
}

// The report names the files it qualified by their checksums, as sha256sum gives them.
TEST_F(IqReportData, SoftwareRowsEndWithTheChecksumsOfProgramAndHelp) {
  TempDir dir;
  std::ofstream(dir.File("tarvolin"), std::ios::binary) << "abc";
  program_.program = {dir.File("tarvolin"), dir.Path() + "/", "tarvolin"};
  const auto hashes = [this] {
    report_.FillData(program_, TScriptedFacts());
    const Rows software = RowsOf("alrFieldProginfoLbl", "alrFieldProginfoVal");
    return Rows(software.end() - 2, software.end());
  };
  EXPECT_EQ(hashes(), (Rows{{"SHA-256 Programmdatei:",
                             "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
                            {"SHA-256 Tarvolin.hlp:", "nicht lesbar"}}));
  std::ofstream(dir.File("Tarvolin.hlp"), std::ios::binary) << "";
  EXPECT_EQ(hashes()[1].second, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

// Where the report's parts land on the A4 page of 794 x 1123 pixels at 96 pixels per inch:
// margins 76, page header 0..41, title 42..123, computer rows from 154, software heading at
// 274, the two checksum rows after the seven software rows (the program's 64 digits on two
// lines), check heading at 444 + 55, check rows from 474 + 55, result block from 594 + 55,
// footers from 1077.
TEST_F(IqReportData, OneA4PageWithEveryPartInPlace) {
  constexpr int checksums = 20 + 35;
  report_.FillData(program_, TScriptedFacts());
  tPages pages;
  report_.alrIQ().GenerateInto(pages);
  ASSERT_EQ(pages.Count(), 1);
  const TDrawMetaFile& page = *pages[0];
  EXPECT_EQ(page.Width(), 794);
  EXPECT_EQ(page.Height(), 1123);
  const auto textAt = [&page](const std::string& text) {
    for (const TMetaRecord& r : page.Records())
      if (r.Kind == TMetaRecord::mrDrawText && r.Text == text)
        return TPoint{r.Rect.Left, r.Rect.Top};
    return TPoint{-1, -1};
  };
  EXPECT_EQ(textAt("Datum:"), (TPoint{76, 16}));
  EXPECT_EQ(textAt("Seite"), (TPoint{76 + 584, 16}));
  EXPECT_EQ(textAt("Installationsqualifizierung"), (TPoint{76 - 8, 42 + 40}));
  EXPECT_EQ(textAt("Computersystem"), (TPoint{116, 124 + 12}));
  EXPECT_EQ(textAt("Computername:"), (TPoint{116, 158}));
  EXPECT_EQ(textAt("Angemeldeter Benutzer:"), (TPoint{116, 158 + 5 * 20}));
  EXPECT_EQ(textAt("Softwaresystem"), (TPoint{116, 274 + 12}));
  EXPECT_EQ(textAt("/opt/tarvolin/"), (TPoint{300, 304 + 4 + 5 * 20}));
  EXPECT_EQ(textAt("Pr\xFC"
                   "fungen zur Qualifizierung"),
            (TPoint{116, 444 + checksums + 12}));
  EXPECT_EQ(textAt("Direkte Anzeige des Fenster zur Filterkonfiguration"),
            (TPoint{196, 478 + checksums}));
  EXPECT_EQ(textAt("Ergebnis der Installationsqualifizierung"),
            (TPoint{116, 594 + checksums + 60}));
  EXPECT_EQ(textAt("Bestanden"), (TPoint{396, 594 + checksums + 116}));
  EXPECT_EQ(textAt("Datum, Unterschrift"), (TPoint{404, 594 + checksums + 196}));
  // The footer rule grows its band by a pixel.
  EXPECT_EQ(textAt("mailto:info@morvisk.example").Y, 1082 + 16);
  std::vector<TRect> rectangles;
  for (const TMetaRecord& r : page.Records())
    if (r.Kind == TMetaRecord::mrRectangle) rectangles.push_back(r.Rect);
  // The two rules, two pixels high, and the signature box.
  EXPECT_EQ(rectangles,
            (std::vector<TRect>{{76, 38, 718, 40},
                                {396, 594 + checksums + 152, 718, 594 + checksums + 210},
                                {72, 1079, 722, 1081}}));
}

// A deep installation path and a long system text wrap inside the right margin; their rows grow
// and push the rows below them down.
TEST_F(IqReportData, LongValuesWrapInsideTheMarginsAndTheirRowsGrow) {
  const auto programFileY = [this](const TScriptedFacts& facts) {
    report_.FillData(program_, facts);
    tPages pages;
    report_.alrIQ().GenerateInto(pages);
    int y = -1;
    for (const TMetaRecord& r : pages[0]->Records()) {
      if (r.Kind != TMetaRecord::mrDrawText) continue;
      EXPECT_LE(r.Rect.Right, 718) << r.Text;
      if (r.Text == "Programmdatei:") y = r.Rect.Top;
    }
    return y;
  };
  TScriptedFacts facts;
  const int shortY = programFileY(facts);
  std::string path = "/home/laborant";
  while (path.size() < 119) path += "/abteilung-qs";
  path = path.substr(0, 119) + "/";
  program_.program.Directory = path;
  facts.version.Description =
      std::string(30, 'W') + " GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64 x86";
  const int longY = programFileY(facts);
  EXPECT_GT(longY, shortY + 16) << "the path's row grew by a line at least";
  // Every character of the value is printed, in order.
  std::string printed;
  tPages pages;
  report_.alrIQ().GenerateInto(pages);
  for (const TMetaRecord& r : pages[0]->Records())
    if (r.Kind == TMetaRecord::mrDrawText && r.Text.rfind("/home/laborant", 0) == 0)
      printed = r.Text;
  printed.erase(std::remove(printed.begin(), printed.end(), '\n'), printed.end());
  EXPECT_EQ(printed, path);
}

// A second File > IQ that arrives while the checks process window messages is refused, and the
// one report form keeps the rows of one run.
TEST_F(IqReportData, ASecondRunDuringOneIsRefused) {
  TIqRun run(report_);
  int presented = 0, refused = 0;
  const auto present = [&](TAlReport& report) {
    EXPECT_EQ(&report, &report_.alrIQ());
    ++presented;
  };
  program_.onMessages = [&] {
    if (!run.generate(program_, present)) ++refused;
    EXPECT_TRUE(run.Running());
  };
  EXPECT_TRUE(run.generate(program_, present));
  EXPECT_EQ(presented, 1);
  EXPECT_EQ(refused, 5) << "one for each check that processes messages";
  EXPECT_EQ(Values("alrFieldIqVal").size(), 6u);
  EXPECT_FALSE(run.Running());

  // A run whose pages could not be made ends all the same, and the next one runs.
  program_.onMessages = nullptr;
  EXPECT_THROW(run.generate(program_, [](TAlReport&) { throw std::runtime_error("no printer"); }),
               std::runtime_error);
  EXPECT_TRUE(run.generate(program_, present));
  EXPECT_EQ(presented, 2);
}

TEST(IqPorts, ThePresentPortsWithHowEachIsHeld) {
  struct TPorts : IPortList {
    uint32_t ProbePort(int n) override {
      switch (n) {
        case 1:
          return 0;
        case 3:
          return kWin32AccessDenied;  // another program has it
        case 12:
          return kWin32PermissionDenied;  // the user may not open it
        default:
          return kWin32FileNotFound;
      }
    }
    std::string Describe(int) override { return {}; }
    std::string Name(int) override { return {}; }
  } ports;
  EXPECT_EQ(ComPortsText(PresentComPorts(ports)), "1,3 (belegt),12 (kein Zugriff)");
}

TEST(AboutTexts, ComeFromTheVersionBlockAndKeepTheirFramesWithoutOne) {
  TZanExeInfo info;
  info.getInfoFromFile(OwnFile());
  const TAboutTexts own = AboutTexts(info);
  EXPECT_EQ(own.Product, "Tarvolin");
  EXPECT_EQ(own.Version, "V1.1 (Freeware), Build 1.1.1.76");
  EXPECT_EQ(own.Description, "Erfassung serieller Daten in jede Windows-Anwendung");
  EXPECT_EQ(own.Copyright, "\xA9 " + info.copyright());
  EXPECT_EQ(own.Vendor, info.companyName());

  TZanExeInfo none;
  none.getInfoFromFile("/nonexistent/tarvolin");
  const TAboutTexts empty = AboutTexts(none);
  EXPECT_EQ(empty.Product, "");
  EXPECT_EQ(empty.Version, ", Build ");
  EXPECT_EQ(empty.Copyright, "\xA9 ");
  EXPECT_EQ(empty.Vendor, "");
  EXPECT_EQ(empty.Description, "");
}

}  // namespace
