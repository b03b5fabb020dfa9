#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Keystrokes.h"
#include "app/ResultFilter.h"
#include "gui/QtText.h"
#include "gui/dialogs/serOptions.h"
#include "gui/serial/AdStatLt.h"
#include "serial/AwFactory.h"
#include "serial/AwPosix.h"
#include "tests/app/Fakes.h"
#include "tests/gui/support/QtTestSupport.h"
#include "tests/serial/support/FakeSerialClock.h"
#include "tests/support/AwFake.h"

namespace {

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

void KeyClick(QWidget* w, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}

class SerOptionsTest : public ::testing::Test {
 protected:
  SerOptionsTest() { form.SetErrorDisplay(errors); }

  template <typename T>
  T* Child(const char* name) {
    return FindChild<T>(form, name);
  }
  QStringList Items(const char* combo) { return ComboItems(Child<QComboBox>(combo)); }
  // Types into a box key by key, as the user does.
  void Type(const char* combo, const char* keys) {
    QLineEdit* edit = Child<QComboBox>(combo)->lineEdit();
    for (const char* k = keys; *k; ++k) KeyClick(edit, *k, QString(QLatin1Char(*k)));
  }
  void Erase(const char* combo) {
    QLineEdit* edit = Child<QComboBox>(combo)->lineEdit();
    edit->end(false);
    while (!edit->text().isEmpty()) KeyClick(edit, Qt::Key_Backspace);
  }

  // The application exists before the first widget.
  QApplication& app = App();
  FakeErrors errors;
  TserOptionForm form;
};

TEST_F(SerOptionsTest, WindowControlsAndTheirTexts) {
  EXPECT_EQ(form.objectName(), QStringLiteral("serOptionForm"));
  EXPECT_EQ(form.windowTitle(), U("Tarvolin: Schnittstelle konfigurieren"));
  EXPECT_EQ(form.size(), QSize(345, 229));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed dialog border";
  EXPECT_EQ(form.property("HelpContext").toInt(), 3);
  EXPECT_FALSE(form.isVisible());

  // The lists hold the entries both GUIs share.
  for (const TComboDesign& design : SerOptionsCombos) {
    QStringList items;
    for (const char* item : design.Items) items << U(item);
    EXPECT_EQ(Items(design.Name), items);
  }
  EXPECT_EQ(Items("comboBaud").at(6), U(" 9600"));
  EXPECT_EQ(form.PortText(), "1");
  EXPECT_EQ(form.BaudText(), "9600");
  EXPECT_EQ(form.DatabitsText(), "8");
  EXPECT_EQ(form.ParityIndex(), 0);
  EXPECT_EQ(form.StopText(), "1");
  EXPECT_EQ(form.XonXoffIndex(), 0);

  for (const TComboLabel& l : SerOptionsLabels) {
    auto* label = Child<QLabel>(l.Name);
    EXPECT_EQ(label->text(), FromCp1252(l.Text));
    EXPECT_EQ(label->buddy(), Child<QComboBox>(l.Combo)) << l.Name;
    EXPECT_TRUE(Child<QComboBox>(l.Combo)->isEditable()) << l.Combo;
  }
  for (const THandshakeBox& b : HandshakeBoxes) {
    auto* box = Child<QCheckBox>(b.Name);
    EXPECT_EQ(box->text(), FromCp1252(b.Caption));
    EXPECT_EQ(box->toolTip(), FromCp1252(b.Hint));
    EXPECT_EQ(qobject_cast<QGroupBox*>(box->parentWidget())->title(), FromCp1252(b.Group));
  }

  auto* status = Child<QGroupBox>("gboxStatus");
  EXPECT_EQ(status->title(), FromCp1252(StatusFrameCaption));
  for (const TLampDesign& l : SerOptionsLamps) {
    auto* lamp = Child<TApdStatusLight>(l.Name);
    EXPECT_EQ(lamp->parentWidget(), status);
    EXPECT_EQ(lamp->size(), QSize(13, 13));
    EXPECT_EQ(lamp->LitColor(), QColor(0, 255, 0));
    // The caption sits below its lamp.
    QLabel* caption = nullptr;
    for (auto* label : status->findChildren<QLabel*>())
      if (label->text() == FromCp1252(l.Caption)) caption = label;
    ASSERT_NE(caption, nullptr) << l.Caption;
    EXPECT_GE(caption->y(), lamp->geometry().bottom());
    EXPECT_LE(caption->geometry().left(), lamp->x());
    EXPECT_GE(caption->geometry().right(), lamp->geometry().right());
  }
  EXPECT_EQ(Child<QPushButton>("btnClose")->text(), FromCp1252(SerOptionsCloseCaption));
}

// The window definition and the table the Win32 dialog is built from agree.
TEST_F(SerOptionsTest, EveryControlStandsInItsParentWhereTheTablePutsIt) {
  for (const TControlPlace& p : SerOptionsPlaces) {
    auto* w = Child<QWidget>(p.Name);
    EXPECT_EQ(w->geometry(), QRect(p.Left, p.Top, p.Width, p.Height)) << p.Name;
    EXPECT_EQ(w->parentWidget(), p.Parent ? Child<QWidget>(p.Parent) : &form) << p.Name;
  }
}

TEST_F(SerOptionsTest, EveryKeystrokeAppliesTheBox) {
  std::vector<int32_t> applied;
  QObject::connect(Child<QComboBox>("comboBaud"), &QComboBox::editTextChanged, &form,
                   [&] { applied.push_back(form.port().Baud()); });
  Erase("comboBaud");
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(errors.messages[0], "'' ist kein g\xFCltiger Integerwert");
  EXPECT_EQ(form.port().Baud(), 9) << "the port keeps the value of the last text that converted";
  EXPECT_EQ(form.BaudText(), "") << "the box keeps the text";

  applied.clear();
  Type("comboBaud", "4800");
  EXPECT_EQ(applied, (std::vector<int32_t>{4, 48, 480, 4800}));
  EXPECT_EQ(errors.messages.size(), 1u);

  // Picking an entry applies it too, and the box then shows the entry with its blanks.
  Child<QComboBox>("comboBaud")->setCurrentIndex(6);
  EXPECT_EQ(form.port().Baud(), 9600);
  EXPECT_EQ(form.BaudText(), " 9600");
}

// Keys go to the box that has the focus in the shown dialog, as the user types them.
TEST_F(SerOptionsTest, TypedTextAppliesAsItStandsAndEnterKeepsTheDialogAndTheLists) {
  struct Row {
    const char* combo;
    const char* typed;
    std::function<int32_t()> applied;
    int32_t expected;
  };
  const Row rows[] = {
      {"comboPort", "12", [&] { return form.port().ComNumber(); }, 12},
      {"comboBaud", "1", [&] { return form.port().Baud(); }, 1},     // not completed to 19200
      {"comboParity", "o", [&] { return form.ParityIndex(); }, -1},  // not completed to "Odd"
      {"comboStop", "2", [&] { return form.port().StopBits(); }, 2},
  };
  form.show();
  QApplication::setActiveWindow(&form);
  for (const Row& r : rows) {
    auto* combo = Child<QComboBox>(r.combo);
    const std::string items = ComboItems(combo).join(u'|').toStdString();
    combo->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), combo) << r.combo;
    combo->lineEdit()->selectAll();
    for (const char* k = r.typed; *k; ++k)
      KeyClick(QApplication::focusWidget(), *k, QString(QLatin1Char(*k)));
    KeyClick(QApplication::focusWidget(), Qt::Key_Return);

