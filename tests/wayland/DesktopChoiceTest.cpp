// Which backend serves a session, from its environment.
#include <gtest/gtest.h>

#include "main/DesktopChoice.h"

namespace {

TEST(DesktopChoice, TheSessionChoosesUnlessAChoiceIsForced) {
  struct TRow {
    TSessionFacts facts;
    TDesktopKind kind;
    const char* why;
  };
  const TRow rows[] = {
      {{"", "", ""}, TDesktopKind::X11, "nothing says Wayland"},
      {{"", "x11", ""}, TDesktopKind::X11, "an X11 session"},
      {{"wayland-0", "", ""}, TDesktopKind::Wayland, "a Wayland display is named"},
      {{"", "Wayland", ""}, TDesktopKind::Wayland, "a Wayland session, display by default"},
      {{" ", "tty", ""}, TDesktopKind::X11, "a blank display is none"},
      {{"wayland-0", "wayland", "x11"}, TDesktopKind::X11, "forced to X11 (XWayland programs)"},
      {{"", "", "Wayland"}, TDesktopKind::Wayland, "forced, in any case"},
      {{"wayland-0", "", " portal "}, TDesktopKind::WaylandPortal, "the portal only"},
      {{"wayland-0", "", "bogus"}, TDesktopKind::Wayland, "an unknown choice is ignored"},
  };
  for (const TRow& r : rows) EXPECT_EQ(ChooseDesktop(r.facts), r.kind) << r.why;
}

}  // namespace
