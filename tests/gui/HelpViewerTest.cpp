#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include "app/Help.h"
#include "gui/app/HelpViewer.h"
#include "tests/gui/support/QtTestSupport.h"

namespace {

// The help document in the source tree (not found through __FILE__, which a compiler cache may
// have made relative to another directory).
QString HelpFile() {
  return QStringLiteral(TARVOLIN_SOURCE_DIR "/resources/help/Tarvolin.hlp");
}

// Whether the block carrying the anchor lies in the visible part of the browser.
bool AnchorVisible(QTextBrowser* b, const QString& name) {
  QTextDocument* doc = b->document();
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (!it.fragment().charFormat().anchorNames().contains(name)) continue;
      const qreal top = doc->documentLayout()->blockBoundingRect(block).top();
      const int scroll = b->verticalScrollBar()->value();
      return top >= scroll && top < scroll + b->viewport()->height();
    }
  }
  return false;
}

class HelpViewerTest : public ::testing::Test {
 protected:
  QApplication& app = App();  // before the viewer
  THelpViewer viewer;
};

TEST_F(HelpViewerTest, TopicAndEveryContextScrollToTheirSections) {
  viewer.resize(500, 300);
  viewer.SetHelpFile(HelpFile());
  ASSERT_TRUE(viewer.ShowTopic("overview"));
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_FALSE(viewer.isModal());
  EXPECT_TRUE(viewer.Browser()->toPlainText().contains(QStringLiteral("Überblick")));
  EXPECT_TRUE(AnchorVisible(viewer.Browser(), QStringLiteral("overview")));

  // Both directions, so a section can be reached from below as well as from above.
  for (int context :
       {MainHelpContext, FileMenuHelpContext, ConfigMenuHelpContext, HelpMenuHelpContext,
        PortSettingsHelpContext, FilterSettingsHelpContext, MainHelpContext}) {
    EXPECT_TRUE(viewer.ShowContext(context)) << context;
    const QString anchor = QStringLiteral("ctx%1").arg(context);
    EXPECT_TRUE(AnchorVisible(viewer.Browser(), anchor)) << context;
  }
  EXPECT_TRUE(viewer.ShowTopic("troubleshooting"));
  EXPECT_GT(viewer.Browser()->verticalScrollBar()->value(), 0);
}

TEST_F(HelpViewerTest, UnknownContextStaysOnTheDocumentAndSaysSo) {
  viewer.SetHelpFile(HelpFile());
  ASSERT_TRUE(viewer.ShowContext(2));
  EXPECT_FALSE(viewer.ShowContext(99));
  EXPECT_FALSE(viewer.Found());
  EXPECT_EQ(viewer.Browser()->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(viewer.windowTitle().contains(QStringLiteral("ctx99")));
  EXPECT_TRUE(viewer.Browser()->toPlainText().contains(QStringLiteral("Filter konfigurieren")));
}

TEST_F(HelpViewerTest, MissingFileIsReportedInTheWindow) {
  QTemporaryDir dir;
  const QString missing = dir.filePath(QStringLiteral("Tarvolin.hlp"));
  viewer.SetHelpFile(missing);
  EXPECT_FALSE(viewer.ShowTopic("overview"));
  EXPECT_TRUE(viewer.isVisible());
  const QString text = viewer.Browser()->toPlainText();
  EXPECT_TRUE(text.contains(QDir::toNativeSeparators(missing))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("nicht gefunden")));

  // The file appearing later is picked up by the next request.
  ASSERT_TRUE(QFile::copy(HelpFile(), missing));
  EXPECT_TRUE(viewer.ShowContext(10));
  EXPECT_FALSE(viewer.Browser()->toPlainText().contains(missing));
}

TEST(HelpFor, UsesTheNearestHelpContextOrTheOverview) {
  App();
  SetApplicationHelpFile(HelpFile());
  THelpViewer& help = ApplicationHelpViewer();
  EXPECT_EQ(&help, &ApplicationHelpViewer());

  QWidget dialog;
  dialog.setProperty("HelpContext", 3);
  QWidget field(&dialog);
  ShowHelpFor(&field);
  EXPECT_TRUE(help.Found());
  EXPECT_TRUE(AnchorVisible(help.Browser(), QStringLiteral("ctx3")));

  QWidget plain;
  ShowHelpFor(&plain);
  EXPECT_TRUE(AnchorVisible(help.Browser(), QStringLiteral("overview")));
  help.close();
}

}  // namespace
