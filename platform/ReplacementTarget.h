// Where a file that is replaced as a whole is to be written, the same on every platform.
#pragma once

#include <filesystem>

// The end of the chain of symbolic links that starts at `path` (the path itself when it is no
// link), so that a file reached through a link is replaced where it lies instead of the link
// being replaced by a file; its directory is created when missing. Empty when the chain does not
// end (a loop) or a link cannot be read.
std::filesystem::path ReplacementTarget(std::filesystem::path path);

// A name beside `target` for a temporary file, new at each call: the process id tells instances
// apart, a counter the saves of one instance.
std::filesystem::path TemporaryBeside(const std::filesystem::path& target, unsigned long processId);
