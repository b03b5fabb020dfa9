// The POSIX serial device on real pseudo-terminals: exclusive open, line settings, I/O, unplug.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "platform/posix/PortProbe.h"
#include "platform/posix/SerialDevice.h"
#include "platform/posix/SerialPortMap.h"
#include "platform/posix/Termios.h"
#include "platform/posix/WakeEvent.h"
#include "serial/AdOsText.h"
#include "serial/AwFactory.h"
#include "tests/serial/support/Pty.h"

namespace {

int gSetAttrCalls = 0;
int CountingSetAttr(int fd, int when, const termios* t) {
  ++gSetAttrCalls;
  return ::tcsetattr(fd, when, t);
}

DCB Line(uint32_t baud, uint8_t parity = NOPARITY) {
  DCB d;
  d.BaudRate = baud;
  d.ByteSize = 8;
  d.Parity = parity;
  d.StopBits = ONESTOPBIT;
  d.Flags = dcb_Binary | dcb_DTR_CONTROL_ENABLE | dcb_RTS_CONTROL_ENABLE;
  return d;
}

// Opens `path` in a child process, as user `uid` when given, and returns what its open gave.
uint32_t OpenInOtherProcess(const std::string& path, uid_t uid = static_cast<uid_t>(-1)) {
  pid_t pid = fork();
  if (pid == 0) {
    if (uid != static_cast<uid_t>(-1) && setuid(uid) != 0) _exit(0xFE);
    TSerialDevice device;
    _exit(static_cast<int>(device.Open(path) & 0xFF));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status)) : 0xFFu;
}

TEST(PosixDevice, OpenIsExclusiveAndFailuresCarryTheirNumbers) {
  TPty pty;
  TSerialDevice first;
  ASSERT_EQ(first.Open(pty.SlavePath()), 0u);
  EXPECT_TRUE(first.IsOpen());

  TSerialDevice second;
  EXPECT_EQ(second.Open(pty.SlavePath()), uint32_t{kWin32AccessDenied}) << "same process";
  EXPECT_FALSE(second.IsOpen());
  EXPECT_EQ(OpenInOtherProcess(pty.SlavePath()), uint32_t{kWin32AccessDenied});

  // Missing permission is told apart from "in use"; only root can show it, by becoming nobody
  // (the terminal belongs to root and its group).
  if (geteuid() == 0) {
    EXPECT_EQ(OpenInOtherProcess(pty.SlavePath(), 65534), kWin32PermissionDenied);
  }

  first.Close();
  EXPECT_FALSE(first.IsOpen());
  EXPECT_EQ(second.Open(pty.SlavePath()), 0u) << "released by Close";
  second.Close();

  EXPECT_EQ(second.Open("/dev/tarvolin-no-such-port"), uint32_t{kWin32FileNotFound});
  EXPECT_EQ(second.Open("/tarvolin-no-such-dir/tty"), uint32_t{kWin32FileNotFound});
  EXPECT_EQ(second.Open("/etc/passwd/tty"), uint32_t{kWin32PathNotFound});
  EXPECT_EQ(second.Open(""), uint32_t{kWin32FileNotFound});

  auto file =
      std::filesystem::temp_directory_path() / ("tarvolin-notatty-" + std::to_string(getpid()));
  std::ofstream(file).put('x');
  EXPECT_EQ(second.Open(file.string()), uint32_t{kWin32FileNotFound}) << "no terminal, no port";
  std::filesystem::remove(file);
  EXPECT_FALSE(second.IsOpen());
}

TEST(PosixDevice, SetsTheSpeedAndWritesAnUnchangedLineNever) {
  TPty pty;
  TSerialDevice device(CountingSetAttr);
  ASSERT_EQ(device.Open(pty.SlavePath()), 0u);

  gSetAttrCalls = 0;
  ASSERT_EQ(device.SetLineBlock(Line(38400)), 0u);
  EXPECT_EQ(gSetAttrCalls, 1);
  termios t = pty.SlaveSettings();
  EXPECT_EQ(cfgetospeed(&t), speed_t{B38400});
  EXPECT_EQ(t.c_lflag & ICANON, 0u);

  ASSERT_EQ(device.SetLineBlock(Line(38400)), 0u);
  EXPECT_EQ(gSetAttrCalls, 1) << "unchanged line written again";

  ASSERT_EQ(device.SetLineBlock(Line(115200)), 0u);
  EXPECT_EQ(gSetAttrCalls, 2);
  t = pty.SlaveSettings();
  EXPECT_EQ(cfgetospeed(&t), speed_t{B115200});

  DCB back;
  ASSERT_EQ(device.GetLineBlock(back), 0u);
  EXPECT_EQ(back.BaudRate, 115200u);
  EXPECT_EQ(back.Flags & dcb_DtrMask, uint32_t{dcb_DTR_CONTROL_ENABLE}) << "kept from the block";

  // A refused block changes nothing.
  DCB fourBits = Line(9600);
  fourBits.ByteSize = 4;
  EXPECT_EQ(device.SetLineBlock(fourBits), uint32_t{kLineByteSizeInvalid});
  EXPECT_EQ(gSetAttrCalls, 2);
}

