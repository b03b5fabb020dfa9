// Recording fakes of the windows, the port and the platform services the capture logic uses.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/CaptureViews.h"
#include "app/RecorderConfig.h"
#include "platform/KeyInjector.h"
#include "platform/fake/FakeSound.h"
#include "tests/app/FakeFilterOptions.h"

struct FakeMainView : IMainView {
  int32_t left = 0, top = 0;
  std::string caption = "Tarvolin";
  std::vector<std::string> statusTexts;
  std::string capt, filt;
  TColor ledColor = ledInactive;
  std::string ledText;
  int ledAssignments = 0;
  int runStateCalls = 0;

  int32_t Left() const override { return left; }
  int32_t Top() const override { return top; }
  void SetLeft(int32_t v) override { left = v; }
  void SetTop(int32_t v) override { top = v; }
  void SetCaption(const std::string& c) override { caption = c; }
  void SetStatusText(const std::string& t) override { statusTexts.push_back(t); }
  void SetCaptText(const std::string& t) override { capt = t; }
  void SetFiltText(const std::string& t) override { filt = t; }
  TColor LedColor() const override { return ledColor; }
  void SetLedColor(TColor c) override {
    ledColor = c;
    ++ledAssignments;
  }
  std::string LedText() const override { return ledText; }
  void SetLedText(const std::string& t) override {
    ledText = t;
    ++ledAssignments;
  }
  void showRunState() override { ++runStateCalls; }
  std::string Status() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }
};

struct FakePortOptions : IPortOptionsView {
  int32_t left = 0, top = 0;
  std::string port = "1", baud = "9600", databits = "8", stop = "1";
  int32_t parity = 0, xonxoff = 0;
  bool dtr = false, rts = false, dsr = false, cts = false;
  int comPortScans = 0;

  int32_t Left() const override { return left; }
  int32_t Top() const override { return top; }
  void SetLeft(int32_t v) override { left = v; }
  void SetTop(int32_t v) override { top = v; }
  std::string PortText() const override { return port; }
  void SetPortText(const std::string& t) override { port = t; }
  std::string BaudText() const override { return baud; }
  void SetBaudText(const std::string& t) override { baud = t; }
  std::string DatabitsText() const override { return databits; }
  void SetDatabitsText(const std::string& t) override { databits = t; }
  int32_t ParityIndex() const override { return parity; }
  void SetParityIndex(int32_t i) override { parity = i; }
  std::string StopText() const override { return stop; }
  void SetStopText(const std::string& t) override { stop = t; }
  int32_t XonXoffIndex() const override { return xonxoff; }
  void SetXonXoffIndex(int32_t i) override { xonxoff = i; }
  bool UseDTR() const override { return dtr; }
  void SetUseDTR(bool on) override { dtr = on; }
  bool UseRTS() const override { return rts; }
  void SetUseRTS(bool on) override { rts = on; }
  bool ReqDSR() const override { return dsr; }
  void SetReqDSR(bool on) override { dsr = on; }
  bool ReqCTS() const override { return cts; }
  void SetReqCTS(bool on) override { cts = on; }
  void getComPorts() override { ++comPortScans; }
};

// Records every setter call as "Name=value", in order.
struct FakeComms : ICommsPort {
  std::vector<std::string> calls;
  void SetComNumber(uint16_t n) override { calls.push_back("ComNumber=" + std::to_string(n)); }
  void SetBaud(int32_t b) override { calls.push_back("Baud=" + std::to_string(b)); }
  void SetDataBits(uint16_t b) override { calls.push_back("DataBits=" + std::to_string(b)); }
  void SetParity(int32_t p) override { calls.push_back("Parity=" + std::to_string(p)); }
  void SetStopBits(uint16_t b) override { calls.push_back("StopBits=" + std::to_string(b)); }
  void SetSWFlowOptions(int32_t o) override { calls.push_back("SWFlow=" + std::to_string(o)); }
  void SetHWFlowOptions(uint8_t o) override { calls.push_back("HWFlow=" + std::to_string(o)); }
  void SetAutoOpen(bool on) override {
    calls.push_back(std::string("AutoOpen=") + (on ? "1" : "0"));
  }
  void SetOpen(bool open) override { calls.push_back(std::string("Open=") + (open ? "1" : "0")); }
  void SetRecorders(const TRecorderConfig& r) override { recorders = r; }
  TRecorderConfig recorders;
};

struct FakeBoxes : IMessageBoxes {
  struct Box {
    std::string title, text;
    TMessageKind kind;
  };
  std::vector<Box> boxes;
  void ShowMessageBox(const std::string& title, const std::string& text,
                      TMessageKind kind) override {
    boxes.push_back({title, text, kind});
  }
};

struct FakeErrors : IErrorDisplay {
  std::vector<std::string> messages;
  void ShowException(const Exception& e) override { messages.push_back(e.Message()); }
};

// The port's input buffer: characters are appended by the test and taken by ReadChar.
struct ScriptedSource : ICharSource {
  std::string data;
  size_t pos = 0;
  char ReadChar() override {
    if (pos >= data.size()) throw Exception("Buffer is empty");
    return data[pos++];
  }
  int32_t InputCount() override { return static_cast<int32_t>(data.size() - pos); }
};

struct FakePump : IEventPump {
  std::function<void()> onPump;
  int calls = 0;
  void ProcessMessages() override {
    ++calls;
    if (onPump) onPump();
  }
};

// A US-like layout: digits, letters, '.', ',', blank, CR, Tab and LF (Return with Ctrl).
// Records presses as readable tokens and counts releases.
struct RecordingInjector : IKeyInjector {
  std::string pressed;
  int releases = 0;
  void KeyEvent(uint8_t vk, bool keyUp) override {
    if (keyUp) {
      ++releases;
      return;
    }
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
      pressed += static_cast<char>(vk);
      return;
    }
    switch (vk) {
      case 0xBE:
        pressed += '.';
        break;
      case 0xBC:
        pressed += ',';
        break;
      case 0x0D:
        pressed += "<CR>";
        break;
      case 0x09:
        pressed += "<TAB>";
        break;
      case 0x10:
        pressed += "<SHIFT>";
        break;
      case 0x25:
        pressed += "<LEFT>";
        break;
      case 0x26:
        pressed += "<UP>";
        break;
      case 0x27:
        pressed += "<RIGHT>";
        break;
      case 0x28:
        pressed += "<DOWN>";
        break;
      default: {
        char buf[8];
        std::snprintf(buf, sizeof buf, "<%02X>", vk);
        pressed += buf;
      }
    }
  }
  uint16_t VkKeyScan(char ch) override {
    if ((ch >= '0' && ch <= '9')) return static_cast<uint8_t>(ch);
    if (ch >= 'A' && ch <= 'Z') return static_cast<uint16_t>(0x100 | static_cast<uint8_t>(ch));
    if (ch >= 'a' && ch <= 'z') return static_cast<uint8_t>(ch - 'a' + 'A');
    switch (ch) {
      case '.':
        return 0xBE;
      case ',':
        return 0xBC;
      case '\r':
        return 0x0D;
      case '\n':
        return 0x20D;
      case '\t':
        return 0x09;
      default:
        return 0xFFFF;
    }
  }
  bool CapsLockOn() override { return false; }
};
