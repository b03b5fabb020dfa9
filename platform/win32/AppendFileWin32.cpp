#include <windows.h>

#include <algorithm>

#include "platform/AppendFile.h"

namespace {

bool Failed(const char* step, std::string& error) {
  const DWORD code = GetLastError();
  char text[512] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                 sizeof text, nullptr);
  std::string cause(text);
  while (!cause.empty() && (cause.back() == '\n' || cause.back() == '\r' || cause.back() == ' '))
    cause.pop_back();
  error = std::string(step) + ": " + (cause.empty() ? "error " + std::to_string(code) : cause);
  return false;
}

HANDLE Native(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

TAppendFile::TOpen TAppendFile::Open(const std::string& path, std::string& error) {
  Close();
  // Appending only: with FILE_APPEND_DATA and no FILE_WRITE_DATA every write goes to the end.
  // Sharing reading alone lets readers in and keeps every other writer out.
  const HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const bool busy = GetLastError() == ERROR_SHARING_VIOLATION;
    Failed("CreateFile", error);
    return busy ? TOpen::Busy : TOpen::Failed;
  }
  handle_ = reinterpret_cast<intptr_t>(file);
  return TOpen::Opened;
}

bool TAppendFile::Append(std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(Native(handle_), bytes.data(), chunk, &written, nullptr) || written == 0)
      return Failed("WriteFile", error);
    bytes.remove_prefix(written);
  }
  return true;
}

bool TAppendFile::Sync(std::string& error) {
  if (!FlushFileBuffers(Native(handle_))) return Failed("FlushFileBuffers", error);
  return true;
}

void TAppendFile::Close() {
  if (handle_ == kClosed) return;
  CloseHandle(Native(handle_));
  handle_ = kClosed;
}
