#include "wingui/report/GdiPrint.h"

#include <commdlg.h>
#include <winspool.h>

#include <cstring>

#include "wingui/WinUi.h"
#include "wingui/report/GdiCanvas.h"

namespace wingui {

namespace {

DEVMODEW* DevModeOf(TPrinterSetup& setup) {
  return setup.DevMode.size() >= sizeof(DEVMODEW)
             ? reinterpret_cast<DEVMODEW*>(setup.DevMode.data())
             : nullptr;
}

// A copy of a global memory block's bytes.
std::vector<BYTE> BytesOf(HGLOBAL memory) {
  std::vector<BYTE> bytes;
  if (!memory) return bytes;
  if (const void* p = GlobalLock(memory)) {
    bytes.assign(static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + GlobalSize(memory));
    GlobalUnlock(memory);
  }
  return bytes;
}

HGLOBAL GlobalCopy(const std::vector<BYTE>& bytes) {
  if (bytes.empty()) return nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory) return nullptr;
  std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
  GlobalUnlock(memory);
  return memory;
}

}  // namespace

TPrinterSetup PrinterSetupOf(const std::wstring& device) {
  TPrinterSetup setup;
  HANDLE printer = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(device.c_str()), &printer, nullptr)) return setup;
  const LONG size = DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(device.c_str()),
                                        nullptr, nullptr, 0);
  if (size >= static_cast<LONG>(sizeof(DEVMODEW))) {
    setup.DevMode.resize(static_cast<size_t>(size));
    if (DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(device.c_str()),
                            DevModeOf(setup), nullptr, DM_OUT_BUFFER) != IDOK)
      setup.DevMode.clear();
  }
  ClosePrinter(printer);
  setup.Device = device;
  return setup;
}

TPrinterSetup DefaultPrinterSetup() {
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (!GetDefaultPrinterW(name.data(), &size)) return {};
  name.resize(wcslen(name.c_str()));
  return PrinterSetupOf(name);
}

bool RunSystemPrintDialog(HWND owner, TPrintChoice& choice, TPrinterSetup& setup) {
  if (setup.Empty()) setup = DefaultPrinterSetup();
  PRINTDLGW pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = owner;
  // The program prints the copies itself, one job each: the dialog reports them in nCopies.
  pd.Flags = PD_ALLPAGES | PD_NOSELECTION;
  pd.nMinPage = static_cast<WORD>(choice.MinPage);
  pd.nMaxPage = static_cast<WORD>(choice.MaxPage);
  pd.nFromPage = static_cast<WORD>(choice.FromPage);
  pd.nToPage = static_cast<WORD>(choice.ToPage);
  pd.nCopies = static_cast<WORD>(choice.Copies);
  pd.hDevMode = GlobalCopy(setup.DevMode);
  const BOOL chosen = PrintDlgW(&pd);
  if (chosen) {
    if (pd.Flags & PD_PAGENUMS) {
      choice.FromPage = pd.nFromPage;
      choice.ToPage = pd.nToPage;
    }
    choice.Copies = pd.nCopies;
    if (const std::vector<BYTE> names = BytesOf(pd.hDevNames); names.size() >= sizeof(DEVNAMES)) {
      const auto* dn = reinterpret_cast<const DEVNAMES*>(names.data());
      setup.Device = reinterpret_cast<const wchar_t*>(names.data()) + dn->wDeviceOffset;
    }
    setup.DevMode = BytesOf(pd.hDevMode);
    // A driver that keeps the copies itself reports them in its settings instead.
    if (const DEVMODEW* dm = DevModeOf(setup); dm && (dm->dmFields & DM_COPIES))
      choice.Copies = std::max<int>(choice.Copies, dm->dmCopies);
  }
  if (pd.hDevMode) GlobalFree(pd.hDevMode);
  if (pd.hDevNames) GlobalFree(pd.hDevNames);
  return chosen && !setup.Empty();
}

TGdiPrintJob::~TGdiPrintJob() {
  if (inDocument_) AbortDoc(dc_);
  if (dc_) DeleteDC(dc_);
}

bool TGdiPrintJob::Begin(const std::string& title, TPrinterOrientation orientation) {
  if (setup_.Empty() || dc_) return false;
  if (DEVMODEW* dm = DevModeOf(setup_)) {
    dm->dmFields |= DM_ORIENTATION | DM_COPIES;
    dm->dmOrientation = orientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    dm->dmCopies = 1;
  }
  dc_ = CreateDCW(nullptr, setup_.Device.c_str(), nullptr, DevModeOf(setup_));
  if (!dc_) return false;
  const std::wstring name = Wide(title);
  DOCINFOW doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = name.c_str();
  doc.lpszOutput = setup_.OutputFile.empty() ? nullptr : setup_.OutputFile.c_str();
  if (StartDocW(dc_, &doc) <= 0) return false;
  inDocument_ = true;
  return StartPage(dc_) > 0;
}

bool TGdiPrintJob::NewPage() {
  return inDocument_ && EndPage(dc_) > 0 && StartPage(dc_) > 0;
}

bool TGdiPrintJob::End() {
  if (!inDocument_) return false;
  const bool paged = EndPage(dc_) > 0;
  inDocument_ = false;
  if (!paged) {
    AbortDoc(dc_);
    return false;
  }
  return EndDoc(dc_) > 0;
}

TRect TGdiPrintJob::PageRect() const {
  if (!dc_) return {};
  return {0, 0, GetDeviceCaps(dc_, HORZRES), GetDeviceCaps(dc_, VERTRES)};
}

void TGdiPrintJob::PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) {
  if (dc_) TGdiPageSurface(dc_).PlayPage(page, target, clip);
}

}  // namespace wingui
