// The configuration record of the capture application and the one table of INI keys that reads
// and writes it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

class TIniFile;

// Every persistent setting. Texts are kept as entered and converted where they are used;
// selection indexes are -1 when nothing is selected.
struct TCaptureConfig {
  // [Comms]
  std::string Port;
  std::string Baud;
  std::string Databits;
  int32_t Parity;  // 0 None, 1 Odd, 2 Even, 3 Mark, 4 Space
  std::string Stopbits;
  int32_t XonXoff;  // 0 none, 1 receive only, 2 transmit only, 3 both
  bool useDTR;
  bool useRTS;
  bool useDSR;
  bool useCTS;
  // [resRecog]
  std::string begin;  // decimal code of the start character
  std::string end;    // decimal code of the end character
  std::string checkChars;
  std::string goodChars;
  // [resModi]
  int32_t decSubst;  // 0 leave, 1 comma to point, 2 point to comma
  int32_t cursMove;  // 0 none, 1 CR, 2 CR+LF, 3 LF, 4 LF+CR, 5 TAB, 6 DOWN, 7 LEFT, 8 RIGHT, 9 UP
  // [mainWin], [prgOpt], [serOpt]
  int32_t mainLeft;
  int32_t mainTop;
  int32_t prgLeft;
  int32_t prgTop;
  int32_t serLeft;
  int32_t serTop;
  // Optional keys, without a value when the file does not have them.
  std::optional<int32_t> keyPause;  // [resModi] milliseconds after each key typed (0: none)

  // Every field at the default of its key.
  TCaptureConfig();

  // Reads every key; a missing key or a number that does not parse gives the key's default, a
  // missing optional key no value.
  void Read(const TIniFile& ini);
  // Writes every key in the order of the key table, an optional one only when it has a value.
  void Write(TIniFile& ini) const;

  bool operator==(const TCaptureConfig&) const = default;
};

struct TConfigKey {
  using Field = std::variant<std::string TCaptureConfig::*, int32_t TCaptureConfig::*,
                             bool TCaptureConfig::*, std::optional<int32_t> TCaptureConfig::*>;
  const char* section;
  const char* name;
  Field field;
  const char* def;  // the default as it would stand in the file (what an optional key means)
};

// The keys in the order they are written.
std::span<const TConfigKey> ConfigKeys();

// The default text of a text key of the table, for example DefaultText(&TCaptureConfig::Port).
std::string DefaultText(std::string TCaptureConfig::*field);
