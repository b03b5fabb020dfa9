// The report preview control on Qt: a scroll area around the page view, over the toolkit-free
// TPreviewControl that owns the pages, the page shown and the zoom.
#pragma once

#include <QScrollArea>
#include <functional>
#include <memory>
#include <string>

#include "base/Event.h"
#include "report/DrawMeta.h"
#include "report/PreviewControl.h"

class QPainter;
class QPrinter;

// Sender, button and position in page view pixels.
using TMouseEvent = TEvent<void(TObject*, TMouseButton, int, int)>;

class tAlPreview : public QScrollArea, public TObject {
  Q_OBJECT

 public:
  explicit tAlPreview(QWidget* parent = nullptr);
  ~tAlPreview() override;

  TPreviewControl& Control() { return control_; }
  const TPreviewControl& Control() const { return control_; }

  // The pages of the run; the report fills this list. Call ShowPage (or a navigation) after
  // filling it so that the view follows.
  tPages& Pages() { return control_.Pages(); }
  int PageCount() const { return control_.PageCount(); }
  int CurrentPage() const { return control_.CurrentPage(); }
  int Zoom() const { return control_.Zoom(); }
  std::string PageIndicator() const { return control_.PageIndicator(); }

  void ShowPage(int n) { Refresh(control_.ShowPage(n)); }
  void FirstPage() { Refresh(control_.FirstPage()); }
  void LastPage() { Refresh(control_.LastPage()); }
  void NextPage() { Refresh(control_.NextPage()); }
  void PrevPage() { Refresh(control_.PrevPage()); }
  void SetZoom(int zoom) { Refresh(control_.SetZoom(zoom)); }

  const std::string& Title() const { return control_.Title(); }
  void SetTitle(std::string title) { control_.SetTitle(std::move(title)); }
  bool Printing() const { return control_.Printing(); }

  // Prints pages from..to on the printer of the printer source (TPreviewControl::PrintPages).
  void PrintPages(int from, int to);
  // A print job on the printer of the printer source, which is asked when the job begins.
  std::unique_ptr<IPrintTarget> NewPrintJob();

  // The printer a print job uses, asked once per job; the system printer unless replaced.
  using TPrinterSource = std::function<QPrinter&()>;
  void SetPrinterSource(TPrinterSource source) { printerSource_ = std::move(source); }
  // The process's system printer (high resolution).
  static QPrinter& SystemPrinter();

  // Raised after a mouse button pressed on the page view has changed the zoom.
  TMouseEvent OnMouseDown;

  // The surface the page is drawn on.
  QWidget* PageView() const;
  // Scroll ranges: the page view plus a border of 15 pixels on each side.
  int HorzRange() const { return control_.Geometry().HorzRange; }
  int VertRange() const { return control_.Geometry().VertRange; }
  int PageWidth() const { return control_.PageWidth(); }
  int PageHeight() const { return control_.PageHeight(); }

  // Lays out and repaints the page view after the page or the zoom changed.
  void Refresh(bool changed = true);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  class TPageView;
  friend class TPageView;

  void PageViewMouseDown(TMouseButton button, int x, int y);

  TPreviewControl control_;
  TPrinterSource printerSource_;
  QWidget* content_;
  TPageView* pageView_;
};
