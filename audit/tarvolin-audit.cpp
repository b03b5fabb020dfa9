// tarvolin-audit: checks the audit trail's files and exports their records for spreadsheets.
//
//   tarvolin-audit verify FILE...
//   tarvolin-audit export --csv [--separator=C] [--output=PATH] FILE...
//
// Exit status: 0 every file intact, 1 a file broken, 2 a usage error or a file that cannot be
// read.
#include <clocale>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/AuditTrailCheck.h"
#include "audit/BinaryOutput.h"

namespace {

constexpr int kIntact = 0;
constexpr int kBroken = 1;
constexpr int kTrouble = 2;

int Usage() {
  std::cerr << "usage: tarvolin-audit verify FILE...\n"
               "       tarvolin-audit export --csv [--separator=C] [--output=PATH] FILE...\n";
  return kTrouble;
}

std::string Verdict(const TAuditVerdict& v) {
  if (!v.intact) return "broken at line " + std::to_string(v.brokenLine) + ": " + v.why;
  std::string text = "intact, " + std::to_string(v.records) + " records";
  if (v.cutLines != 0) text += ", " + std::to_string(v.cutLines) + " cut by a crash and kept";
  return text;
}

int Verify(const std::vector<std::string>& files) {
  int status = kIntact;
  for (const std::string& file : files) {
    std::string text;
    if (!ReadAuditFile(file, text)) {
      std::cout << file << ": cannot be read" << std::endl;
      status = kTrouble;
      continue;
    }
    const TAuditVerdict v = VerifyAuditText(text);
    std::cout << file << ": " << Verdict(v) << std::endl;
    if (!v.intact && status == kIntact) status = kBroken;
  }
  return status;
}

int Export(const std::vector<std::string>& args) {
  bool csv = false;
  char separator = LocaleCsvSeparator();
  std::string output;
  std::vector<std::string> files;
  for (const std::string& a : args) {
    if (a == "--csv") {
      csv = true;
    } else if (a.starts_with("--separator=") && a.size() == 13) {
      separator = a.back();
    } else if (a.starts_with("--output=") && a.size() > 9) {
      output = a.substr(9);
    } else if (a.starts_with("--")) {
      return Usage();
    } else {
      files.push_back(a);
    }
  }
  if (!csv || files.empty() || separator == '"' || separator == '\n' || separator == '\r')
    return Usage();

  std::ofstream file;
  if (!output.empty()) {
    file.open(output, std::ios::binary);
    if (!file) {
      std::cerr << output << ": cannot be written\n";
      return kTrouble;
    }
  } else {
    SetBinaryStandardOutput();
  }
  std::ostream& out = output.empty() ? std::cout : file;

  int status = kIntact;
  out << AuditCsvHeader(separator);
  for (const std::string& f : files) {
    std::string text;
    if (!ReadAuditFile(f, text)) {
      std::cerr << f << ": cannot be read\n";
      status = kTrouble;
      continue;
    }
    // The records are exported all the same; the reader is told that the file is not intact.
    if (const TAuditVerdict v = VerifyAuditText(text); !v.intact) {
      std::cerr << f << ": " << Verdict(v) << "\n";
      if (status == kIntact) status = kBroken;
    }
    out << AuditCsvRows(text, separator);
  }
  out.flush();
  if (!out) {
    std::cerr << (output.empty() ? "standard output" : output) << ": cannot be written\n";
    return kTrouble;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 2) return Usage();
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "verify") {
    for (const std::string& a : args)
      if (a.starts_with("--")) return Usage();
    return Verify(args);
  }
  if (command == "export") return Export(args);
  return Usage();
}
