// The about box and File > IQ against the program's real windows: the checks show and hide the
// settings dialogs, click the menu entries and open the help; the report is measured with the
// real fonts and lands on one A4 page in a new preview window. The test executable carries the
// program's version block. Set TARVOLIN_DOCS_DIR to keep the about box as about.png.
#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <unistd.h>

#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "gui/QtText.h"
#include "gui/app/Fonts.h"
#include "gui/app/HelpViewer.h"
#include "gui/app/Mainform.h"
#include "gui/dialogs/prgOptions.h"
#include "gui/dialogs/serOptions.h"
#include "gui/qualification/winAbout.h"
#include "gui/qualification/winIqReport.h"
#include "gui/report/repPreview.h"
#include "serial/AwPosix.h"
#include "tests/gui/support/QtTestSupport.h"

namespace {

// The ports run on the POSIX device layer, as the program installs it.
[[maybe_unused]] const IDeviceLayer* const kPreviousLayer = SetDeviceLayer(&PosixDeviceLayer());

QString OwnFile() {
  return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

std::string Text(const QLabel* label) {
  return ToCp1252(label->text());
}

TEST(AboutBox, ShowsTheVersionBlockOfTheProgramFile) {
  App();
  InstallFontStandIns();
  TfrmAbout about(nullptr, OwnFile());
  EXPECT_EQ(about.windowTitle(), QStringLiteral("Tarvolin: \u00dcber"));
  EXPECT_EQ(about.size(), QSize(267, 223));
  EXPECT_EQ(Text(FindChild<QLabel>(about, "lblProduct")), "Tarvolin");
  EXPECT_EQ(Text(FindChild<QLabel>(about, "lblVersion")), "V1.1 (Freeware), Build 1.1.1.76");
  EXPECT_EQ(Text(FindChild<QLabel>(about, "lblDescription")),
            "Erfassung serieller Daten in jede Windows-Anwendung");
  EXPECT_EQ(Text(FindChild<QLabel>(about, "lblCopyright")).substr(0, 2), "\xA9 ");
  auto* close = FindChild<QPushButton>(about, "btnClose");
  EXPECT_EQ(close->geometry(), QRect(186, 192, 75, 25));
  about.show();
  EXPECT_EQ(about.focusWidget(), close);
  if (const char* docs = std::getenv("TARVOLIN_DOCS_DIR")) {
    EXPECT_TRUE(about.grab().save(QString::fromLocal8Bit(docs) + QStringLiteral("/about.png")));
  }
  close->click();
  EXPECT_FALSE(about.isVisible());
}

class IqReport : public testing::Test {
 protected:
  void SetUp() override {
    InstallFontStandIns();
    ASSERT_TRUE(dir_.isValid());
    // No port opens but the one the test provides.
    for (int n = 1; n <= 9; ++n)
      setenv(("TARVOLIN_COM" + std::to_string(n)).c_str(), "/nonexistent/tty", 1);
    // The program file as the report sees it: in a directory of its own, with the help file.
    programFile_ = dir_.filePath(QStringLiteral("tarvolin"));
    ASSERT_TRUE(QFile::link(OwnFile(), programFile_));
    SetHelp(true);

    TfrmMain::TServices s;
    s.serOptionForm = &serOptions_;
    s.prgOptionForm = &prgOptions_;
    s.generateIqReport = [this] { form_.generate(); };
    main_.SetServices(s);
    form_.SetServices({&main_, &serOptions_, &prgOptions_, nullptr, programFile_});
    form_.SetPause([this](int ms) {
      pauses_.push_back(ms);
      // What the user sees during a pause: which windows are open.
      shown_.push_back(
          {prgOptions_.isVisible(), serOptions_.isVisible(), ApplicationHelpViewer().isVisible()});
    });
  }

  void TearDown() override {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<TfrmPreview*>(w)) w->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void SetHelp(bool present) {
    const QString help = dir_.filePath(QStringLiteral("Tarvolin.hlp"));
    if (present) {
      QFile file(help);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write("<html><body><h1><a name=\"overview\">Hilfe</a></h1></body></html>");
    } else {
      QFile::remove(help);
    }
    SetApplicationHelpFile(help);
  }

  // The report's rows as the preview shows them: all data fields' values.
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (const char* field : {"alrFieldSysinfoLbl", "alrFieldSysinfoVal", "alrFieldProginfoLbl",
                              "alrFieldProginfoVal", "alrFieldIqVal", "alrFieldIqLbl"})
      for (const std::string& v :
           dynamic_cast<TAlField*>(form_.Report().Form().FindComponent(field))->Values())
        rows.push_back(v);
    return rows;
  }
  std::vector<std::string> Field(const char* name) {
    return dynamic_cast<TAlField*>(form_.Report().Form().FindComponent(name))->Values();
  }

  QApplication& app_ = App();  // before the windows
  QTemporaryDir dir_;
  QString programFile_;
  TfrmMain main_;
  TserOptionForm serOptions_{&main_};
  TprgOptionForm prgOptions_{&main_};
  TfrmIqReport form_;
  std::vector<int> pauses_;
  std::vector<std::array<bool, 3>> shown_;
};

TEST_F(IqReport, MenuEntryRunsTheChecksOnTheRealWindowsAndOpensAPreview) {
  serOptions_.getComPorts();
  main_.findChild<QAction*>(QStringLiteral("menFileIQ"))->trigger();

  EXPECT_EQ(Field("alrFieldIqVal"), std::vector<std::string>(6, "Ja"));
  EXPECT_EQ(Field("alrFieldResultText"), std::vector<std::string>{"Bestanden"});
  EXPECT_EQ(pauses_, std::vector<int>(5, 300));
  // Filter shown, hidden; port shown, hidden; help shown.
  EXPECT_EQ(shown_, (std::vector<std::array<bool, 3>>{{true, false, false},
                                                      {false, false, false},
                                                      {false, true, false},
                                                      {false, false, false},
                                                      {false, false, true}}));
  EXPECT_FALSE(ApplicationHelpViewer().isVisible());
  EXPECT_FALSE(prgOptions_.isVisible());
  EXPECT_FALSE(serOptions_.isVisible());
  EXPECT_EQ(Field("alrFieldSysinfoVal").at(4), "");
  EXPECT_EQ(Field("alrFieldProginfoVal").at(5), ToCp1252(dir_.path()) + "/");
  EXPECT_EQ(Field("alrFieldProginfoVal").at(6), "tarvolin");

  TfrmPreview* preview = form_.LastPreview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->isVisible());
  EXPECT_EQ(preview->windowTitle(), QStringLiteral("Preview"));
  EXPECT_EQ(preview->Previewer()->PageCount(), 1);
  EXPECT_EQ(FindChild<QLabel>(*preview, "Panel1")->text(), QStringLiteral("1/1"));
}

