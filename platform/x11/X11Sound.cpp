#include "platform/x11/X11Sound.h"

#include <X11/Xlib.h>

#include <algorithm>

#include "platform/x11/X11Display.h"

void TX11Sound::Beep(unsigned frequencyHz, unsigned durationMs) {
  Display* dpy = display_.Handle();
  if (dpy == nullptr) return;
  XKeyboardState previous{};
  XGetKeyboardControl(dpy, &previous);
  // The protocol carries pitch and duration as 16-bit values.
  XKeyboardControl control{};
  control.bell_pitch = static_cast<int>(std::min(frequencyHz, 32767u));
  control.bell_duration = static_cast<int>(std::min(durationMs, 32767u));
  XChangeKeyboardControl(dpy, KBBellPitch | KBBellDuration, &control);
  XBell(dpy, 0);
  control.bell_pitch = static_cast<int>(previous.bell_pitch);
  control.bell_duration = static_cast<int>(previous.bell_duration);
  XChangeKeyboardControl(dpy, KBBellPitch | KBBellDuration, &control);
  XFlush(dpy);
}

void TX11Sound::MessageBeep() {
  Display* dpy = display_.Handle();
  if (dpy == nullptr) return;
  XBell(dpy, 0);
  XFlush(dpy);
}
