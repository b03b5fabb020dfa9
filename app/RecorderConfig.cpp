#include "app/RecorderConfig.h"

#include "base/SysUtils.h"
#include "platform/IniFile.h"

namespace {

constexpr const char* kSection = "Trace";

}  // namespace

bool IsAbsolutePath(const std::string& name) {
#ifdef _WIN32
  // "\dir\file", "\\server\share\file" or "C:\dir\file".
  return name.starts_with('\\') || name.starts_with('/') || (name.size() > 1 && name[1] == ':');
#else
  return name.starts_with('/');
#endif
}

void TRecorderConfig::Read(const TIniFile& ini) {
  const TRecorderConfig def;
  auto size = [&](const char* key, int32_t fallback) {
    const int32_t v = ini.ReadInteger(kSection, key, fallback);
    return v >= 1 ? v : fallback;
  };
  auto name = [&](const char* key, const std::string& fallback) {
    std::string v = Trim(ini.ReadString(kSection, key, fallback));
    return v.empty() ? fallback : v;
  };
  Tracing = ini.ReadBool(kSection, "Tracing", def.Tracing);
  TraceSize = size("TraceSize", def.TraceSize);
  TraceName = name("TraceName", def.TraceName);
  Logging = ini.ReadBool(kSection, "Logging", def.Logging);
  LogSize = size("LogSize", def.LogSize);
  LogName = name("LogName", def.LogName);
}

TRecorderConfig TRecorderConfig::ResolvedIn(const std::string& directory) const {
  TRecorderConfig c = *this;
  if (!IsAbsolutePath(TraceName)) c.TraceName = directory + TraceName;
  if (!IsAbsolutePath(LogName)) c.LogName = directory + LogName;
  return c;
}
