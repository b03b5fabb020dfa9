// The trace and the dispatch log switched on by the configuration file, on a real port: an
// instrument on a pseudo-terminal sends, the capture path reads, Stop writes the files.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "app/CaptureApp.h"
#include "app/Keystrokes.h"
#include "app/ResultFilter.h"
#include "dialogs/PortControl.h"
#include "gui/dialogs/serOptions.h"
#include "serial/AdPort.h"
#include "serial/AwPosix.h"
#include "tests/app/FakeFilterOptions.h"
#include "tests/app/Fakes.h"
#include "tests/app/TempDir.h"
#include "tests/gui/support/QtTestSupport.h"
#include "tests/serial/support/Pty.h"
#include "tests/support/PortReader.h"

namespace {

// The ports run on the POSIX device layer, as the program installs it.
[[maybe_unused]] const IDeviceLayer* const kPreviousLayer = SetDeviceLayer(&PosixDeviceLayer());

class CaptureTraceTest : public ::testing::Test {
 protected:
  CaptureTraceTest() {
    WndMsg().AttachGuiThread();
    form.SetErrorDisplay(errors);
    form.SetResultFilter(&filter);
    setenv("TARVOLIN_COM1", pty_.SlavePath().c_str(), 1);
  }
  ~CaptureTraceTest() override {
    form.port().SetOpen(false);
    unsetenv("TARVOLIN_COM1");
  }

  QApplication& app = App();
  TempDir dir;
  FakeMainView main;
  FakeBoxes boxes;
  FakeErrors errors;
  FakeFilterOptions filterOptions;
  RecordingInjector injector;
  TKeystrokes keys{injector};
  FakeSound sound;
  FakePump pump;
  TserOptionForm form;
  TResultFilter filter{
      TResultFilterParts{filterOptions, main, form.port(), keys, sound, pump, errors}};
  TPty pty_;
};

TEST_F(CaptureTraceTest, KeysInTheConfigurationTraceEveryCaptureIntoTheConfigurationDirectory) {
  ASSERT_FALSE(pty_.SlavePath().empty()) << "no pseudo-terminal";
  WriteFile(dir.File("Tarvolin.INI"),
            "[Comms]\r\nPort=1\r\n[Trace]\r\nTracing=1\r\nTraceSize=5000\r\nLogging=1\r\n");
  TCaptureApp capture(TCaptureParts{main, form, filterOptions, form.port(), boxes, errors},
                      "/opt/x", [this](const std::string& name) -> std::optional<std::string> {
                        if (name == "USERPROFILE") return dir.Path();
                        return std::nullopt;
                      });
  capture.startUp({});
  std::unique_ptr<IPortControl> comms = MakePortControl(form.comms());

  // 100,000 bytes: lines of 49 letters and a line feed, the last one unlike the others.
  std::string sent;
  for (int line = 0; line < 1999; ++line) {
    for (int i = 0; i < 49; ++i) sent += static_cast<char>('a' + (line + i) % 26);
    sent += '\n';
  }
  const std::string last = std::string(46, 'z') + "END\n";
  sent += last;
  comms->SetOpen(true);
  ASSERT_TRUE(comms->Open());
  std::thread instrument([&] { pty_.Send(sent, std::chrono::seconds(60)); });
  const bool allRead = PumpFor([&] { return main.capt == last; }, std::chrono::seconds(60));
  instrument.join();
  ASSERT_TRUE(allRead) << "last result: " << main.capt;
  comms->SetOpen(false);

  // The newest 5000 bytes, in order.
  std::string traced = ReadFile(dir.File("APRO.TRC"));
  ASSERT_TRUE(traced.starts_with("Receive: \r\n"));
  traced.erase(0, 11);
  std::string bytes;
  for (size_t i = 0; i < traced.size(); ++i) {
    if (traced.compare(i, 2, "\r\n") == 0) {
      ++i;
    } else if (traced.compare(i, 4, "[0A]") == 0) {
      bytes += '\n';
      i += 3;
    } else {
      bytes += traced[i];
    }
  }
  EXPECT_EQ(bytes, sent.substr(sent.size() - 5000));

  const std::string log = ReadFile(dir.File("APRO.LOG"));
  EXPECT_TRUE(log.starts_with("APRO v4.03\r\n")) << log.substr(0, 200);
  EXPECT_NE(log.find("\r\nDevice: COM1\r\n"), std::string::npos);
  EXPECT_NE(log.find("  Dispatch  ReadCom  "), std::string::npos);

  ASSERT_EQ(comms->RecorderFiles().size(), 2u);
  EXPECT_EQ(comms->RecorderFiles()[0].name, dir.File("APRO.TRC"));
  EXPECT_TRUE(comms->RecorderFiles()[1].written);
  // The next capture records again.
  EXPECT_EQ(form.comms().Tracing(), tlOn);
  EXPECT_EQ(form.comms().Logging(), tlOn);
  EXPECT_TRUE(errors.messages.empty());
}

}  // namespace
