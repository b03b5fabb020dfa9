#include "wingui/app/HelpViewer.h"

#include <memory>

#include "app/Help.h"
#include "app/HelpText.h"

namespace {

constexpr int kTextId = 100;
constexpr wingui::TDesignRect kDesign{0, 0, 640, 560};

// The file's bytes; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes) {
  HANDLE file = CreateFileW(wingui::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (64 << 20);
  if (ok) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    ok = bytes.empty() ||
         (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
          read == bytes.size());
  }
  CloseHandle(file);
  return ok;
}

std::u16string FromUtf8(const std::string& bytes) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                      reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

void SetText(HWND edit, const std::u16string& text) {
  SetWindowTextW(edit, reinterpret_cast<const wchar_t*>(text.c_str()));
}

}  // namespace

THelpViewer::THelpViewer() {
  const int dpi = wingui::WindowDpi(nullptr);
  Create(L"TfrmHelp", HelpWindowTitle({}, false, false), WS_OVERLAPPEDWINDOW, 0, CW_USEDEFAULT,
         CW_USEDEFAULT, wingui::Scale(kDesign.Width, dpi), wingui::Scale(kDesign.Height, dpi),
         nullptr, nullptr);
  text_ = wingui::CreateControl(
      Handle(), L"EDIT", "",
      ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | ES_NOHIDESEL, kTextId,
      {}, wingui::WindowDpi(Handle()), wingui::DefaultFont(wingui::WindowDpi(Handle())),
      WS_EX_CLIENTEDGE);
  // Long documents: the edit control's default limit is 32 K characters.
  SendMessageW(text_, EM_SETLIMITTEXT, 0, 0);
  RECT client{};
  GetClientRect(Handle(), &client);
  MoveWindow(text_, 0, 0, client.right, client.bottom, FALSE);
  // Tab and Esc as in a dialog box.
  wingui::AddDialogWindow(Handle());
}

bool THelpViewer::ShowTopic(const std::string& topic) {
  topic_ = topic;
  ShowWindow(Handle(), IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(Handle());
  std::string bytes;
  const bool loaded = !helpFile_.empty() && ReadFile(helpFile_, bytes);
  size_t offset = 0;
  found_ = false;
  if (loaded) {
    // The file is HTML whatever its extension says; reading it each time picks up a replaced one.
    const THelpText help = HelpTextFromHtml(FromUtf8(bytes));
    SetText(text_, help.Text);
    if (auto it = help.Anchors.find(topic); it != help.Anchors.end()) {
      found_ = true;
      offset = it->second;
    }
  } else {
    wingui::SetWindowText(text_, HelpFileProblem(helpFile_));
  }
  wingui::SetWindowText(Handle(), HelpWindowTitle(topic, loaded, found_));
  // The section's first line at the top of the window.
  const auto index = static_cast<WPARAM>(offset);
  SendMessageW(text_, EM_SETSEL, index, static_cast<LPARAM>(index));
  const LRESULT line = SendMessageW(text_, EM_LINEFROMCHAR, index, 0);
  const LRESULT first = SendMessageW(text_, EM_GETFIRSTVISIBLELINE, 0, 0);
  SendMessageW(text_, EM_LINESCROLL, 0, line - first);
  SetFocus(text_);
  return found_;
}

bool THelpViewer::ShowContext(int context) {
  return ShowTopic(HelpContextTopic(context));
}

LRESULT THelpViewer::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE:
      if (text_) MoveWindow(text_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) ShowWindow(Handle(), SW_HIDE);
      return 0;
    case WM_CLOSE:
      ShowWindow(Handle(), SW_HIDE);
      return 0;
    case WM_DPICHANGED: {
      const auto* r = reinterpret_cast<const RECT*>(lParam);
      SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(wingui::DefaultFont(HIWORD(wParam))),
                   TRUE);
      SetWindowPos(Handle(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      return TWindow::HandleMessage(msg, wParam, lParam);
  }
}

namespace {

std::unique_ptr<THelpViewer>& Instance() {
  static std::unique_ptr<THelpViewer> viewer;
  return viewer;
}

std::string& ApplicationHelpFile() {
  static std::string path;
  return path;
}

}  // namespace

THelpViewer& ApplicationHelpViewer() {
  auto& viewer = Instance();
  if (!viewer) {
    viewer = std::make_unique<THelpViewer>();
    viewer->SetHelpFile(ApplicationHelpFile());
  }
  return *viewer;
}

THelpViewer* ApplicationHelpViewerIfAny() {
  return Instance().get();
}

void SetApplicationHelpFile(const std::string& path) {
  ApplicationHelpFile() = path;
  if (Instance()) Instance()->SetHelpFile(path);
}

void ShowHelpFor(HWND wnd) {
  if (const int context = wingui::HelpContextOf(wnd)) {
    ApplicationHelpViewer().ShowContext(context);
  } else {
    ApplicationHelpViewer().ShowTopic(HelpOverviewTopic);
  }
}
