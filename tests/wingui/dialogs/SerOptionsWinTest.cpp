// The Win32 port settings dialog and its lamps, driven by control ids and messages as a user's
// clicks and keystrokes reach them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/app/Fakes.h"
#include "tests/wingui/dialogs/FakeLine.h"
#include "wingui/dialogs/serOptions.h"
#include "wingui/dialogs/serOptionsIds.h"
#include "wingui/serial/AdStatLt.h"

namespace {

class SerOptionsWinTest : public ::testing::Test {
 protected:
  SerOptionsWinTest() { form.SetErrorDisplay(errors); }

  HWND Item(int id) { return GetDlgItem(form.Handle(), id); }
  // A user's edit of a box: its text changes, then the box tells the dialog.
  void Type(int id, const char* text) {
    wingui::SetWindowText(Item(id), text);
    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(id, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(Item(id)));
  }
  // A user's pick of an entry from the open list.
  void Pick(int id, int index) {
    SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(id)));
  }
  void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
  std::vector<std::string> Items(int id) {
    std::vector<std::string> items;
    const auto count = SendMessageW(Item(id), CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
      wchar_t text[64] = {};
      SendMessageW(Item(id), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      items.push_back(wingui::Cp1252(text));
    }
    return items;
  }

  FakeErrors errors;
  TserOptionForm form;
};

TEST_F(SerOptionsWinTest, EachChangeReachesThePortAndARefusedTextStaysInItsBox) {
  Type(SEROPT_COMBO_BAUD, "4800");
  EXPECT_EQ(form.port().Baud(), 4800);
  Type(SEROPT_COMBO_BAUD, "");
  Type(SEROPT_COMBO_BAUD, "48x");
  EXPECT_EQ(form.port().Baud(), 4800) << "the port keeps its value";
  EXPECT_EQ(wingui::WindowText(Item(SEROPT_COMBO_BAUD)), "48x") << "the box keeps its text";
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"'' ist kein g\xFCltiger Integerwert",
                                                       "'48x' ist kein g\xFCltiger Integerwert"}));
  errors.messages.clear();

  Type(SEROPT_COMBO_DATABITS, "70000");
  EXPECT_EQ(errors.messages, std::vector<std::string>{"Fehler bei Bereichspr\xFC"
                                                      "fung"});
  Type(SEROPT_COMBO_PORT, "3");
  EXPECT_EQ(form.port().ComNumber(), 3);
  // A picked entry is applied with the text it puts into the box.
  Pick(SEROPT_COMBO_XONXOFF, 3);
  EXPECT_EQ(form.port().SWFlowOptions(), 3);
  EXPECT_EQ(wingui::WindowText(Item(SEROPT_COMBO_XONXOFF)), "Beide");
  Pick(SEROPT_COMBO_STOP, 1);
  EXPECT_EQ(form.port().StopBits(), 2);
  // A typed text selects the entry it spells, letter case aside.
  Type(SEROPT_COMBO_PARITY, "even");
  EXPECT_EQ(form.port().Parity(), 2);
  Click(SEROPT_HW_USEDTR);
  Click(SEROPT_HW_REQCTS);
  EXPECT_EQ(form.port().HWFlowOptions(), hwMaskUseDTR | hwMaskRequireCTS);
  EXPECT_TRUE(form.UseDTR() && form.ReqCTS() && !form.UseRTS() && !form.ReqDSR());

  // What the program sets runs no handler.
  form.SetBaudText("300");
  form.SetParityIndex(4);
  EXPECT_EQ(form.port().Baud(), 4800);
  EXPECT_EQ(form.port().Parity(), 2);
  EXPECT_EQ(form.ParityIndex(), 4);
  form.SetParityIndex(7);
  EXPECT_EQ(form.ParityIndex(), -1);
  EXPECT_EQ(errors.messages.size(), 1u);
}

TEST_F(SerOptionsWinTest, PortListKeepsTheShownNumberAndNamesTheDevice) {
  TFakePortLayer layer;
  form.SetPortText("5");
  form.getComPorts();
  EXPECT_EQ(Items(SEROPT_COMBO_PORT), (std::vector<std::string>{"1", "3"}));
  EXPECT_EQ(form.PortText(), "5");
  EXPECT_EQ(form.port().ComNumber(), 0) << "building the list applies nothing";
  EXPECT_EQ(form.PortTooltip(), "COM5 = fake");
  Pick(SEROPT_COMBO_PORT, 1);
  EXPECT_EQ(form.port().ComNumber(), 3);
  EXPECT_EQ(form.PortTooltip(), "COM3 = fake");
}

