// A printer for tests under Wine, whose bare prefix has none: a PostScript printer on the
// "FILE:" port, and the text of the PostScript files it writes.
#pragma once

#include <string>

namespace wingui_test {

// Installs the printer once per prefix (also as the default printer); returns its name.
std::wstring TestPrinter();

// The text shown by a PostScript file of that printer: a line per text line and per page, a blank
// between runs on one line; empty when the file cannot be read.
std::string PostScriptText(const std::wstring& file);

}  // namespace wingui_test
