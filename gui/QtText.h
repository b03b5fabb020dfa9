// The core's text is CP1252, Qt's is UTF-16: the one conversion between them.
#pragma once

#include <QString>

#include <string>

#include "base/Cp1252.h"

inline QString FromCp1252(const std::string& s) {
  return QString::fromStdU16String(Cp1252ToUtf16(s));
}

inline std::string ToCp1252(const QString& s) {
  return Utf16ToCp1252(s.toStdU16String());
}
