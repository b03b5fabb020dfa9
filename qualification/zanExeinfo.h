// TZanExeInfo: the version information of a program file (Windows or ELF executable), read with
// the project's own reader of the version block, so it is the same code on every platform.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/Component.h"

class TZanExeInfo : public TComponent {
 public:
  explicit TZanExeInfo(TComponent* owner = nullptr);

  // Stores `fileName` (a platform file name, platform/FileName.h) as exeFileName, empties every
  // other property and fills them from the file's version block. A file that cannot be read, or has
  // no block or no translation, leaves them empty. Never raises.
  void getInfoFromFile(const std::string& fileName);
  // The same from a version block in memory; exeFileName is left as it is.
  void getInfoFromBlock(std::span<const uint8_t> block);

  // Texts are CP1252, trimmed of leading and trailing blanks.
  const std::string& exeFileName() const { return info_.exeFileName; }
  // The first translation: language and code page as 8 upper-case hexadecimal digits.
  const std::string& countryCode() const { return info_.countryCode; }
  const std::string& companyName() const { return info_.companyName; }
  const std::string& fileDescription() const { return info_.fileDescription; }
  // The file version text ("FileVersion").
  const std::string& buildNumber() const { return info_.buildNumber; }
  const std::string& internalName() const { return info_.internalName; }
  const std::string& copyright() const { return info_.copyright; }
  const std::string& trademark() const { return info_.trademark; }
  const std::string& originalFilename() const { return info_.originalFilename; }
  const std::string& productName() const { return info_.productName; }
  const std::string& productVersion() const { return info_.productVersion; }
  const std::string& comments() const { return info_.comments; }

 private:
  struct TInfo {
    std::string exeFileName;
    std::string countryCode;
    std::string companyName;
    std::string fileDescription;
    std::string buildNumber;
    std::string internalName;
    std::string copyright;
    std::string trademark;
    std::string originalFilename;
    std::string productName;
    std::string productVersion;
    std::string comments;
  };
  TInfo info_;
};
