// The port selection dialog on the offscreen platform, with a scripted list of present ports.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <set>
#include <vector>

#include "gui/QtText.h"
#include "gui/serial/AdSelCom.h"
#include "serial/AdErrCodes.h"
#include "tests/gui/support/QtTestSupport.h"

namespace {

struct Probe {
  std::set<int> present;
  std::vector<int> asked;

  TComPortList List() {
    TComPortList list;
    list.PortExists = [this](int n) {
      asked.push_back(n);
      return present.contains(n);
    };
    list.Describe = [](int n) { return "COM" + std::to_string(n) + " = /dev/ttyUSB\xB5"; };
    return list;
  }
};

// Runs `act` on the dialog once its modal loop runs.
void WhenShown(std::function<void(TComSelectForm*)> act) {
  QTimer::singleShot(0, [act] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* form = qobject_cast<TComSelectForm*>(w); form && form->isVisible())
        return act(form);
    ADD_FAILURE() << "no dialog shown";
  });
}

// The window definition agrees with the design both GUIs build.
TEST(ComSelectForm, ControlsAreThoseOfTheSharedDesign) {
  App();
  Probe probe;
  TComSelectForm form(nullptr, probe.List());
  EXPECT_EQ(form.windowTitle(), FromCp1252(ComSelectCaption));
  EXPECT_EQ(form.size(), QSize(220, 131));
  EXPECT_TRUE(form.isModal());
  QWidget* previous = nullptr;
  for (const TComSelectControl& c : ComSelectControls) {
    auto* w = form.findChild<QWidget*>(QString::fromLatin1(c.Name));
    ASSERT_NE(w, nullptr) << c.Name;
    EXPECT_EQ(w->geometry(), QRect(c.Left, c.Top, c.Width, c.Height)) << c.Name;
    if (c.Text != nullptr) {
      EXPECT_EQ(w->property("text").toString(), FromCp1252(c.Text)) << c.Name;
    }
    if (w->focusPolicy() == Qt::NoFocus) continue;
    // Tab order: OK, Cancel, the list.
    if (previous != nullptr) {
      EXPECT_EQ(previous->nextInFocusChain(), w) << c.Name;
    }
    previous = w;
  }
  EXPECT_FALSE(form.PortsComboBox()->isEditable());
  EXPECT_TRUE(form.OkBtn()->isDefault());
}

TEST(ComSelectForm, ListsThePresentPortsWithTheirDevicesFirstSelected) {
  App();
  Probe probe;
  probe.present = {3, 7, 12};
  TComSelectForm form(nullptr, probe.List());
  EXPECT_EQ(ComboItems(form.PortsComboBox()),
            (QStringList{QStringLiteral("COM3"), QStringLiteral("COM7"), QStringLiteral("COM12")}));
  EXPECT_EQ(form.SelectedComNumber(), 3);
  EXPECT_EQ(form.PortsComboBox()->itemData(1, Qt::ToolTipRole).toString(),
            QStringLiteral("COM7 = /dev/ttyUSB\u00B5"));
  form.PortsComboBox()->setCurrentIndex(2);
  EXPECT_EQ(form.SelectedComNumber(), 12);
}

TEST(ComSelectForm, OkGivesTheChosenPort) {
  App();
  Probe probe;
  probe.present = {7, 12};
  WhenShown([](TComSelectForm* form) {
    form->PortsComboBox()->setCurrentIndex(1);
    form->OkBtn()->click();
  });
  EXPECT_EQ(PromptForComNumber(nullptr, probe.List()), 12);
}

TEST(ComSelectForm, CancelClosingAndOkOnAnEmptyListChooseNothing) {
  App();
  Probe probe;
  probe.present = {7};
  WhenShown([](TComSelectForm* form) { form->AbortBtn()->click(); });
  EXPECT_EQ(PromptForComNumber(nullptr, probe.List()), ecNoPortSelected);

  WhenShown([](TComSelectForm* form) { form->close(); });
  EXPECT_EQ(PromptForComNumber(nullptr, probe.List()), ecNoPortSelected);

  Probe none;
  WhenShown([](TComSelectForm* form) {
    EXPECT_EQ(form->PortsComboBox()->count(), 0);
    form->OkBtn()->click();
  });
  EXPECT_EQ(PromptForComNumber(nullptr, none.List()), ecNoPortSelected);
}

}  // namespace
