// Test receiver built on Qt: a line edit in a window of the given title; each line confirmed
// with Return is appended to the output file.
//
// Usage: x11_qt_receiver <window title> <output file>
#include <QApplication>
#include <QFile>
#include <QLineEdit>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 3) return 2;
  QFile out(args[2]);
  if (!out.open(QIODevice::Append)) return 1;

  QLineEdit edit;
  edit.setWindowTitle(args[1]);
  edit.resize(300, 30);
  QObject::connect(&edit, &QLineEdit::returnPressed, [&] {
    out.write(edit.text().toUtf8() + '\n');
    out.flush();
    edit.clear();
  });
  edit.show();
  return QApplication::exec();
}
