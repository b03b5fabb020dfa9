#include "report/PrintJob.h"

#include <algorithm>

#include "base/Exception.h"

TPrintChoice PrintChoiceFor(int pageCount) {
  TPrintChoice c;
  c.MaxPage = std::max(pageCount, 1);
  c.ToPage = c.MaxPage;
  return c;
}

void PrintPageRange(IPrintTarget& target, const tPages& pages, int from, int to,
                    const std::string& title, TPrinterOrientation orientation) {
  from = std::max(from, 1);
  to = std::min(to, pages.Count());
  if (from > to) return;
  if (!target.Begin(title, orientation))
    throw Exception("Der Druckauftrag konnte nicht gestartet werden.");
  try {
    for (int page = from; page <= to; ++page) {
      if (page > from && !target.NewPage())
        throw Exception("Der Drucker hat keine weitere Seite angenommen.");
      const TRect area = target.PageRect();
      target.PlayPage(*pages[page - 1], area, area);
    }
  } catch (...) {
    target.End();
    throw;
  }
  if (!target.End()) throw Exception("Der Druckauftrag konnte nicht abgeschlossen werden.");
}
