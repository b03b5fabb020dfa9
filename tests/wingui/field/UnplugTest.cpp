// Tarvolin.exe under Wine with its adapter pulled while capturing: a pseudo-terminal pair of the
// test's own as COM6 (a link in the prefix's device folder, which Wine reads at each open), ended
// and made again from the host as an unplugged and returning adapter. The instrument's side is
// written from the host too.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/win32/support/Instrument.h"
#include "tests/win32/support/PluggablePort.h"
#include "tests/wingui/e2e/support/Program.h"
#include "tests/wingui/e2e/support/Receiver.h"
#include "tests/wingui/e2e/support/Windows.h"
#include "wingui/app/MainformIds.h"

namespace e2e {
namespace {

constexpr int kPluggableCom = 6;  // the serial suite pulls COM5

// CPU time (user and kernel) the process has used so far, in seconds.
double CpuSeconds(HANDLE process) {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

// How often `what` occurs in the profile's audit files.
int AuditRecords(const TProgram& program, const std::string& what) {
  int count = 0;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(program.ProfileFile("Tarvolin-Audit-*.jsonl").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::string text = ReadFileBytes(program.ProfileFile(entry.cFileName));
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
      ++count;
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return count;
}

TEST(FieldTest, PulledAdapterIsReportedOnceWithoutSpinningAndCaptureResumesWhenItIsBack) {
  const char* prefix = std::getenv("WINEPREFIX");
  if (std::getenv("DISPLAY") == nullptr || prefix == nullptr || !TInstrument::LinesPlayable())
    GTEST_SKIP() << "only under the test command";
  TPluggablePort pty(prefix, "field-unplug", kPluggableCom, &PollFor);
  ASSERT_TRUE(pty.PlugIn());

  TProgram program;
  // End code 10, cursor movement CR, and the audit trail in the profile, which counts the losses.
  program.WriteProfileFile("Tarvolin.INI",
                           "[Comms]\r\nPort=" + std::to_string(kPluggableCom) +
                               "\r\n[resRecog]\r\nend=10\r\n[resModi]\r\ncursMove=1\r\n"
                               "[Audit]\r\nAuditing=1\r\n");
  std::string error;
  ASSERT_TRUE(program.Start({}, error)) << error;
  const HWND main = program.MainWindow();
  const auto shows = [&](int id, const std::string& text, std::chrono::milliseconds timeout) {
    return PollFor([&] { return Text(Control(main, id)) == text; }, timeout);
  };
  Click(main, MAIN_BTN_RUN);
  ASSERT_TRUE(shows(MAIN_BTN_RUN, "Stop", kTimeout)) << Text(Control(main, MAIN_BTN_RUN));
  TReceiver receiver;
  ASSERT_TRUE(receiver.Start(error)) << error;
  ASSERT_TRUE(shows(MAIN_PNL_LED, TReceiver::kTitle, kTimeout));
  ASSERT_TRUE(pty.Send("+    1.000 g\\r\\n"));
  ASSERT_TRUE(PollFor([&] { return receiver.Text() == "1.000\r\n"; })) << receiver.Text();

  // A reading cut by the unplug: its start is sent, its end never.
  ASSERT_TRUE(pty.Send("+    9.9"));
  ASSERT_TRUE(pty.Unplug());
  const std::string lost =
      "Verbindung zu COM6 unterbrochen! Warte, bis das Ger\xE4t wieder angeschlossen ist.";
  ASSERT_TRUE(shows(MAIN_STATUSBAR, lost, std::chrono::seconds(10)))
      << Text(Control(main, MAIN_STATUSBAR));

  // Waiting for the adapter: the window answers and the process barely uses the processor.
  HANDLE process =
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, program.Pid());
  ASSERT_NE(process, nullptr);
  const double cpuBefore = CpuSeconds(process);
  const auto wallBefore = std::chrono::steady_clock::now();
  // Two seconds of waiting, during which the program must not end.
  EXPECT_EQ(WaitForSingleObject(process, 2000), static_cast<DWORD>(WAIT_TIMEOUT));
  const double cpu = CpuSeconds(process) - cpuBefore;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
  CloseHandle(process);
  // The whole run's figure shows that the process's times are read at all.
  std::printf("CPU while the adapter is away: %.3f s in %.3f s (%.1f %%); since the start %.3f s\n",
              cpu, wall, 100 * cpu / wall, cpuBefore + cpu);
  EXPECT_GT(cpuBefore, 0.0);
  EXPECT_LT(cpu, 0.1 * wall);
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer));
  EXPECT_EQ(Text(Control(main, MAIN_STATUSBAR)), lost);
  EXPECT_EQ(Text(Control(main, MAIN_BTN_RUN)), "Stop");
  EXPECT_EQ(AuditRecords(program, "\"device-lost\""), 1);

  ASSERT_TRUE(pty.PlugIn());
  ASSERT_TRUE(
      shows(MAIN_STATUSBAR, "Verbindung zu COM6 wiederhergestellt.", std::chrono::seconds(10)))
      << Text(Control(main, MAIN_STATUSBAR));
  // The second reading shows that the first after the return was typed once, and the cut one not.
  ASSERT_TRUE(pty.Send("+    2.500 g\\r\\n"));
  ASSERT_TRUE(pty.Send("+    3.000 g\\r\\n"));
  const std::string expected = "1.000\r\n2.500\r\n3.000\r\n";
  PollFor([&] { return receiver.Text().size() >= expected.size(); });
  EXPECT_EQ(receiver.Text(), expected);
  EXPECT_EQ(AuditRecords(program, "\"device-lost\""), 1);
  EXPECT_EQ(AuditRecords(program, "\"device-back\""), 1);
}

}  // namespace
}  // namespace e2e
