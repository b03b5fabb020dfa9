// At logout or shutdown the desktop ends its programs with SIGTERM or SIGHUP (a terminal with
// SIGINT). The program then ends as when its main window is closed: capture stops, the port
// closes and its trace and log are written. Dying on the signal would leave the port's exclusive
// flag set on a pseudo-terminal whose other end lives on, and the next start would be refused.
#pragma once

class QWidget;

void EndOnSignals(QWidget& mainWindow);
