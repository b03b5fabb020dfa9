// The optional configuration keys that switch the serial trace and the dispatch log on for every
// capture. They are read at start-up and by Laden and never written by Speichern; a file
// without them records nothing.
//
//   [Trace]
//   Tracing=1            trace the received characters
//   TraceSize=10000      characters kept, the newest (at most 4000000)
//   TraceName=APRO.TRC   trace file
//   Logging=1            log what the serial dispatcher does
//   LogSize=10000        bytes of log kept, the newest (at most 16000000)
//   LogName=APRO.LOG     log file
//
// The files are written when a capture stops. Relative names lie in the configuration directory.
#pragma once

#include <cstdint>
#include <string>

class TIniFile;

struct TRecorderConfig {
  bool Tracing = false;
  int32_t TraceSize = 10000;
  std::string TraceName = "APRO.TRC";
  bool Logging = false;
  int32_t LogSize = 10000;
  std::string LogName = "APRO.LOG";

  // Reads the keys; a missing key, a number that does not parse, a size below 1 or a blank name
  // gives the default.
  void Read(const TIniFile& ini);
  // The same settings with relative file names taken as relative to `directory`, which ends in a
  // path separator.
  TRecorderConfig ResolvedIn(const std::string& directory) const;

  bool operator==(const TRecorderConfig&) const = default;
};

// Whether a file name the configuration gives stands on its own rather than relative to the
// configuration directory.
bool IsAbsolutePath(const std::string& name);
