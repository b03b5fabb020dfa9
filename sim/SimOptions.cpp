#include "sim/SimOptions.h"

#include <charconv>
#include <string_view>

const char kSimUsage[] =
    "Usage: tarvolin-sim [OPTIONS] [--run PROGRAM [ARGS...]]\n"
    "\n"
    "Acts as a laboratory balance on a pseudo-terminal. Prints the terminal's path and the\n"
    "line TARVOLIN_COM<n>=<path> that makes Tarvolin use it as COM<n>, then sends one\n"
    "weighing per interval, e.g. \"+   12.345 g\" followed by CR LF.\n"
    "\n"
    "  --com N          number n of the printed TARVOLIN_COM<n> line (default 1)\n"
    "  --interval MS    pause between lines in milliseconds (default 1000)\n"
    "  --count N        send N lines, then exit (default: until interrupted)\n"
    "  --replay FILE    send the lines of FILE instead of generated weighings, unchanged\n"
    "                   (line ends included); ends after the last line\n"
    "  --raw            with --replay: send the whole file as one block of bytes\n"
    "  --seed N         start value of the weighing generator (default: from the clock)\n"
    "  --run PROGRAM... start PROGRAM with the remaining arguments and TARVOLIN_COM<n> set in\n"
    "                   its environment; the simulator ends when the program ends\n"
    "  -h, --help       show this text\n"
    "\n"
    "Lines sent while no program has the terminal open wait in its input buffer; when that\n"
    "buffer is full the oldest unread data is discarded. SIGINT and SIGTERM end the simulator.\n";

namespace {

template <typename T>
bool ParseNumber(std::string_view text, T min, T& out) {
  T value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min) return false;
  out = value;
  return true;
}

}  // namespace

std::optional<std::string> ParseSimOptions(int argc, const char* const* argv, TSimOptions& out) {
  out = TSimOptions{};
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      out.Help = true;
      continue;
    }
    if (arg == "--raw") {
      out.Raw = true;
      continue;
    }
    if (arg == "--run") {
      if (i + 1 >= argc) return std::string("--run needs a program");
      out.RunCommand.assign(argv + i + 1, argv + argc);
      break;
    }
    if (arg != "--com" && arg != "--interval" && arg != "--count" && arg != "--replay" &&
        arg != "--seed") {
      return "unknown option " + std::string(arg);
    }
    if (i + 1 >= argc) return std::string(arg) + " needs a value";
    std::string_view value = argv[++i];
    bool ok = true;
    if (arg == "--com") {
      ok = ParseNumber(value, 1, out.Com);
    } else if (arg == "--interval") {
      ok = ParseNumber(value, 1, out.IntervalMs);
    } else if (arg == "--count") {
      long count = 0;
      ok = ParseNumber(value, 1L, count);
      if (ok) out.Count = count;
    } else if (arg == "--seed") {
      ok = ParseNumber(value, 0U, out.Seed);
    } else {
      out.ReplayFile = value;
      ok = !value.empty();
    }
    if (!ok) return "invalid value for " + std::string(arg) + ": " + std::string(value);
  }
  if (out.Raw && out.ReplayFile.empty()) return std::string("--raw needs --replay");
  return std::nullopt;
}
