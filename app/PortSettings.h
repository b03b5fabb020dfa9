// The change handlers of the port settings dialog: each converts one box of the dialog and
// applies it to the port component. The dialog calls them on every change of a box; loading the
// configuration calls all seven in the order below.
#pragma once

#include "app/CaptureViews.h"

// The port box as a whole number 0 to 65535. Raises EConvertError or ERangeError; the port
// then keeps its previous value.
void comboPortChange(const IPortOptionsView& dialog, ICommsPort& comms);
// The baud box as a whole number. Raises EConvertError.
void comboBaudChange(const IPortOptionsView& dialog, ICommsPort& comms);
// The data bits box as a whole number 0 to 65535. Raises EConvertError or ERangeError.
void comboDatabitsChange(const IPortOptionsView& dialog, ICommsPort& comms);
// The parity selection; with no selection (or one outside the list) nothing.
void comboParityChange(const IPortOptionsView& dialog, ICommsPort& comms);
// The stop bits box as a whole number 0 to 65535. Raises EConvertError or ERangeError.
void comboStopChange(const IPortOptionsView& dialog, ICommsPort& comms);
// The software flow selection; with no selection (or one outside the list) nothing.
void comboXonXoffChange(const IPortOptionsView& dialog, ICommsPort& comms);
// The four handshake check boxes as the set of their options; none ticked gives the empty set.
void setHwHandshake(const IPortOptionsView& dialog, ICommsPort& comms);

// Entries of the lists whose selection index is stored.
inline constexpr int32_t ParityItemCount = 5;
inline constexpr int32_t XonXoffItemCount = 4;
inline constexpr int32_t DecSubstItemCount = 3;
inline constexpr int32_t CursMoveItemCount = 10;
// The two of those lists whose entries the audit trail names as well as the dialogs show them.
inline constexpr const char* ParityItems[ParityItemCount] = {"None", "Odd", "Even", "Mark",
                                                             "Space"};
inline constexpr const char* CursMoveItems[CursMoveItemCount] = {
    "keine", "CR", "CR+LF", "LF", "LF+CR", "TAB", "DOWN", "LEFT", "RIGHT", "UP"};
