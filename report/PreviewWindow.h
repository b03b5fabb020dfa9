// The preview window's fixed data, once for every GUI: caption, client size, the tool bar's
// controls with their places, texts and hints, and the zoom box's items. Texts are CP1252.
#pragma once

#include <array>

inline constexpr const char* kPreviewCaption = "Preview";
inline constexpr int kPreviewClientWidth = 558;
inline constexpr int kPreviewClientHeight = 305;
inline constexpr int kPreviewToolBarHeight = 29;

// A control of the tool bar; a size of 0 is left to the toolkit, a text of nullptr changes.
struct TPreviewToolControl {
  const char* Name;
  int Left, Top, Width, Height;
  const char* Text;
  const char* Hint;
};

inline constexpr std::array<TPreviewToolControl, 9> kPreviewToolControls{{
    {"btnPrintNow", 4, 2, 25, 25, "", "Drucken..."},
    {"Label1", 40, 6, 0, 0, "Zoom:", ""},
    {"cbxScale", 72, 2, 65, 0, "100",
     "Vergr\xF6\xDF"
     "erungsfaktor"},
    {"spbfirst", 144, 2, 25, 25, "", "erste Seite"},
    {"spbPrev", 170, 2, 25, 25, "", "vorherige Seite"},
    {"Panel1", 196, 4, 41, 21, nullptr, ""},
    {"spbNext", 238, 2, 25, 25, "",
     "n\xE4"
     "chste Seite"},
    {"spbLast", 264, 2, 25, 25, "", "letzte Seite"},
    {"btnClose", 304, 2, 75, 25, "&Close",
     "Vorschau schlie\xDF"
     "en"},
}};

inline constexpr std::array<const char*, 5> kPreviewZoomItems{"200", "150", "100", "75", "50"};
