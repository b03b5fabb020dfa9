#include "platform/fake/FakeForegroundWindow.h"

std::string FakeForegroundWindow::Title(WindowId window, int maxChars) {
  const auto it = windows_.find(window);
  if (it == windows_.end() || maxChars <= 0) return {};
  return it->second.substr(0, static_cast<size_t>(maxChars));
}
