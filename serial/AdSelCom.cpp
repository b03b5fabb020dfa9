#include "serial/AdSelCom.h"

#include <memory>
#include <string_view>

#include "base/SysUtils.h"
#include "serial/AdErrCodes.h"
#include "serial/AwFactory.h"

TComPortList TComPortList::System() {
  TComPortList list;
  IDeviceLayer* layer = DeviceLayer();
  if (layer == nullptr) return list;
  std::shared_ptr<IPortList> ports = layer->Ports();
  list.PortExists = [ports](int comNumber) {
    return ::PortExists(comNumber, [&](int n) { return ports->ProbePort(n); });
  };
  list.Describe = [ports](int comNumber) { return ports->Describe(comNumber); };
  list.Name = [ports](int comNumber) { return ports->Name(comNumber); };
  return list;
}

std::vector<TComSelectItem> ComSelectItems(const TComPortList& ports) {
  std::vector<TComSelectItem> items;
  if (!ports.PortExists) return items;
  for (int n = 1; n <= TComSelectDesign::HighestPort; ++n) {
    if (!ports.PortExists(n)) continue;
    // Two adapters of one kind differ in their names, not in anything else the user sees.
    const std::string name = ports.Name ? ports.Name(n) : std::string();
    items.push_back({Format("COM%d", n) + (name.empty() ? "" : ": " + name),
                     ports.Describe ? ports.Describe(n) : std::string()});
  }
  return items;
}

int ComNumberOfItem(const std::string& text) {
  if (text.size() <= 3) return 0;
  std::string_view digits = std::string_view(text).substr(3);
  digits = digits.substr(0, digits.find(':'));
  return StrToIntDef(digits, 0);
}

int ComSelectResult(bool accepted, const std::string& selectedText) {
  // OK on an empty list chooses nothing: the same as Cancel.
  const int chosen = accepted ? ComNumberOfItem(selectedText) : 0;
  return chosen > 0 ? chosen : ecNoPortSelected;
}
