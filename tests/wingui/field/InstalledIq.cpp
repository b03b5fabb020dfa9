// installed_iq PROGRAM.exe: the installer test's check of the program it installed. Starts
// PROGRAM from its folder (as its Start-menu shortcut does), runs File > IQ, prints the report's
// page to a file and checks that the installation path row names the folder the installer chose;
// then closes the program. Exit status 0 when all of that held, the failure on stderr otherwise.
#include <windows.h>

#include <cstdio>
#include <regex>
#include <string>

#include "tests/wingui/e2e/support/Windows.h"
#include "tests/wingui/report/TestPrinter.h"
#include "wingui/app/MainformIds.h"
#include "wingui/report/repPreviewIds.h"

namespace {

int Fail(const std::string& why) {
  std::fprintf(stderr, "installed program: %s\n", why.c_str());
  return 1;
}

// The report's text as the test printer writes it; empty when printing failed.
std::string PrintedText(HWND preview) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring file = std::wstring(temp) + L"tarvolin-installed-iq.ps";
  DeleteFileW(file.c_str());
  COPYDATASTRUCT data{REPPREV_COPYDATA_PRINT_TO_FILE,
                      static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)),
                      const_cast<wchar_t*>(file.c_str())};
  DWORD_PTR printed = 0;
  if (!SendMessageTimeoutW(preview, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                           SMTO_ABORTIFHUNG, 60000, &printed) ||
      printed != TRUE)
    return {};
  std::string text = wingui_test::PostScriptText(file);
  DeleteFileW(file.c_str());
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace e2e;
  if (argc != 2) return Fail("usage: installed_iq PROGRAM.exe");
  const std::string program = argv[1];
  const std::string folder = program.substr(0, program.find_last_of('\\'));
  wingui_test::TestPrinter();

  std::string command = "\"" + program + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &si, &pi))
    return Fail("cannot start " + program + ": error " + std::to_string(GetLastError()));
  CloseHandle(pi.hThread);
  // Ends the process on every way out; a closed program is left alone.
  struct TEnd {
    HANDLE process;
    ~TEnd() {
      if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
      CloseHandle(process);
    }
  } end{pi.hProcess};

  const HWND main = WaitForWindow(pi.dwProcessId, MAIN_WINDOW_CLASS);
  if (main == nullptr) return Fail("its main window did not appear");
  MenuCommand(main, MAIN_MEN_FILE_IQ);
  const HWND preview = WaitForWindow(pi.dwProcessId, REPPREV_WINDOW_CLASS, "Preview");
  if (preview == nullptr) return Fail("File > IQ opened no preview");
  const std::string text = PrintedText(preview);
  if (text.empty()) return Fail("the report's page was not printed");

  std::smatch row;
  if (!std::regex_search(text, row, std::regex("Installationspfad:[^\n]*")))
    return Fail("no installation path row in:\n" + text);
  std::printf("%s\n", row.str().c_str());
  if (row.str().find("Program Files\\Tarvolin") == std::string::npos)
    return Fail("the installation path row does not name Program Files\\Tarvolin");
  if (text.find("Tests bestanden: 6 von 6") == std::string::npos)
    return Fail("not all checks passed:\n" + text);

  Close(main);
  if (WaitForSingleObject(pi.hProcess, static_cast<DWORD>(kTimeout.count())) != WAIT_OBJECT_0)
    return Fail("closing the main window did not end it");
  return 0;
}
