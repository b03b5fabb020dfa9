// Random arrival batches and handler read counts on the fake device: every byte that arrives is
// handed to the application exactly once and in order, whether it is read ahead by the window
// handlers during an avail notification or read directly afterwards.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/AwFake.h"

namespace {

char ByteAt(uint64_t i) {
  return static_cast<char>(i % 251);
}

struct TInput {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  bool More() const { return pos < size; }
  uint8_t Next() { return pos < size ? data[pos++] : 0; }
};

void Check(bool ok) {
  if (!ok) std::abort();
}

struct TFuzzWindow {
  TApdBaseDispatcher* disp = nullptr;
  uint64_t* consumed = nullptr;
  uint32_t toRead = 0;
  uint32_t read = 0;
  HWND wnd = 0;

  LRESULT Proc(HWND, UINT msg, WPARAM wParam, LPARAM) {
    if (msg != MsgTriggerAvail) return 0;
    Check(wParam == disp->InputCount());
    read = 0;
    for (uint32_t i = 0; i < toRead; ++i) {
      char c;
      if (disp->ReadChar(c) != 0) {
        Check(i == wParam);
        break;
      }
      Check(c == ByteAt(*consumed + i));
      ++read;
    }
    return 0;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TInput in{data, size};
  TApdFakeDispatcher disp;
  Check(disp.OpenDevicePort("COM1", 19200, 0, 8, 1, 4096, 4096, ooDtr | ooRts) == 0);
  disp.SetAvailThreshold(1 + in.Next() % 4);
  uint64_t pushed = 0;
  uint64_t consumed = 0;
  TFuzzWindow windows[2];
  for (auto& w : windows) {
    w.disp = &disp;
    w.consumed = &consumed;
    w.wnd = WndMsg().CreateWindow(TWndProc::Bind<&TFuzzWindow::Proc>(&w));
    disp.AddWindowHandler(w.wnd);
  }

  while (in.More()) {
    switch (in.Next() % 4) {
      case 0: {  // an arrival batch
        uint32_t n = in.Next() * 16u + in.Next();
        std::string batch;
        for (uint32_t i = 0; i < n; ++i) batch += ByteAt(pushed + i);
        disp.PushBytes(batch);
        pushed += n;
        break;
      }
      case 1: {  // the driver hands out its bytes in small pieces
        disp.SetReadChunk(1 + in.Next() * 8u);
        break;
      }
      case 2: {  // one dispatch step with the handlers reading ahead
        windows[0].toRead = in.Next() * 4u;
        windows[1].toRead = in.Next() * 4u;
        windows[0].read = windows[1].read = 0;
        uint32_t before = disp.InputCount();
        disp.Step();
        consumed += std::max(windows[0].read, windows[1].read);
        Check(disp.InputCount() + consumed == pushed - disp.DriverInCount());
        Check(disp.InputCount() >=
              before - std::min(before, std::max(windows[0].read, windows[1].read)));
        break;
      }
      case 3: {  // the application reads directly
        uint32_t n = in.Next();
        for (uint32_t i = 0; i < n; ++i) {
          char c;
          if (disp.ReadChar(c) != 0) {
            Check(disp.InputCount() == 0);
            break;
          }
          Check(c == ByteAt(consumed));
          ++consumed;
        }
        break;
      }
    }
  }

  // Drain: everything that arrived comes out once, in order.
  disp.SetReadChunk(UINT32_MAX);
  for (auto& w : windows) w.toRead = 0;
  for (int round = 0; round < 1000 && consumed < pushed; ++round) {
    disp.Step();
    char c;
    while (disp.ReadChar(c) == 0) {
      Check(c == ByteAt(consumed));
      ++consumed;
    }
  }
  Check(consumed == pushed);
  for (auto& w : windows) {
    disp.RemoveWindowHandler(w.wnd);
    WndMsg().DestroyWindow(w.wnd);
  }
  return 0;
}
