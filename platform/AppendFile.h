// A file that is only ever added to, with its data forced to the disk on request: what a record
// that must survive a crash or a power loss needs. One implementation per platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Not shared between threads. Errors give false and the system's text (CP1252) in `error`.
class TAppendFile {
 public:
  TAppendFile() = default;
  ~TAppendFile() { Close(); }
  TAppendFile(const TAppendFile&) = delete;
  TAppendFile& operator=(const TAppendFile&) = delete;

  enum class TOpen { Opened, Busy, Failed };
  // Opens `path` for adding to its end, creating the file when it does not exist, and takes it
  // for this writer alone until Close: Busy while another writer (another process, or another
  // TAppendFile) has it. Readers are not kept out. Existing contents are never changed.
  TOpen Open(const std::string& path, std::string& error);
  bool IsOpen() const { return handle_ != kClosed; }
  // Writes all of `bytes` at the end of the file. Once this returns, the bytes outlive the
  // process; only Sync makes them outlive the computer.
  bool Append(std::string_view bytes, std::string& error);
  // Waits until everything appended is on the disk.
  bool Sync(std::string& error);
  void Close();

 private:
  static constexpr intptr_t kClosed = -1;
  intptr_t handle_ = kClosed;
};
