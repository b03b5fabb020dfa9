// Where the program keeps its configuration: the INI files and ports.ini. One rule for every
// file there, so that they always land in the same directory.
#pragma once

#include <functional>
#include <optional>
#include <string>

// Looks up an environment variable; nullopt when it is not set.
using TGetEnv = std::function<std::optional<std::string>(const std::string& name)>;

// The process's environment. Nothing in the program changes it, so any thread may read it.
std::optional<std::string> SystemEnvironment(const std::string& name);

// USERPROFILE when it is set and not blank (Windows, and tests everywhere); on POSIX then
// $XDG_CONFIG_HOME/tarvolin, then $HOME/.config/tarvolin; `programDir` last. A relative
// XDG_CONFIG_HOME or HOME is ignored, as the base-directory rules ask: it would name a different
// directory for every working directory. An empty `getEnv` sees no variable set. The result
// carries no trailing separator unless `programDir` or USERPROFILE ends in one.
std::string ConfigDirectory(const TGetEnv& getEnv, const std::string& programDir);
