#include "qualification/IqChecks.h"

#include "platform/Win32Errors.h"
#include "serial/AdSelCom.h"

bool TIqRun::generate(IIqSubject& subject, const std::function<void(TAlReport&)>& present) {
  if (running_) return false;
  running_ = true;
  struct TDone {
    bool& flag;
    ~TDone() { flag = false; }
  } done{running_};
  report_.FillData(subject);
  present(report_.alrIQ());
  return true;
}

TAboutTexts AboutTexts(const TZanExeInfo& info) {
  return {info.productName(), info.productVersion() + ", Build " + info.buildNumber(),
          "\xA9 " + info.copyright(), info.companyName(), info.fileDescription()};
}

std::vector<TIqComPort> PresentComPorts(IPortList& ports) {
  std::vector<TIqComPort> present;
  for (int n = 1; n <= TComSelectDesign::HighestPort; ++n) {
    uint32_t result = 0;
    if (!PortExists(n, [&](int number) { return result = ports.ProbePort(number); })) continue;
    present.push_back({n, result == 0                        ? TIqComPort::Free
                          : result == kWin32PermissionDenied ? TIqComPort::NoAccess
                                                             : TIqComPort::InUse});
  }
  return present;
}
