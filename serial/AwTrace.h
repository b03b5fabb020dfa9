// The two diagnostic recorders of a dispatcher and the text files they are written to: the
// character trace, a ring of (kind, byte) entries, and the dispatch log, a byte ring of
// time-stamped records of what the dispatcher did.
//
// Threads: neither recorder locks. The dispatcher owns one of each and uses them only under its
// locks (the trace under its input lock, the log under its dispatcher lock), so that its threads
// add entries while the GUI thread writes a file.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

// Entry types of the dispatch log.
enum TDispatchType : uint8_t {
  dtNone = 0,
  dtDispatch = 1,
  dtTrigger = 2,
  dtError = 3,
  dtThread = 4,
  dtTriggerAlloc = 5,
  dtTriggerDispose = 6,
  dtTriggerHandlerAlloc = 7,
  dtTriggerHandlerDispose = 8,
  dtTriggerDataChange = 9,
  dtTelnet = 10,
  dtUser = 19,
};

// Sub-types of the dispatch log.
enum TDispatchSubType : uint8_t {
  dstNone = 0,
  dstReadCom = 1,
  dstWriteCom = 2,
  dstLineStatus = 3,
  dstModemStatus = 4,
  dstAvail = 5,
  dstTimer = 6,
  dstData = 7,
  dstStatus = 8,
  dstThreadStart = 9,
  dstThreadExit = 10,
  dstThreadSleep = 11,
  dstThreadWake = 12,
  dstDataTrigger = 13,
  dstTimerTrigger = 14,
  dstStatusTrigger = 15,
  dstAvailTrigger = 16,
  dstWndHandler = 17,
  dstProcHandler = 18,
  dstEventHandler = 19,
};

// The serial library's version, as its components publish it and the log header names it.
inline constexpr const char* ApdVersionText = "v4.03";

constexpr uint32_t MaxTraceEntries = 4000000;
constexpr uint32_t MaxLogBytes = 16000000;

// The compiler that built the program, as the log header names it, for example "GCC 12.2.0".
std::string CompilerText();

// Appends the file form of one data byte to `out` and returns its width: "[0D]" with all-hex,
// the character itself when printable (a blank only without in-hex), "[0D]" with in-hex, else
// the decimal form "[13]".
int RenderByte(std::string& out, uint8_t byte, bool inHex, bool allHex);

class TApdTraceRecorder {
 public:
  // A ring of `entries` entries, or the present ring emptied; recording on. 0, ecBadArgument
  // (0 or more than MaxTraceEntries) or ecOutOfMemory.
  int Start(uint32_t entries);
  void Clear();
  // Pause (false) and resume (true).
  void SetActive(bool on) { active_ = on && !ring_.empty(); }
  bool Active() const { return active_; }
  bool Exists() const { return !ring_.empty(); }
  void Release();

  // Stores one entry while recording ('R' received, 'T' transmitted, other kinds special); the
  // oldest entry gives way once the ring is full.
  void Add(char kind, char c) {
    if (!active_) return;
    ring_[2 * pos_] = kind;
    ring_[2 * pos_ + 1] = c;
    if (++pos_ == entries_) {
      pos_ = 0;
      wrapped_ = true;
    }
  }

  // Writes the entries, oldest first, to `fileName` (appended to an existing file when `append`)
  // and releases the ring. An empty ring writes no file and gives 0. A file that cannot be
  // written in full gives the negated I/O error number and keeps the ring, so that nothing is
  // lost and the file can be written again under another name. `written` tells whether a file
  // was written.
  int Write(const std::string& fileName, bool append, bool inHex, bool allHex, bool& written);

 private:
  std::vector<char> ring_;
  uint32_t entries_ = 0;
  uint32_t pos_ = 0;
  bool wrapped_ = false;
  bool active_ = false;
};

class TApdDispatchLogRecorder {
 public:
  // A ring of `bytes` bytes, or the present ring emptied; recording on. 0, ecBadArgument (more
  // than MaxLogBytes) or ecOutOfMemory.
  int Start(uint32_t bytes);
  void Clear();
  void SetActive(bool on) { active_ = on && !ring_.empty(); }
  bool Active() const { return active_; }
  bool Exists() const { return !ring_.empty(); }
  void Release();

  // Stores one record (16 header bytes and `length` extra bytes) while recording, dropping the
  // oldest records until it fits. A record not smaller than the ring is not stored at all.
  // `timeMs` counts from the opening of the port.
  void Add(TDispatchType type, TDispatchSubType sub, uint32_t timeMs, uint32_t data,
           const void* extra, uint32_t length);

  // Writes the header and the records, oldest first, to `fileName` (appended to an existing file
  // when `append`) and releases the ring; the rules of TApdTraceRecorder::Write apply.
  // `deviceName` is the port's name ("COM3").
  int Write(const std::string& fileName, bool append, bool inHex, bool allHex,
            const std::string& deviceName, bool& written);

 private:
  void CopyIn(const void* data, uint32_t length);
  void CopyOut(uint32_t& pos, void* data, uint32_t length) const;
  void RenderRecords(std::string& out, bool inHex, bool allHex) const;

  std::vector<uint8_t> ring_;
  uint32_t read_ = 0;
  uint32_t write_ = 0;
  uint32_t free_ = 0;
  bool active_ = false;
};
