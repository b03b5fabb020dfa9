// Tarvolin.exe as a process of its own: started with USERPROFILE on a fresh profile directory,
// watched through its windows, ended at the end of the test.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <string>

namespace e2e {

class TProgram {
 public:
  // A profile directory of its own under the temporary directory, empty.
  TProgram();
  // Ends the process if it still runs; the profile goes with it.
  ~TProgram();
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;

  // The profile directory (Windows path, with a trailing backslash) and a file in it.
  const std::string& Profile() const { return profile_; }
  std::string ProfileFile(const std::string& name) const { return profile_ + name; }
  // Writes a file into the profile before the start (an INI file).
  void WriteProfileFile(const std::string& name, const std::string& bytes) const;

  // Starts the program with `arguments` and waits until its main window is visible; false with
  // the reason in `error` otherwise.
  bool Start(const std::string& arguments, std::string& error);
  DWORD Pid() const { return pid_; }
  HWND MainWindow() const { return main_; }
  // From CreateProcess to the main window shown.
  std::chrono::milliseconds StartTime() const { return startTime_; }
  // The process's working set in bytes.
  size_t WorkingSet() const;

  // Waits for the process to end; true when it did.
  bool WaitForExit(std::chrono::milliseconds timeout);
  bool Running() const;

 private:
  std::string profile_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
  std::chrono::milliseconds startTime_{0};
};

// A path with forward slashes (the build's, on drive Z:) as Windows writes it.
std::string WindowsPath(std::string path);
// Reads a whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);

}  // namespace e2e
