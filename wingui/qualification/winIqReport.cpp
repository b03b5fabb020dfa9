#include "wingui/qualification/winIqReport.h"

#include <memory>

#include "app/Help.h"
#include "base/Exception.h"
#include "platform/win32/SystemInfoWin32.h"
#include "serial/SerialContext.h"
#include "wingui/WinUi.h"
#include "wingui/app/HelpViewer.h"
#include "wingui/app/MainformIds.h"
#include "wingui/app/WinServices.h"
#include "wingui/dialogs/serOptionsIds.h"
#include "wingui/report/repPreview.h"
#include "wingui/serial/WinWndMsg.h"

class TfrmIqReport::TLiveProgram : public IIqSubject {
 public:
  TLiveProgram(const TServices& services, const std::function<void(int)>& pause)
      : s_(services),
        pause_(pause),
        program_(s_.programFile.empty() ? ProgramPath() : wingui::Wide(s_.programFile)) {
    const size_t slash = program_.find_last_of(L"\\/");
    directory_ = slash == std::wstring::npos ? std::wstring() : program_.substr(0, slash + 1);
  }

  std::vector<TIqComPort> ComPorts() const override {
    IDeviceLayer* layer = DeviceLayer();
    const std::unique_ptr<IPortList> ports = layer != nullptr ? layer->Ports() : nullptr;
    return ports ? PresentComPorts(*ports) : std::vector<TIqComPort>();
  }

  TIqProgramFile ProgramFile() const override {
    return {wingui::Cp1252(program_), wingui::Cp1252(directory_),
            wingui::Cp1252(program_.substr(directory_.size()))};
  }

  void ShowFilterSettings() override { Show(s_.prgOptionForm, true); }
  void HideFilterSettings() override { Show(s_.prgOptionForm, false); }
  bool FilterSettingsVisible() const override { return Visible(s_.prgOptionForm); }
  void ClickPortMenu() override { Click(MAIN_MEN_CONFIG_PORT); }
  void ClickPortClose() override {
    if (HWND button = s_.serOptionForm ? GetDlgItem(s_.serOptionForm, SEROPT_BTN_CLOSE) : nullptr)
      SendMessageW(button, BM_CLICK, 0, 0);
  }
  bool PortSettingsVisible() const override { return Visible(s_.serOptionForm); }
  bool HelpFileExists() const override {
    const DWORD attributes = GetFileAttributesW((directory_ + wingui::Wide(HelpFileName)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  void ClickHelpMenu() override { Click(MAIN_MEN_HELP_APP); }
  bool HelpShown() const override {
    const THelpViewer* help = ApplicationHelpViewerIfAny();
    return help && IsWindowVisible(help->Handle()) && help->Found();
  }
  void CloseHelp() override {
    if (THelpViewer* help = ApplicationHelpViewerIfAny()) ShowWindow(help->Handle(), SW_HIDE);
  }
  void ProcessMessages() override { PumpWin32Messages(); }
  void Pause(int milliseconds) override {
    if (pause_) {
      pause_(milliseconds);
      return;
    }
    // Painted first, then held still: the user sees each window open and close.
    ProcessMessages();
    Sleep(static_cast<DWORD>(milliseconds));
  }

 private:
  static void Show(HWND wnd, bool on) {
    if (wnd) ShowWindow(wnd, on ? SW_SHOW : SW_HIDE);
  }
  static bool Visible(HWND wnd) { return wnd && IsWindowVisible(wnd); }
  // A menu entry as if clicked: a greyed entry takes no click.
  void Click(int command) const {
    if (!s_.frmMain) return;
    if (HMENU menu = GetMenu(s_.frmMain)) {
      const UINT state = GetMenuState(menu, static_cast<UINT>(command), MF_BYCOMMAND);
      if (state != static_cast<UINT>(-1) && (state & (MF_DISABLED | MF_GRAYED))) return;
    }
    SendMessageW(s_.frmMain, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  }

  const TServices& s_;
  const std::function<void(int)>& pause_;
  std::wstring program_;
  std::wstring directory_;
};

wingui::TfrmPreview* TfrmIqReport::LastPreview() const {
  return wingui::frmPreview;
}

void TfrmIqReport::generate() {
  TLiveProgram program(services_, pause_);
  try {
    run_.generate(program, [this](TAlReport& report) {
      wingui::TfrmPreview* preview = wingui::TfrmPreview::Create(services_.sound);
      if (!preview) throw Exception("Das Vorschaufenster konnte nicht erstellt werden.");
      try {
        TAlPrinter printer(device_);
        report.GenerateInto(preview->Previewer()->Pages(), printer);
      } catch (...) {
        // The window frees itself when closed.
        SendMessageW(preview->Handle(), WM_CLOSE, 0, 0);
        throw;
      }
      wingui::frmPreview = preview;
      preview->ShowFirstPage();
      preview->Show();
    });
  } catch (const Exception& e) {
    TWinErrorDisplay(services_.frmMain).ShowException(e);
  } catch (const std::exception& e) {
    TWinErrorDisplay(services_.frmMain).ShowException(Exception(e.what()));
  }
}
