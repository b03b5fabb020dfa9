// A status lamp of a serial line as a Win32 child control; the controller that switches it is
// serial/AdStatLt.h.
#pragma once

#include <string>

#include "app/CaptureViews.h"
#include "serial/AdLights.h"
#include "wingui/WinUi.h"

// One lamp: a filled square with a raised frame in LitColor or NotLitColor, or, with a glyph, the
// glyph's left half (lit) or right half (not lit) with the glyph's top-left colour showing the
// parent's background. Runs on the GUI thread.
class TApdStatusLight : public wingui::TWindow, public TApdLamp {
 public:
  // A lamp at `left`, `top` (design units) of `parent`, 13 x 13 design units; `caption` is its
  // accessible name (the text of the label beside it).
  TApdStatusLight(HWND parent, int id, int left, int top, std::string_view caption);
  ~TApdStatusLight() override;

  std::string Version() const;

  // The lamp's own copy of the picture; null without one.
  HBITMAP Glyph() const { return glyph_; }
  // Copies the picture. A non-null glyph fixes the lamp at half the glyph's width by its height,
  // whatever bounds are set later; null frees the size and makes the lamp 13 x 13 design units.
  void SetGlyph(HBITMAP glyph);

  bool Lit() const override { return lit_; }
  void SetLit(bool lit) override;

  TColor LitColor() const { return litColor_; }
  void SetLitColor(TColor color);
  TColor NotLitColor() const { return notLitColor_; }
  void SetNotLitColor(TColor color);

  // How many times the lamp asked to be repainted since it was created.
  int RepaintRequests() const { return repaintRequests_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void Invalidate();
  void Paint(HDC dc);
  SIZE GlyphSize() const;

  HBITMAP glyph_ = nullptr;
  bool lit_ = false;
  TColor litColor_ = 0x0000FF;     // red
  TColor notLitColor_ = 0x008000;  // green
  int repaintRequests_ = 0;
};