TEST_F(IqReport, EveryRunOpensItsOwnPreviewWithItsOwnRows) {
  int master = -1, slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  setenv("TARVOLIN_COM2", name, 1);
  serOptions_.getComPorts();

  form_.generate();
  TfrmPreview* first = form_.LastPreview();
  const std::vector<std::string> rows = Rows();
  EXPECT_EQ(rows.size(), 2u * 6 + 2 * 9 + 2 * 6);
  EXPECT_EQ(Field("alrFieldSysinfoVal").at(4), "2");
  form_.generate();
  EXPECT_NE(form_.LastPreview(), first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(Rows(), rows);

  // The ports are looked at when the report runs: one that came since, held by another program.
  int master3 = -1, slave3 = -1;
  ASSERT_EQ(openpty(&master3, &slave3, name, nullptr, nullptr), 0);
  const int holder = open(name, O_RDWR | O_NOCTTY);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  setenv("TARVOLIN_COM3", name, 1);
  form_.generate();
  EXPECT_EQ(Field("alrFieldSysinfoVal").at(4), "2,3 (belegt)");
  unsetenv("TARVOLIN_COM3");
  for (int fd : {holder, master3, slave3}) close(fd);

  // Without the help file the help menu is still clicked; both help checks fail.
  SetHelp(false);
  form_.generate();
  EXPECT_EQ(Field("alrFieldIqVal"),
            (std::vector<std::string>{"Ja", "Ja", "Ja", "Ja", "Nein", "Nein"}));
  EXPECT_EQ(Field("alrFieldResultOk"), std::vector<std::string>{"Tests bestanden: 4 von 6"});
  EXPECT_EQ(shown_.back()[2], true) << "the help window opens to say that the file is missing";
  close(master);
  close(slave);
}

// Texts are measured with the fonts they are drawn in (the printed geometry is checked end to
// end): bold "Computersystem" is given the width it is drawn with, so nothing of it is cut off.
TEST_F(IqReport, PageIsMeasuredWithTheRealFonts) {
  form_.generate();
  const TDrawMetaFile& page = *form_.LastPreview()->Previewer()->Pages()[0];
  int measured = 0;
  for (const TMetaRecord& r : page.Records()) {
    if (r.Kind != TMetaRecord::mrDrawText || r.Text != "Computersystem") continue;
    ++measured;
    const QFontMetrics bold(ToQFont({"Arial", 13, fsBold, clBlack}, 96));
    EXPECT_GE(r.Rect.Width(), bold.horizontalAdvance(QStringLiteral("Computersystem")));
    EXPECT_GT(r.Rect.Width(), TFixedPitchDevice::CharWidth({"Arial", 13, fsBold, clBlack}) * 14);
  }
  EXPECT_EQ(measured, 1);
}

}  // namespace
