#include "serial/AwTrace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>

#include "base/SysUtils.h"
#include "serial/AdErrCodes.h"
#include "serial/AdOsText.h"
#include "serial/AdSrMgr.h"
#include "serial/SerialContext.h"

namespace {

constexpr uint32_t RecordHeaderSize = 16;
constexpr int TraceLineLimit = 78;
// The log's data columns start after the 44 characters of the record prefix.
constexpr int LogPrefixWidth = 44;
constexpr int LogLineLimit = 79;
constexpr size_t MaxHeaderText = 80;

// Message identifiers of the log texts.
constexpr int32_t TypeTexts = 15001;
constexpr int32_t SubTypeTexts = 15100;
constexpr int32_t ColumnHeadings = 15501;
constexpr int32_t ColumnRule = 15502;
constexpr int32_t ModemBitTexts = 15601;
constexpr int32_t TelnetOptionTexts = 15700;
constexpr uint32_t LastTelnetOption = 42;

const char* const kStatusKindTexts[] = {"(Not active)",         "(Modem status)",
                                        "(Line status)",        "(Output buffer free)",
                                        "(Output buffer used)", "(Output sent)"};

constexpr const char* kLineEnd = "\r\n";

std::string Text(int32_t id) {
  return ErrorMessageTable().TextFor(id);
}

void PutLe32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetLe32(const uint8_t* at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(at[i]) << (8 * i);
  return v;
}

// Writes `text` in full, or gives the negated I/O error number. A short write shows at the
// latest when the file is closed.
int WriteTextFile(const std::string& fileName, bool append, const std::string& text) {
  // A failing call that leaves errno alone still fails.
  auto failure = [] { return errno != 0 ? errno : EIO; };
  errno = 0;
  std::FILE* f = std::fopen(fileName.c_str(), append ? "ab" : "wb");
  if (f == nullptr) return -static_cast<int>(FileErrorFromErrno(failure()));
  int err = 0;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), f) != text.size()) err = failure();
  errno = 0;
  if (std::fflush(f) != 0 && err == 0) err = failure();
  errno = 0;
  if (std::fclose(f) != 0 && err == 0) err = failure();
  return err == 0 ? ecOK : -static_cast<int>(FileErrorFromErrno(err));
}

}  // namespace

std::string CompilerText() {
#if defined(__clang__)
  return Trim("Clang " __clang_version__);
#elif defined(__GNUC__)
  return "GCC " __VERSION__;
#elif defined(_MSC_VER)
  return Format("Microsoft C++ %d", _MSC_FULL_VER);
#else
  return "C++ compiler";
#endif
}

int RenderByte(std::string& out, uint8_t byte, bool inHex, bool allHex) {
  static const char kHex[] = "0123456789ABCDEF";
  auto hex = [&] {
    out += '[';
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
    out += ']';
    return 4;
  };
  if (allHex) return hex();
  if (byte >= (inHex ? 0x21 : 0x20) && byte <= 0x7E) {
    out += static_cast<char>(byte);
    return 1;
  }
  if (inHex) return hex();
  out += '[';
  out += std::to_string(byte);
  out += ']';
  return byte < 10 ? 3 : byte < 100 ? 4 : 5;
}

// ---------------------------------------------------------------------------------------------
// Trace

int TApdTraceRecorder::Start(uint32_t entries) {
  if (entries == 0 || entries > MaxTraceEntries) return ecBadArgument;
  if (entries_ != entries) {
    try {
      ring_.assign(size_t{entries} * 2, 0);
    } catch (const std::bad_alloc&) {
      Release();
      return ecOutOfMemory;
    }
    entries_ = entries;
  }
  Clear();
  active_ = true;
  return ecOK;
}

void TApdTraceRecorder::Clear() {
  pos_ = 0;
  wrapped_ = false;
}

void TApdTraceRecorder::Release() {
  ring_.clear();
  ring_.shrink_to_fit();
  entries_ = 0;
  Clear();
  active_ = false;
}

