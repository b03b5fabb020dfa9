// File names as the program passes them around: UTF-8 on Windows, so that a folder outside the
// system's ANSI code page can be opened (by its wide name); the system's bytes elsewhere.
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path FileNamePath(const std::string& name) {
  try {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
  } catch (const std::exception&) {
    // Not UTF-8: a name in the ANSI code page, as the narrow calls take it.
    return std::filesystem::path(name);
  }
}
