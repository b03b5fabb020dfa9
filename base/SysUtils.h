// Number conversion and small text helpers with the runtime's behaviour and messages.
// All text is CP1252 (8-bit std::string).
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

// Parses a whole number the way the runtime does: leading blanks, an optional sign, then decimal
// digits, or hexadecimal after "$", "0x" or "0X". Nothing may follow the digits. Returns false
// for anything else, including values outside the 32-bit range.
bool TryStrToInt(std::string_view s, int32_t& value);

// TryStrToInt, raising EConvertError("'%s' ist kein gültiger Integerwert") on failure.
int32_t StrToInt(std::string_view s);

// TryStrToInt, giving `def` on failure.
int32_t StrToIntDef(std::string_view s, int32_t def);

std::string IntToStr(int64_t value);

// Checks that `value` fits the range of an unsigned 16-bit destination; raises ERangeError.
uint16_t CheckWord(int32_t value);

// Removes leading and trailing characters up to and including the blank (control characters too).
std::string Trim(std::string_view s);

// Upper case of the ASCII letters a..z only, like the runtime's UpperCase.
std::string UpperCase(std::string_view s);

// Whether the two are equal when the ASCII letters are compared without case, like the
// runtime's SameText.
bool SameText(std::string_view a, std::string_view b);

// The wall-clock time now, in the local time zone.
std::tm LocalTimeNow();

namespace detail {
template <class T>
decltype(auto) FormatArg(const T& v) {
  if constexpr (std::is_same_v<T, std::string>)
    return v.c_str();
  else
    return v;
}
}  // namespace detail

// printf-style formatting into a std::string; std::string arguments may be passed for %s.
template <class... A>
std::string Format(const char* fmt, const A&... args) {
  int n = std::snprintf(nullptr, 0, fmt, detail::FormatArg(args)...);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  std::snprintf(out.data(), out.size() + 1, fmt, detail::FormatArg(args)...);
  return out;
}
