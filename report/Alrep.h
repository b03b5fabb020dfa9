// The report model: a report form of stacked bands carrying printable controls, and the report
// component that runs it (the generator is report/AlGenerator, the printer report/AlPrinter).
//
// A report form (TAlForm) owns every component of a report; bands are placed directly on the
// form, printable controls on a band. Geometry is in design pixels (96 per inch). Everything
// runs on the calling thread; the report printer serves one run at a time.
#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "base/Component.h"
#include "report/AlPrinter.h"
#include "report/Canvas.h"
#include "report/DrawMeta.h"

enum tAlBandType {
  alr_Title,
  alr_PageHeader,
  alr_DetailHeader,
  alr_Detail,
  alr_DetailFooter,
  alr_PageFooter,
  alr_ReportFooter,
  alr_NewPage,
  alr_GroupHeader,
  alr_GroupFooter
};
enum tAlRulerType { alr_none, alr_cmH, alr_cmHV, alr_cmV };
enum tClipMode { cm_Clip, cm_Expand, cm_Overwrite };
enum tAlSysDataType {
  alr_Time,
  alr_Date,
  alr_DateTime,
  alr_PageNum,
  alr_Counter,
  alr_Count,
  alr_FormName
};
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TAlForm;
class tAlBand;
class TAlDetailLink;

// A placed element of a report form: a parent, a position and size relative to it, its
// children in the order they were placed, a font that follows the parent's while ParentFont is
// on, a colour. Freeing it takes it off its parent and leaves its children without one.
class TAlVisual : public TComponent {
 public:
  explicit TAlVisual(TComponent* owner);
  ~TAlVisual() override;

  TAlVisual* Parent() const { return parent_; }
  // Raises Exception when this element may not sit on `parent`; it then keeps its old parent.
  void SetParent(TAlVisual* parent);
  const std::vector<TAlVisual*>& Children() const { return children_; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { left_ = v; }
  void SetTop(int v) { top_ = v; }
  virtual void SetWidth(int v) { width_ = v; }
  virtual void SetHeight(int v) { height_ = v; }
  void SetBounds(int left, int top, int width, int height);

  const TFont& Font() const;
  // Sets the element's own font and turns ParentFont off.
  void SetFont(const TFont& font);
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v) { parentFont_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor c) { color_ = c; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }

  // The report form this element belongs to: the first form among its owners, else among its
  // parents; nullptr when there is none.
  TAlForm* ReportForm() const;

 protected:
  // Raises when `parent` (never nullptr) is not acceptable.
  virtual void ValidateParent(TAlVisual* parent);

 private:
  TAlVisual* parent_ = nullptr;
  std::vector<TAlVisual*> children_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TFont font_;
  bool parentFont_ = true;
  TColor color_ = clWhite;
  bool enabled_ = true;
};

// The report form: owns the report component, the bands, the controls and the detail links.
class TAlForm : public TAlVisual {
 public:
  explicit TAlForm(TComponent* owner = nullptr);

  // A component of the form by name, letter case ignored; nullptr for none or an empty name.
  TComponent* FindComponent(const std::string& name) const;

  int HorzScrollPos() const { return horzScroll_; }
  int VertScrollPos() const { return vertScroll_; }
  void SetHorzScrollPos(int v) { horzScroll_ = v; }
  void SetVertScrollPos(int v) { vertScroll_ = v; }

 protected:
  void ValidateParent(TAlVisual* parent) override;

 private:
  int horzScroll_ = 0;
  int vertScroll_ = 0;
};

// A horizontal strip of the report, placed on a TAlForm.
class tAlBand : public TAlVisual {
 public:
  explicit tAlBand(TComponent* owner);

  tAlBandType BandType() const { return bandType_; }
  void SetBandType(tAlBandType v) { bandType_ = v; }
  bool AltColor() const { return altColor_; }
  void SetAltColor(bool v) { altColor_ = v; }
  tAlRulerType Ruler() const { return ruler_; }
  void SetRuler(tAlRulerType v) { ruler_ = v; }
  tClipMode ClipMode() const { return clipMode_; }
  void SetClipMode(tClipMode v) { clipMode_ = v; }
  TAlign Align() const { return align_; }
  void SetAlign(TAlign v) { align_ = v; }

  // Run-time state: the generator's group number, the alternate-fill state and the detail link
  // that groups this band's rows.
  int Tag() const { return tag_; }
  void SetTag(int v) { tag_ = v; }
  bool AltFillState() const { return altState_; }
  void SetAltFillState(bool v) { altState_ = v; }
  TAlDetailLink* DetailLink() const { return link_; }

