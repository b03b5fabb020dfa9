// The program's help: its file, its topics and the help contexts of the windows and menus, and
// what the help window says about them. Both GUIs show the same document at the same places.
#pragma once

#include <string>

// The help document, beside the program file.
inline constexpr const char* HelpFileName = "Tarvolin.hlp";
inline constexpr const char* HelpOverviewTopic = "overview";

// Help contexts: F1 shows the section of the active window or of the highlighted menu.
inline constexpr int MainHelpContext = 6;
inline constexpr int FileMenuHelpContext = 9;
inline constexpr int ConfigMenuHelpContext = 10;
inline constexpr int HelpMenuHelpContext = 26;
inline constexpr int PortSettingsHelpContext = 3;
inline constexpr int FilterSettingsHelpContext = 2;

// The anchor of a help context's section in the help document ("ctx6").
std::string HelpContextTopic(int context);

// The help window's caption after a lookup: plain when the topic was found or the file could not
// be read, naming the topic when the document lacks it.
std::string HelpWindowTitle(const std::string& topic, bool documentRead, bool topicFound);

// What the help window shows in place of a help file that is missing or unreadable (CP1252).
std::string HelpFileProblem(const std::string& path);
