// The filter settings dialog's design, which both GUIs build: its fields with their labels and
// initial texts and its two lists. It has no logic of its own: the capture path reads its fields
// afresh at every use, and a list's selection index is what counts (-1: none).
#pragma once

#include <span>

#include "app/Help.h"
#include "dialogs/serOptions.h"

struct TprgOptionsDesign {
  static constexpr int ClientWidth = 321;
  static constexpr int ClientHeight = 258;
  static constexpr int HelpContext = FilterSettingsHelpContext;
  static constexpr int DecSubstRows = 3;
  static constexpr int CursMoveRows = 10;
};

inline constexpr const char* PrgOptionsCaption = "Tarvolin: Filter konfigurieren";

inline constexpr const char* RecognitionGroupName = "gboxRecog";
inline constexpr const char* RecognitionGroupCaption = "Resultaterkennung ";
inline constexpr const char* PrgOptionsCloseCaption =
    "&Schlie\xDF"
    "en";

// A text field of the group "Resultaterkennung " (CP1252); the character codes carry a note.
struct TFieldDesign {
  const char* LabelName;
  const char* Label;
  const char* Name;
  const char* Initial;
  const char* Note;  // nullptr: none
};

inline constexpr const char* CharCodeNote = "(ASCII Nummer des Zeichens)";
inline constexpr TFieldDesign PrgOptionsFields[] = {
    {"lblPrefix", "Start", "edtPrefix", "255", CharCodeNote},
    {"lblEol", "Ende", "edtEol", "10", CharCodeNote},
    {"lblCheck", "Obligat", "edtCheck", "g", nullptr},
    {"lblGood",
     "Zul\xE4"
     "ssig",
     "edtGood", "0123456789.", nullptr},
};

// Index = the decimal separator substitution of the result filter.
inline constexpr const char* DecSubstItems[] = {"belassen", "Komma zu Punkt", "Punkt zu Komma"};
// Index = the cursor movement sent after each result.

inline constexpr TComboDesign PrgOptionsCombos[] = {
    {"comboDecSubst", DecSubstItems, "belassen"},
    {"comboCursMove", CursMoveItems, "keine"},
};

// The two lists, each alone in a group of its own with its label, top to bottom.
struct TListGroupDesign {
  const char* GroupName;
  const char* Group;
  const char* LabelName;
  const char* Label;
  const TComboDesign& Combo;
  int Rows;
};
inline constexpr TListGroupDesign PrgOptionsListGroups[] = {
    {"gboxModi", " Resultatmodifikation ", "lblDecSubst", "Dezimaltrenner", PrgOptionsCombos[0],
     TprgOptionsDesign::DecSubstRows},
    {"gboxSend", "nach dem Resultat senden", "lblCursMove", "Cursorbewegung", PrgOptionsCombos[1],
     TprgOptionsDesign::CursMoveRows},
};
