#include "qualification/zanExeinfo.h"

#include <cstdio>
#include <vector>

#include "base/SysUtils.h"
#include "qualification/ExeImage.h"
#include "qualification/VersionBlock.h"

TZanExeInfo::TZanExeInfo(TComponent* owner) : TComponent(owner) {}

void TZanExeInfo::getInfoFromFile(const std::string& fileName) {
  std::vector<uint8_t> block;
  try {
    block = ReadVersionBlock(fileName);
  } catch (const std::exception&) {
    // Out of memory for the tables of a damaged file: it has no block we could read.
  }
  getInfoFromBlock(block);
  info_.exeFileName = fileName;
}

void TZanExeInfo::getInfoFromBlock(std::span<const uint8_t> block) {
  const std::string fileName = info_.exeFileName;
  info_ = {};
  info_.exeFileName = fileName;
  const auto translation = QueryVersionValue(block, "\\VarFileInfo\\Translation");
  // Without a translation there is no string table to look in.
  if (!translation || translation->Bytes.size() < 4) return;
  const auto& t = translation->Bytes;
  char code[9];
  std::snprintf(code, sizeof code, "%02X%02X%02X%02X", t[1], t[0], t[3], t[2]);
  info_.countryCode = code;

  const std::pair<const char*, std::string*> keys[] = {
      {"CompanyName", &info_.companyName},           {"FileDescription", &info_.fileDescription},
      {"FileVersion", &info_.buildNumber},           {"InternalName", &info_.internalName},
      {"LegalCopyright", &info_.copyright},          {"LegalTradeMarks", &info_.trademark},
      {"OriginalFilename", &info_.originalFilename}, {"ProductName", &info_.productName},
      {"ProductVersion", &info_.productVersion},     {"Comments", &info_.comments},
  };
  for (const auto& [key, property] : keys) {
    const auto value =
        QueryVersionValue(block, std::string("\\StringFileInfo\\") + code + "\\" + key);
    if (value) *property = Trim(VersionText(*value));
  }
}