TEST(PosixDevice, RateOutsideTheTable) {
  TPty pty;
  TSerialDevice device(CountingSetAttr);
  ASSERT_EQ(device.Open(pty.SlavePath()), 0u);
  ASSERT_EQ(device.SetLineBlock(Line(250000)), 0u);
  DCB back;
  ASSERT_EQ(device.GetLineBlock(back), 0u);
  EXPECT_EQ(back.BaudRate, 250000u);
  gSetAttrCalls = 0;
  ASSERT_EQ(device.SetLineBlock(Line(250000)), 0u);
  EXPECT_EQ(gSetAttrCalls, 0) << "an unchanged custom rate is not written again";
}

TEST(PosixDevice, CloseGivesTheTerminalBackAsItWasFound) {
  TPty pty;
  termios before = pty.SlaveSettings();
  {
    TSerialDevice device;
    ASSERT_EQ(device.Open(pty.SlavePath()), 0u);
    ASSERT_EQ(device.SetLineBlock(Line(57600, EVENPARITY)), 0u);
    termios during = pty.SlaveSettings();
    ASSERT_NE(cfgetospeed(&before), cfgetospeed(&during));
  }  // the destructor closes
  termios after = pty.SlaveSettings();
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
  EXPECT_TRUE(SameLine(after, before));
}

TEST(PosixDevice, MovesBytesBothWaysWithoutModemLines) {
  TPty pty;
  TSerialDevice device;
  ASSERT_EQ(device.Open(pty.SlavePath()), 0u);
  ASSERT_EQ(device.SetLineBlock(Line(9600)), 0u);

  char buf[16];
  auto idle = device.Read(buf, sizeof buf);
  EXPECT_EQ(idle.Status, TSerialDevice::TIo::Ok) << "an idle line is no hang-up";
  EXPECT_EQ(idle.Count, 0u);
  EXPECT_EQ(device.Wait(0), TSerialDevice::TWait::Timeout);

  const std::string sent("12.5 g\r\n\x00\xFF", 10);
  ASSERT_TRUE(pty.Send(sent));
  ASSERT_EQ(device.Wait(5000), TSerialDevice::TWait::Readable);
  std::string got;
  while (got.size() < sent.size() && device.Wait(5000) == TSerialDevice::TWait::Readable) {
    auto r = device.Read(buf, sizeof buf);
    ASSERT_EQ(r.Status, TSerialDevice::TIo::Ok);
    got.append(buf, r.Count);
  }
  EXPECT_EQ(got, sent);

  auto w = device.Write("ACK\r", 4);
  EXPECT_EQ(w.Status, TSerialDevice::TIo::Ok);
  EXPECT_EQ(w.Count, 4u);
  EXPECT_EQ(pty.Receive(4), "ACK\r");

  // A pseudo-terminal has no modem lines: all low, requests accepted, no counts.
  EXPECT_EQ(device.ModemLines(), 0);
  EXPECT_TRUE(device.EscapeFunction(esc_SETDTR));
  EXPECT_TRUE(device.EscapeFunction(esc_CLRRTS));
  EXPECT_FALSE(device.EscapeFunction(esc_GETBASEIRQ));
  EXPECT_EQ(device.TakeLineErrors(), 0u);
}

TEST(PosixDevice, WaitsForRoomAndQueuesAndIsWokenByAnotherThread) {
  TPty pty;
  TSerialDevice device;
  ASSERT_EQ(device.Open(pty.SlavePath()), 0u);
  ASSERT_EQ(device.SetLineBlock(Line(9600)), 0u);
  EXPECT_EQ(device.WaitWritable(5000), TSerialDevice::TWait::Writable);

  ASSERT_TRUE(pty.Send("12345"));
  ASSERT_EQ(device.Wait(5000), TSerialDevice::TWait::Readable);
  TComStat stat = device.Status();
  EXPECT_EQ(stat.InQueue, 5u);
  EXPECT_EQ(stat.Errors, 0u);
  ASSERT_TRUE(device.Purge(true, false));
  EXPECT_EQ(device.InputQueued(), 0u);

  TWakeEvent wake;
  EXPECT_FALSE(wake.IsSet());
  std::thread waker([&wake] { wake.Set(); });
  EXPECT_EQ(device.Wait(-1, wake.Fd()), TSerialDevice::TWait::Woken);
  waker.join();
  wake.Set();
  EXPECT_TRUE(wake.IsSet());
  wake.Reset();
  EXPECT_FALSE(wake.IsSet());
  EXPECT_EQ(device.Wait(0, wake.Fd()), TSerialDevice::TWait::Timeout);
}

