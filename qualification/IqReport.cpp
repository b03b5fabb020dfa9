#include "qualification/IqReport.h"

#include "app/Help.h"
#include "base/SysUtils.h"
#include "platform/Sha256.h"
#include "qualification/Vendor.h"
#include "qualification/zanUtilities.h"

namespace {

constexpr int kDesignWidth = 794;

struct TBandDesign {
  const char* Name;
  tAlBandType Type;
  int Top;
  int Height;
  tClipMode Clip;
  TColor Color = clWhite;
};

// In top order. The second footer's colour shows only at design time (AltColor is off).
constexpr TBandDesign kBands[] = {
    {"alrPageHeader", alr_PageHeader, 0, 41, cm_Clip},
    {"alrTitle", alr_Title, 41, 82, cm_Expand},
    {"alrBandSysinfHead", alr_DetailHeader, 123, 30, cm_Clip},
    {"alrBandSysinfData", alr_Detail, 153, 20, cm_Expand},
    {"alrBandProginfHead", alr_DetailHeader, 173, 30, cm_Clip},
    {"alrBandProginfData", alr_Detail, 203, 20, cm_Expand},
    {"alrBandIqHead", alr_DetailHeader, 223, 30, cm_Clip},
    {"alrBandIqData", alr_Detail, 253, 20, cm_Expand},
    {"alrBandIqResult", alr_Detail, 273, 216, cm_Clip},
    {"alrPageFooter2", alr_PageFooter, 489, 3, cm_Expand, clYellow},
    {"alrPageFooter1", alr_PageFooter, 492, 41, cm_Expand},
};

enum TKind { kLabel, kField, kSysField, kShape };

struct TControlDesign {
  const char* Band;
  const char* Name;
  TKind Kind;
  int Left, Top, Width, Height;
  const char* Caption;  // labels; nullptr for the vendor lines
  TFont Font;           // an empty name: the form's font
  TAlignment Alignment = taLeftJustify;
  bool AutoSize = true;
  // System fields: what they print; shapes: how the pen is drawn.
  tAlSysDataType SysType = alr_Time;
  TPenStyle PenStyle = TPenStyle::psSolid;
};

// The row values reach from their left edge to the right margin (20 mm, 76 pixels) and wrap
// there, their band growing with them: a deep installation path or a long system text stays on
// the page.
constexpr int kValueWidth = kDesignWidth - 76 - 76 - 224;

const TFont kFormFont{"Arial", 13, 0, clBlack};
const TFont kInherit{"", 0, 0, clBlack};
const TFont kBold{"Arial", 13, fsBold, clBlack};
const TFont kFooter{"Tahoma", 11, 0, clBlack};

const TControlDesign kControls[] = {
    {"alrPageHeader", "alrLblHeadDate", kLabel, 0, 16, 42, 16, "Datum:", kInherit},
    {"alrPageHeader", "alrsfDate", kSysField, 44, 16, 126, 16, nullptr, kInherit, taLeftJustify,
     true, alr_DateTime},
    {"alrPageHeader", "AlLabel2", kLabel, 240, 16, 234, 16,
     "Installationsqualifizierung von Tarvolin", kInherit},
    {"alrPageHeader", "alrLblHeadPage", kLabel, 584, 16, 30, 16, "Seite", kInherit},
    {"alrPageHeader", "alrsfPagenum", kSysField, 616, 16, 44, 16, nullptr, kInherit, taLeftJustify,
     true, alr_PageNum},
    {"alrPageHeader", "alrLineHeader", kShape, -4, 38, 650, 1, nullptr, kInherit},
    {"alrTitle",
     "alrLblTitle",
     kLabel,
     -8,
     40,
     649,
     27,
     "Installationsqualifizierung",
     {"Arial", 24, 0, clBlack},
     taCenter,
     false},
    {"alrBandSysinfHead", "alrLblSysinfHead", kLabel, 40, 12, 105, 16, "Computersystem", kBold},
    {"alrBandSysinfData", "alrFieldSysinfoLbl", kField, 40, 4, 102, 16, nullptr, kInherit},
    {"alrBandSysinfData", "alrFieldSysinfoVal", kField, 224, 4, kValueWidth, 16, nullptr, kInherit},
    {"alrBandProginfHead", "alrLblProginfHead", kLabel, 40, 12, 100, 16, "Softwaresystem", kBold},
    {"alrBandProginfData", "alrFieldProginfoLbl", kField, 40, 4, 106, 16, nullptr, kInherit},
    {"alrBandProginfData", "alrFieldProginfoVal", kField, 224, 4, kValueWidth, 16, nullptr,
     kInherit},
    {"alrBandIqHead", "alrLblIqHead", kLabel, 40, 12, 184, 16,
     "Pr\xFC"
     "fungen zur Qualifizierung",
     kBold},
    {"alrBandIqData", "alrFieldIqVal", kField, 40, 4, 71, 16, nullptr, kInherit},
    {"alrBandIqData", "alrFieldIqLbl", kField, 120, 4, 69, 16, nullptr, kInherit},
    {"alrBandIqResult",
     "AlLabel1",
     kLabel,
     40,
     60,
     363,
     22,
     "Ergebnis der Installationsqualifizierung",
     {"Arial", 19, fsBold, clBlack}},
    {"alrBandIqResult", "alrFieldResultOk", kField, 40, 92, 96, 16, nullptr, kInherit},
    {"alrBandIqResult", "alrFieldResultBad", kField, 40, 116, 102, 16, nullptr, kInherit},
    {"alrBandIqResult",
     "alrFieldResultText",
     kField,
     320,
     116,
     153,
     22,
     nullptr,
     {"Arial", 19, 0, clBlack}},
    // The signature box.
    {"alrBandIqResult", "AlShape1", kShape, 320, 152, 321, 57, nullptr, kInherit, taLeftJustify,
     true, alr_Time, TPenStyle::psInsideFrame},
    {"alrBandIqResult",
     "AlLabel3",
     kLabel,
     328,
     196,
     95,
     14,
     "Datum, Unterschrift",
     {"Arial", 11, fsItalic, clBlack}},
    {"alrPageFooter2", "alrLineFooter", kShape, -4, 2, 650, 1, nullptr, kInherit},
    {"alrPageFooter1", "alrLblFootName", kLabel, 0, 0, 69, 13, nullptr, kFooter},
    {"alrPageFooter1", "alrLblFootCompany", kLabel, 0, 16, 117, 13, nullptr, kFooter},
    {"alrPageFooter1", "alrLblFootPostbox", kLabel, 264, 0, 120, 13, nullptr, kFooter, taCenter,
     false},
    {"alrPageFooter1", "alrLblFootTown", kLabel, 264, 16, 120, 13, nullptr, kFooter, taCenter,
     false},
    {"alrPageFooter1", "alrLblFootHttp", kLabel, 514, 0, 126, 13, nullptr, kFooter, taRightJustify},
    {"alrPageFooter1", "alrLblFootMailto", kLabel, 514, 16, 126, 13, nullptr, kFooter,
     taRightJustify},
};

std::string VendorLine(const char* control) {
  const TVendor& v = ProgramVendor();
  const std::string name = control;
  if (name == "alrLblFootName") return v.Name;
  if (name == "alrLblFootCompany") return v.Company;
  if (name == "alrLblFootPostbox") return v.Postbox;
  if (name == "alrLblFootTown") return v.Town;
  if (name == "alrLblFootHttp") return v.Web;
  return std::string("mailto:") + v.Mail;
}

}  // namespace

