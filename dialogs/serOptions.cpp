#include "dialogs/serOptions.h"

#include <iterator>

#include "app/PortSettings.h"
#include "app/ResultFilter.h"
#include "base/SysUtils.h"
#include "dialogs/prgOptions.h"
#include "serial/AwFactory.h"

static_assert(std::size(ParityItems) == ParityItemCount);
static_assert(std::size(XonXoffItems) == XonXoffItemCount);
static_assert(std::size(DecSubstItems) == DecSubstItemCount);
static_assert(std::size(CursMoveItems) == CursMoveItemCount);

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameItemText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace

int32_t ItemIndexOf(std::span<const char* const> items, const std::string& text) {
  for (size_t i = 0; i < items.size(); ++i)
    if (SameItemText(items[i], text)) return static_cast<int32_t>(i);
  return -1;
}

std::vector<TListedPort> ListOpenablePorts(IPortList* ports) {
  std::vector<TListedPort> listed;
  if (ports == nullptr) return listed;
  for (int n = 1; n <= TserOptionsDesign::HighestListedPort; ++n)
    if (ports->ProbePort(n) == 0) listed.push_back({n, ports->Describe(n)});
  return listed;
}

std::string PortDescription(IPortList* ports, const std::string& text) {
  int32_t number = 0;
  if (ports == nullptr || !TryStrToInt(text, number) || number <= 0 || number > 65535) return {};
  return ports->Describe(number);
}

void TserOptionsController::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    errors_->ShowException(e);
  } catch (const std::exception& e) {
    errors_->ShowException(Exception(e.what()));
  }
}

void TserOptionsController::comboPortChange() {
  Guarded([this] { ::comboPortChange(view_, comms_); });
}
void TserOptionsController::comboBaudChange() {
  Guarded([this] { ::comboBaudChange(view_, comms_); });
}
void TserOptionsController::comboDatabitsChange() {
  Guarded([this] { ::comboDatabitsChange(view_, comms_); });
}
void TserOptionsController::comboParityChange() {
  Guarded([this] { ::comboParityChange(view_, comms_); });
}
void TserOptionsController::comboStopChange() {
  Guarded([this] { ::comboStopChange(view_, comms_); });
}
void TserOptionsController::comboXonXoffChange() {
  Guarded([this] { ::comboXonXoffChange(view_, comms_); });
}
void TserOptionsController::setHwHandshake() {
  Guarded([this] { ::setHwHandshake(view_, comms_); });
}

void TserOptionsController::CommsTriggerAvail(uint16_t count, uint32_t deviceReturns) {
  if (filter_ == nullptr) return;
  if (deviceReturns > deviceReturns_) filter_->dropPartialResult();
  deviceReturns_ = deviceReturns;
  filter_->processReceived(count);
}
