#include "platform/ConfigDirectory.h"

#include <map>

#include <gtest/gtest.h>

namespace {

TGetEnv EnvOf(std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const std::string& name) -> std::optional<std::string> {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

TEST(ConfigDirectory, FollowsTheProfileThenTheBaseDirectoryRules) {
  const std::string program = "/opt/tarvolin/";
  struct Case {
    const char* why;
    std::map<std::string, std::string> env;
    std::string expected;
  };
  const Case cases[] = {
      {"the profile comes first", {{"USERPROFILE", "/p"}, {"XDG_CONFIG_HOME", "/x"}}, "/p"},
      {"nothing set: the program's directory", {}, program},
#ifdef _WIN32
      {"Windows has no XDG directories", {{"XDG_CONFIG_HOME", "/x"}, {"HOME", "/h"}}, program},
#else
      {"a blank profile counts as unset",
       {{"USERPROFILE", " \t"}, {"XDG_CONFIG_HOME", "/x"}},
       "/x/tarvolin"},
      {"one separator after the XDG directory", {{"XDG_CONFIG_HOME", "/x/"}}, "/x/tarvolin"},
      {"HOME without XDG", {{"HOME", "/home/lab"}}, "/home/lab/.config/tarvolin"},
      {"a relative XDG_CONFIG_HOME is ignored",
       {{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/h"}},
       "/h/.config/tarvolin"},
      {"an empty XDG_CONFIG_HOME is ignored",
       {{"XDG_CONFIG_HOME", ""}, {"HOME", "/h"}},
       "/h/.config/tarvolin"},
      {"a relative HOME is ignored", {{"HOME", "lab"}}, program},
#endif
  };
  for (const Case& c : cases)
    EXPECT_EQ(ConfigDirectory(EnvOf(c.env), program), c.expected) << c.why;
  EXPECT_EQ(ConfigDirectory(TGetEnv(), program), program) << "no environment at all";
}

}  // namespace
