#include "app/ResultRecord.h"

std::string VisibleText(std::string_view s) {
  static const char* const kNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                         "BS",  "TAB", "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                         "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                         "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
  std::string out;
  for (const char c : s) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32) {
      out += std::string("<") + kNames[code] + ">";
    } else if (code == 127) {
      out += "<DEL>";
    } else {
      out += c;
    }
  }
  return out;
}
