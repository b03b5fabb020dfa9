#include "report/Alrep.h"

#include <algorithm>

#include "base/Exception.h"
#include "base/SysUtils.h"
#include "report/AlGenerator.h"

const char* const AlNoValueText = "~";

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return UpperCase(a) == UpperCase(b);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TAlVisual, TAlForm

TAlVisual::TAlVisual(TComponent* owner) : TComponent(owner) {}

TAlVisual::~TAlVisual() {
  for (TAlVisual* child : children_) child->parent_ = nullptr;
  children_.clear();
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void TAlVisual::SetParent(TAlVisual* parent) {
  if (parent == parent_) return;
  if (parent) ValidateParent(parent);
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  parent_ = parent;
  if (parent_) parent_->children_.push_back(this);
}

void TAlVisual::ValidateParent(TAlVisual*) {}

void TAlVisual::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  SetWidth(width);
  SetHeight(height);
}

const TFont& TAlVisual::Font() const {
  if (parentFont_ && parent_) return parent_->Font();
  return font_;
}

void TAlVisual::SetFont(const TFont& font) {
  font_ = font;
  parentFont_ = false;
}

TAlForm* TAlVisual::ReportForm() const {
  for (TComponent* c = Owner(); c; c = c->Owner())
    if (auto* form = dynamic_cast<TAlForm*>(c)) return form;
  for (TAlVisual* v = parent_; v; v = v->parent_)
    if (auto* form = dynamic_cast<TAlForm*>(v)) return form;
  return nullptr;
}

TAlForm::TAlForm(TComponent* owner) : TAlVisual(owner) {
  SetParentFont(false);
}

TComponent* TAlForm::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : Components())
    if (SameText(c->Name(), name)) return c;
  return nullptr;
}

void TAlForm::ValidateParent(TAlVisual*) {
  throw Exception("A report form cannot be placed inside another control.");
}

// ---------------------------------------------------------------------------------------------
// tAlBand

tAlBand::tAlBand(TComponent* owner) : TAlVisual(owner) {}

void tAlBand::ValidateParent(TAlVisual* parent) {
  if (!dynamic_cast<TAlForm*>(parent)) throw Exception("This component must be placed on a tForm.");
}

void tAlBand::Notification(TComponent* component, TOperation operation) {
  TAlVisual::Notification(component, operation);
  if (operation == TOperation::opRemove && component == link_) link_ = nullptr;
}

const char* tAlBand::DesignLabel(tAlBandType type) {
  switch (type) {
    case alr_Title:
      return "Title";
    case alr_PageHeader:
      return "PageHeader";
    case alr_DetailHeader:
      return "DetailHeader";
    case alr_Detail:
      return "Detail";
    case alr_DetailFooter:
      return "DetailFooter";
    case alr_PageFooter:
      return "PageFooter";
    case alr_ReportFooter:
      return "ReportFooter";
    case alr_NewPage:
      return "New Page";
    case alr_GroupHeader:
      return "GroupHeader";
    case alr_GroupFooter:
      return "GroupFooter";
  }
  return "";
}

