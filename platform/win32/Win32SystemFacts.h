// Facts about the computer for the qualification report and the about window, on Windows. Each
// has its fixed fallback and none throws.
#pragma once

#include <string>

// The computer's network name (at most 16 characters), or "?".
std::string Win32ComputerName();
// The official name of the local host as resolved, "localhost" when it does not resolve, empty
// when the socket library cannot start.
std::string Win32IpHostName();
// The local host's first address in dotted form, "127.0.0.1" when it does not resolve, empty
// when the socket library cannot start.
std::string Win32IpAddress();
// "M$ Windows <major>.<minor> Build <build> (<service pack>)" with the system's true version (the
// plain version query tells programs without a compatibility manifest an older one); when the
// system refuses the query: "ERROR calling \"GetVersionEx\" - " followed by Win32LastErrorText().
std::string Win32OsDescription();
// The name of the user the program runs as, or "?".
std::string Win32LoggedInUser();
// "Fehlernummer: #<n>" CR LF and the system's text for the calling thread's last error, which
// keeps its own line break.
std::string Win32LastErrorText();
