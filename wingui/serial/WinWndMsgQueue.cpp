#include "wingui/serial/WinWndMsgQueue.h"

#include "serial/AwWndMsg.h"

namespace wingui::serialqueue {

void Attach(std::function<void()> wake, std::function<void()> idle) {
  WndMsg().AttachGuiThread();
  WndMsg().SetWakeHook(std::move(wake));
  WndMsg().SetIdleHook(std::move(idle));
}

void Detach() {
  WndMsg().SetWakeHook({});
  WndMsg().SetIdleHook({});
}

size_t Pending() {
  return WndMsg().PendingCount();
}

bool HandleOne() {
  return WndMsg().HandleOneMessage();
}

}  // namespace wingui::serialqueue
