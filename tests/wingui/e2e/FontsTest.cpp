// The fonts the windows and the report ask for, as the test prefix provides them: Arial must be
// a metric-compatible outline font under its own name, "MS Sans Serif" the bitmap face, so that
// text is measured as on Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct TFontCase {
  const char* Name;
  const wchar_t* Face;
  int Height;  // character height in pixels (negative: em size)
  bool TrueType;
  int ZeroWidth;  // advance of '0'
  int CellHeight;
};

void PrintTo(const TFontCase& c, std::ostream* out) {
  *out << c.Name;
}

class FontsTest : public ::testing::TestWithParam<TFontCase> {};

int CALLBACK Found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

TEST_P(FontsTest, FaceIsFoundUnderItsNameWithItsMetrics) {
  const TFontCase& c = GetParam();
  HDC dc = CreateCompatibleDC(nullptr);
  bool enumerated = false;
  EnumFontFamiliesW(dc, c.Face, Found, reinterpret_cast<LPARAM>(&enumerated));
  EXPECT_TRUE(enumerated) << "no family of that name";

  HFONT font =
      CreateFontW(c.Height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, c.Face);
  HGDIOBJ old = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  INT zero = 0;
  GetCharWidth32W(dc, L'0', L'0', &zero);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);

  EXPECT_EQ(std::wstring(face), c.Face);
  EXPECT_EQ((tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0, c.TrueType);
  EXPECT_EQ(zero, c.ZeroWidth);
  EXPECT_EQ(tm.tmHeight, c.CellHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Prefix, FontsTest,
    ::testing::Values(
        // At an em of 2048 units Arial's digits advance 1139 units; its cell is 2288 high.
        TFontCase{"Arial", L"Arial", -2048, true, 1139, 2288},
        // The default font at 8 pt on 96 dpi: the 13-pixel bitmap face with 6-pixel digits.
        TFontCase{"MsSansSerif", L"MS Sans Serif", -11, false, 6, 13}),
    [](const auto& c) { return std::string(c.param.Name); });

}  // namespace
