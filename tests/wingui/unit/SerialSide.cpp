#include "tests/wingui/unit/SerialSide.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "serial/AwWndMsg.h"

namespace serialside {

namespace {

constexpr LRESULT kAnswer = 42;

std::thread sender;
std::atomic<bool> finished{false};
std::atomic<bool> answered{false};

struct TProbe {
  std::atomic<bool> onGui{false};
  LRESULT Procedure(HWND, UINT, WPARAM, LPARAM) {
    onGui.store(WndMsg().OnGuiThread());
    return kAnswer;
  }
};

TProbe probe;

}  // namespace

void StartSend() {
  finished.store(false);
  answered.store(false);
  probe.onGui.store(false);
  const HWND wnd = WndMsg().CreateWindow(TWndProc::Bind<&TProbe::Procedure>(&probe));
  sender = std::thread([wnd] {
    LRESULT result = 0;
    const bool ok = WndMsg().SendMessageTimeout(wnd, WM_USER + 7, 0, 0, 5000, &result);
    answered.store(ok && result == kAnswer && probe.onGui.load());
    finished.store(true);
    // The GUI thread's timer watches for this.
    WndMsg().Wake();
  });
}

bool SendFinished() {
  return finished.load();
}

bool SendAnswered() {
  return answered.load();
}

void JoinSend() {
  if (sender.joinable()) sender.join();
}

void PumpUntil(const std::function<bool()>& done, uint32_t limitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  WndMsg().PumpUntil([&] { return done() || std::chrono::steady_clock::now() > end; });
}

}  // namespace serialside