// The dialog on a port whose device is simulated.
class SerOptionsOpenPortTest : public SerOptionsWinTest {
 protected:
  SerOptionsOpenPortTest() { form.port().SetComNumber(2); }
  ~SerOptionsOpenPortTest() override { form.port().SetOpen(false); }
  bool Lit(int index) { return form.Lamp(index).Lit(); }

  TFakeLine line;
};

TEST_F(SerOptionsOpenPortTest, LampsFollowTheLineOnlyWhileTheDialogIsShown) {
  ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
  EXPECT_FALSE(form.port().Monitoring()) << "the port is still closed";
  form.port().SetOpen(true);
  ASSERT_TRUE(form.port().Monitoring());
  line.SetLines(true, false, true);
  EXPECT_TRUE(Lit(TLightSet::CtsIndex));
  EXPECT_TRUE(Lit(TLightSet::DcdIndex));
  EXPECT_FALSE(Lit(TLightSet::DsrIndex));
  line.FramingError();
  EXPECT_TRUE(Lit(TLightSet::ErrorIndex));
  line.Advance(9);
  EXPECT_FALSE(Lit(TLightSet::ErrorIndex)) << "eight ticks later";

  Click(SEROPT_BTN_CLOSE);
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_FALSE(form.port().Monitoring());
  EXPECT_FALSE(Lit(TLightSet::CtsIndex));
  line.SetLines(false, true, false);
  EXPECT_FALSE(Lit(TLightSet::DsrIndex));
  EXPECT_TRUE(errors.messages.empty());
}

// Pixels of a lamp as it paints itself.
std::vector<COLORREF> Paint(TApdStatusLight& lamp, std::vector<POINT> at) {
  RECT r{};
  GetClientRect(lamp.Handle(), &r);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(lamp.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  std::vector<COLORREF> colors;
  for (POINT p : at) colors.push_back(GetPixel(dc, p.x, p.y));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return colors;
}

TEST_F(SerOptionsWinTest, ALampPaintsItsColourInARaisedFrameAndAGlyphFixesItsSize) {
  TApdStatusLight& lamp = form.Lamp(TLightSet::RxdIndex);
  RECT r{};
  GetClientRect(lamp.Handle(), &r);
  const int w = r.right;
  const int h = r.bottom;
  EXPECT_EQ(wingui::WindowText(lamp.Handle()), "RxD") << "accessible name";
  // Inside, top-left edge, right edge, bottom edge.
  const std::vector<POINT> points{{w / 2, h / 2}, {0, 0}, {w - 1, h / 2}, {w / 2, h - 1}};
  EXPECT_EQ(Paint(lamp, points), (std::vector<COLORREF>{RGB(0, 128, 0), RGB(255, 255, 255),
                                                        RGB(128, 128, 128), RGB(128, 128, 128)}));
  const int requests = lamp.RepaintRequests();
  lamp.SetLitColor(RGB(0, 0, 255));
  EXPECT_EQ(lamp.RepaintRequests(), requests) << "the lit colour does not show";
  lamp.SetLit(true);
  EXPECT_EQ(Paint(lamp, points)[0], RGB(0, 0, 255));

  // Lit half red, unlit half blue, the top-left pixel the transparent key.
  std::vector<uint32_t> pixels(26 * 13);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 26; ++x) pixels[y * 26 + x] = x < 13 ? 0xFF0000 : 0x0000FF;
  pixels[0] = 0x123456;
  HBITMAP glyph = CreateBitmap(26, 13, 1, 32, pixels.data());
  lamp.SetGlyph(glyph);
  DeleteObject(glyph);
  SetWindowPos(lamp.Handle(), nullptr, 0, 0, 40, 40, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(lamp.Handle(), &r);
  EXPECT_EQ(r.right, 13);
  EXPECT_EQ(r.bottom, 13);
  EXPECT_EQ(Paint(lamp, {{5, 5}, {0, 0}}),
            (std::vector<COLORREF>{RGB(255, 0, 0), GetSysColor(COLOR_BTNFACE)}));
  lamp.SetLit(false);
  EXPECT_EQ(Paint(lamp, {{5, 5}})[0], RGB(0, 0, 255));
}

}  // namespace
