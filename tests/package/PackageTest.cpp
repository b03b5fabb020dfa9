// The package as an installer meets it: unpacked into a private root instead of the system, its
// programs are started from there. tarvolin runs through the command on the PATH, a link, with a
// fresh configuration directory on a private X server, and must find what lies beside its real
// file. Its window state is read through its SIGUSR1 state dump, its qualification report printed
// to PDF.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <system_error>

#include "tests/x11/ProgramDriver.h"
#include "tests/x11/XServer.h"

namespace {

namespace fs = std::filesystem;

const auto* const environment = ::testing::AddGlobalTestEnvironment(new XServerEnvironment);
constexpr std::chrono::milliseconds kTimeout{15000};

// The package unpacked with dpkg-deb into a directory of its own (test runs of several build
// trees may share the machine), once for all tests, removed at exit.
class TUnpacked {
 public:
  TUnpacked() {
    std::string pattern = ::testing::TempDir() + "tarvolin_package.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return;
    dir_ = pattern;
    const std::string command = "dpkg-deb -x '" TARVOLIN_DEB "' '" + (dir_ / "root").string() + "'";
    if (std::system(command.c_str()) == 0) root_ = dir_ / "root";
  }
  ~TUnpacked() {
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
  }
  // Empty when unpacking failed.
  const fs::path& Root() const { return root_; }

 private:
  fs::path dir_, root_;
};

const fs::path& UnpackedRoot() {
  static const TUnpacked unpacked;
  return unpacked.Root();
}

TEST(PackagedSimulator, SendsWeighingsOnTheTerminalItNamesToTheProgramItStarts) {
  ASSERT_FALSE(UnpackedRoot().empty()) << "dpkg-deb -x " TARVOLIN_DEB " failed";
  // The started program reads one line from the terminal named in its environment; the
  // simulator ends with the program's exit status.
  const std::string command = "'" + (UnpackedRoot() / "usr/bin/tarvolin-sim").string() +
                              "' --com 3 --run sh -c "
                              "'IFS= read -r line < \"$TARVOLIN_COM3\" && "
                              "printf %s \"$line\" | grep -q \"^[+-] *[0-9]*[.][0-9]* g\"' "
                              ">/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

class PackagedProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TARVOLIN_REQUIRE_X_SERVER("xdotool", "xprop");
    ASSERT_FALSE(UnpackedRoot().empty()) << "dpkg-deb -x " TARVOLIN_DEB " failed";
    server_ = XServerEnvironment::Server();
    home_ = UnpackedRoot().parent_path() / "home";
    fs::remove_all(home_);
    fs::create_directories(home_);
    dump_ = home_ / "state";
    log_ = home_ / "tarvolin.log";
    // A user as after installation: nothing configured, the default configuration directory.
    unsetenv("USERPROFILE");
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_ / ".config").c_str(), 1);
    setenv("TARVOLIN_STATE_DUMP", dump_.c_str(), 1);
    program_ = server_->Spawn({(UnpackedRoot() / "usr/bin/tarvolin").string()}, log_.string());
    ASSERT_GT(program_, 0);
    mainWindow_ = server_->WaitForWindow("Tarvolin", kTimeout);
    ASSERT_NE(mainWindow_, 0u) << "the main window did not appear\n" << ReadWholeFile(log_);
  }

  void TearDown() override {
    if (program_ > 0) server_->Kill(program_);
  }

  // Where the program itself lies, with the separator the program appends.
  static std::string ProgramDir() { return (UnpackedRoot() / "usr/lib/tarvolin").string() + "/"; }

  // The program's window state, read until `done` holds for it or the time is up.
  TProgramState StateWhen(const std::function<bool(TProgramState&)>& done) {
    return ProgramStateWhen(program_, dump_, done, kTimeout);
  }

  XServer* server_ = nullptr;
  fs::path home_, dump_, log_;
  pid_t program_ = -1;
  uint64_t mainWindow_ = 0;
};

TEST_F(PackagedProgramTest, StartsFromTheCommandWithItsIconAndFindsItsHelpBesideItself) {
  auto stopped = StateWhen([](auto& s) { return s["status"] == "Stopp!"; });
  EXPECT_EQ(stopped["status"], "Stopp!") << ReadWholeFile(log_);

  EXPECT_TRUE(server_->Run({"sh", "-c", "xprop -id \"$0\" _NET_WM_ICON | grep -q 'Icon ('",
                            std::to_string(mainWindow_)}))
      << "the main window shows no program icon";

  ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
  ASSERT_TRUE(server_->Run({"xdotool", "key", "F1"}));
  auto help = StateWhen([](auto& s) { return !s["help"].empty(); });
  EXPECT_EQ(help["help"], ProgramDir() + "Tarvolin.hlp");
}

TEST_F(PackagedProgramTest, QualificationReportNamesTheInstallationDirectory) {
  TARVOLIN_REQUIRE_X_SERVER("pdftotext");
  StateWhen([](auto& s) { return s["status"] == "Stopp!"; });
  ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
  ASSERT_TRUE(server_->Run({"xdotool", "key", "--delay", "100", "alt+d", "i"}));
  const uint64_t preview = server_->WaitForWindow("Preview", kTimeout);
  ASSERT_NE(preview, 0u) << ReadWholeFile(log_);
  StateWhen([](auto& s) { return s["preview"] == "1/1"; });

  // The print dialog offers a PDF file in the home directory.
  const std::string pdf = (home_ / "print.pdf").string();
  const std::string text = PrintPreviewAsPdfText(*server_, preview, pdf, kTimeout);
  ASSERT_FALSE(text.empty()) << "no PDF printed at " << pdf;
  std::smatch row;
  ASSERT_TRUE(std::regex_search(text, row, std::regex("Installationspfad: +(\\S+)"))) << text;
  EXPECT_EQ(row[1], ProgramDir());
  EXPECT_TRUE(std::regex_search(text, std::regex("Programmdatei: +tarvolin\\b"))) << text;
}

}  // namespace
