// The program's icon, in every size rendered from its drawing, for the windows' title bars and
// the task bar.
#pragma once

#include <QIcon>

QIcon ProgramIcon();
