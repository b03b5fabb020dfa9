#include "tests/wingui/e2e/support/Program.h"

#include <psapi.h>

#include <fstream>
#include <sstream>

#include "tests/wingui/e2e/support/Windows.h"
#include "wingui/app/MainformIds.h"

namespace e2e {

namespace {

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((dir + "*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(dir + name + "\\");
      else
        DeleteFileA((dir + name).c_str());
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(dir.c_str());
}

}  // namespace

std::string WindowsPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

TProgram::TProgram() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  profile_ = std::string(temp) + "tarvolin_e2e_" + std::to_string(GetCurrentProcessId()) + "\\";
  RemoveTree(profile_);
  CreateDirectoryA(profile_.c_str(), nullptr);
}

TProgram::~TProgram() {
  if (process_ != nullptr) {
    if (Running()) {
      TerminateProcess(process_, 1);
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
  }
  RemoveTree(profile_);
}

void TProgram::WriteProfileFile(const std::string& name, const std::string& bytes) const {
  std::ofstream(ProfileFile(name), std::ios::binary) << bytes;
}

bool TProgram::Start(const std::string& arguments, std::string& error) {
  std::string command = "\"" + WindowsPath(TARVOLIN_EXE) + "\"";
  if (!arguments.empty()) command += " " + arguments;
  // The child inherits the environment; only the profile differs from the test's.
  SetEnvironmentVariableA("USERPROFILE", profile_.substr(0, profile_.size() - 1).c_str());
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const auto started = std::chrono::steady_clock::now();
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      profile_.c_str(), &si, &pi)) {
    error = "cannot start " + command + ": error " + std::to_string(GetLastError());
    return false;
  }
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  main_ = WaitForWindow(pid_, MAIN_WINDOW_CLASS);
  startTime_ = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  if (main_ == nullptr) {
    error = Running() ? "the main window did not appear" : "the program ended at its start";
    return false;
  }
  return true;
}

size_t TProgram::WorkingSet() const {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process_, &counters, sizeof counters)) return 0;
  return counters.WorkingSetSize;
}

bool TProgram::WaitForExit(std::chrono::milliseconds timeout) {
  return WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool TProgram::Running() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace e2e
