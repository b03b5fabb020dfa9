#include <sys/utsname.h>

#include <fstream>
#include <sstream>

#include "platform/SystemInfo.h"

namespace {

constexpr size_t kMaxLength = 80;

// The value of `key` in os-release syntax (KEY=value, the value optionally quoted), or empty.
std::string OsReleaseValue(std::string_view text, std::string_view key) {
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=')
      continue;
    std::string_view value = line.substr(key.size() + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return {};
}

}  // namespace

std::string FormatOsRelease(std::string_view osRelease, std::string_view kernelName,
                            std::string_view kernelRelease, std::string_view machine) {
  std::string distribution = OsReleaseValue(osRelease, "PRETTY_NAME");
  if (distribution.empty()) {
    distribution = OsReleaseValue(osRelease, "NAME");
    const std::string version = OsReleaseValue(osRelease, "VERSION");
    if (!distribution.empty() && !version.empty()) distribution += " " + version;
  }
  std::string kernel(kernelName);
  for (std::string_view part : {kernelRelease, machine})
    if (!part.empty()) (kernel += kernel.empty() ? "" : " ") += part;
  std::string text = distribution;
  if (!kernel.empty()) (text += text.empty() ? "" : ", ") += kernel;
  if (text.size() > kMaxLength) text.resize(kMaxLength);
  return text;
}

std::string OsReleaseText() {
  std::string osRelease;
  // os-release(5): /etc first, the vendor's copy in /usr/lib otherwise.
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    std::ifstream in(path);
    if (!in) continue;
    std::ostringstream contents;
    contents << in.rdbuf();
    osRelease = contents.str();
    break;
  }
  utsname kernel{};
  if (uname(&kernel) != 0) return FormatOsRelease(osRelease, "", "", "");
  return FormatOsRelease(osRelease, kernel.sysname, kernel.release, kernel.machine);
}
