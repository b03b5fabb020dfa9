#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "wingui/WinUi.h"
#include "wingui/report/GdiCanvas.h"
#include "wingui/report/repPreview.h"
#include "wingui/report/repPreviewIds.h"

namespace {

using wingui::TfrmPreview;

// Serves the window's messages until `done` holds or two seconds pass.
template <typename F>
bool PumpUntil(F done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      continue;
    }
    if (wingui::PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

class PreviewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = TfrmPreview::Create();
    ASSERT_NE(form_, nullptr);
    for (int n = 1; n <= 3; ++n) {
      TDrawMetaFile* page =
          form_->Previewer()->Pages().Add(std::make_unique<TDrawMetaFile>(794, 1123, &device_));
      page->Canvas()->SetFont({"Arial", 13, 0, clBlack});
      page->Canvas()->DrawText("Seite " + std::to_string(n), {40, 40, 400, 60},
                               dtSingleLine | dtNoPrefix);
      page->Close();
    }
    form_->ShowFirstPage();
    form_->Show();
    wnd_ = form_->Handle();
  }
  void TearDown() override {
    if (IsWindow(wnd_)) SendMessageW(wnd_, WM_CLOSE, 0, 0);
  }

  HWND Item(int id) const { return GetDlgItem(wnd_, id); }
  std::string Indicator() const { return wingui::WindowText(Item(REPPREV_PANEL_PAGE)); }
  HWND ZoomEdit() const {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(Item(REPPREV_CBX_SCALE), &info);
    return info.hwndItem;
  }
  SIZE PageViewSize() const {
    RECT r;
    GetWindowRect(form_->Previewer()->PageView(), &r);
    return {r.right - r.left, r.bottom - r.top};
  }

  wingui::TGdiReferenceDevice device_;
  TfrmPreview* form_ = nullptr;
  HWND wnd_ = nullptr;
};

TEST_F(PreviewWindow, OpensAsDesignedWithTheZoomBoxFocused) {
  EXPECT_EQ(wingui::WindowText(wnd_), "Preview");
  RECT client;
  GetClientRect(wnd_, &client);
  const int dpi = wingui::WindowDpi(wnd_);
  EXPECT_EQ(client.right, wingui::Scale(558, dpi));
  EXPECT_EQ(client.bottom, wingui::Scale(305, dpi));
  for (int id : {REPPREV_BTN_PRINTNOW, REPPREV_LBL_ZOOM, REPPREV_SPB_FIRST, REPPREV_SPB_PREV,
                 REPPREV_SPB_NEXT, REPPREV_SPB_LAST, REPPREV_BTN_CLOSE, REPPREV_PREVIEWER})
    EXPECT_NE(Item(id), nullptr) << id;
  EXPECT_EQ(wingui::WindowText(Item(REPPREV_BTN_CLOSE)), "&Close");
  EXPECT_EQ(SendMessageW(Item(REPPREV_CBX_SCALE), CB_GETCOUNT, 0, 0), 5);
  EXPECT_EQ(wingui::WindowText(Item(REPPREV_CBX_SCALE)), "100");
  EXPECT_FALSE(GetWindowLongW(Item(REPPREV_CBX_SCALE), GWL_STYLE) & WS_TABSTOP);
  EXPECT_EQ(GetFocus(), ZoomEdit());
  EXPECT_EQ(Indicator(), "1/3");
  // The page at zoom 100 and 96 pixels per inch.
  EXPECT_EQ(PageViewSize().cx, 794);
  EXPECT_EQ(PageViewSize().cy, 1123);
}

