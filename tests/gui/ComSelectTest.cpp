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

TEST(ComSelectForm, ControlsTextsAndGeometry) {
  App();
  Probe probe;
  TComSelectForm form(nullptr, probe.List());
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Select Port"));
  EXPECT_EQ(form.size(), QSize(220, 131));
  EXPECT_TRUE(form.isModal());
  EXPECT_EQ(form.Label1()->text(), QStringLiteral("The configured serial port is not valid."));
  EXPECT_EQ(form.Label1()->pos(), QPoint(18, 14));
  EXPECT_EQ(form.Label2()->text(), QStringLiteral("Please choose another port."));
  EXPECT_EQ(form.Label2()->pos(), QPoint(18, 30));
  EXPECT_EQ(form.Bevel1()->geometry(), QRect(8, 8, 201, 42));
  EXPECT_EQ(form.PortsComboBox()->pos(), QPoint(8, 64));
  EXPECT_EQ(form.PortsComboBox()->width(), 201);
  EXPECT_FALSE(form.PortsComboBox()->isEditable());
  EXPECT_EQ(form.OkBtn()->geometry(), QRect(8, 95, 85, 27));
  EXPECT_EQ(form.OkBtn()->text(), QStringLiteral("OK"));
  EXPECT_TRUE(form.OkBtn()->isDefault());
  EXPECT_EQ(form.AbortBtn()->geometry(), QRect(124, 95, 85, 27));
  EXPECT_EQ(form.AbortBtn()->text(), QStringLiteral("Cancel"));
  EXPECT_EQ(form.OkBtn()->nextInFocusChain(), form.AbortBtn());
  EXPECT_EQ(form.AbortBtn()->nextInFocusChain(), form.PortsComboBox());
}

TEST(ComSelectForm, ListsOnlyThePresentPortsOneToFifty) {
  App();
  Probe probe;
  probe.present = {0, 3, 12, 7, 50, 51, 100};
  TComSelectForm form(nullptr, probe.List());

  EXPECT_EQ(ComboItems(form.PortsComboBox()),
            (QStringList{QStringLiteral("COM3"), QStringLiteral("COM7"), QStringLiteral("COM12"),
                         QStringLiteral("COM50")}));
  ASSERT_EQ(probe.asked.size(), 50u);
  EXPECT_EQ(probe.asked.front(), 1);
  EXPECT_EQ(probe.asked.back(), 50);
  EXPECT_EQ(form.PortsComboBox()->currentIndex(), 0);
  EXPECT_EQ(form.SelectedComNumber(), 3);
  EXPECT_EQ(form.PortsComboBox()->itemData(1, Qt::ToolTipRole).toString(),
            QStringLiteral("COM7 = /dev/ttyUSB\u00B5"));

  form.PortsComboBox()->setCurrentIndex(2);
  EXPECT_EQ(form.SelectedComNumber(), 12);
}

TEST(ComSelectForm, AdaptersShowTheirNamesAndStillGiveTheirNumbers) {
  App();
  Probe probe;
  probe.present = {2, 12};
  TComPortList list = probe.List();
  list.Name = [](int n) {
    return n == 12 ? std::string(
                         "FTDI FT232R (M\xFC"
                         "ller)")
                   : std::string();
  };
  TComSelectForm form(nullptr, list);
  EXPECT_EQ(
      ComboItems(form.PortsComboBox()),
      (QStringList{QStringLiteral("COM2"), QStringLiteral("COM12: FTDI FT232R (M\u00FCller)")}));
  form.PortsComboBox()->setCurrentIndex(1);
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
