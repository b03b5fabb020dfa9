#include "gui/qualification/winIqReport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "app/CaptureApp.h"
#include "gui/QtText.h"
#include "gui/app/HelpViewer.h"
#include "gui/report/repPreview.h"
#include "serial/SerialContext.h"

class TfrmIqReport::TLiveProgram : public IIqSubject {
 public:
  TLiveProgram(const TServices& services, const std::function<void(int)>& pause)
      : s_(services), pause_(pause) {
    const QString path =
        s_.programFile.isEmpty() ? QApplication::applicationFilePath() : s_.programFile;
    program_ = QFileInfo(path);
  }

  std::vector<TIqComPort> ComPorts() const override {
    IDeviceLayer* layer = DeviceLayer();
    const std::unique_ptr<IPortList> ports = layer != nullptr ? layer->Ports() : nullptr;
    return ports ? PresentComPorts(*ports) : std::vector<TIqComPort>();
  }

  TIqProgramFile ProgramFile() const override {
    return {QFile::encodeName(program_.absoluteFilePath()).toStdString(),
            ToCp1252(QDir::toNativeSeparators(program_.absolutePath() + QLatin1Char('/'))),
            ToCp1252(program_.fileName())};
  }

  void ShowFilterSettings() override { Show(s_.prgOptionForm, true); }
  void HideFilterSettings() override { Show(s_.prgOptionForm, false); }
  bool FilterSettingsVisible() const override { return Visible(s_.prgOptionForm); }
  void ClickPortMenu() override { Trigger(IqPortMenuEntry); }
  void ClickPortClose() override {
    if (auto* button = Child<QPushButton>(s_.serOptionForm, IqPortCloseButton)) button->click();
  }
  bool PortSettingsVisible() const override { return Visible(s_.serOptionForm); }
  bool HelpFileExists() const override {
    return QFileInfo(program_.absoluteDir().filePath(QString::fromLatin1(HelpFileName))).isFile();
  }
  void ClickHelpMenu() override { Trigger(IqHelpMenuEntry); }
  bool HelpShown() const override {
    return ApplicationHelpViewer().isVisible() && ApplicationHelpViewer().Found();
  }
  void CloseHelp() override { ApplicationHelpViewer().close(); }
  void ProcessMessages() override { QApplication::processEvents(); }
  void Pause(int milliseconds) override {
    if (pause_) {
      pause_(milliseconds);
      return;
    }
    // Painted first, then held still: the user sees each window open and close.
    QApplication::processEvents();
    QThread::msleep(static_cast<unsigned long>(milliseconds));
  }

 private:
  template <typename T>
  static T* Child(QWidget* parent, const char* name) {
    return parent ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  }
  static void Show(QWidget* w, bool on) {
    if (w != nullptr) w->setVisible(on);
  }
  static bool Visible(const QWidget* w) { return w != nullptr && w->isVisible(); }
  void Trigger(const char* action) {
    if (auto* a = Child<QAction>(s_.frmMain, action)) a->trigger();
  }

  const TServices& s_;
  const std::function<void(int)>& pause_;
  QFileInfo program_;
};

TfrmIqReport::TfrmIqReport(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmIqReport"));
  hide();
}

TfrmIqReport::~TfrmIqReport() = default;

TfrmPreview* TfrmIqReport::LastPreview() const {
  return frmPreview;
}

void TfrmIqReport::generate() {
  TLiveProgram program(services_, pause_);
  try {
    run_.generate(program, [this](TAlReport& report) {
      auto preview = std::make_unique<TfrmPreview>(nullptr, services_.sound);
      TAlPrinter printer(device_);
      report.GenerateInto(preview->Previewer()->Pages(), printer);
      frmPreview = preview.release();
      frmPreview->ShowFirstPage();
      frmPreview->show();
    });
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), FromCp1252(e.what()));
  }
}