  // "Title", "PageHeader", ... as the design view labels a band of `type`.
  static const char* DesignLabel(tAlBandType type);
  // The design view's centimetre ruler and band label, at the canvas's resolution.
  void PaintDesignRuler(TCanvas& canvas) const;

 protected:
  void ValidateParent(TAlVisual* parent) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TAlDetailLink;
  tAlBandType bandType_ = alr_Title;
  bool altColor_ = false;
  tAlRulerType ruler_ = alr_cmHV;
  tClipMode clipMode_ = cm_Clip;
  TAlign align_ = alTop;
  int tag_ = 0;
  bool altState_ = false;
  TAlDetailLink* link_ = nullptr;
};

// Base of the printable controls, placed on a tAlBand. Text is drawn on the page canvas of the
// printer of the run; rectangles are device pixels of its current page.
class tAlControl : public TAlVisual {
 public:
  explicit tAlControl(TComponent* owner);

  bool visible() const { return visible_; }
  void Setvisible(bool v) { visible_ = v; }
  const std::string& Caption() const { return caption_; }
  virtual void SetCaption(const std::string& v) { caption_ = v; }

  // If visible: DrawContent(printer, rect, PrintText(printer)).
  void PrintAt(TAlPrinter& printer, const TRect& rect);
  virtual void DrawContent(TAlPrinter& printer, const TRect& rect, const std::string& text) = 0;
  // Whether the band must be printed once more for this control's next row.
  virtual bool NextRow() { return false; }
  virtual std::string GetPrintText() { return caption_; }
  // The text as printed by `printer`, which knows the page being drawn.
  virtual std::string PrintText(const TAlPrinter&) { return GetPrintText(); }

 protected:
  void ValidateParent(TAlVisual* parent) override;

 private:
  bool visible_ = true;
  std::string caption_;
};

// Static text.
class TAlLabel : public tAlControl {
 public:
  explicit TAlLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v) { alignment_ = v; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v) { autoSize_ = v; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v) { wordWrap_ = v; }

  void DrawContent(TAlPrinter& printer, const TRect& rect, const std::string& text) override;

 private:
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = true;
  bool transparent_ = true;
  bool wordWrap_ = false;
};

// Text printed where a data field has no value for the row.
extern const char* const AlNoValueText;  // "~"

// A data field: one value per row of its band.
class TAlField : public TAlLabel {
 public:
  explicit TAlField(TComponent* owner);

  bool NextRow() override;
  std::string GetPrintText() override;
  virtual void Rewind() { position_ = 0; }
  virtual void ClearValues();
  std::string PeekNextText();

  void AddValue(const std::string& text) { values_.push_back(text); }
  const std::vector<std::string>& Values() const { return values_; }
  int Position() const { return position_; }

 private:
  // For a name ending in "_": the data field named without the trailing underscores.
  TAlField* UnderscoreSource() const;

  std::vector<std::string> values_;
  int position_ = 0;
};

// A system field: time, date, page number, row counter, ...
class TAlSysField : public TAlLabel {
 public:
  explicit TAlSysField(TComponent* owner);

  tAlSysDataType DataType() const { return dataType_; }
  // Also replaces the caption by the design placeholder of the kind.
  void SetDataType(tAlSysDataType v);
  int RowCounter() const { return counter_; }
  void ResetRowCounter() { counter_ = 0; }

  bool NextRow() override;
  // The page number is that of the default printer; PrintText gives the run's.
  std::string GetPrintText() override;
  std::string PrintText(const TAlPrinter& printer) override;

  // "#hh:mm:ss#", "#Page#", ... for the design view.
  std::string DesignPlaceholder() const;

  // The local time the fields print; tests set their own clock.
  using TClock = std::tm (*)();
  static void SetClock(TClock clock);

 protected:
  void Loaded() override;

 private:
  tAlSysDataType dataType_ = alr_Time;
  int counter_ = 0;
};

class TAlShape : public tAlControl {
 public:
  explicit TAlShape(TComponent* owner);

  TShapeType Shape() const { return shape_; }
  void SetShape(TShapeType v) { shape_ = v; }
  const TPen& Pen() const { return pen_; }
  void SetPen(const TPen& v) { pen_ = v; }
  const TBrush& Brush() const { return brush_; }
  void SetBrush(const TBrush& v) { brush_ = v; }

  void DrawContent(TAlPrinter& printer, const TRect& rect, const std::string& text) override;
  // The design view: the same figure at the control's own size at 0,0, pen as it is.
  void PaintDesign(TCanvas& canvas) const;

