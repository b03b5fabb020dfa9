// Driving a running tarvolin from a test: its window state through the SIGUSR1 state dump, and
// its qualification report printed through the preview's print dialog.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

class XServer;

// What a shell command writes to its standard output.
std::string CommandOutput(const std::string& command);

// Key and value of each "key=value" line of the program's state dump.
using TProgramState = std::map<std::string, std::string>;

// Asks `program` for its state dump at `dumpPath` until `done` holds for it or `timeout` has
// passed; gives the last state read.
TProgramState ProgramStateWhen(pid_t program, const std::string& dumpPath,
                               const std::function<bool(TProgramState&)>& done,
                               std::chrono::milliseconds timeout);

// Prints the report shown in the preview window through the print dialog's default, a PDF file
// at `pdfPath`, and gives the text of the printed file (pdftotext -layout); empty when nothing
// was printed within `timeout`.
std::string PrintPreviewAsPdfText(XServer& server, uint64_t preview, const std::string& pdfPath,
                                  std::chrono::milliseconds timeout);
