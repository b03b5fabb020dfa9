// Facts about the computer that logs and reports print. One implementation per platform; none of
// them throws.
#pragma once

#include <string>
#include <string_view>

// The operating system as the reader of a dispatch log or an audit report needs it: the
// distribution's name and version, then the kernel's name, release and machine, at most 80
// characters, for example "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64 x86_64".
std::string OsReleaseText();

// OsReleaseText from its parts: the contents of an os-release file (empty when there is none)
// and what the kernel reports of itself.
std::string FormatOsRelease(std::string_view osRelease, std::string_view kernelName,
                            std::string_view kernelRelease, std::string_view machine);
