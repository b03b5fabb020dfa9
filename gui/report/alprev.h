// The report preview control: owns the recorded pages of one report run, shows one page at a
// time at a zoom between 25 and 200 percent, and prints a range of pages.
#pragma once

#include <QScrollArea>
#include <functional>
#include <string>

#include "base/Event.h"
#include "report/DrawMeta.h"
#include "report/PreviewLogic.h"

class QPainter;
class QPrinter;

// Sender, button and position in page view pixels.
using TMouseEvent = TEvent<void(TObject*, TMouseButton, int, int)>;

class tAlPreview : public QScrollArea, public TObject {
  Q_OBJECT

 public:
  explicit tAlPreview(QWidget* parent = nullptr);
  ~tAlPreview() override;

  // The pages of the run; the report fills this list. Call ShowPage (or a navigation) after
  // filling it so that the view follows.
  tPages& Pages() { return pages_; }
  int PageCount() const { return pages_.Count(); }
  int CurrentPage() const { return position_.Page(); }
  int Zoom() const { return position_.Zoom(); }
  // Current page, a slash and the page count, for example "2/3".
  std::string PageIndicator() const { return position_.Indicator(PageCount()); }

  void ShowPage(int n);
  void FirstPage();
  void LastPage();
  void NextPage();
  void PrevPage();
  void SetZoom(int zoom);

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  // True while PrintPages is sending pages to the printer.
  bool Printing() const { return printing_; }

  // Prints pages from..to (1-based, clipped to the pages there are) as one print job, each page
  // stretched over the printer's printable area. The job is ended and the printing flag cleared
  // also when printing fails; the failure is then raised as an Exception.
  void PrintPages(int from, int to);

  // The printer PrintPages uses, asked once per job; the system printer unless replaced.
  using TPrinterSource = std::function<QPrinter&()>;
  void SetPrinterSource(TPrinterSource source) { printerSource_ = std::move(source); }
  // The process's system printer (high resolution).
  static QPrinter& SystemPrinter();

  // Raised after a mouse button pressed on the page view has changed the zoom.
  TMouseEvent OnMouseDown;

  // The surface the page is drawn on.
  QWidget* PageView() const;
  // Scroll ranges: the page view plus a border of 15 pixels on each side.
  int HorzRange() const { return geometry_.HorzRange; }
  int VertRange() const { return geometry_.VertRange; }
  // Paper size of the pages in pixels (A4 portrait at 96 pixels per inch without pages).
  int PageWidth() const;
  int PageHeight() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  class TPageView;
  friend class TPageView;

  void Refresh();
  void PaintPageView(QPainter& painter);
  void PageViewMouseDown(TMouseButton button, int x, int y);

  tPages pages_;
  TPreviewPosition position_;
  TPageViewGeometry geometry_;
  std::string title_;
  bool printing_ = false;
  TPrinterSource printerSource_;
  QWidget* content_;
  TPageView* pageView_;
};
