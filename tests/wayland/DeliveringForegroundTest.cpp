// The window in front while keys can be delivered, and none once they cannot.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/FakeForegroundWindow.h"
#include "platform/wayland/DeliveringForeground.h"

namespace {

TEST(DeliveringForeground, EachLossIsSaidOnceAndHidesTheWindowWhileItLasts) {
  FakeForegroundWindow windows;
  windows.SetWindow(7, "Editor");
  windows.SetForeground(7);
  std::string lost;
  TDeliveringForeground front(windows, [&] { return lost; });
  std::vector<std::string> notices;
  front.SetNotice([&](const std::string& s) { notices.push_back(s); });
  struct TTick {
    const char* lost;
    WindowId front;
  };
  const TTick ticks[] = {{"", 7}, {"portal gone", 0},    {"portal gone", 0},
                         {"", 7}, {"session closed", 0}, {"session closed", 0}};
  for (const TTick& t : ticks) {
    lost = t.lost;
    EXPECT_EQ(front.Foreground(), t.front) << t.lost;
  }
  EXPECT_EQ(notices, (std::vector<std::string>{"portal gone", "session closed"}));
  EXPECT_EQ(front.Title(7, 79), "Editor");
}

}  // namespace
