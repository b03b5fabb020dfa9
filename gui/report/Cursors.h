// The application's cursors by number. Numbers are the program's own; windows refer to a cursor
// by its number so that a cursor loaded once serves every window that uses it.
#pragma once

#include <QCursor>

// The magnifier of the report preview's page view.
inline constexpr int crLupe = 5;

// Registers (or replaces) cursor `number`.
void RegisterCursor(int number, const QCursor& cursor);
// Cursor `number`, or the arrow when none is registered under it.
QCursor AppCursor(int number);
bool HasCursor(int number);

// Loads the report engine's cursors ("LUPE" as crLupe) the first time it is called.
void LoadReportCursors();
