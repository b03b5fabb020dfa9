#include "tests/report/ReportSupport.h"

void TRecordingCanvas::DrawText(std::string_view text, const TRect& rect, unsigned flags) {
  TDrawn& d = Add("text", rect);
  d.Text = std::string(text);
  d.Flags = flags;
}

void TRecordingCanvas::RoundRect(const TRect& rect, int w, int h) {
  TDrawn& d = Add("round", rect);
  d.Width = w;
  d.Height = h;
}

void TRecordingCanvas::StretchDraw(const TRect& rect, const TBitmap& bitmap) {
  TDrawn& d = Add("bitmap", rect);
  d.Width = bitmap.Width();
  d.Height = bitmap.Height();
  Bitmaps.push_back(bitmap);
}

TDrawn& TRecordingCanvas::Add(const char* kind, const TRect& rect) {
  TDrawn& d = Drawn.emplace_back();
  d.Kind = kind;
  d.Rect = rect;
  d.Font = Font();
  d.Pen = Pen();
  d.Brush = Brush();
  return d;
}

std::vector<TDrawn> Replay(const TDrawMetaFile& page) {
  TRecordingCanvas canvas;
  page.Play(canvas);
  return canvas.Drawn;
}

std::string PageTexts(const TDrawMetaFile& page) {
  std::string out;
  for (const TDrawn& d : Replay(page)) {
    if (d.Kind != "text") continue;
    if (!out.empty()) out += ' ';
    out += d.Text;
  }
  return out;
}

TDrawn FindText(const TDrawMetaFile& page, const std::string& text) {
  for (const TDrawn& d : Replay(page))
    if (d.Kind == "text" && d.Text == text) return d;
  return {};
}

TTestForm::TTestForm() : Form(new TAlForm), Report(new TAlReport(Form)) {
  Form->SetName("frmTest");
}

TTestForm::~TTestForm() {
  delete Form;
}

tAlBand* TTestForm::Band(const std::string& name, tAlBandType type, int top, int height,
                         tClipMode clip) {
  auto* b = new tAlBand(Form);
  b->SetName(name);
  b->SetParent(Form);
  b->SetBounds(0, top, 794, height);
  b->SetBandType(type);
  b->SetClipMode(clip);
  return b;
}

TAlLabel* TTestForm::Label(tAlBand* band, const std::string& name, const std::string& caption,
                           int left, int top, int width, int height) {
  auto* l = new TAlLabel(Form);
  l->SetName(name);
  l->SetParent(band);
  l->SetBounds(left, top, width, height);
  l->SetCaption(caption);
  return l;
}

TAlField* TTestForm::Field(tAlBand* band, const std::string& name, int left, int top, int width,
                           int height) {
  auto* f = new TAlField(Form);
  f->SetName(name);
  f->SetParent(band);
  f->SetBounds(left, top, width, height);
  return f;
}

TAlSysField* TTestForm::SysField(tAlBand* band, const std::string& name, tAlSysDataType type,
                                 int left, int top) {
  auto* f = new TAlSysField(Form);
  f->SetName(name);
  f->SetParent(band);
  f->SetBounds(left, top, 100, 16);
  f->SetDataType(type);
  return f;
}

TAlShape* TTestForm::Shape(tAlBand* band, const std::string& name, int left, int top, int width,
                           int height) {
  auto* s = new TAlShape(Form);
  s->SetName(name);
  s->SetParent(band);
  s->SetBounds(left, top, width, height);
  return s;
}

TOpenPrinter::TOpenPrinter() {
  Printer.SetPages(&Pages);
  Printer.BeginReport();
}

TOpenPrinter::~TOpenPrinter() {
  Printer.EndReport();
  Printer.SetPages(nullptr);
}

std::vector<TDrawn> TOpenPrinter::Drawn() {
  if (Pages.Empty()) return {};
  return Replay(*Pages[0]);
}
