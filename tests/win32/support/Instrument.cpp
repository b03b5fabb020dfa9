#include "tests/win32/support/Instrument.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

int EnvNumber(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::atoi(v) : 0;
}

// The shim's line files, seen from Windows through drive Z: (the Unix root).
std::string LinesFile(const char* suffix) {
  const char* base = std::getenv("TARVOLIN_PTY_LINES");
  if (base == nullptr) return {};
  std::string path = std::string("Z:") + base + suffix;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

int PortUnderTest() {
  return EnvNumber("TARVOLIN_TEST_COM");
}

int InstrumentPort() {
  return EnvNumber("TARVOLIN_TEST_INSTRUMENT_COM");
}

std::string SerialSkipReason() {
  if (PortUnderTest() == 0 || InstrumentPort() == 0)
    return "no linked COM ports: TARVOLIN_TEST_COM and TARVOLIN_TEST_INSTRUMENT_COM name them "
           "(scripts/wine-test.sh sets them)";
  return {};
}

bool TInstrument::LinesPlayable() {
  return std::getenv("TARVOLIN_PTY_LINES") != nullptr;
}

TInstrument::TInstrument() {
  char name[32];
  std::snprintf(name, sizeof name, "\\\\.\\COM%d", InstrumentPort());
  handle_ = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) return;
  // Reads wait at most 100 ms between bytes.
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = MAXDWORD;
  t.ReadTotalTimeoutMultiplier = MAXDWORD;
  t.ReadTotalTimeoutConstant = 100;
  SetCommTimeouts(handle_, &t);
}

TInstrument::~TInstrument() {
  if (Ok()) CloseHandle(handle_);
}

bool TInstrument::Ok() const {
  return handle_ != INVALID_HANDLE_VALUE;
}

bool TInstrument::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD done = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 65536));
    if (!WriteFile(handle_, bytes.data(), chunk, &done, nullptr)) return false;
    bytes.remove_prefix(done);
  }
  return true;
}

std::string TInstrument::Receive(size_t count, uint32_t timeoutMs) {
  std::string got;
  DWORD idleSince = GetTickCount();
  while (got.size() < count && GetTickCount() - idleSince < timeoutMs) {
    char buffer[4096];
    DWORD done = 0;
    DWORD want = static_cast<DWORD>(std::min(sizeof buffer, count - got.size()));
    if (!ReadFile(handle_, buffer, want, &done, nullptr)) break;
    if (done > 0) idleSince = GetTickCount();
    got.append(buffer, done);
  }
  return got;
}

void TInstrument::SetLines(uint32_t tiocmBits) {
  HANDLE f = CreateFileA(LinesFile(".in").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  char text[16];
  std::snprintf(text, sizeof text, "%08x", tiocmBits);
  DWORD done = 0;
  WriteFile(f, text, 8, &done, nullptr);
  CloseHandle(f);
}

uint32_t TInstrument::PortOutputLines() {
  HANDLE f = CreateFileA(LinesFile(".out").c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 0;
  char text[9] = {};
  DWORD done = 0;
  ReadFile(f, text, 8, &done, nullptr);
  CloseHandle(f);
  return static_cast<uint32_t>(std::strtoul(text, nullptr, 16));
}
