// The icon, glyphs and cursor of Tarvolin.exe as Windows loads them: every size of the icon, the
// glyphs upright with their transparent pixels in the button's colour, the cursor's hot spot.
#include <windows.h>

#include <gtest/gtest.h>

#include "wingui/ResourceIds.h"

namespace {

class TResources : public testing::Test {
 protected:
  void SetUp() override {
    exe_ = LoadLibraryExW(L"" TARVOLIN_EXE, nullptr,
                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe_, nullptr);
  }
  void TearDown() override {
    if (exe_) FreeLibrary(exe_);
  }

  HMODULE exe_ = nullptr;
};

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  return SIZE{info.bmWidth, info.bmHeight};
}

TEST_F(TResources, TheProgramIconHasEverySizeTheDesktopAsksFor) {
  for (int size : {16, 24, 32, 48, 256}) {
    auto icon = static_cast<HICON>(
        LoadImageW(exe_, MAKEINTRESOURCEW(TARVOLIN_IDI_PROGRAM), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_EQ(BitmapSize(info.hbmColor ? info.hbmColor : info.hbmMask).cx, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

TEST_F(TResources, GlyphsAreUprightOnTheButtonColour) {
  struct TGlyph {
    int id;
    POINT ink;  // a drawn pixel whose mirror image across the middle row is transparent
    COLORREF colour;
  };
  const TGlyph glyphs[] = {
      {TARVOLIN_IDB_GLYPH_START, {13, 2}, RGB(0, 128, 0)},
      {TARVOLIN_IDB_PREVIEW_PRINT, {15, 8}, RGB(0, 0, 0)},
  };
  HDC dc = CreateCompatibleDC(nullptr);
  for (const TGlyph& g : glyphs) {
    auto bitmap = static_cast<HBITMAP>(
        LoadImageW(exe_, MAKEINTRESOURCEW(g.id), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    ASSERT_NE(bitmap, nullptr) << g.id;
    EXPECT_EQ(BitmapSize(bitmap).cx, 16);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_3DFACE)) << g.id;
    EXPECT_EQ(GetPixel(dc, g.ink.x, g.ink.y), g.colour) << g.id;
    EXPECT_EQ(GetPixel(dc, g.ink.x, 15 - g.ink.y), GetSysColor(COLOR_3DFACE)) << g.id;
    SelectObject(dc, old);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
}

TEST_F(TResources, TheMagnifierPointsWithTheCentreOfItsLens) {
  auto cursor = static_cast<HCURSOR>(
      LoadImageW(exe_, MAKEINTRESOURCEW(TARVOLIN_IDC_MAGNIFIER), IMAGE_CURSOR, 32, 32, 0));
  ASSERT_NE(cursor, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 12u);
  EXPECT_EQ(info.yHotspot, 12u);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyCursor(cursor);
}

}  // namespace
