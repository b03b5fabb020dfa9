#include "platform/ReplacementTarget.h"

#include <atomic>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

fs::path ReplacementTarget(fs::path path) {
  std::error_code ec;
  // As many hops as the kernel allows before it reports a loop.
  for (int hops = 0; fs::is_symlink(fs::symlink_status(path, ec)); ++hops) {
    const fs::path next = fs::read_symlink(path, ec);
    if (ec || hops == 40) return {};
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
  return path;
}

fs::path TemporaryBeside(const fs::path& target, unsigned long processId) {
  static std::atomic<unsigned> counter{0};
  fs::path temp = target;
  temp += "." + std::to_string(processId) + "-" + std::to_string(counter++) + ".tmp";
  return temp;
}
