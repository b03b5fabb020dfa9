// The remote-desktop portal client against the real xdg-desktop-portal on a private session bus,
// with a test backend behind it that grants or refuses and records the keysyms it is sent.
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Keystrokes.h"
#include "platform/fake/FakeForegroundWindow.h"
#include "platform/wayland/DeliveringForeground.h"
#include "platform/wayland/OwnKeymap.h"
#include "platform/wayland/PortalKeyInjector.h"
#include "tests/wayland/PortalRig.h"
#include "tests/x11/XServer.h"

namespace fs = std::filesystem;

namespace {

QCoreApplication& Application() {
  static int argc = 1;
  static char name[] = "test_wayland_portal";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

class PortalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string missing = TPortalRig::Missing(); !missing.empty())
      GTEST_SKIP() << missing;
    Application();
    dir_ = fs::path(::testing::TempDir()) / ("tarvolin_portal_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ASSERT_TRUE(rig_.StartBus(dir_.string())) << rig_.Error();
    record_ = (dir_ / "keys").string();
    token_ = (dir_ / "config" / "remote-desktop.token").string();
  }

  void TearDown() override {
    injector_.reset();
    rig_.Stop();
    // Kept after a failure for the services' log.
    std::error_code ignored;
    if (!dir_.empty() && !HasFailure()) fs::remove_all(dir_, ignored);
  }

  void StartPortal(const std::string& mode) { ASSERT_TRUE(rig_.StartPortal(mode)) << rig_.Error(); }

  void NewInjector() {
    injector_.reset();
    injector_ = std::make_unique<TPortalKeyInjector>(keymap_, token_, rig_.Bus());
  }

  fs::path dir_;
  std::string record_, token_;
  TPortalRig rig_;
  TOwnKeymap keymap_;
  std::unique_ptr<TPortalKeyInjector> injector_;
};

TEST_F(PortalTest, AGrantedSessionTypesEveryCharacterAsItsKeysym) {
  ASSERT_NO_FATAL_FAILURE(StartPortal("grant"));
  NewInjector();
  std::string waited;
  ASSERT_EQ(injector_->Start([&](const std::string& s) { waited = s; }), "");
  EXPECT_NE(waited.find("Warte"), std::string::npos) << waited;
  TKeystrokes keys(*injector_);
  keys.typeText("AbC 12,5\xB5\r");
  const std::vector<uint32_t> expected{'A', 'b', 'C', ' ', '1', '2', ',', '5', 0xB5, 0xFF0D};
  EXPECT_EQ(rig_.Pressed(expected.size()), expected);
  EXPECT_EQ(rig_.Starts(), std::vector<std::string>{"asked"});
}

TEST_F(PortalTest, ARefusalIsAStartThatFailsWithItsCause) {
  ASSERT_NO_FATAL_FAILURE(StartPortal("refuse"));
  NewInjector();
  const std::string why = injector_->Start();
  EXPECT_NE(why.find("abgelehnt"), std::string::npos) << why;
  TKeystrokes keys(*injector_);
  keys.typeText("1\r");
  EXPECT_TRUE(ReadWholeFile(record_).empty()) << "keys were sent without a grant";
  EXPECT_FALSE(fs::exists(token_));
}

// Where the portal keeps grants (version 2 of its interface), the next start brings the token
// and is not asked again; an older portal keeps none and asks every time.
TEST_F(PortalTest, TheNextStartBringsTheGrantsRestoreToken) {
  ASSERT_NO_FATAL_FAILURE(StartPortal("grant"));
  NewInjector();
  ASSERT_EQ(injector_->Start(), "");
  NewInjector();
  ASSERT_EQ(injector_->Start(), "");
  if (rig_.Version() >= 2) {
    EXPECT_EQ(rig_.Starts(), (std::vector<std::string>{"asked", "restored"}));
    EXPECT_EQ(ReadWholeFile(token_), "tarvolin-test-token\n");
  } else {
    EXPECT_EQ(rig_.Starts(), (std::vector<std::string>{"asked", "asked"}));
    EXPECT_FALSE(fs::exists(token_));
  }
}

TEST_F(PortalTest, APortalThatVanishesMidCaptureIsSaidOnceAndNothingCountsAsSent) {
  ASSERT_NO_FATAL_FAILURE(StartPortal("grant"));
  NewInjector();
  ASSERT_EQ(injector_->Start(), "");
  FakeForegroundWindow windows;
  windows.SetForeground(7);
  TDeliveringForeground foreground(windows, [&] { return injector_->LostCause(); });
  std::vector<std::string> notices;
  foreground.SetNotice([&](const std::string& s) { notices.push_back(s); });
  EXPECT_EQ(foreground.Foreground(), 7u);

  rig_.EndFrontend();
  for (int tick = 0; tick < 3; ++tick) EXPECT_EQ(foreground.Foreground(), 0u);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("Portal"), std::string::npos) << notices[0];
  // The portal cannot be reached: a result is not typed, and keys go nowhere.
  TKeystrokes keys(*injector_);
  keys.typeText("1\r");
  EXPECT_TRUE(ReadWholeFile(record_).empty());
}

}  // namespace