    EXPECT_TRUE(form.isVisible()) << r.combo << ": Enter hid the dialog";
    EXPECT_EQ(combo->currentText().toStdString(), r.typed) << r.combo;
    EXPECT_EQ(r.applied(), r.expected) << r.combo;
    EXPECT_EQ(ComboItems(combo).join(u'|').toStdString(), items)
        << r.combo << ": the typed text went into the list";
  }
  EXPECT_TRUE(errors.messages.empty());
  form.hide();
}

TEST_F(SerOptionsTest, SelectionsAndCheckBoxesApplyTheirOptions) {
  Child<QComboBox>("comboXonXoff")->setCurrentIndex(3);
  EXPECT_EQ(form.port().SWFlowOptions(), 3) << "swfBoth";
  Child<QComboBox>("comboParity")->setCurrentIndex(2);
  EXPECT_EQ(form.port().Parity(), 2) << "pEven";
  // Typing an entry's text selects it.
  Erase("comboParity");
  Type("comboParity", "odd");
  EXPECT_EQ(form.port().Parity(), 1);

  Child<QCheckBox>("hwUseDTR")->click();
  Child<QCheckBox>("hwReqCTS")->click();
  EXPECT_EQ(form.port().HWFlowOptions(), 1 | 8) << "hwfUseDTR and hwfRequireCTS";
  Child<QCheckBox>("hwUseDTR")->click();
  Child<QCheckBox>("hwReqCTS")->click();
  EXPECT_EQ(form.port().HWFlowOptions(), 0);
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(SerOptionsTest, LoadingSetsTheControlsWithoutRunningTheirHandlers) {
  form.SetBaudText("abc");
  form.SetParityIndex(7);
  form.SetXonXoffIndex(2);
  form.SetUseRTS(true);
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_EQ(form.port().Baud(), 19200);
  EXPECT_EQ(form.ParityIndex(), -1);
  EXPECT_EQ(form.XonXoffIndex(), 2);
  EXPECT_TRUE(form.UseRTS());
  EXPECT_EQ(form.port().HWFlowOptions(), 0);

  // The capture logic applies them through the port settings it is given.
  form.port().SetSWFlowOptions(form.XonXoffIndex());
  EXPECT_EQ(form.port().SWFlowOptions(), 2);
}

// COM1 to COM9 pointed at pseudo-terminals or at nothing through the environment.
class PortListTest : public SerOptionsTest {
 protected:
  PortListTest() : previousLayer_(SetDeviceLayer(&PosixDeviceLayer())) {
    for (int n = 1; n <= 9; ++n) setenv(Var(n).c_str(), "/nonexistent/tarvolin-tty", 1);
  }
  ~PortListTest() override {
    SetDeviceLayer(previousLayer_);
    for (int n = 1; n <= 9; ++n) unsetenv(Var(n).c_str());
    for (int fd : fds_) close(fd);
  }
  static std::string Var(int n) { return "TARVOLIN_COM" + std::to_string(n); }
  std::string Pty(int n) {
    int master = -1, slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return {};
    fds_.push_back(master);
    fds_.push_back(slave);
    setenv(Var(n).c_str(), name, 1);
    return name;
  }

  IDeviceLayer* previousLayer_;
  std::vector<int> fds_;
};

TEST_F(PortListTest, ListsOnlyPortsThatOpenNowAndKeepsTheLoadedText) {
  const std::string first = Pty(1);
  ASSERT_FALSE(first.empty()) << "no pseudo-terminal";
  Pty(3);
  const std::string held = Pty(4);
  int holder = open(held.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  fds_.push_back(holder);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);

  form.SetPortText("5");
  form.getComPorts();
  EXPECT_EQ(Items("comboPort"), QStringList({U("1"), U("3")}));
  EXPECT_EQ(form.PortText(), "5");
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_EQ(form.port().ComNumber(), 0) << "building the list applies nothing";

  auto* combo = Child<QComboBox>("comboPort");
  EXPECT_TRUE(combo->itemData(0, Qt::ToolTipRole)
                  .toString()
                  .startsWith(QString::fromStdString("COM1 = " + first)));
  combo->setCurrentIndex(0);
  EXPECT_EQ(form.port().ComNumber(), 1);
  EXPECT_TRUE(combo->toolTip().startsWith(QString::fromStdString("COM1 = " + first)))
      << combo->toolTip().toStdString();
}

// The dialog on a port whose device is simulated: lamps while shown, received data to the
// capture path.
class OpenPortTest : public SerOptionsTest {
 protected:
  OpenPortTest() {
    WndMsg().AttachGuiThread();
    previous_ = SetDispatcherFactory([this](TApdCustomComPort*) {
      auto d = std::make_unique<TApdFakeDispatcher>();
      disp = d.get();
      return std::unique_ptr<TApdBaseDispatcher>(std::move(d));
    });
    form.SetResultFilter(&filter);
    form.port().SetComNumber(2);
  }
  ~OpenPortTest() override {
    form.port().SetOpen(false);
    SetDispatcherFactory(std::move(previous_));
  }
  TApdStatusLight* Lamp(const char* name) { return Child<TApdStatusLight>(name); }

  TFakeSerialClock clock;
  TApdFakeDispatcher* disp = nullptr;
  FakeFilterOptions filterOptions;
  FakeMainView main;
  RecordingInjector injector;
  TKeystrokes keys{injector};
  FakeSound sound;
  FakePump pump;
  TResultFilter filter{
      TResultFilterParts{filterOptions, main, form.port(), keys, sound, pump, errors}};

 private:
  TDispatcherFactory previous_;
};

TEST_F(OpenPortTest, ReceivedDataReachesTheCapturePathWithOrWithoutTheLamps) {
  form.port().SetOpen(true);
  disp->PushBytes("+ 12.5 g\n");
  disp->Step();
  EXPECT_EQ(main.capt, "+ 12.5 g\n");
  EXPECT_EQ(main.filt, "12.5 (nicht gesendet)");
  EXPECT_FALSE(Lamp("ledRxD")->Lit());

  form.show();
  ASSERT_TRUE(form.port().Monitoring());
  disp->PushBytes("7\n");
  disp->Step();
  EXPECT_EQ(main.filt, "7 (nicht gesendet)");
  EXPECT_TRUE(Lamp("ledRxD")->Lit());
  EXPECT_EQ(form.port().InputCount(), 0u);
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(OpenPortTest, LampsFollowTheLineOnlyWhileTheDialogIsShown) {
  form.show();
  EXPECT_FALSE(form.port().Monitoring()) << "the port is closed";
  form.port().SetOpen(true);
  ASSERT_TRUE(form.port().Monitoring());
  disp->SetModemLines(msr_Cts | msr_Dcd);
  disp->Step(ev_CTS | ev_RLSD);
  EXPECT_TRUE(Lamp("ledCTS")->Lit());
  EXPECT_TRUE(Lamp("ledDCD")->Lit());
  EXPECT_FALSE(Lamp("ledDSR")->Lit());
  disp->RaiseErrors(ce_FRAME);
  disp->Step(ev_ERR);
  EXPECT_TRUE(Lamp("ledERROR")->Lit());
  // Eight ticks later the error lamp is off again.
  clock.Advance(9 * MsPerTick);
  disp->TimerStep();
  EXPECT_FALSE(Lamp("ledERROR")->Lit());

  Child<QPushButton>("btnClose")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.port().Monitoring());
  EXPECT_FALSE(Lamp("ledCTS")->Lit());
  disp->SetModemLines(msr_Dsr);
  disp->Step(ev_DSR);
  EXPECT_FALSE(Lamp("ledDSR")->Lit());
  EXPECT_TRUE(errors.messages.empty());
}

}  // namespace