// The buttons and the keys of the table move through the pages; keys reach the window whatever
// control has the focus, through the dialog navigation as the message loop runs it.
TEST_F(PreviewWindow, ButtonsAndKeysTurnThePages) {
  SendMessageW(Item(REPPREV_SPB_NEXT), BM_CLICK, 0, 0);
  EXPECT_EQ(Indicator(), "2/3");
  SendMessageW(Item(REPPREV_SPB_LAST), BM_CLICK, 0, 0);
  EXPECT_EQ(Indicator(), "3/3");
  SendMessageW(Item(REPPREV_SPB_NEXT), BM_CLICK, 0, 0);
  EXPECT_EQ(Indicator(), "3/3");
  SendMessageW(Item(REPPREV_SPB_PREV), BM_CLICK, 0, 0);
  EXPECT_EQ(Indicator(), "2/3");
  SendMessageW(Item(REPPREV_SPB_FIRST), BM_CLICK, 0, 0);
  EXPECT_EQ(Indicator(), "1/3");

  struct {
    WPARAM Key;
    const char* Indicator;
  } keys[] = {{VK_END, "3/3"}, {VK_PRIOR, "2/3"}, {VK_HOME, "1/3"}, {VK_NEXT, "2/3"}};
  for (const auto& k : keys) {
    PostMessageW(ZoomEdit(), WM_KEYDOWN, k.Key, 0);
    EXPECT_TRUE(PumpUntil([&] { return Indicator() == k.Indicator; })) << k.Key;
  }
  // Arrow keys scroll the page instead of moving the caret.
  PostMessageW(ZoomEdit(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_TRUE(
      PumpUntil([&] { return form_->Previewer()->ScrollPosition(TScrollAxis::Vertical) == 10; }));
}

TEST_F(PreviewWindow, ZoomBoxAndMouseZoomThePage) {
  HWND combo = Item(REPPREV_CBX_SCALE);
  SendMessageW(combo, CB_SETCURSEL, 0, 0);  // "200"
  SendMessageW(wnd_, WM_COMMAND, MAKEWPARAM(REPPREV_CBX_SCALE, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(form_->Previewer()->Zoom(), 200);
  EXPECT_EQ(PageViewSize().cx, 1588);
  wingui::SetWindowText(combo, "kein");
  SendMessageW(wnd_, WM_COMMAND, MAKEWPARAM(REPPREV_CBX_SCALE, CBN_EDITCHANGE),
               reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(form_->Previewer()->Zoom(), 100);
  SendMessageW(form_->Previewer()->PageView(), WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(form_->Previewer()->Zoom(), 75);
  EXPECT_EQ(PageViewSize().cx, 596);  // 794 * 0.75 = 595.5, halves to the even neighbour
}

// On a monitor of twice the resolution the page and the tool bar are twice as large, while
// positions stay in design units for the keyboard table.
TEST_F(PreviewWindow, ScalesWithTheMonitorsResolution) {
  RECT frame;
  GetWindowRect(wnd_, &frame);
  RECT suggested{frame.left, frame.top, frame.left + 1200, frame.top + 700};
  SendMessageW(wnd_, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(PageViewSize().cx, 2 * 794);
  EXPECT_EQ(PageViewSize().cy, 2 * 1123);
  RECT button;
  GetWindowRect(Item(REPPREV_SPB_NEXT), &button);
  EXPECT_EQ(button.right - button.left, 50);
  form_->Previewer()->SetScrollPosition(TScrollAxis::Vertical, 30);
  EXPECT_EQ(form_->Previewer()->ScrollPosition(TScrollAxis::Vertical), 30);
  RECT page;
  GetWindowRect(form_->Previewer()->PageView(), &page);
  RECT previewer;
  GetWindowRect(form_->Previewer()->Handle(), &previewer);
  EXPECT_EQ(page.top - previewer.top, 2 * (15 - 30));

  struct Recorder {
    void MouseDown(TObject*, TMouseButton, int x, int y) { at = POINT{x, y}; }
    POINT at{-1, -1};
  } recorder;
  form_->Previewer()->OnMouseDown = wingui::TMouseEvent::Bind<&Recorder::MouseDown>(&recorder);
  SendMessageW(form_->Previewer()->PageView(), WM_LBUTTONDOWN, 0, MAKELPARAM(14, 18));
  EXPECT_EQ(recorder.at.x, 7);
  EXPECT_EQ(recorder.at.y, 9);
}

TEST_F(PreviewWindow, EscapeClosesAndFreesTheWindow) {
  wingui::frmPreview = form_;
  PostMessageW(ZoomEdit(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(wnd_); }));
  EXPECT_EQ(wingui::frmPreview, nullptr);
}

// A close that arrives while the print dialog runs its loop is refused: the window and its
// pages are still there when the dialog returns.
TEST_F(PreviewWindow, StaysOpenWhileThePrintDialogRuns) {
  int survived = 0;
  form_->SetPrintDialog([&](TPrintChoice& choice, wingui::TPrinterSetup&) {
    EXPECT_EQ(choice.MaxPage, 3);
    SendMessageW(wnd_, WM_CLOSE, 0, 0);
    survived += IsWindow(wnd_) ? 1 : 0;
    return false;
  });
  SendMessageW(Item(REPPREV_BTN_PRINTNOW), BM_CLICK, 0, 0);
  EXPECT_EQ(survived, 1);
  ASSERT_TRUE(IsWindow(wnd_));
  EXPECT_EQ(form_->Previewer()->PageCount(), 3);
}

}  // namespace
