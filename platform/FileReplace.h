// Replacing the contents of a file that people also edit by hand. One implementation per
// platform.
#pragma once

#include <string>
#include <string_view>

// Makes `bytes` the contents of the file at `path`, creating the file (and its directory) when
// it does not exist yet. The new contents go to a temporary file of a name no other writer
// uses, reach the disk, and then take the file's place in one step, so the file is never seen
// half written. A symbolic link is followed: its target is replaced and the link stays. The
// file keeps its permissions. A file that the user may not write (made read-only), one that is
// not a regular file, or any failure on the way gives false, and the file stays as it was.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);
