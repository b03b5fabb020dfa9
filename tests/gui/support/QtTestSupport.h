// Shared pieces of the widget tests: the one QApplication of a test executable and lookups of
// named controls (Qt's offscreen platform is set by the test's environment).
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QStringList>

#include <gtest/gtest.h>

// Created on first use and never destroyed.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static auto* app = new QApplication(argc, argv);
  return *app;
}

// The child of `root` with that object name; a test failure when there is none.
template <typename T>
T* FindChild(const QObject& root, const char* name) {
  auto* w = root.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

// The entries of a combo box's list, in order.
inline QStringList ComboItems(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}
