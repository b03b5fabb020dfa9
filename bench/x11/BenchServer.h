// What the X11 benchmarks share: a private X server with a window manager, and the wait for a
// burst to arrive whole in the receiver's file.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/x11/XServer.h"

// Starts `server` when `programs` are installed; otherwise the benchmark is skipped with the
// reason and false is returned.
inline bool StartBenchServer(XServer& server, benchmark::State& state,
                             const std::vector<std::string>& programs) {
  std::vector<std::string> needed{"Xvfb", "openbox"};
  needed.insert(needed.end(), programs.begin(), programs.end());
  const std::string missing = XServer::MissingPrograms(needed);
  if (!missing.empty()) {
    state.SkipWithError(missing.c_str());
    return false;
  }
  if (!server.Start(true)) {
    state.SkipWithError(server.Error().c_str());
    return false;
  }
  return true;
}

// Waits until `expected` follows the `before` bytes the receiver's file `output` held, and sets
// the iteration's time from `start`. False, with the benchmark skipped, when something was lost
// or changed on the way.
inline bool BurstArrived(benchmark::State& state, const std::string& output, std::string& arrived,
                         size_t before, const std::string& expected,
                         std::chrono::steady_clock::time_point start, double& elapsedSeconds) {
  arrived = ReadFileWhen(
      output, [&](const std::string& text) { return text.size() >= before + expected.size(); },
      std::chrono::seconds(60));
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  state.SetIterationTime(elapsed.count());
  if (arrived.size() < before + expected.size() ||
      arrived.compare(before, std::string::npos, expected) != 0) {
    state.SkipWithError("what was typed was lost or changed on the way");
    return false;
  }
  elapsedSeconds = elapsed.count();
  return true;
}