std::string ComPortsText(const std::vector<TIqComPort>& ports) {
  std::string text;
  for (const TIqComPort& port : ports) {
    if (!text.empty()) text += ',';
    text += std::to_string(port.Number);
    if (port.State == TIqComPort::InUse) text += " (belegt)";
    if (port.State == TIqComPort::NoAccess) text += " (kein Zugriff)";
  }
  return text;
}

TIqReport::TIqReport() : form_(std::make_unique<TAlForm>()) {
  TAlForm& form = *form_;
  form.SetName("frmIqReport");
  form.SetFont(kFormFont);
  form.SetBounds(0, 0, kDesignWidth, 1123);

  alrIQ_ = new TAlReport(&form);
  alrIQ_->SetName("alrIQ");
  alrIQ_->SetOrientation(poPortrait);
  alrIQ_->SetPapersize(alr_A4);
  alrIQ_->SetLeftMarginMM(20);
  alrIQ_->SetRightMarginMM(20);
  alrIQ_->SetReportTitle("Installationsqualifzierung");
  zanExeInfo_ = new TZanExeInfo(&form);
  zanExeInfo_->SetName("zanExeInfo");

  for (const TBandDesign& d : kBands) {
    auto* band = new tAlBand(&form);
    band->SetName(d.Name);
    band->SetParent(&form);
    band->SetBounds(0, d.Top, kDesignWidth, d.Height);
    band->SetBandType(d.Type);
    band->SetClipMode(d.Clip);
    band->SetRuler(alr_cmHV);
    band->SetColor(d.Color);
  }
  for (const TControlDesign& d : kControls) {
    tAlControl* control = nullptr;
    switch (d.Kind) {
      case kShape: {
        auto* shape = new TAlShape(&form);
        shape->SetPen({clBlack, 1, d.PenStyle});
        control = shape;
        break;
      }
      case kSysField: {
        auto* field = new TAlSysField(&form);
        field->SetDataType(d.SysType);
        control = field;
        break;
      }
      case kField:
      case kLabel: {
        auto* label = d.Kind == kField ? new TAlField(&form) : new TAlLabel(&form);
        label->SetCaption(d.Kind == kField ? d.Name : d.Caption ? d.Caption : VendorLine(d.Name));
        label->SetAlignment(d.Alignment);
        label->SetAutoSize(d.AutoSize);
        control = label;
        break;
      }
    }
    control->SetName(d.Name);
    control->SetParent(static_cast<TAlVisual*>(form.FindComponent(d.Band)));
    control->SetBounds(d.Left, d.Top, d.Width, d.Height);
    if (!d.Font.Name.empty()) control->SetFont(d.Font);
  }
  for (const char* value : {"alrFieldSysinfoVal", "alrFieldProginfoVal"})
    static_cast<TAlLabel*>(form.FindComponent(value))->SetWordWrap(true);
}

