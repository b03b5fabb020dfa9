#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/FileReplace.h"
#include "platform/ReplacementTarget.h"

namespace fs = std::filesystem;

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// A new file beside `target` that no other writer uses.
HANDLE CreateTemporary(const fs::path& target, fs::path& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = TemporaryBeside(target, GetCurrentProcessId());
    const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    // A name taken: left behind by an earlier process.
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

// Another writer (a second instance saving, a virus scanner, an editor) may hold the file for a
// moment: a step that fails for that reason is tried again for about half a second.
bool Retried(const std::function<bool()>& step) {
  for (int attempt = 0;; ++attempt) {
    if (step()) return true;
    const DWORD error = GetLastError();
    const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                      error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED ||
                      error == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
    if (!held || attempt == 50) return false;
    Sleep(10);
  }
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
  const fs::path target = ReplacementTarget(path);
  if (target.empty()) return false;

  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists) {
    // Replacing needs only the directory's permission: ask for the file's own, the read-only
    // attribute and the access list both.
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
    const bool writable = Retried([&] {
      const HANDLE probe = CreateFileW(target.c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
      // Gone since: another writer is replacing it, and it is a file this user may write.
      return probe != INVALID_HANDLE_VALUE || GetLastError() == ERROR_FILE_NOT_FOUND;
    });
    if (!writable) return false;
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return false;
  }

  fs::path temp;
  const HANDLE file = CreateTemporary(target, temp);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  // ReplaceFileW gives the new contents the old file's attributes and access list. A file that
  // another writer created since the check above is replaced as a whole too.
  ok = ok && Retried([&] {
         if (exists && ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                    REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
           return true;
         // Nothing to replace (any more: another writer may be replacing it just now).
         if (exists && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
         return MoveFileExW(temp.c_str(), target.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
       });
  if (!ok) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}
