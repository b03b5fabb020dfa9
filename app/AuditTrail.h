// The audit trail: a tamper-evident record of every result, of capture started and stopped, of
// the configuration loaded and saved and of the device lost and back, in one file per month
// (the format is in AuditTrailCheck.h). Off unless the configuration switches it on:
//
//   [Audit]
//   Auditing=1        record
//   AuditDir=         directory of the files; blank: the configuration directory, relative: in it
//
// Like [Trace] the section is read at start-up and by Laden and never written by Speichern.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "app/ResultRecord.h"
#include "platform/AppendFile.h"

class TIniFile;

struct TAuditConfig {
  bool Auditing = false;
  std::string AuditDir;

  void Read(const TIniFile& ini);
  // The directory of the files; `configDirectory` ends in a path separator.
  std::string DirectoryIn(const std::string& configDirectory) const;

  bool operator==(const TAuditConfig&) const = default;
};

// Who writes the trail (CP1252).
struct TAuditIdentity {
  std::string version;
  std::string computer;
  std::string user;
};

// A moment: UTC milliseconds since 1970 and the local offset from UTC in minutes.
struct TAuditTime {
  int64_t unixMs = 0;
  int32_t offsetMinutes = 0;
};
TAuditTime AuditTimeNow();
// "Tarvolin-Audit-<YYYY-MM>.jsonl" of the local month of `t`.
std::string AuditFileName(const TAuditTime& t);

// The line settings of a capture, as the port dialog shows them (CP1252).
struct TAuditLineSettings {
  std::string baud;
  std::string databits;
  std::string parity;
  std::string stopbits;
  std::string xonxoff;
  std::string handshake;
};

// Writes the trail. Used on the user-interface thread only. Every record is written before the
// call returns and so outlives the process; results reach the disk at BatchDone, every other
// record at once. The program never shortens, rewrites or deletes a file.
//
// During a capture (from CaptureStarted to CaptureStopped) the file is this trail's alone;
// outside one it is taken for each record and then left, so that several instances of the
// program can share a directory. Each time the file is taken the chain goes on from its end.
//
// A record that cannot be written fails the trail: that call and every later one give false, and
// Error() says why in German, until Open succeeds again.
class TAuditTrail : public IResultRecorder {
 public:
  using TClock = std::function<TAuditTime()>;

  TAuditTrail(std::string directory, TAuditIdentity identity, TClock clock = AuditTimeNow);

  const std::string& Directory() const { return directory_; }
  // The file of the current month, with the directory.
  std::string CurrentPath() const;

  // Makes the current month's file ready to take records: creates the directory and the file,
  // begins a new file with its header, and after a crash that cut the last record keeps that
  // record and begins a new segment naming the last intact one. Fails while another capture
  // writes the file.
  bool Open();

  // What the records that follow are about: the configuration's letter (empty for the plain
  // one), the COM number and the adapter's identity (CP1252).
  void SetContext(std::string config, uint16_t com, std::string adapter);

  bool CaptureStarted(const TAuditLineSettings& line);
  bool CaptureStopped();
  bool ConfigLoaded(const std::string& file);
  bool ConfigSaved(const std::string& file);
  bool DeviceLost();
  bool DeviceBack();

  // IResultRecorder
  bool Record(const TResultRecord& record) override;
  void BatchDone() override;

  bool Failed() const { return failed_; }
  const std::string& Error() const { return error_; }
  // Called once each time the trail fails, with Error().
  std::function<void(const std::string& error)> OnFailure;

 private:
  bool OpenFile(const std::string& name, const TAuditTime& now);
  void Release();
  bool Append(const char* type, nlohmann::json members, bool sync);
  bool WriteLine(nlohmann::json content);
  bool Fail(const std::string& error);
  // The message for a file of the directory that cannot be written, with the system's cause.
  std::string Unwritable(const std::string& name, const std::string& cause) const;
  nlohmann::json Common(const char* type, const TAuditTime& now) const;

  std::string directory_;
  TAuditIdentity identity_;
  TClock clock_;
  std::string config_;
  uint16_t com_ = 0;
  std::string adapter_;

  TAppendFile file_;
  std::string fileName_;  // of the open file, without the directory
  std::string lastHash_;
  int64_t nextSeq_ = 0;
  bool unsynced_ = false;
  bool capturing_ = false;
  bool failed_ = false;
  std::string error_;
};
