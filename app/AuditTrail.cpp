#include "app/AuditTrail.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "app/AuditTrailCheck.h"
#include "app/RecorderConfig.h"
#include "base/Cp1252.h"
#include "base/SysUtils.h"
#include "platform/IniFile.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kSection = "Audit";

std::tm Broken(std::time_t t, bool local) {
  std::tm tm{};
#ifdef _WIN32
  local ? localtime_s(&tm, &t) : gmtime_s(&tm, &t);
#else
  local ? localtime_r(&t, &tm) : gmtime_r(&t, &tm);
#endif
  return tm;
}

// The civil date and time of `t` shifted by its offset: local time.
std::tm LocalOf(const TAuditTime& t) {
  const int64_t ms = t.unixMs + int64_t{t.offsetMinutes} * 60000;
  return Broken(static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000), false);
}

std::string Utc(const TAuditTime& t) {
  const int64_t seconds = t.unixMs >= 0 ? t.unixMs / 1000 : (t.unixMs - 999) / 1000;
  const std::tm tm = Broken(static_cast<std::time_t>(seconds), false);
  return Format("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(t.unixMs - seconds * 1000));
}

std::string Offset(int32_t minutes) {
  const int32_t a = minutes < 0 ? -minutes : minutes;
  return Format("%c%02d:%02d", minutes < 0 ? '-' : '+', static_cast<int>(a / 60),
                static_cast<int>(a % 60));
}

std::string Utf8(const std::string& cp1252) {
  return Cp1252ToUtf8(cp1252);
}

// The contents of a file that may not exist yet (then empty); false when it cannot be read.
// A missing file is an empty one: the month's first record makes it.
bool ReadExisting(const std::string& path, std::string& text) {
  return ReadAuditFile(path, text) || !fs::exists(path);
}

const char* OutcomeName(TResultOutcome o) {
  switch (o) {
    case TResultOutcome::Typed:
      return "typed";
    case TResultOutcome::OwnWindow:
      return "own-window";
    case TResultOutcome::NoWindow:
      return "no-window";
    case TResultOutcome::CheckFailed:
      return "check-failed";
    case TResultOutcome::TooLong:
      return "too-long";
    case TResultOutcome::KeysRefused:
      return "keys-refused";
  }
  return "";
}

}  // namespace

void TAuditConfig::Read(const TIniFile& ini) {
  Auditing = ini.ReadBool(kSection, "Auditing", false);
  AuditDir = Trim(ini.ReadString(kSection, "AuditDir", ""));
}

std::string TAuditConfig::DirectoryIn(const std::string& configDirectory) const {
  if (AuditDir.empty()) return configDirectory;
  return IsAbsolutePath(AuditDir) ? AuditDir : configDirectory + AuditDir;
}

TAuditTime AuditTimeNow() {
  using namespace std::chrono;
  const int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  const std::tm local = Broken(seconds, true);
  const std::tm utc = Broken(seconds, false);
  // The two civil times differ by less than a day: a year or day apart means a day wrap.
  int days = local.tm_yday - utc.tm_yday;
  if (local.tm_year != utc.tm_year) days = local.tm_year > utc.tm_year ? 1 : -1;
  const int minutes =
      days * 1440 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
  return {ms, minutes};
}

std::string AuditFileName(const TAuditTime& t) {
  const std::tm local = LocalOf(t);
  return Format("Tarvolin-Audit-%04d-%02d.jsonl", local.tm_year + 1900, local.tm_mon + 1);
}

TAuditTrail::TAuditTrail(std::string directory, TAuditIdentity identity, TClock clock)
    : directory_(std::move(directory)), identity_(std::move(identity)), clock_(std::move(clock)) {}

std::string TAuditTrail::CurrentPath() const {
  return (fs::path(directory_) / AuditFileName(clock_())).string();
}

void TAuditTrail::SetContext(std::string config, uint16_t com, std::string adapter) {
  config_ = std::move(config);
  com_ = com;
  adapter_ = std::move(adapter);
}

bool TAuditTrail::Open() {
  failed_ = false;
  error_.clear();
  const TAuditTime now = clock_();
  if (!OpenFile(AuditFileName(now), now)) return false;
  if (!capturing_) Release();
  return true;
}

void TAuditTrail::Release() {
  file_.Close();
  fileName_.clear();
}

bool TAuditTrail::Fail(const std::string& error) {
  const bool first = !failed_;
  failed_ = true;
  error_ = error;
  file_.Close();
  fileName_.clear();
  if (first && OnFailure) OnFailure(error_);
  return false;
}

