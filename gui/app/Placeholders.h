// Stand-ins for the windows that are still to come (the qualification report).
#pragma once

#include <QDialog>

namespace placeholder {

// An empty hidden window with the object name of the window it stands for.
QDialog* NamedDialog(const char* objectName, QWidget* parent = nullptr);

}  // namespace placeholder