int TApdTraceRecorder::Write(const std::string& fileName, bool append, bool inHex, bool allHex,
                             bool& written) {
  written = false;
  if (pos_ == 0 && !wrapped_) {
    Release();
    return ecOK;
  }
  const uint32_t count = wrapped_ ? entries_ : pos_;
  const uint32_t oldest = wrapped_ ? pos_ : 0;
  std::string text;
  text.reserve(size_t{count} * (allHex ? 4 : 2) + 64);
  std::string item;
  int column = 0;
  char previous = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = (oldest + i) % entries_;
    const char kind = ring_[2 * at];
    if (i == 0 || kind != previous) {
      if (i != 0) (text += kLineEnd) += kLineEnd;
      if (kind == 'T')
        text += "Transmit: ";
      else if (kind == 'R')
        text += "Receive: ";
      else
        ((text += "Special-") += kind) += ": ";
      text += kLineEnd;
      column = 0;
      previous = kind;
    }
    item.clear();
    const int width = RenderByte(item, static_cast<uint8_t>(ring_[2 * at + 1]), inHex, allHex);
    column += width;
    if (column > TraceLineLimit) {
      text += kLineEnd;
      column = width;
    }
    text += item;
  }
  text += kLineEnd;
  if (int rc = WriteTextFile(fileName, append, text); rc != ecOK) return rc;
  written = true;
  Release();
  return ecOK;
}

// ---------------------------------------------------------------------------------------------
// Dispatch log

int TApdDispatchLogRecorder::Start(uint32_t bytes) {
  if (bytes == 0 || bytes > MaxLogBytes) return ecBadArgument;
  if (ring_.empty()) {
    try {
      ring_.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
      return ecOutOfMemory;
    }
  }
  Clear();
  active_ = true;
  return ecOK;
}

void TApdDispatchLogRecorder::Clear() {
  read_ = write_ = 0;
  free_ = static_cast<uint32_t>(ring_.size());
}

void TApdDispatchLogRecorder::Release() {
  ring_.clear();
  ring_.shrink_to_fit();
  Clear();
  active_ = false;
}

void TApdDispatchLogRecorder::CopyIn(const void* data, uint32_t length) {
  const auto size = static_cast<uint32_t>(ring_.size());
  const auto* bytes = static_cast<const uint8_t*>(data);
  const uint32_t first = std::min(length, size - write_);
  std::memcpy(&ring_[write_], bytes, first);
  std::memcpy(ring_.data(), bytes + first, length - first);
  write_ = (write_ + length) % size;
}

void TApdDispatchLogRecorder::CopyOut(uint32_t& pos, void* data, uint32_t length) const {
  const auto size = static_cast<uint32_t>(ring_.size());
  auto* bytes = static_cast<uint8_t*>(data);
  const uint32_t first = std::min(length, size - pos);
  std::memcpy(bytes, &ring_[pos], first);
  std::memcpy(bytes + first, ring_.data(), length - first);
  pos = (pos + length) % size;
}

void TApdDispatchLogRecorder::Add(TDispatchType type, TDispatchSubType sub, uint32_t timeMs,
                                  uint32_t data, const void* extra, uint32_t length) {
  if (!active_) return;
  const uint64_t total = uint64_t{RecordHeaderSize} + length;
  if (total >= ring_.size()) return;
  while (free_ < total) {
    uint8_t oldest[RecordHeaderSize];
    uint32_t pos = read_;
    CopyOut(pos, oldest, RecordHeaderSize);
    const uint32_t dropped = RecordHeaderSize + GetLe32(oldest + 12);
    read_ = static_cast<uint32_t>((uint64_t{read_} + dropped) % ring_.size());
    free_ += dropped;
  }
  uint8_t header[RecordHeaderSize] = {type, sub};
  PutLe32(header + 4, timeMs);
  PutLe32(header + 8, data);
  PutLe32(header + 12, length);
  CopyIn(header, RecordHeaderSize);
  if (length != 0) CopyIn(extra, length);
  free_ -= static_cast<uint32_t>(total);
}

