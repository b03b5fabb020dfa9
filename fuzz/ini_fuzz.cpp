// Arbitrary bytes as a configuration file (CP1252, NUL bytes, megabyte lines, no line ends,
// sections and keys twice): reading never fails, the text written back reads as it was read, and
// a value written reads back as written, in the store and from the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/IniFile.h"

namespace {

const std::string& Scratch() {
  static const std::string path = [] {
    // In memory where the system has it: every input is written and replaced durably.
    char shm[] = "/dev/shm/ini_fuzz_XXXXXX";
    char tmp[] = "/tmp/ini_fuzz_XXXXXX";
    const char* dir = mkdtemp(shm);
    if (dir == nullptr) dir = mkdtemp(tmp);
    if (dir == nullptr) std::abort();
    return std::string(dir) + "/Tarvolin.INI";
  }();
  return path;
}

void Store(const std::string& path, std::string_view text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(text.data(), text.size());
}

// A section or key name from the input's letters: names the file format can hold.
std::string Name(std::string_view from) {
  std::string name;
  for (char c : from)
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) name += c;
  return name.empty() ? "K" : name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string& path = Scratch();
  Store(path, input);
  TIniFile ini(path);

  // What is written back reads as the file did.
  const std::string text = ini.Text();
  Store(path, text);
  if (TIniFile(path).Text() != text) std::abort();

  // The input's first line names a section and a key; the rest of it is a value.
  const size_t eol = std::min(input.find('\n'), input.size());
  const std::string_view head = input.substr(0, eol);
  const std::string section = Name(head.substr(0, head.size() / 2));
  const std::string key = Name(head.substr(head.size() / 2));
  std::string value(input.substr(std::min(eol + 1, input.size()), TIniFile::MaxValueLength));
  ini.ReadString(section, key, "");
  ini.ReadInteger(section, key, 7);
  ini.WriteString(section, key, value);
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  if (ini.ReadString(section, key, "") != value) std::abort();
  try {
    ini.UpdateFile();
  } catch (const EIniFileException&) {
    std::abort();
  }
  if (TIniFile(path).ReadString(section, key, "") != value) std::abort();
  return 0;
}