TEST(WakeEvent, TakingMakesItAnAutoResetEvent) {
  TWakeEvent a, b;
  a.Set();
  a.Set();
  EXPECT_TRUE(a.Take(0));
  EXPECT_FALSE(a.Take(0)) << "two sets before a take count as one";
  EXPECT_FALSE(a.Take(20)) << "times out";
  b.Set();
  EXPECT_EQ(TWakeEvent::WaitEither(a, b), 1);
  EXPECT_TRUE(b.IsSet()) << "waiting for either takes nothing";
  EXPECT_TRUE(b.WaitSet(0));
  EXPECT_TRUE(b.TryTake());
  std::thread setter([&a] { a.Set(); });
  EXPECT_TRUE(a.Take(-1));
  setter.join();
}

TEST(PosixDevice, UnplugIsDetectedAndNeverSpins) {
  TPty pty;
  TSerialDevice device;
  ASSERT_EQ(device.Open(pty.SlavePath()), 0u);
  ASSERT_EQ(device.SetLineBlock(Line(9600)), 0u);
  pty.Unplug();

  // A hang-up also raises POLLIN: a wait that took it for data would send the reader spinning.
  EXPECT_EQ(device.Wait(5000), TSerialDevice::TWait::Unplugged);
  EXPECT_TRUE(device.Unplugged());
  EXPECT_EQ(device.Wait(-1), TSerialDevice::TWait::Unplugged) << "answered without waiting";
  char buf[8];
  EXPECT_EQ(device.Read(buf, sizeof buf).Status, TSerialDevice::TIo::Unplugged);
  EXPECT_EQ(device.Write("x", 1).Status, TSerialDevice::TIo::Unplugged);
  EXPECT_EQ(device.SetLineBlock(Line(19200)), 0u) << "kept for the device's return";
  EXPECT_NE(device.SetLineBlock(Line(0)), 0u) << "still checked";

  // Back under another name: the kept settings apply.
  TPty back;
  ASSERT_EQ(device.Reopen(back.SlavePath()), 0u);
  EXPECT_FALSE(device.Unplugged());
  termios t = back.SlaveSettings();
  EXPECT_EQ(cfgetospeed(&t), speed_t{B19200});
  ASSERT_TRUE(back.Send("r"));
  EXPECT_EQ(device.Wait(5000), TSerialDevice::TWait::Readable);
  device.Close();
  EXPECT_FALSE(device.IsOpen());
}

TEST(PosixDevice, ReadOfZeroBytesIsAHangUp) {
  TPty pty;
  TSerialDevice device;
  ASSERT_EQ(device.Open(pty.SlavePath()), 0u);
  ASSERT_EQ(device.SetLineBlock(Line(9600)), 0u);
  pty.Unplug();
  char buf[8];
  EXPECT_EQ(device.Read(buf, sizeof buf).Status, TSerialDevice::TIo::Unplugged);
  EXPECT_TRUE(device.Unplugged());
}

TEST(PortExists, RulesOverTheProbe) {
  int calls = 0;
  auto answer = [&calls](uint32_t result) {
    return [&calls, result](int) {
      ++calls;
      return result;
    };
  };
  EXPECT_FALSE(PortExists(0, answer(0)));
  EXPECT_EQ(calls, 0) << "port 0 is never probed";
  EXPECT_TRUE(PortExists(1, answer(0)));
  EXPECT_TRUE(PortExists(1, answer(kWin32AccessDenied))) << "in use counts as present";
  EXPECT_TRUE(PortExists(1, answer(kWin32PermissionDenied)));
  EXPECT_FALSE(PortExists(1, answer(kWin32FileNotFound)));
  EXPECT_FALSE(PortExists(1, answer(kWin32GenFailure)));
  EXPECT_FALSE(PortExists(1, [](int) -> uint32_t { throw std::runtime_error("probe"); }));
}

TEST(PortExists, ExclusiveOpenProbeOnARealTerminal) {
  TPty pty;
  TPortMapSources sources;
  sources.GetEnv = [&pty](const std::string& name) -> std::optional<std::string> {
    if (name == "TARVOLIN_COM3") return pty.SlavePath();
    if (name == "TARVOLIN_COM4") return std::string("/dev/tarvolin-no-such-port");
    return std::nullopt;
  };
  sources.DevDir = "/tarvolin-no-such-dir";
  auto probe = ExclusiveOpenProbe(std::make_shared<TSerialPortMap>(sources));

  EXPECT_EQ(probe(3), 0u);
  EXPECT_TRUE(PortExists(3, probe));
  EXPECT_EQ(probe(3), 0u) << "the probe closed the port again";
  EXPECT_FALSE(PortExists(4, probe));
  EXPECT_FALSE(PortExists(5, probe));

  TSerialDevice holder;
  ASSERT_EQ(holder.Open(pty.SlavePath()), 0u);
  EXPECT_EQ(probe(3), uint32_t{kWin32AccessDenied});
  EXPECT_TRUE(PortExists(3, probe));
}

}  // namespace
