// The STR0 blocks compiled into the program, generated at build time from resources/messages.
#pragma once

#include <cstddef>
#include <cstdint>

struct TStr0BuiltinBlock {
  const char* name;
  const uint8_t* data;
  std::size_t size;
};

extern const TStr0BuiltinBlock kStr0ManagerBlock;  // "ADSRMGR_STRINGS"
extern const TStr0BuiltinBlock kStr0ErrorBlock;    // "APRO_ERROR_STRINGS_ENGLISH"
