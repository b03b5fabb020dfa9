// The port settings dialog's rules and guarded handlers against a recording dialog and port.
#include "dialogs/serOptions.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "app/Keystrokes.h"
#include "app/ResultFilter.h"
#include "serial/AwFactory.h"
#include "tests/app/Fakes.h"

namespace {

TEST(SerOptionsItems, ATypedTextSelectsTheEntryItSpells) {
  struct Case {
    std::span<const char* const> items;
    std::string typed;
    int32_t index;
  };
  const Case cases[] = {
      {XonXoffItems, "Beide", 3}, {XonXoffItems, "nur senden", 2},  // letter case aside
      {XonXoffItems, "Beid", -1},                                   // no completion
      {XonXoffItems, "", -1},     {ParityItems, "odd", 1},         {ParityItems, "od", -1},
      {BaudItems, " 9600", 6},    {BaudItems, "9600", -1},  // the entries carry their blanks
  };
  for (const Case& c : cases) EXPECT_EQ(ItemIndexOf(c.items, c.typed), c.index) << c.typed;
}

struct FakePortList : IPortList {
  // Port number -> the Win32 error of its test open (0: it opens).
  std::map<int, uint32_t> probe;
  std::vector<int> probed;
  uint32_t ProbePort(int n) override {
    probed.push_back(n);
    auto it = probe.find(n);
    return it == probe.end() ? 2 : it->second;
  }
  std::string Describe(int n) override {
    return "COM" + std::to_string(n) + " = /dev/tty" + std::to_string(n);
  }
  std::string Name(int) override { return {}; }
};

TEST(SerOptionsPorts, OnlyPortsOneToNineThatOpenNowAreListed) {
  FakePortList ports;
  ports.probe = {{1, 0}, {3, 0}, {5, 5 /* in use */}, {10, 0}};
  const std::vector<TListedPort> listed = ListOpenablePorts(&ports);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].Number, 1);
  EXPECT_EQ(listed[1].Number, 3);
  EXPECT_EQ(listed[1].Description, "COM3 = /dev/tty3");
  EXPECT_EQ(ports.probed, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_TRUE(ListOpenablePorts(nullptr).empty());

  struct Case {
    std::string text, description;
  };
  for (const Case& c : {Case{"12", "COM12 = /dev/tty12"}, Case{"0", ""}, Case{"", ""},
                        Case{"x", ""}, Case{"65536", ""}})
    EXPECT_EQ(PortDescription(&ports, c.text), c.description) << c.text;
  EXPECT_EQ(PortDescription(nullptr, "1"), "");
}

// A port that refuses what its device cannot do.
struct RefusingComms : FakeComms {
  void SetDataBits(uint16_t b) override {
    if (b > 8) throw Exception("Data bits " + std::to_string(b) + " refused");
    FakeComms::SetDataBits(b);
  }
};

class SerOptionsController : public ::testing::Test {
 protected:
  FakePortOptions dialog;
  RefusingComms comms;
  FakeErrors errors;
  TserOptionsController controller{dialog, comms, errors};
};

TEST_F(SerOptionsController, AFailingBoxIsShownAndThePortKeepsItsValue) {
  struct Case {
    std::function<void()> type;
    void (TserOptionsController::*handler)();
    std::string applied;  // empty: nothing applied
    std::string error;    // empty: none
  };
  const std::string range =
      "Fehler bei Bereichspr\xFC"
      "fung";
  const Case cases[] = {
      {[&] { dialog.port = "7"; }, &TserOptionsController::comboPortChange, "ComNumber=7", ""},
      {[&] { dialog.port = "70000"; }, &TserOptionsController::comboPortChange, "", range},
      {[&] { dialog.port = ""; }, &TserOptionsController::comboPortChange, "",
       "'' ist kein g\xFCltiger Integerwert"},
      {[&] { dialog.baud = "4"; }, &TserOptionsController::comboBaudChange, "Baud=4", ""},
      {[&] { dialog.baud = "48o"; }, &TserOptionsController::comboBaudChange, "",
       "'48o' ist kein g\xFCltiger Integerwert"},
      {[&] { dialog.databits = "-1"; }, &TserOptionsController::comboDatabitsChange, "", range},
      {[&] { dialog.databits = "9"; }, &TserOptionsController::comboDatabitsChange, "",
       "Data bits 9 refused"},
      {[&] { dialog.stop = "x"; }, &TserOptionsController::comboStopChange, "",
       "'x' ist kein g\xFCltiger Integerwert"},
      {[&] { dialog.parity = -1; }, &TserOptionsController::comboParityChange, "", ""},
      {[&] { dialog.parity = 4; }, &TserOptionsController::comboParityChange, "Parity=4", ""},
      {[&] { dialog.xonxoff = 3; }, &TserOptionsController::comboXonXoffChange, "SWFlow=3", ""},
      {[&] { dialog.xonxoff = 4; }, &TserOptionsController::comboXonXoffChange, "", ""},
      {[&] { dialog.dtr = dialog.cts = true; }, &TserOptionsController::setHwHandshake, "HWFlow=9",
       ""},
  };
  for (const Case& c : cases) {
    comms.calls.clear();
    errors.messages.clear();
    c.type();
    (controller.*c.handler)();
    EXPECT_EQ(comms.calls,
              c.applied.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.applied})
        << c.applied << c.error;
    EXPECT_EQ(errors.messages,
              c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.error})
        << c.applied << c.error;
  }

  // Not only the program's own exceptions are caught.
  controller.Guarded([] { throw std::runtime_error("no device layer"); });
  EXPECT_EQ(errors.messages.back(), "no device layer");
}

TEST_F(SerOptionsController, AResultCutOffByAnUnpluggedDeviceIsNotJoinedToTheNext) {
  FakeFilterOptions options;
  FakeMainView main;
  main.ledColor = ledTarget;
  ScriptedSource source;
  RecordingInjector injector;
  TKeystrokes keys{injector};
  FakeSound sound;
  FakePump pump;
  TResultFilter filter{TResultFilterParts{options, main, source, keys, sound, pump, errors}};
  const auto receive = [&](const std::string& chars, uint32_t returns) {
    source.data += chars;
    controller.CommsTriggerAvail(static_cast<uint16_t>(chars.size()), returns);
  };

  controller.SetResultFilter(&filter);
  receive("+   12.3", 0);
  receive("45 g\r\n", 0);
  EXPECT_EQ(injector.pressed, "12.345<CR>");
  receive("+   99.9", 0);
  receive("+   12.345 g\r\n", 1);  // the device was away in between
  EXPECT_EQ(injector.pressed, "12.345<CR>12.345<CR>");

  // Without a filter the data stays in the port's buffer.
  controller.SetResultFilter(nullptr);
  receive("1\r\n", 1);
  EXPECT_EQ(source.InputCount(), 3);
}

}  // namespace