TIqReport::~TIqReport() = default;

void TIqReport::Row(const char* labelField, const char* valueField, const std::string& label,
                    const std::string& value) {
  alrIQ_->AddFieldValue(labelField, label);
  alrIQ_->AddFieldValue(valueField, value);
}

void TIqReport::addCheckRow(const std::string& text, bool passed) {
  alrIQ_->AddFieldValue("alrFieldIqLbl", text);
  alrIQ_->AddFieldValue("alrFieldIqVal", passed ? "Ja" : "Nein");
  ++checks_;
  if (!passed) ++failed_;
}

void TIqReport::FillData(IIqSubject& subject, const ISystemFacts& facts) {
  for (TComponent* c : form_->Components())
    if (auto* field = dynamic_cast<TAlField*>(c)) field->ClearValues();

  const std::string ports = ComPortsText(subject.ComPorts());
  const char* sysLbl = "alrFieldSysinfoLbl";
  const char* sysVal = "alrFieldSysinfoVal";
  Row(sysLbl, sysVal, "Computername:", ComputerName(facts));
  const THostLookup host = facts.LocalHost();
  Row(sysLbl, sysVal, "IP-Adresse:", IpAddress(host));
  Row(sysLbl, sysVal, "IP-Hostname:", IpHostName(host));
  Row(sysLbl, sysVal, "Betriebssystem:", OsDescription(facts));
  Row(sysLbl, sysVal,
      "Verf\xFC"
      "gbare COM-Ports:",
      ports);
  Row(sysLbl, sysVal, "Angemeldeter Benutzer:", LoggedInUser(facts));

  const TIqProgramFile program = subject.ProgramFile();
  TZanExeInfo& info = *zanExeInfo_;
  info.getInfoFromFile(program.Path);
  const char* progLbl = "alrFieldProginfoLbl";
  const char* progVal = "alrFieldProginfoVal";
  Row(progLbl, progVal, "Produktname:", info.productName());
  Row(progLbl, progVal, "Produktversion:", info.productVersion());
  Row(progLbl, progVal, "Buildnummer:", info.buildNumber());
  Row(progLbl, progVal, "Hersteller:", info.companyName());
  Row(progLbl, progVal, "Copyright:", info.copyright());
  Row(progLbl, progVal, "Installationspfad:", program.Directory);
  Row(progLbl, progVal, "Programmdatei:", program.Name);
  // Which executable was qualified: the version block reads the same for every rebuild.
  const auto digest = [](const std::string& path) {
    std::string hex;
    return Sha256OfFile(path, hex) ? hex : std::string("nicht lesbar");
  };
  // Beside the program, in the same file-name encoding as its path.
  const std::string help =
      program.Path.substr(0, program.Path.find_last_of("\\/") + 1) + HelpFileName;
  Row(progLbl, progVal, "SHA-256 Programmdatei:", digest(program.Path));
  Row(progLbl, progVal, "SHA-256 Tarvolin.hlp:", digest(help));

  checks_ = 0;
  failed_ = 0;
  const auto pause = [&subject] { subject.Pause(kCheckPauseMs); };
  subject.ShowFilterSettings();
  subject.ProcessMessages();
  addCheckRow("Direkte Anzeige des Fenster zur Filterkonfiguration",
              subject.FilterSettingsVisible());
  pause();
  subject.HideFilterSettings();
  subject.ProcessMessages();
  addCheckRow(
      "Direktes Schlie\xDF"
      "en des Fenster zur Filterkonfiguration",
      !subject.FilterSettingsVisible());
  pause();
  subject.ClickPortMenu();
  subject.ProcessMessages();
  addCheckRow(
      "Klick auf Men\xFC"
      "eintrag zur Portkonfiguration",
      subject.PortSettingsVisible());
  pause();
  subject.ClickPortClose();
  subject.ProcessMessages();
  addCheckRow(
      "Klick auf Button zum Schlie\xDF"
      "en der Portkonfiguration",
      !subject.PortSettingsVisible());
  pause();
  const bool helpFile = subject.HelpFileExists();
  addCheckRow("Hilfedatei \"Tarvolin.hlp\" vorhanden", helpFile);
  subject.ClickHelpMenu();
  subject.ProcessMessages();
  // The click must also have brought up the help, not only found the file beforehand.
  addCheckRow(
      "Klick auf Men\xFC"
      "eintrag zur Anzeige der Hilfe",
      helpFile && subject.HelpShown());
  pause();
  subject.CloseHelp();

  alrIQ_->AddFieldValue("alrFieldResultOk",
                        Format("Tests bestanden: %d von %d", checks_ - failed_, checks_));
  alrIQ_->AddFieldValue("alrFieldResultBad",
                        Format("Nicht bestanden: %d von %d", failed_, checks_));
  alrIQ_->AddFieldValue("alrFieldResultText", failed_ == 0 ? "Bestanden" : "Nicht bestanden");
}