void TApdDispatchLogRecorder::RenderRecords(std::string& out, bool inHex, bool allHex) const {
  uint32_t used = static_cast<uint32_t>(ring_.size()) - free_;
  uint32_t pos = read_;
  std::string extra;
  std::string item;
  while (used >= RecordHeaderSize) {
    uint8_t header[RecordHeaderSize];
    CopyOut(pos, header, RecordHeaderSize);
    const uint8_t type = header[0];
    const uint8_t sub = header[1];
    const uint32_t data = GetLe32(header + 8);
    const uint32_t length = GetLe32(header + 12);
    extra.resize(length);
    CopyOut(pos, extra.data(), length);
    used -= RecordHeaderSize + length;

    // Seconds with three decimals. The point goes before the last three digits, so that times
    // from 10,000 s on (after about 2.8 hours of capture) still read right.
    std::string seconds = Format("%07u", GetLe32(header + 4));
    seconds.insert(seconds.size() - 3, ".");
    out += Format("%8s  %-8s  %-12s  %08X  ", seconds, Text(TypeTexts + type),
                  sub == 0 ? std::string() : Text(SubTypeTexts + sub), data);
    if (length == 0) {
      if (type == dtTelnet && data <= LastTelnetOption)
        ((out += '[') += Trim(Text(TelnetOptionTexts + static_cast<int32_t>(data)))) += ']';
    } else {
      if (sub == dstStatusTrigger && (type == dtTriggerAlloc || type == dtTriggerDispose)) {
        const auto kind = static_cast<uint8_t>(extra[0]);
        if (kind < std::size(kStatusKindTexts)) out += kStatusKindTexts[kind];
      } else {
        int column = LogPrefixWidth + 1;
        for (char c : extra) {
          item.clear();
          int width;
          if (type == dtUser && allHex) {
            item += c;
            width = 1;
          } else {
            width = RenderByte(item, static_cast<uint8_t>(c), inHex, allHex);
          }
          column += width;
          if (column >= LogLineLimit) {
            (out += kLineEnd).append(LogPrefixWidth, ' ');
            column = width + LogPrefixWidth + 1;
          }
          out += item;
        }
      }
      if (sub == dstModemStatus) {
        std::string names;
        for (int bit = 0; bit < 8; ++bit)
          if (data & (1u << bit)) names += Text(ModemBitTexts + bit);
        while (!names.empty() && names.back() == ' ') names.pop_back();
        ((out += '(') += names) += ')';
      }
    }
    out += kLineEnd;
  }
}

int TApdDispatchLogRecorder::Write(const std::string& fileName, bool append, bool inHex,
                                   bool allHex, const std::string& deviceName, bool& written) {
  written = false;
  if (ring_.empty() || free_ == ring_.size()) {
    Release();
    return ecOK;
  }
  // The facts the program put in the serial context.
  const TLogHeaderFacts& facts = SerialContext().LogHeaderFacts;
  std::string os = facts.OsDescription ? facts.OsDescription() : std::string("Unknown");
  if (os.size() > MaxHeaderText) os.resize(MaxHeaderText);
  const std::tm now = facts.LocalTime ? facts.LocalTime() : LocalTimeNow();
  char date[MaxHeaderText + 1];
  if (std::strftime(date, sizeof date, "%d/%m/%y, %H:%M:%S", &now) == 0) date[0] = '\0';

  std::string text;
  for (const std::string& line :
       {std::string("APRO ") + ApdVersionText, "Compiler : " + CompilerText(),
        "Operating System : " + os, "Device: " + deviceName, std::string("Date/time: ") + date,
        Text(ColumnHeadings), Text(ColumnRule)})
    (text += line) += kLineEnd;
  RenderRecords(text, inHex, allHex);
  if (int rc = WriteTextFile(fileName, append, text); rc != ecOK) return rc;
  written = true;
  Release();
  return ecOK;
}
