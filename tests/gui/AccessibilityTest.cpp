// Every control of every window has a name for assistive technology and for UI automation: a
// screen reader announces it, a test finds it by it. A field takes its label's text through the
// buddy, a picture button its hint's.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

#include "gui/app/HelpViewer.h"
#include "gui/app/Mainform.h"
#include "gui/dialogs/prgOptions.h"
#include "gui/dialogs/serOptions.h"
#include "gui/qualification/winAbout.h"
#include "gui/report/repPreview.h"
#include "gui/serial/AdSelCom.h"
#include "tests/gui/support/QtTestSupport.h"

namespace {

bool IsControl(const QWidget* w) {
  return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
         qobject_cast<const QAbstractSpinBox*>(w) ||
         (qobject_cast<const QLineEdit*>(w) && !qobject_cast<const QComboBox*>(w->parent()));
}

TEST(Accessibility, EveryControlOfEveryWindowHasAName) {
  App();
  TfrmMain main;
  std::vector<std::unique_ptr<QWidget>> windows;
  windows.push_back(std::make_unique<TserOptionForm>(&main));
  windows.push_back(std::make_unique<TprgOptionForm>(&main));
  windows.push_back(std::make_unique<TfrmAbout>(&main));
  windows.push_back(std::make_unique<TfrmPreview>(&main));
  windows.push_back(std::make_unique<TComSelectForm>(&main, TComPortList()));
  windows.push_back(std::make_unique<THelpViewer>(&main));
  std::vector<QWidget*> all{&main};
  for (auto& w : windows) all.push_back(w.get());
  int controls = 0;
  for (QWidget* window : all) {
    window->show();
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (!IsControl(w) || !w->isVisibleTo(window)) continue;
      ++controls;
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
      ASSERT_NE(a, nullptr);
      EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty())
          << window->metaObject()->className() << " " << w->objectName().toStdString();
    }
    window->hide();
  }
  EXPECT_GT(controls, 30);
}

}  // namespace
