// The trace and the dispatch log on the POSIX device layer: an instrument on a pseudo-terminal
// sends while the GUI thread (this thread) writes the files again and again, so the dispatch
// thread adds log records while a file is being written. The trace, fed by the reads of this
// thread, must hold every byte once.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <thread>

#include "serial/AdPort.h"
#include "serial/AwPosix.h"
#include "tests/app/TempDir.h"
#include "tests/serial/support/PosixHarness.h"
#include "tests/serial/support/Pty.h"

namespace {

// The ports run on the POSIX device layer, as the program installs it.
const TSerialContextScope kDeviceLayer(TSerialContextScope::Edited([](TSerialContext& c) {
  c.DeviceLayer = &PosixDeviceLayer();
}));

constexpr uint16_t kCom = 44;

// The received bytes of trace files, in order, without their headings and line breaks.
std::string Traced(const std::string& files) {
  std::string bytes;
  for (size_t at = 0; at < files.size();) {
    size_t end = files.find("\r\n", at);
    if (end == std::string::npos) end = files.size();
    const std::string line = files.substr(at, end - at);
    if (line != "Receive: ") bytes += line;
    at = end + 2;
  }
  return bytes;
}

TEST(PtyRecorder, FilesWrittenWhileDataFlowsHoldEveryByteOnce) {
  WndMsg().AttachGuiThread();
  TPty pty;
  TempDir dir;
  setenv("TARVOLIN_COM44", pty.SlavePath().c_str(), 1);
  TApdComPort port;
  TPortReader reader(port);
  port.SetComNumber(kCom);
  port.SetBaud(115200);
  port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TPortReader::Avail>(&reader));
  port.SetTraceSize(4000000);
  port.SetLogSize(16000000);
  port.SetTraceName(dir.File("sections.trc"));
  port.SetLogName(dir.File("sections.log"));
  port.SetTracing(tlOn);
  port.SetLogging(tlOn);
  port.SetOpen(true);
  ASSERT_TRUE(port.Open());

  std::string sent;
  for (int i = 0; i < 100000; ++i) sent += static_cast<char>('a' + i % 26);
  std::thread instrument([&] { pty.Send(sent, std::chrono::seconds(60)); });
  size_t nextWrite = 5000;
  int sections = 0;
  const bool allRead = PumpFor(
      [&] {
        if (reader.seen.size() >= nextWrite) {
          nextWrite += 5000;
          ++sections;
          port.SetTracing(tlAppend);
          port.SetTracing(tlOn);
          port.SetLogging(tlAppend);
          port.SetLogging(tlOn);
        }
        return reader.seen.size() == sent.size();
      },
      std::chrono::minutes(2));
  instrument.join();
  ASSERT_TRUE(allRead) << reader.seen.size() << " of " << sent.size();
  port.SetTraceName(dir.File("last.trc"));
  port.SetLogName(dir.File("last.log"));
  port.SetOpen(false);
  unsetenv("TARVOLIN_COM44");

  EXPECT_EQ(reader.seen, sent);
  const std::string sectionsFile = ReadFile(dir.File("sections.trc"));
  EXPECT_GE(sections, 2);
  EXPECT_EQ(Traced(sectionsFile + ReadFile(dir.File("last.trc"))), sent);
  // The logs' read records hold what was read, whole: reads between a file and the restart of
  // the log are not recorded, but none is recorded twice or torn.
  const std::string logs = ReadFile(dir.File("sections.log")) + ReadFile(dir.File("last.log"));
  const std::string readCom = "  Dispatch  ReadCom       ";
  size_t counted = 0;
  int records = 0;
  for (size_t at = logs.find(readCom); at != std::string::npos; at = logs.find(readCom, at + 1)) {
    const size_t count = std::stoul(logs.substr(at + readCom.size(), 8), nullptr, 16);
    // The bytes follow the 44-character prefix, continued on lines indented as far.
    std::string bytes;
    for (size_t pos = at + readCom.size() + 10; bytes.size() < count && pos < logs.size(); ++pos)
      if (logs[pos] >= 'a' && logs[pos] <= 'z') bytes += logs[pos];
    ASSERT_EQ(bytes.size(), count) << "record " << records;
    for (size_t i = 1; i < bytes.size(); ++i)
      ASSERT_EQ(bytes[i], 'a' + (bytes[i - 1] - 'a' + 1) % 26) << "record " << records;
    counted += count;
    ++records;
  }
  EXPECT_GT(records, 0);
  EXPECT_LE(counted, sent.size());
}

}  // namespace