void tAlBand::PaintDesignRuler(TCanvas& canvas) const {
  if (ruler_ == alr_none) return;
  const double ppi = canvas.PixelsPerInch();
  if (ppi <= 0) return;
  canvas.SetPen({clSilver, 1, TPenStyle::psDash});
  canvas.SetBrush({clWhite, TBrushStyle::bsClear});
  TFont font{"Arial", 11, 0, clSilver};  // 8 points at the design resolution
  canvas.SetFont(font);
  const unsigned textFlags = dtLeft | dtSingleLine | dtNoClip | dtNoPrefix;
  auto text = [&](const std::string& s, int x, int y) {
    canvas.DrawText(s, {x, y, x + 1000, y + 100}, textFlags);
  };
  if (ruler_ == alr_cmHV || ruler_ == alr_cmV) {
    const int count = RoundHalfEven(Width() * 2.54 / ppi);
    for (int n = 1; n <= count; ++n) {
      const int x = RoundHalfEven(n * ppi / 2.54);
      canvas.Line({x, 0}, {x, Height()});
      text(IntToStr(n) + "cm", x + 2, 0);
    }
    text(DesignLabel(bandType_), 0, 10);
  }
  if (ruler_ == alr_cmH || ruler_ == alr_cmHV) {
    const int count = RoundHalfEven(Height() * 2.54 / ppi);
    for (int n = 1; n <= count; ++n) {
      const int y = RoundHalfEven(n * ppi / 2.54);
      canvas.Line({0, y}, {Width(), y});
      text(IntToStr(n) + "cm", 0, y + 2);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Printable controls

tAlControl::tAlControl(TComponent* owner) : TAlVisual(owner) {}

void tAlControl::ValidateParent(TAlVisual* parent) {
  if (!dynamic_cast<tAlBand*>(parent))
    throw Exception("This component must be placed on a tAlBand.");
}

void tAlControl::PrintAt(TAlPrinter& printer, const TRect& rect) {
  if (visible_) DrawContent(printer, rect, PrintText(printer));
}

TAlLabel::TAlLabel(TComponent* owner) : tAlControl(owner) {}

void TAlLabel::DrawContent(TAlPrinter& printer, const TRect& rect, const std::string& text) {
  TCanvas& canvas = printer.PageCanvas();
  if (!transparent_) {
    canvas.SetBrush({Color(), TBrushStyle::bsSolid});
    canvas.FillRect(rect);
  }
  canvas.SetBrush({Color(), TBrushStyle::bsClear});
  canvas.SetFont(Font());
  unsigned flags = dtExpandTabs | dtNoPrefix;
  if (wordWrap_) flags |= dtWordBreak;
  if (alignment_ == taRightJustify) flags |= dtRight;
  if (alignment_ == taCenter) flags |= dtCenter;
  canvas.DrawText(wordWrap_ ? BreakLongWords(canvas, text, rect.Width(), flags) : text, rect,
                  flags);
}

TAlField::TAlField(TComponent* owner) : TAlLabel(owner) {}

bool TAlField::NextRow() {
  const int n = static_cast<int>(values_.size());
  if (n < 2) return false;
  if (position_ < n) ++position_;
  return position_ < n;
}

TAlField* TAlField::UnderscoreSource() const {
  const std::string& name = Name();
  if (name.empty() || name.back() != '_') return nullptr;
  TAlForm* form = ReportForm();
  if (!form) return nullptr;
  std::string base = name.substr(0, name.find_last_not_of('_') + 1);
  if (name.find_last_not_of('_') == std::string::npos) base.clear();
  return dynamic_cast<TAlField*>(form->FindComponent(base));
}

std::string TAlField::GetPrintText() {
  const int n = static_cast<int>(values_.size());
  if (n > 0) {
    if (position_ < n) return values_[static_cast<size_t>(position_)];
    return n == 1 ? values_[0] : AlNoValueText;
  }
  if (TAlField* source = UnderscoreSource()) return source->GetPrintText();
  return AlNoValueText;
}

std::string TAlField::PeekNextText() {
  const int n = static_cast<int>(values_.size());
  if (n > 0) {
    if (position_ + 1 < n) return values_[static_cast<size_t>(position_ + 1)];
    return n == 1 ? values_[0] : AlNoValueText;
  }
  if (TAlField* source = UnderscoreSource()) return source->PeekNextText();
  return Caption();
}

void TAlField::ClearValues() {
  values_.clear();
  position_ = 0;
}

namespace {

TAlSysField::TClock sysFieldClock = &LocalTimeNow;

std::string ShortDate(const std::tm& t) {
  return Format("%02d.%02d.%04d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
}
std::string LongTime(const std::tm& t) {
  return Format("%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
}

}  // namespace

TAlSysField::TAlSysField(TComponent* owner) : TAlLabel(owner) {
  SetAutoSize(true);
  SetColor(clWhite);
  SetTransparent(true);
  SetDataType(alr_Time);
}

void TAlSysField::SetClock(TClock clock) {
  sysFieldClock = clock ? clock : &LocalTimeNow;
}

void TAlSysField::SetDataType(tAlSysDataType v) {
  dataType_ = v;
  SetCaption(DesignPlaceholder());
}

void TAlSysField::Loaded() {
  TAlLabel::Loaded();
  SetCaption(DesignPlaceholder());
}

std::string TAlSysField::DesignPlaceholder() const {
  switch (dataType_) {
    case alr_Time:
      return "#hh:mm:ss#";
    case alr_Date:
      return "#tt.mm.jjjj#";
    case alr_DateTime:
      return "#tt.mm.jjjj hh:mm:ss#";
    case alr_PageNum:
      return "#Page#";
    case alr_Counter:
      return "#Counter#";
    case alr_Count:
      return "#Count#";
    case alr_FormName: {
      TAlForm* form = ReportForm();
      return "#" + (form ? form->Name() : std::string()) + "#";
    }
  }
  return std::string();
}

std::string TAlSysField::PrintText(const TAlPrinter& printer) {
  if (dataType_ == alr_PageNum) return IntToStr(printer.PageNumber());
  return GetPrintText();
}

bool TAlSysField::NextRow() {
  ++counter_;
  return false;
}

std::string TAlSysField::GetPrintText() {
  switch (dataType_) {
    case alr_Time:
      return LongTime(sysFieldClock());
    case alr_Date:
      return ShortDate(sysFieldClock());
    case alr_DateTime: {
      std::tm now = sysFieldClock();
      return ShortDate(now) + " " + LongTime(now);
    }
    case alr_PageNum:
      return IntToStr(AlPrinter().PageNumber());
    case alr_Counter:
      return IntToStr(counter_ + 1);
    case alr_Count:
      return "E";
    case alr_FormName: {
      TAlForm* form = ReportForm();
      return form ? form->Name() : std::string();
    }
  }
  return std::string();
}

namespace {

// The figure of a shape kind in (x, y, w, h), with the current pen and brush.
void DrawShape(TCanvas& canvas, TShapeType shape, int x, int y, int w, int h) {
  const int s = std::min(w, h);
  if (shape == stSquare || shape == stRoundSquare || shape == stCircle) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  switch (shape) {
    case stRectangle:
    case stSquare:
      if (w <= 1 || h <= 1) {
        // Too thin for an outline: a rule.
        if (w > 1)
          canvas.Line({x, y}, {x + w, y});
        else
          canvas.Line({x, y}, {x, y + h});
      } else {
        canvas.Rectangle({x, y, x + w, y + h});
      }
      break;
    case stRoundRect:
    case stRoundSquare:
      canvas.RoundRect({x, y, x + w, y + h}, s / 4, s / 4);
      break;
    case stEllipse:
    case stCircle:
      canvas.Ellipse({x, y, x + w, y + h});
      break;
  }
}

}  // namespace

TAlShape::TAlShape(TComponent* owner) : tAlControl(owner) {
  SetWidth(65);
  SetHeight(65);
}

void TAlShape::DrawContent(TAlPrinter& printer, const TRect& rect, const std::string&) {
  TCanvas& canvas = printer.PageCanvas();
  TPen pen = pen_;
  pen.Width = std::max(pen.Width, 1);
  canvas.SetPen(pen);
  canvas.SetBrush(brush_);
  DrawShape(canvas, shape_, rect.Left, rect.Top, rect.Width(), rect.Height());
}

void TAlShape::PaintDesign(TCanvas& canvas) const {
  canvas.SetPen(pen_);
  canvas.SetBrush(brush_);
  DrawShape(canvas, shape_, 0, 0, Width(), Height());
}

tAlImage::tAlImage(TComponent* owner) : tAlControl(owner) {
  SetWidth(100);
  SetHeight(100);
}

void tAlImage::AdoptPictureSize() {
  if (!picture_.Bitmap && !picture_.OtherGraphic) return;
  SetWidth(picture_.Width());
  SetHeight(picture_.Height());
}

void tAlImage::SetPicture(const TPicture& v) {
  picture_ = v;
  if (autosize_ && !IsLoading()) AdoptPictureSize();
}

void tAlImage::SetAutosize(bool v) {
  autosize_ = v;
  if (v) AdoptPictureSize();
}

void tAlImage::DrawContent(TAlPrinter& printer, const TRect& rect, const std::string&) {
  TCanvas& canvas = printer.PageCanvas();
  if (picture_.Bitmap && stretch_) {
    canvas.StretchDraw(rect, *picture_.Bitmap);
  } else if (picture_.Bitmap) {
    TBitmap frame(Width(), Height());
    const TBitmap& bitmap = *picture_.Bitmap;
    if (center_)
      frame.Draw((Width() - bitmap.Width()) / 2, (Height() - bitmap.Height()) / 2, bitmap);
    else
      frame.Draw(0, 0, bitmap);
    canvas.StretchDraw(rect, frame);
  } else {
    canvas.SetPen(framePen_);
    canvas.SetBrush({clWhite, TBrushStyle::bsClear});
    canvas.Rectangle(rect);
  }
}

// ---------------------------------------------------------------------------------------------
// TAlDetailLink

TAlDetailLink::TAlDetailLink(TComponent* owner) : TComponent(owner) {}

TAlDetailLink::~TAlDetailLink() {
  if (groupBand_ && groupBand_->link_ == this) groupBand_->link_ = nullptr;
}

void TAlDetailLink::Track(TComponent* old, TComponent* now) {
  if (old && old != groupBand_ && old != dataSource_ && old != groupHeader_ && old != groupFooter_)
    RemoveFreeNotification(old);
  if (now) FreeNotification(now);
}

void TAlDetailLink::SetGroupBand(tAlBand* band) {
  if (band == groupBand_) return;
  tAlBand* old = groupBand_;
  // The old band would otherwise keep grouping its rows through this link.
  if (old && old->link_ == this) old->link_ = nullptr;
  groupBand_ = band;
  if (band) band->link_ = this;
  Track(old, band);
}

void TAlDetailLink::SetDataSource(TAlField* field) {
  TComponent* old = dataSource_;
  dataSource_ = field;
  Track(old, field);
}

void TAlDetailLink::SetGroupHeader(tAlBand* band) {
  TComponent* old = groupHeader_;
  groupHeader_ = band;
  Track(old, band);
}

void TAlDetailLink::SetGroupFooter(tAlBand* band) {
  TComponent* old = groupFooter_;
  groupFooter_ = band;
  Track(old, band);
}

void TAlDetailLink::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == groupBand_) groupBand_ = nullptr;
  if (component == dataSource_) dataSource_ = nullptr;
  if (component == groupHeader_) groupHeader_ = nullptr;
  if (component == groupFooter_) groupFooter_ = nullptr;
}

bool TAlDetailLink::GroupChanged(TAlGroupMode mode) {
  if (!dataSource_) return false;
  if (mode == gmBeforeRow) {
    std::string text = dataSource_->GetPrintText();
    const bool changed = groupValue_ != text;
    groupValue_ = std::move(text);
    return changed;
  }
  return groupValue_ != dataSource_->PeekNextText();
}

// ---------------------------------------------------------------------------------------------
// TAlReport

TAlReport::TAlReport(TComponent* owner) : TComponent(owner) {
  if (auto* form = dynamic_cast<TAlForm*>(owner); form && !IsDesigning()) {
    form->SetHorzScrollPos(0);
    form->SetVertScrollPos(0);
  }
}

TAlReport::~TAlReport() = default;

// Both reach the printer when a run starts on it: a report does not know its printer before, and
// changing the default one here would carry one report's set-up into another's run.
void TAlReport::SetOrientation(TPrinterOrientation v) {
  orientation_ = v;
}

void TAlReport::SetPapersize(tPapersize v) {
  papersize_ = v;
}

void TAlReport::SetLeftMarginMM(int v) {
  int w = 0;
  int h = 0;
  PaperSizeMM(papersize_, w, h);
  if (v >= 0 && v < w) leftMarginMM_ = v;
}

void TAlReport::SetRightMarginMM(int v) {
  int w = 0;
  int h = 0;
  PaperSizeMM(papersize_, w, h);
  if (v >= 0 && v < w) rightMarginMM_ = v;
}

void TAlReport::AddFieldValue(const std::string& fieldName, const std::string& text) {
  TComponent* form = Owner();
  if (!form) return;
  for (TComponent* c : form->Components()) {
    auto* field = dynamic_cast<TAlField*>(c);
    if (field && SameText(field->Name(), fieldName)) {
      field->AddValue(text);
      return;
    }
  }
}

void TAlReport::RewindFields() {
  TComponent* form = Owner();
  if (!form) return;
  for (TComponent* c : form->Components())
    if (auto* field = dynamic_cast<TAlField*>(c)) field->Rewind();
}

void TAlReport::FitLabelRect(TAlPrinter& printer, TAlLabel& control, TRect& rect) {
  if (!control.AutoSize()) return;
  TCanvas& canvas = printer.PageCanvas();
  canvas.SetFont(control.Font());
  unsigned flags = dtCalcRect | dtExpandTabs | dtNoPrefix;
  if (control.WordWrap()) flags |= dtWordBreak;
  std::string text = control.PrintText(printer);
  if (text.empty()) text = " ";
  if (control.WordWrap()) text = BreakLongWords(canvas, text, rect.Width(), flags);
  const TRect measured = canvas.MeasureText(text, {0, 0, rect.Width(), rect.Height()}, flags);
  if (control.Alignment() == taRightJustify) rect.Left += rect.Width() - measured.Width();
  rect.Right = rect.Left + measured.Width();
  rect.Bottom = rect.Top + measured.Height();
}

void TAlReport::GenerateInto(tPages& pages) {
  GenerateInto(pages, AlPrinter());
}

void TAlReport::GenerateInto(tPages& pages, TAlPrinter& printer) {
  if (generating_) throw Exception("The report is already being generated.");
  generating_ = true;
  struct TDone {
    bool& flag;
    ~TDone() { flag = false; }
  } done{generating_};
  TAlGenerator(*this, printer).Run(pages);
}