 private:
  TShapeType shape_ = stRectangle;
  TPen pen_;
  TBrush brush_;
};

// What a picture control shows: a bitmap, another kind of graphic (drawn as a frame), or nothing.
struct TPicture {
  std::shared_ptr<const TBitmap> Bitmap;
  bool OtherGraphic = false;
  int OtherWidth = 0;
  int OtherHeight = 0;

  int Width() const { return Bitmap ? Bitmap->Width() : OtherWidth; }
  int Height() const { return Bitmap ? Bitmap->Height() : OtherHeight; }
};

class tAlImage : public tAlControl {
 public:
  explicit tAlImage(TComponent* owner);

  const TPicture& Picture() const { return picture_; }
  void SetPicture(const TPicture& v);
  bool Autosize() const { return autosize_; }
  void SetAutosize(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v) { center_ = v; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v) { stretch_ = v; }
  const TPen& FramePen() const { return framePen_; }

  void DrawContent(TAlPrinter& printer, const TRect& rect, const std::string& text) override;

 private:
  void AdoptPictureSize();

  TPicture picture_;
  bool autosize_ = false;
  bool center_ = true;
  bool stretch_ = true;
  TPen framePen_{clBlack, 1, TPenStyle::psDashDot};
};

enum TAlGroupMode { gmBeforeRow, gmAfterRow };

// Groups the rows of a detail band by the text of a data field, printing a group header where a
// group begins and a group footer where it ends.
class TAlDetailLink : public TComponent {
 public:
  explicit TAlDetailLink(TComponent* owner);
  ~TAlDetailLink() override;

  tAlBand* GroupBand() const { return groupBand_; }
  // The band refers back to this link; a band linked before loses its reference.
  void SetGroupBand(tAlBand* band);
  TAlField* DataSource() const { return dataSource_; }
  void SetDataSource(TAlField* field);
  tAlBand* GroupHeader() const { return groupHeader_; }
  void SetGroupHeader(tAlBand* band);
  tAlBand* GroupFooter() const { return groupFooter_; }
  void SetGroupFooter(tAlBand* band);

  const std::string& GroupValue() const { return groupValue_; }
  void ResetGroupValue() { groupValue_.clear(); }

  // Before a row: whether the data source's current text differs from the remembered one, which
  // it then becomes. After a row: whether the next row's text differs; nothing is remembered.
  // False without a data source.
  bool GroupChanged(TAlGroupMode mode);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void Track(TComponent* old, TComponent* now);

  tAlBand* groupBand_ = nullptr;
  TAlField* dataSource_ = nullptr;
  tAlBand* groupHeader_ = nullptr;
  tAlBand* groupFooter_ = nullptr;
  std::string groupValue_;
};

// The report component of a report form: page set-up, data feeding and generation.
class TAlReport : public TComponent {
 public:
  explicit TAlReport(TComponent* owner);
  ~TAlReport() override;

  TPrinterOrientation Orientation() const { return orientation_; }
  void SetOrientation(TPrinterOrientation v);
  tPapersize Papersize() const { return papersize_; }
  void SetPapersize(tPapersize v);
  // Accepted only when 0 <= value < the portrait paper width; otherwise ignored.
  int LeftMarginMM() const { return leftMarginMM_; }
  void SetLeftMarginMM(int v);
  int RightMarginMM() const { return rightMarginMM_; }
  void SetRightMarginMM(int v);
  const std::string& ReportTitle() const { return reportTitle_; }
  void SetReportTitle(const std::string& v) { reportTitle_ = v; }

  // Appends `text` to the first data field of the form named `fieldName` (letter case ignored);
  // no such field: nothing happens.
  void AddFieldValue(const std::string& fieldName, const std::string& text);
  void RewindFields();

  // Runs the report into `pages` (emptied first) on `printer`, AlPrinter() by default: one
  // completed page per page, in order. Errors of the page canvas reach the caller; the pages
  // recorded so far stay in the list. A report runs once at a time.
  void GenerateInto(tPages& pages);
  void GenerateInto(tPages& pages, TAlPrinter& printer);

  // Adjusts `rect` to the measured text of an auto-sized label, on `printer`'s page canvas.
  static void FitLabelRect(TAlPrinter& printer, TAlLabel& control, TRect& rect);

 private:
  TPrinterOrientation orientation_ = poPortrait;
  tPapersize papersize_ = alr_A4;
  int leftMarginMM_ = 0;
  int rightMarginMM_ = 0;
  std::string reportTitle_;
  bool generating_ = false;
};
