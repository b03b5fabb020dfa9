// The filter settings dialog's design, which both GUIs build: its fields with their labels and
// initial texts and its two lists. It has no logic of its own: the capture path reads its fields
// afresh at every use, and a list's selection index is what counts (-1: none).
#pragma once

#include <span>

#include "app/Help.h"
#include "dialogs/ControlPlace.h"
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

// Where each control stands: the fields, their labels and notes in "Resultaterkennung ", each
// list and its label in its group, the groups and the button in the client area.
inline constexpr TControlPlace PrgOptionsPlaces[] = {
    {"gboxRecog", nullptr, 8, 2, 305, 114},
    {"lblPrefix", "gboxRecog", 10, 20, 60, 20},
    {"edtPrefix", "gboxRecog", 76, 20, 36, 20},
    {"lblPrefixNote", "gboxRecog", 118, 20, 183, 20},
    {"lblEol", "gboxRecog", 10, 43, 60, 20},
    {"edtEol", "gboxRecog", 76, 43, 36, 20},
    {"lblEolNote", "gboxRecog", 118, 43, 183, 20},
    {"lblCheck", "gboxRecog", 10, 66, 60, 20},
    {"edtCheck", "gboxRecog", 76, 66, 217, 20},
    {"lblGood", "gboxRecog", 10, 89, 60, 20},
    {"edtGood", "gboxRecog", 76, 89, 217, 20},
    {"gboxModi", nullptr, 8, 119, 305, 47},
    {"lblDecSubst", "gboxModi", 10, 20, 100, 20},
    {"comboDecSubst", "gboxModi", 116, 20, 177, 20},
    {"gboxSend", nullptr, 8, 169, 305, 47},
    {"lblCursMove", "gboxSend", 10, 20, 100, 20},
    {"comboCursMove", "gboxSend", 116, 20, 177, 20},
    {"btnClose", nullptr, 225, 224, 88, 26},
};
