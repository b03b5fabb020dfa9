#include "tests/x11/ProgramDriver.h"

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "tests/x11/XServer.h"

std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

TProgramState ProgramStateWhen(pid_t program, const std::string& dumpPath,
                               const std::function<bool(TProgramState&)>& done,
                               std::chrono::milliseconds timeout) {
  TProgramState state;
  XServer::PollUntil(
      [&] {
        std::remove(dumpPath.c_str());
        kill(program, SIGUSR1);
        // The dump is written by the program's event loop, not by the handler.
        if (!XServer::PollUntil([&] { return std::filesystem::exists(dumpPath); },
                                std::chrono::milliseconds(2000))) {
          return false;
        }
        state.clear();
        std::istringstream lines(ReadWholeFile(dumpPath));
        for (std::string line; std::getline(lines, line);) {
          const auto eq = line.find('=');
          if (eq != std::string::npos) state[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return done(state);
      },
      timeout);
  return state;
}

std::string PrintPreviewAsPdfText(XServer& server, uint64_t preview, const std::string& pdfPath,
                                  std::chrono::milliseconds timeout) {
  // The print button at the left of the tool bar, then the dialog's default: a PDF file.
  if (!server.Activate(preview, timeout) ||
      !server.Run({"xdotool", "mousemove", "--window", std::to_string(preview), "16", "14", "click",
                   "1"})) {
    return {};
  }
  const uint64_t dialog = server.WaitForWindow("Print", timeout);
  if (dialog == 0 || !server.Activate(dialog, timeout) ||
      !server.Run({"xdotool", "key", "Return"})) {
    return {};
  }
  // The page is complete once the footer's mail address can be read from the file.
  std::string text;
  XServer::PollUntil(
      [&] {
        text = CommandOutput("pdftotext -layout '" + pdfPath + "' - 2>/dev/null");
        return text.find("mailto:") != std::string::npos;
      },
      timeout);
  return text.find("mailto:") != std::string::npos ? text : std::string();
}
