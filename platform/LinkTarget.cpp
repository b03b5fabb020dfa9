#include "platform/LinkTarget.h"

#include <system_error>

namespace fs = std::filesystem;

fs::path LinkTarget(fs::path path) {
  std::error_code ec;
  // As many hops as the kernel allows before it reports a loop.
  for (int hops = 0; hops < 40; ++hops) {
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path next = fs::read_symlink(path, ec);
    if (ec) return {};
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return {};
}
