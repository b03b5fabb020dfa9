#include "wingui/report/GdiPrint.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "base/Exception.h"
#include "tests/wingui/report/TestPrinter.h"
#include "wingui/report/GdiCanvas.h"

namespace {

using wingui::TGdiPrintJob;
using wingui::TGdiReferenceDevice;
using wingui::TPrinterSetup;

std::wstring TempFile(const wchar_t* name) {
  wchar_t directory[MAX_PATH];
  GetTempPathW(MAX_PATH, directory);
  const std::wstring path = std::wstring(directory) + name;
  DeleteFileW(path.c_str());
  return path;
}

std::string FileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Pages of A4 at 96 pixels per inch, each with its number and a rule.
void AddPages(tPages& pages, const TReferenceDevice& device, int count) {
  for (int n = 1; n <= count; ++n) {
    TDrawMetaFile* page = pages.Add(std::make_unique<TDrawMetaFile>(794, 1123, &device));
    TCanvas& c = *page->Canvas();
    c.SetFont({"Arial", 13, 0, clBlack});
    c.DrawText("Seite " + std::to_string(n) + " von " + std::to_string(count), {40, 40, 400, 60},
               dtSingleLine | dtNoPrefix);
    c.DrawText(
        "Pr\xFC"
        "fungen",
        {40, 80, 400, 100}, dtSingleLine | dtNoPrefix);
    c.Rectangle({36, 70, 686, 71});
    page->Close();
  }
}

TPrinterSetup FileSetup(const std::wstring& file) {
  TPrinterSetup setup = wingui::PrinterSetupOf(wingui_test::TestPrinter());
  setup.OutputFile = file;
  return setup;
}

// The path the preview's print button takes after its dialog: a range of recorded pages as one
// job, each page filling the printer's page, its text readable in the file the job writes.
TEST(GdiPrintJob, PrintsAPageRangeAsOneJobWhoseTextCanBeReadBack) {
  TGdiReferenceDevice device;
  tPages pages;
  AddPages(pages, device, 3);
  const std::wstring file = TempFile(L"tarvolin-range.ps");
  TGdiPrintJob job(FileSetup(file));
  PrintPageRange(job, pages, 2, 3, "Preview", poPortrait);

  const std::string bytes = FileBytes(file);
  EXPECT_NE(bytes.find("%%Title: Preview"), std::string::npos);
  EXPECT_NE(bytes.find("%%Pages: 2"), std::string::npos);
  EXPECT_NE(bytes.find("%%Orientation: Portrait"), std::string::npos);
  const std::string text = wingui_test::PostScriptText(file);
  EXPECT_EQ(text,
            "Seite 2 von 3\nPr\xFC"
            "fungen\nSeite 3 von 3\nPr\xFC"
            "fungen");
}

// A field sized to its text at the design resolution keeps its lines on the printer, whose
// fonts are not exactly the design fonts scaled: no word falls onto a line of its own.
TEST(GdiPrintJob, KeepsTheLinesOfTextsSizedAtTheDesignResolution) {
  TGdiReferenceDevice device;
  tPages pages;
  TDrawMetaFile* page = pages.Add(std::make_unique<TDrawMetaFile>(794, 1123, &device));
  const TFont font{"Arial", 13, 0, clBlack};
  const std::string texts[] = {"C:\\users\\root\\Temp\\tarvolin-iq\\",
                               "3938eb0ad2ff0e2289b6967aa3d5a4eb1ab2609d4e56ce1d71da95826cb9f303",
                               "Microsoft Windows 6.1 Build 7601 (Service Pack 1)"};
  int top = 40;
  for (const std::string& text : texts) {
    const TRect r = device.MeasureText(font, text, {224, top, 1024, top}, dtWordBreak | dtNoPrefix);
    page->Canvas()->SetFont(font);
    page->Canvas()->DrawText(text, r, dtWordBreak | dtNoPrefix);
    top = r.Bottom + 4;
  }
  page->Close();
  const std::wstring file = TempFile(L"tarvolin-fit.ps");
  TGdiPrintJob job(FileSetup(file));
  PrintPageRange(job, pages, 1, 1, "Preview", poPortrait);
  EXPECT_EQ(wingui_test::PostScriptText(file),
            "C:\\users\\root\\Temp\\tarvolin-iq\\\n"
            "3938eb0ad2ff0e2289b6967aa3d5a4eb1ab2609d4e56ce1d71da95826cb9f303\n"
            "Microsoft Windows 6.1 Build 7601 (Service Pack 1)");
}

TEST(GdiPrintJob, TakesTheReportsOrientationAndThePrintersResolution) {
  TGdiReferenceDevice device;
  tPages pages;
  AddPages(pages, device, 1);
  const std::wstring file = TempFile(L"tarvolin-landscape.ps");
  TGdiPrintJob job(FileSetup(file));
  ASSERT_TRUE(job.Begin("Preview", poLandscape));
  // 300 dpi: the page is the printer's pixels, not the recording's 96 dpi.
  const TRect page = job.PageRect();
  EXPECT_GT(page.Width(), 3000);
  EXPECT_GT(page.Width(), page.Height());
  ASSERT_TRUE(job.End());
  EXPECT_NE(FileBytes(file).find("%%Orientation: Landscape"), std::string::npos);
}

TEST(GdiPrintJob, RefusesToBeginWithoutAPrinter) {
  TGdiReferenceDevice device;
  tPages pages;
  AddPages(pages, device, 1);
  TPrinterSetup none;
  none.Device = L"No Such Printer";
  TGdiPrintJob job(none);
  EXPECT_THROW(PrintPageRange(job, pages, 1, 1, "Preview", poPortrait), Exception);
  EXPECT_TRUE(wingui::PrinterSetupOf(L"No Such Printer").Empty());
}

}  // namespace
