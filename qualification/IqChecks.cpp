#include "qualification/IqChecks.h"

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
