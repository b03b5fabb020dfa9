// Test receiver with the auto-repeat rule of several X toolkits: a key release followed at once
// by a press of the same keycode with the same server time is taken for auto-repeat, and both
// events are dropped. What it takes is appended to the output file, a line at each Return; on
// standard error it counts the pairs it dropped.
//
// Usage: x11_repeat_receiver <window title> <output file>
#include <cstdio>
#include <cstring>
#include <string>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <window title> <output file>\n", argv[0]);
    return 2;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (dpy == nullptr) return 1;
  std::FILE* out = std::fopen(argv[2], "ab");
  if (out == nullptr) return 1;

  const Window w =
      XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 300, 60, 0, 0, WhitePixel(dpy, 0));
  XStoreName(dpy, w, argv[1]);
  XChangeProperty(dpy, w, XInternAtom(dpy, "_NET_WM_NAME", False),
                  XInternAtom(dpy, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(argv[1]),
                  static_cast<int>(std::strlen(argv[1])));
  XWMHints hints{};
  hints.flags = InputHint;
  hints.input = True;
  XSetWMHints(dpy, w, &hints);
  XSelectInput(dpy, w, KeyPressMask | KeyReleaseMask);
  XMapWindow(dpy, w);
  XFlush(dpy);

  std::string line;
  unsigned long dropped = 0;
  for (;;) {
    XEvent event;
    XNextEvent(dpy, &event);
    if (event.type == KeyRelease && XEventsQueued(dpy, QueuedAfterReading) > 0) {
      XEvent next;
      XPeekEvent(dpy, &next);
      if (next.type == KeyPress && next.xkey.keycode == event.xkey.keycode &&
          next.xkey.time == event.xkey.time) {
        XNextEvent(dpy, &next);
        std::fprintf(stderr, "auto-repeat pair dropped (%lu)\n", ++dropped);
        continue;
      }
    }
    if (event.type != KeyPress) continue;
    char text[8];
    KeySym keysym = 0;
    const int n = XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
    if (keysym == XK_Return || keysym == XK_KP_Enter) {
      line += '\n';
      std::fwrite(line.data(), 1, line.size(), out);
      std::fflush(out);
      line.clear();
    } else if (n == 1) {
      line += text[0];
    }
  }
}
