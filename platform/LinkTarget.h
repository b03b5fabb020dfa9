// Following symbolic links by hand, so that a file reached through a link is replaced where it
// lies instead of the link being replaced by a file.
#pragma once

#include <filesystem>

// Where a chain of symbolic links starting at `path` ends; the path itself when it is no link.
// Empty when the chain does not end (a loop) or a link cannot be read.
std::filesystem::path LinkTarget(std::filesystem::path path);
