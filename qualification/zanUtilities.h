// The facts about the computer that the qualification report prints, with their fixed fallback
// texts. Each function asks the running system (PlatformSystemFacts) unless given other facts;
// none raises. Texts are CP1252.
#pragma once

#include <string>

#include "platform/SystemInfo.h"

// The computer's network name, or "?".
std::string ComputerName(const ISystemFacts& facts = PlatformSystemFacts());
// The official name of the local host as resolved, "localhost" when it does not resolve, empty
// when the socket library cannot start.
std::string IpHostName(const ISystemFacts& facts = PlatformSystemFacts());
std::string IpHostName(const THostLookup& host);
// The computer's IPv4 address, dotted: the first non-loopback address of the local host name,
// else the first address of an interface that is up and not loopback, else the name's own
// (loopback) address, "127.0.0.1" when nothing resolves; empty when the socket library cannot
// start.
std::string IpAddress(const ISystemFacts& facts = PlatformSystemFacts());
// Both from one lookup, so that a report asks the resolver once.
std::string IpAddress(const THostLookup& host);
// Windows: "M$ Windows <major>.<minor> Build <build> (<service pack>)"; elsewhere the system's
// own description. When the system refuses: ERROR calling "<query>" - and the error's text.
std::string OsDescription(const ISystemFacts& facts = PlatformSystemFacts());
// The user logged in, followed by " (effektiv: <user>)" when the program runs as another one
// (sudo, "run as"); the user the program runs as when no login is known; "?" when neither is.
std::string LoggedInUser(const ISystemFacts& facts = PlatformSystemFacts());
// "Fehlernummer: #" + the last error number + CR LF + the system's text for it.
std::string LastErrorText(const ISystemFacts& facts = PlatformSystemFacts());