bool TAuditTrail::OpenFile(const std::string& name, const TAuditTime& now) {
  file_.Close();
  fileName_.clear();
  const fs::path dir(directory_);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec)
    return Fail("Audit-Trail: Verzeichnis " + directory_ +
                " kann nicht angelegt werden: " + ec.message());
  const std::string path = (dir / name).string();
  if (fs::exists(path, ec) && !fs::is_regular_file(path, ec))
    return Fail("Audit-Trail: " + path + " ist keine Datei und kann nicht geschrieben werden.");
  std::string error;
  switch (file_.Open(path, error)) {
    case TAppendFile::TOpen::Opened:
      break;
    case TAppendFile::TOpen::Busy:
      return Fail("Audit-Trail: " + path + " wird gerade von einem anderen Tarvolin geschrieben.");
    case TAppendFile::TOpen::Failed:
      return Fail(Unwritable(name, error));
  }
  fileName_ = name;
  // Read only now that the file is this writer's: another one may have added to it since.
  std::string text;
  if (!ReadExisting(path, text))
    return Fail("Audit-Trail: " + path + " kann nicht gelesen werden.");

  const TAuditTail tail = ScanAuditTail(text);
  if (tail.empty) {
    lastHash_ = std::string(kAuditZeroHash);
    nextSeq_ = 0;
    json header = Common("header", now);
    header["program"] = "Tarvolin";
    header["version"] = Utf8(identity_.version);
    if (!WriteLine(std::move(header))) return false;
  } else {
    lastHash_ = tail.lastHash;
    nextSeq_ = tail.nextSeq;
    if (tail.linesAfter != 0) {
      // A crash cut the end: it stays as it is, and the chain goes on from the last intact
      // record. The line feed ends the cut line so that the new segment stands on a line of its
      // own.
      if (!tail.endsWithLineFeed && !file_.Append("\n", error))
        return Fail(Unwritable(name, error));
      json segment = Common("segment", now);
      segment["cut"] = tail.linesAfter;
      if (!WriteLine(std::move(segment))) return false;
    }
  }
  BatchDone();
  return !failed_;
}

std::string TAuditTrail::Unwritable(const std::string& name, const std::string& cause) const {
  return "Audit-Trail: " + (fs::path(directory_) / name).string() +
         " kann nicht geschrieben werden (" + cause + ").";
}

json TAuditTrail::Common(const char* type, const TAuditTime& now) const {
  json c;
  c["type"] = type;
  c["time"] = Utc(now);
  c["offset"] = Offset(now.offsetMinutes);
  c["computer"] = Utf8(identity_.computer);
  c["user"] = Utf8(identity_.user);
  return c;
}

bool TAuditTrail::WriteLine(json content) {
  content["prev"] = lastHash_;
  content["seq"] = nextSeq_;
  std::string hash;
  const std::string line = AuditRecordLine(content, &hash);
  std::string error;
  if (!file_.Append(line + "\n", error)) return Fail(Unwritable(fileName_, error));
  lastHash_ = hash;
  ++nextSeq_;
  unsynced_ = true;
  return true;
}

bool TAuditTrail::Append(const char* type, json members, bool sync) {
  if (failed_) return false;
  const TAuditTime now = clock_();
  const std::string name = AuditFileName(now);
  if (name != fileName_ || !file_.IsOpen()) {
    // A new month: what was written before goes to the disk, then a new file begins.
    if (file_.IsOpen()) BatchDone();
    if (failed_ || !OpenFile(name, now)) return false;
  }
  json content = Common(type, now);
  content.update(members);
  if (!WriteLine(std::move(content))) return false;
  // Outside a capture the file is left to other writers, with what was written on the disk.
  if (sync || !capturing_) BatchDone();
  if (!capturing_) Release();
  return !failed_;
}

void TAuditTrail::BatchDone() {
  if (failed_ || !unsynced_ || !file_.IsOpen()) return;
  std::string error;
  if (!file_.Sync(error)) {
    Fail(Unwritable(fileName_, error));
    return;
  }
  unsynced_ = false;
}

bool TAuditTrail::CaptureStarted(const TAuditLineSettings& line) {
  capturing_ = true;
  return Append("capture-start",
                {{"config", Utf8(config_)},
                 {"com", com_},
                 {"adapter", Utf8(adapter_)},
                 {"baud", Utf8(line.baud)},
                 {"databits", Utf8(line.databits)},
                 {"parity", Utf8(line.parity)},
                 {"stopbits", Utf8(line.stopbits)},
                 {"xonxoff", Utf8(line.xonxoff)},
                 {"handshake", Utf8(line.handshake)}},
                true);
}

bool TAuditTrail::CaptureStopped() {
  capturing_ = false;
  return Append("capture-stop", {{"config", Utf8(config_)}, {"com", com_}}, true);
}

bool TAuditTrail::ConfigLoaded(const std::string& file) {
  return Append("config-loaded", {{"config", Utf8(config_)}, {"file", Utf8(file)}}, true);
}

bool TAuditTrail::ConfigSaved(const std::string& file) {
  return Append("config-saved", {{"config", Utf8(config_)}, {"file", Utf8(file)}}, true);
}

bool TAuditTrail::DeviceLost() {
  return Append("device-lost", {{"com", com_}, {"adapter", Utf8(adapter_)}}, true);
}

bool TAuditTrail::DeviceBack() {
  return Append("device-back", {{"com", com_}, {"adapter", Utf8(adapter_)}}, true);
}

bool TAuditTrail::Record(const TResultRecord& r) {
  return Append("result",
                {{"config", Utf8(config_)},
                 {"com", com_},
                 {"adapter", Utf8(adapter_)},
                 {"raw", Utf8(r.raw)},
                 {"filtered", Utf8(r.filtered)},
                 {"typed", Utf8(r.typed)},
                 {"cursor", r.cursor},
                 {"window", Utf8(r.window)},
                 {"outcome", OutcomeName(r.outcome)}},
                false);
}
