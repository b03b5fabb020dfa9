// The whole capture road on a private X server: the tarvolin program reads an instrument on a
// pseudo-terminal and types its readings into an xterm while that is in front, but not while
// its own window is. And File > IQ: the qualification report previewed and printed to PDF
// through the print dialog. The program's window state is read through its SIGUSR1 state dump.
// Set TARVOLIN_DOCS_DIR to keep the printed report page as iq-report.png.
#include <fcntl.h>
#include <pty.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>

#include <QImage>
#include <QRect>

#include "tests/x11/ProgramDriver.h"
#include "tests/x11/XServer.h"

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new XServerEnvironment);
constexpr std::chrono::milliseconds kTimeout{15000};

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TARVOLIN_REQUIRE_X_SERVER("xterm", "xdotool");
    StartProgram(*XServerEnvironment::Server(), {});
  }

  // Starts the program on `server` with "NAME=value" settings added to its environment.
  void StartProgram(XServer& server, const std::vector<std::string>& settings) {
    server_ = &server;
    // One directory per test process: ctest runs the tests of this file side by side.
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("tarvolin_end_to_end_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    // Port 1, end code 10, cursor movement CR; the rest are the defaults.
    std::ofstream(dir_ / "Tarvolin.INI", std::ios::binary)
        << "[Comms]\r\nPort=1\r\n[resRecog]\r\nend=10\r\n[resModi]\r\ncursMove=1\r\n";
    dump_ = (dir_ / "state").string();
    received_ = (dir_ / "received.txt").string();

    // A program started again in a test finds the terminal of the one before.
    if (master_ < 0) {
      char slave[256] = {};
      ASSERT_EQ(openpty(&master_, &slaveFd_, slave, nullptr, nullptr), 0);
      slavePath_ = slave;
    }
    // Keeping a slave descriptor open keeps the master readable after the program closes.
    setenv("TARVOLIN_COM1", slavePath_.c_str(), 1);
    if (!runAs_.empty()) {
      const passwd* nobody = getpwnam("nobody");
      std::filesystem::permissions(dir_, std::filesystem::perms::all);
      ASSERT_EQ(chown(slavePath_.c_str(), nobody->pw_uid, static_cast<gid_t>(-1)), 0);
    }
    setenv("USERPROFILE", dir_.c_str(), 1);
    setenv("TARVOLIN_STATE_DUMP", dump_.c_str(), 1);
    // The print dialog offers a PDF file in the home directory.
    setenv("HOME", dir_.c_str(), 1);
    std::vector<std::string> command = runAs_;
    command.push_back("env");
    command.insert(command.end(), settings.begin(), settings.end());
    command.push_back(TARVOLIN_EXE);
    program_ = server_->Spawn(command, (dir_ / "tarvolin.log").string());
    ASSERT_GT(program_, 0);
    mainWindow_ = server_->WaitForWindow("Tarvolin", kTimeout);
    ASSERT_NE(mainWindow_, 0u) << "the main window did not appear: "
                               << ReadWholeFile((dir_ / "tarvolin.log").string());
  }

  void TearDown() override {
    if (program_ > 0) server_->Kill(program_);
    if (terminal_ > 0) server_->Kill(terminal_);
    if (master_ >= 0) close(master_);
    if (slaveFd_ >= 0) close(slaveFd_);
    // Kept after a failure for its log.
    std::error_code ignored;
    if (!dir_.empty() && !HasFailure()) std::filesystem::remove_all(dir_, ignored);
  }

  // The program's window state, read until `done` holds for it or the time is up.
  TProgramState StateWhen(const std::function<bool(TProgramState&)>& done) {
    return ProgramStateWhen(program_, dump_, done, kTimeout);
  }

  void ClickStartButton() {
    const auto state = StateWhen([](auto& s) { return s.count("buttonAt") != 0; });
    const std::string at = state.at("buttonAt");
    const std::string x = at.substr(0, at.find(',')), y = at.substr(at.find(',') + 1);
    ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
    // The click goes to the window as an event of its own, so it needs no XTest.
    const std::string window = std::to_string(mainWindow_);
    ASSERT_TRUE(server_->Run(
        {"xdotool", "mousemove", "--window", window, x, y, "click", "--window", window, "1"}));
  }

  // Keys typed into the main window, as the user types them.
  void KeysToMainWindow(const std::vector<std::string>& keys) {
    ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
    std::vector<std::string> command{"xdotool", "key", "--delay", "100"};
    command.insert(command.end(), keys.begin(), keys.end());
    ASSERT_TRUE(server_->Run(command));
  }

  // Waits for the program to end and gives its exit status, or -1 when it did not end.
  int ExitStatus() {
    int status = -1;
    const bool ended = XServer::PollUntil(
        [&] { return waitpid(program_, &status, WNOHANG) == program_; }, kTimeout);
    if (!ended) return -1;
    program_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  void Send(const std::string& line) {
    ASSERT_EQ(write(master_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }

  bool CanLockDevice() const {
    const int fd = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return false;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return locked;
  }

  std::string ReceivedWhen(const std::string& expected) {
    return ReadFileWhen(
        received_, [&](const std::string& text) { return text == expected; }, kTimeout);
  }

  // As root the exclusive open of a terminal holds no one off; to see it hold, the programs
  // started from now on run as an ordinary user, given their directory and their port.
  void RunAsOrdinaryUser() {
    if (getuid() != 0) return;
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    runAs_ = {"setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
              "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups"};
  }

  XServer* server_ = nullptr;
  std::vector<std::string> runAs_;
  std::filesystem::path dir_;
  std::string dump_, received_, slavePath_;
  int master_ = -1, slaveFd_ = -1;
  pid_t program_ = -1, terminal_ = -1;
  uint64_t mainWindow_ = 0;
};

TEST_F(EndToEndTest, ReadingsAreTypedIntoTheWindowInFrontOnly) {
  auto stopped = StateWhen([](auto& s) { return s["button"] == "Start"; });
  EXPECT_EQ(stopped["led"], "<inaktiv>");
  EXPECT_EQ(stopped["status"], "Stopp!");

  ClickStartButton();
  auto started = StateWhen([](auto& s) { return s["button"] == "Stop"; });
  ASSERT_EQ(started["button"], "Stop") << ReadWholeFile((dir_ / "tarvolin.log").string());
  EXPECT_EQ(started["led"], "***Morvisk***");
  EXPECT_FALSE(CanLockDevice()) << "the open port should hold the device";

  terminal_ = server_->Spawn({"env", "LC_ALL=C.UTF-8", "xterm", "-T", "Receiver", "-e", "sh", "-c",
                              "exec cat > \"$0\"", received_});
  const uint64_t receiver = server_->WaitForWindow("Receiver", kTimeout);
  ASSERT_NE(receiver, 0u);
  ASSERT_TRUE(server_->Activate(receiver, kTimeout));
  auto target = StateWhen([](auto& s) { return s["led"] == "Receiver"; });
  EXPECT_EQ(target["ledColor"], "65280");

  Send("+   12.345 g\r\n");
  EXPECT_EQ(ReceivedWhen("12.345\n"), "12.345\n");
  Send("-    1.500 g\r\n");
  EXPECT_EQ(ReceivedWhen("12.345\n1.500\n"), "12.345\n1.500\n");
  auto typed = StateWhen([](auto& s) { return s["filt"] == "1.500"; });
  EXPECT_EQ(typed["capt"], "-    1.500 g\\x0D\\x0A");

  // With the program's own window in front the reading is shown but not typed.
  ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
  StateWhen([](auto& s) { return s["led"] == "***Morvisk***"; });
  Send("+    7.000 g\r\n");
  auto held = StateWhen([](auto& s) { return s["filt"] == "7.000 (nicht gesendet)"; });
  EXPECT_EQ(held["filt"], "7.000 (nicht gesendet)");
  EXPECT_EQ(held["ledColor"], "41215");

  // Back in the receiver, the next reading follows the earlier ones directly.
  ASSERT_TRUE(server_->Activate(receiver, kTimeout));
  StateWhen([](auto& s) { return s["led"] == "Receiver"; });
  Send("+    0.250 g\r\n");
  EXPECT_EQ(ReceivedWhen("12.345\n1.500\n0.250\n"), "12.345\n1.500\n0.250\n");

  // Stop closes the port: the device can be taken exclusively again.
  ClickStartButton();
  auto stoppedAgain = StateWhen([](auto& s) { return s["button"] == "Start"; });
  EXPECT_EQ(stoppedAgain["led"], "<inaktiv>");
  EXPECT_TRUE(CanLockDevice());
}

TEST_F(EndToEndTest, ClosingTheWindowWhileCapturingEndsTheProgramCleanly) {
  ClickStartButton();
  StateWhen([](auto& s) { return s["button"] == "Stop"; });
  Send("+    1.000 g\r\n");
  StateWhen([](auto& s) { return s["filt"] == "1.000 (nicht gesendet)"; });

  KeysToMainWindow({"alt+F4"});
  EXPECT_EQ(ExitStatus(), 0) << "the program did not end cleanly";
}

// At logout the desktop sends SIGTERM: the program ends as on a closed window, so the port is
// closed and the next start, as an ordinary user on the same terminal, opens it again.
TEST_F(EndToEndTest, SigtermWhileCapturingClosesThePortForTheNextStart) {
  server_->Kill(program_);
  RunAsOrdinaryUser();
  for (int run = 1; run <= 2; ++run) {
    StartProgram(*server_, {});
    ClickStartButton();
    auto started = StateWhen([](auto& s) { return s["button"] == "Stop" || !s["box"].empty(); });
    ASSERT_EQ(started["button"], "Stop") << "start " << run << ": " << started["box"];
    Send("+    1.000 g\r\n");
    auto read = StateWhen([](auto& s) { return s["filt"] == "1.000 (nicht gesendet)"; });
    EXPECT_EQ(read["filt"], "1.000 (nicht gesendet)");
    kill(program_, SIGTERM);
    EXPECT_EQ(ExitStatus(), 0) << "start " << run;
  }
}

// In a Wayland session the program still shows its windows through the X server it types to, so
// that it knows them for its own and types nothing into them.
TEST_F(EndToEndTest, AWaylandSessionStillShowsTheWindowsOnTheXServer) {
  server_->Kill(program_);
  close(master_);
  close(slaveFd_);
  master_ = slaveFd_ = -1;
  StartProgram(*server_, {"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=tarvolin-none",
                          "QT_QPA_PLATFORM=wayland"});
  ClickStartButton();
  auto started = StateWhen([](auto& s) { return s["button"] == "Stop"; });
  ASSERT_EQ(started["button"], "Stop");
  ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
  // A tick with the main window in front recognises it as the program's own.
  Send("+    2.000 g\r\n");
  auto own = StateWhen([](auto& s) { return s["filt"] == "2.000 (nicht gesendet)"; });
  EXPECT_EQ(own["led"], "***Morvisk***");
  EXPECT_EQ(own["ledColor"], "41215");
}

// A server without the XTest extension takes no typed keys: Start says so and does not open the
// port, instead of showing every reading as sent.
class EndToEndWithoutXTest : public EndToEndTest {
 protected:
  void SetUp() override {
    const std::string missing = XServer::MissingPrograms({"Xvfb", "openbox", "xdotool"});
    if (!missing.empty()) GTEST_SKIP() << missing;
    ASSERT_TRUE(own_.Start(true, {"-extension", "XTEST"})) << own_.Error();
    StartProgram(own_, {});
  }

  XServer own_;
};

TEST_F(EndToEndWithoutXTest, StartIsRefusedNamingTheCause) {
  ClickStartButton();
  auto refused = StateWhen([](auto& s) { return !s["box"].empty(); });
  EXPECT_NE(refused["box"].find("XTEST"), std::string::npos) << refused["box"];
  EXPECT_EQ(refused["button"], "Start");
  EXPECT_EQ(refused["led"], "<inaktiv>");
  EXPECT_TRUE(CanLockDevice()) << "the port was opened";
}

// The help and preview windows have no parent: the program must not wait for them, nor go on
// capturing without its main window.
TEST_F(EndToEndTest, ClosingTheWindowEndsTheProgramWithHelpPreviewAndSettingsOpen) {
  KeysToMainWindow({"alt+k", "p"});
  ASSERT_NE(server_->WaitForWindow("Tarvolin: Schnittstelle konfigurieren", kTimeout), 0u);
  KeysToMainWindow({"alt+d", "i"});
  ASSERT_NE(server_->WaitForWindow("Preview", kTimeout), 0u);
  ClickStartButton();
  StateWhen([](auto& s) { return s["button"] == "Stop"; });
  KeysToMainWindow({"F1"});
  ASSERT_NE(server_->WaitForWindow("Tarvolin: Hilfe", kTimeout), 0u);

  KeysToMainWindow({"alt+F4"});
  EXPECT_EQ(ExitStatus(), 0) << "the program went on after its main window was closed";
  EXPECT_TRUE(CanLockDevice());
}

TEST_F(EndToEndTest, FileIqPreviewsTheReportAndPrintsItToPdf) {
  TARVOLIN_REQUIRE_X_SERVER("pdftotext", "pdftoppm", "pdfinfo");
  ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
  ASSERT_TRUE(server_->Run({"xdotool", "key", "alt+d"}));
  ASSERT_TRUE(server_->Run({"xdotool", "key", "i"}));
  const uint64_t preview = server_->WaitForWindow("Preview", kTimeout);
  ASSERT_NE(preview, 0u) << ReadWholeFile((dir_ / "tarvolin.log").string());
  EXPECT_EQ(StateWhen([](auto& s) { return s["preview"] == "1/1"; })["preview"], "1/1");

  const std::string pdf = (dir_ / "print.pdf").string();
  const std::string text = PrintPreviewAsPdfText(*server_, preview, pdf, kTimeout);
  ASSERT_FALSE(text.empty()) << "no PDF printed at " << pdf;
  EXPECT_NE(CommandOutput("pdfinfo '" + pdf + "'").find("Pages:           1\n"), std::string::npos);

  const std::string programDir = std::filesystem::path(TARVOLIN_EXE).parent_path().string() + "/";
  const char* const rows[] = {"Computername:",
                              "IP-Adresse:",
                              "IP-Hostname:",
                              "Betriebssystem:",
                              "Verfügbare COM-Ports:",
                              "Angemeldeter Benutzer:",
                              "Produktname: +Tarvolin",
                              "Produktversion: +V1.1 \\(Freeware\\)",
                              "Buildnummer: +1\\.1\\.1\\.76",
                              "Hersteller:",
                              "Copyright:",
                              "Programmdatei: +tarvolin",
                              "Ja +Direkte Anzeige des Fenster zur Filterkonfiguration",
                              "Ja +Direktes Schließen des Fenster zur Filterkonfiguration",
                              "Ja +Klick auf Menüeintrag zur Portkonfiguration",
                              "Ja +Klick auf Button zum Schließen der Portkonfiguration",
                              "Ja +Hilfedatei \"Tarvolin.hlp\" vorhanden",
                              "Ja +Klick auf Menüeintrag zur Anzeige der Hilfe",
                              "Tests bestanden: 6 von 6",
                              "Nicht bestanden: 0 von 6 +Bestanden",
                              "Datum: \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d"};
  for (const char* row : rows) EXPECT_TRUE(std::regex_search(text, std::regex(row))) << row;
  EXPECT_NE(text.find("Installationspfad:"), std::string::npos);
  EXPECT_NE(text.find(programDir), std::string::npos) << programDir;
  // The checksums as sha256sum gives them; a value may wrap onto the next line.
  std::string joined = text;
  joined.erase(
      std::remove_if(joined.begin(), joined.end(), [](unsigned char c) { return std::isspace(c); }),
      joined.end());
  for (const std::string& file : {std::string(TARVOLIN_EXE), programDir + "Tarvolin.hlp"}) {
    const std::string sum = CommandOutput("sha256sum '" + file + "'").substr(0, 64);
    ASSERT_EQ(sum.size(), 64u) << file;
    EXPECT_NE(joined.find(sum), std::string::npos) << file << " " << sum;
  }

  // The page at 96 pixels per inch keeps the form's geometry (20 mm margins are 76 pixels).
  const std::string png = (dir_ / "page").string();
  ASSERT_TRUE(server_->Run({"pdftoppm", "-r", "96", "-png", "-singlefile", pdf, png}));
  const QImage page(QString::fromStdString(png + ".png"));
  ASSERT_EQ(page.size(), QSize(794, 1123));
  const auto dark = [&page](int x, int y) { return qGray(page.pixel(x, y)) < 160; };
  const auto inked = [&](QRect r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += dark(x, y);
    return n;
  };
  EXPECT_TRUE(dark(80, 38) && dark(400, 38) && dark(714, 38)) << "header rule";
  EXPECT_FALSE(dark(400, 34) || dark(400, 43));
  // Rows below the software rows move down as far as long values wrap (the checksums, the
  // system's text): the signature box's top, the first ink at its right side below them, says
  // by how much. Without wrapping it lies at 746.
  int boxTop = 600;
  while (boxTop < 1000 && !dark(716, boxTop)) ++boxTop;
  const int down = boxTop - 746;
  ASSERT_GE(down, 40) << "the two checksum rows at the least";
  // The box covers 396 to 717; the PDF's rasteriser may round its right side down by one.
  EXPECT_TRUE(dark(396, 770 + down) && (dark(716, 770 + down) || dark(717, 770 + down)))
      << "signature box sides";
  EXPECT_TRUE(dark(500, 746 + down) && dark(500, 803 + down)) << "signature box top and bottom";
  EXPECT_FALSE(dark(556, 770 + down) || dark(392, 770 + down));
  EXPECT_GT(inked({116, 136, 100, 14}), 100) << "Computersystem";
  EXPECT_EQ(inked({76, 130, 36, 480 + down}), 0) << "nothing left of the rows";
  EXPECT_EQ(inked({719, 130, 75, 700}), 0) << "nothing right of the margin";
  EXPECT_GT(inked({116, 478 + down, 14, 12}), 10) << "the first check's Ja";
  EXPECT_GT(inked({196, 478 + down, 200, 12}), 100) << "the first check's text";
  if (const char* docs = std::getenv("TARVOLIN_DOCS_DIR")) {
    EXPECT_TRUE(std::filesystem::copy_file(png + ".png", std::string(docs) + "/iq-report.png",
                                           std::filesystem::copy_options::overwrite_existing));
  }
}

}  // namespace
