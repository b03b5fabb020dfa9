#include "qualification/zanUtilities.h"

#include "base/SysUtils.h"

namespace {

std::string ErrorSentence(const ISystemFacts& facts, uint32_t number) {
  return Format("Fehlernummer: #%u\r\n", number) + facts.ErrorText(number);
}

}  // namespace

std::string ComputerName(const ISystemFacts& facts) {
  std::string name;
  return facts.ComputerName(name) ? name : "?";
}

std::string IpHostName(const ISystemFacts& facts) {
  return IpHostName(facts.LocalHost());
}

std::string IpHostName(const THostLookup& host) {
  if (!host.SocketsStarted) return {};
  return host.Resolved && !host.OfficialName.empty() ? host.OfficialName : "localhost";
}

std::string IpAddress(const ISystemFacts& facts) {
  return IpAddress(facts.LocalHost());
}

std::string IpAddress(const THostLookup& host) {
  if (!host.SocketsStarted) return {};
  const bool resolved = host.Resolved && !host.FirstAddress.empty();
  if (resolved && !IsLoopbackAddress(host.FirstAddress)) return host.FirstAddress;
  // A name that maps only to loopback says nothing of the computer's address in the network.
  if (!host.InterfaceAddress.empty()) return host.InterfaceAddress;
  return resolved ? host.FirstAddress : "127.0.0.1";
}

std::string OsDescription(const ISystemFacts& facts) {
  const TOsVersion v = facts.OsVersion();
  if (!v.Answered)
    return "ERROR calling \"" + v.QueryName + "\" - " + ErrorSentence(facts, v.ErrorNumber);
  if (!v.Description.empty()) return v.Description;
  return Format("M$ Windows %d.%d Build %u (%s)", v.Major, v.Minor, v.Build, v.ServicePack);
}

std::string LoggedInUser(const ISystemFacts& facts) {
  std::string login;
  std::string effective;
  const bool loginRead = facts.LoginName(login) && !login.empty();
  const bool effectiveRead = facts.UserName(effective) && !effective.empty();
  if (!loginRead) return effectiveRead ? effective : "?";
  if (!effectiveRead || effective == login) return login;
  return login + " (effektiv: " + effective + ")";
}

std::string LastErrorText(const ISystemFacts& facts) {
  return ErrorSentence(facts, facts.LastErrorNumber());
}
