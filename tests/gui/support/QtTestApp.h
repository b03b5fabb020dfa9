// The one QApplication of a widget test executable, created on first use and never destroyed
// (Qt's offscreen platform is set by the test's environment).
#pragma once

#include <QApplication>

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static auto* app = new QApplication(argc, argv);
  return *app;
}
