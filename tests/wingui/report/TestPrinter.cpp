#include "tests/wingui/report/TestPrinter.h"

#include <windows.h>
#include <winspool.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace wingui_test {

namespace {

constexpr wchar_t kPrinter[] = L"Tarvolin Test Printer";
constexpr wchar_t kDriver[] = L"Wine PostScript Driver";
constexpr wchar_t kDescription[] = L"TARVTEST.PPD";

// An A4 colour PostScript printer at 300 dpi; the fonts are downloaded from the system's.
constexpr char kDescriptionText[] =
    "*PPD-Adobe: \"4.3\"\n"
    "*FormatVersion: \"4.3\"\n"
    "*FileVersion: \"1.0\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n"
    "*PCFileName: \"TARVTEST.PPD\"\n"
    "*Manufacturer: \"Tarvolin\"\n"
    "*Product: \"(Tarvolin Test Printer)\"\n"
    "*ModelName: \"Tarvolin Test Printer\"\n"
    "*ShortNickName: \"Tarvolin Test Printer\"\n"
    "*NickName: \"Tarvolin Test Printer\"\n"
    "*PSVersion: \"(3010) 0\"\n"
    "*LanguageLevel: \"3\"\n"
    "*ColorDevice: True\n"
    "*DefaultColorSpace: RGB\n"
    "*TTRasterizer: Type42\n"
    "*LandscapeOrientation: Plus90\n"
    "*DefaultResolution: 300dpi\n"
    "*OpenUI *PageSize: PickOne\n"
    "*DefaultPageSize: A4\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
    "*CloseUI: *PageSize\n"
    "*OpenUI *PageRegion: PickOne\n"
    "*DefaultPageRegion: A4\n"
    "*PageRegion A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
    "*CloseUI: *PageRegion\n"
    "*DefaultImageableArea: A4\n"
    "*ImageableArea A4/A4: \"0 0 595 842\"\n"
    "*DefaultPaperDimension: A4\n"
    "*PaperDimension A4/A4: \"595 842\"\n"
    "*DefaultFont: Courier\n"
    "*Font Courier: Standard \"(002.004S)\" Standard ROM\n";

std::wstring InstallPrinter() {
  wchar_t directory[MAX_PATH];
  DWORD size = 0;
  if (GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory),
                                 sizeof directory, &size)) {
    CreateDirectoryW(directory, nullptr);
    // Written beside and moved into place: test processes running at once install it too, and
    // the driver must never read a half-written description.
    const std::wstring target = std::wstring(directory) + L"\\" + kDescription;
    const std::wstring part = target + L"." + std::to_wstring(GetCurrentProcessId());
    std::ofstream(std::filesystem::path(part), std::ios::binary) << kDescriptionText;
    MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = const_cast<wchar_t*>(kDriver);
  driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
  driver.pDataFile = const_cast<wchar_t*>(kDescription);
  driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
  AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&driver));
  PRINTER_INFO_2W info{};
  info.pPrinterName = const_cast<wchar_t*>(kPrinter);
  info.pPortName = const_cast<wchar_t*>(L"FILE:");
  info.pDriverName = const_cast<wchar_t*>(kDriver);
  info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
  info.pDatatype = const_cast<wchar_t*>(L"RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  if (HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)))
    ClosePrinter(printer);
  SetDefaultPrinterW(kPrinter);
  return kPrinter;
}

// The character of a glyph name as the PostScript driver writes it.
std::string CharOf(const std::string& glyph) {
  static const std::map<std::string, std::string> names = {
      {"space", " "},        {"period", "."},       {"comma", ","},        {"colon", ":"},
      {"semicolon", ";"},    {"hyphen", "-"},       {"slash", "/"},        {"backslash", "\\"},
      {"parenleft", "("},    {"parenright", ")"},   {"quotedbl", "\""},    {"percent", "%"},
      {"plus", "+"},         {"equal", "="},        {"underscore", "_"},   {"at", "@"},
      {"ampersand", "&"},    {"dollar", "$"},       {"quotesingle", "'"},  {"zero", "0"},
      {"one", "1"},          {"two", "2"},          {"three", "3"},        {"four", "4"},
      {"five", "5"},         {"six", "6"},          {"seven", "7"},        {"eight", "8"},
      {"nine", "9"},         {"adieresis", "\xE4"}, {"odieresis", "\xF6"}, {"udieresis", "\xFC"},
      {"Adieresis", "\xC4"}, {"Odieresis", "\xD6"}, {"Udieresis", "\xDC"}, {"germandbls", "\xDF"},
      {"copyright", "\xA9"},
  };
  if (glyph.size() == 1) return glyph;
  const auto it = names.find(glyph);
  return it == names.end() ? "?" : it->second;
}

}  // namespace

std::wstring TestPrinter() {
  static const std::wstring name = InstallPrinter();
  return name;
}

std::string PostScriptText(const std::wstring& file) {
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  std::string text;
  std::string line;
  std::string runY;
  std::string lineY;
  bool newRun = false;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<std::string> tokens;
    for (std::string w; words >> w;) tokens.push_back(w);
    if (line.rfind("%%Page:", 0) == 0) {
      // A new page starts a new line whatever its position.
      lineY.clear();
    } else if (tokens.size() == 3 && tokens[2] == "moveto") {
      runY = tokens[1];
      newRun = true;
    } else if (tokens.size() == 2 && tokens[1] == "glyphshow" && tokens[0].size() > 1) {
      // A text run starts at a moveto: on a line of its own when it lies elsewhere than the
      // last one, after a blank when beside it.
      if (newRun && !text.empty()) text += runY == lineY ? " " : "\n";
      if (newRun) lineY = runY;
      newRun = false;
      text += CharOf(tokens[0].substr(1));
    }
  }
  return text;
}

}  // namespace wingui_test
