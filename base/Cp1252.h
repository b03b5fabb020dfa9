// Conversion between the core's CP1252 text and the UTF-8 / UTF-16 of files, Qt and X11.
// Characters without a CP1252 form become '?'; the five undefined CP1252 codes map to the
// C1 control characters of the same value, so every byte survives a round trip.
#pragma once

#include <string>
#include <string_view>

char32_t Cp1252ToUnicode(unsigned char c);
// The CP1252 byte of a code point, or -1 when there is none.
int UnicodeToCp1252(char32_t u);

std::u16string Cp1252ToUtf16(std::string_view s);
std::string Utf16ToCp1252(std::u16string_view s);
std::string Cp1252ToUtf8(std::string_view s);
std::string Utf8ToCp1252(std::string_view s);
