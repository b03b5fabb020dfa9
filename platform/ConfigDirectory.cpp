#include "platform/ConfigDirectory.h"

#include <cstdlib>

#include "base/SysUtils.h"

namespace {

std::optional<std::string> Lookup(const TGetEnv& getEnv, const std::string& name) {
  if (!getEnv) return std::nullopt;
  return getEnv(name);
}

#ifndef _WIN32
// An absolute directory with one separator after it.
std::optional<std::string> AbsoluteDir(const std::optional<std::string>& value) {
  if (!value || !value->starts_with('/')) return std::nullopt;
  return value->ends_with('/') ? *value : *value + '/';
}
#endif

}  // namespace

std::optional<std::string> SystemEnvironment(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  if (v == nullptr) return std::nullopt;
  return std::string(v);
}

std::string ConfigDirectory(const TGetEnv& getEnv, const std::string& programDir) {
  if (auto profile = Lookup(getEnv, "USERPROFILE"); profile && !Trim(*profile).empty())
    return *profile;
#ifndef _WIN32
  if (auto xdg = AbsoluteDir(Lookup(getEnv, "XDG_CONFIG_HOME"))) return *xdg + "tarvolin";
  if (auto home = AbsoluteDir(Lookup(getEnv, "HOME"))) return *home + ".config/tarvolin";
#endif
  return programDir;
}
