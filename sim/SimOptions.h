// Command line of the instrument simulator.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct TSimOptions {
  int Com = 1;                          // number in the printed TARVOLIN_COM<n> line
  int IntervalMs = 1000;                // pause between two lines
  std::optional<long> Count;            // lines to send before exiting; none = until stopped
  std::string ReplayFile;               // empty: generate balance lines
  bool Raw = false;                     // replay the file as one block of bytes
  unsigned Seed = 0;                    // 0: seed from the clock
  std::vector<std::string> RunCommand;  // program and arguments to start, may be empty
  bool Help = false;
};

// Parses argv[1..]. Returns an error text for the user, or nothing on success.
std::optional<std::string> ParseSimOptions(int argc, const char* const* argv, TSimOptions& out);

extern const char kSimUsage[];
