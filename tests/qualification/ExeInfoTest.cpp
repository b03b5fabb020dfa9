// TZanExeInfo on real files: the test's own executable (which carries the program's version
// block in its section), Windows executables made by another toolchain and by the test, and
// files that have no block or a damaged one.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "qualification/ExeImage.h"
#include "qualification/VersionBlock.h"
#include "qualification/zanExeinfo.h"
#include "tests/qualification/OwnFile.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, std::span<const uint8_t> bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

void Put(std::vector<uint8_t>& b, size_t at, uint32_t v, int size) {
  if (b.size() < at + static_cast<size_t>(size)) b.resize(at + static_cast<size_t>(size));
  for (int i = 0; i < size; ++i)
    b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// A Windows executable with a single resource section holding `block` as its version resource;
// PE32+ when `wide`, PE32 otherwise. Resource tree at 0x200: type, name and language levels,
// the data entry at 0x48, the block at 0x58.
std::vector<uint8_t> BuildPe(std::span<const uint8_t> block, bool wide) {
  std::vector<uint8_t> pe(0x200 + 0x58, 0);
  pe[0] = 'M';
  pe[1] = 'Z';
  Put(pe, 0x3C, 0x40, 4);
  Put(pe, 0x40, 0x00004550, 4);
  Put(pe, 0x44, wide ? 0x8664 : 0x14C, 2);
  Put(pe, 0x46, 1, 2);  // sections
  const uint32_t optionalSize = wide ? 240 : 224;
  Put(pe, 0x54, optionalSize, 2);
  const size_t optional = 0x58;
  Put(pe, optional, wide ? 0x20B : 0x10B, 2);
  const size_t directories = optional + (wide ? 108 : 92);
  Put(pe, directories, 16, 4);
  const uint32_t rsrcSize = static_cast<uint32_t>(0x58 + block.size());
  Put(pe, directories + 4 + 16, 0x1000, 4);
  Put(pe, directories + 4 + 20, rsrcSize, 4);
  const size_t section = optional + optionalSize;
  std::memcpy(pe.data() + section, ".rsrc", 5);
  Put(pe, section + 8, rsrcSize, 4);
  Put(pe, section + 12, 0x1000, 4);
  Put(pe, section + 16, rsrcSize, 4);
  Put(pe, section + 20, 0x200, 4);
  const size_t r = 0x200;
  Put(pe, r + 14, 1, 2);
  Put(pe, r + 16, 16, 4);  // version resources
  Put(pe, r + 20, 0x80000018, 4);
  Put(pe, r + 0x18 + 14, 1, 2);
  Put(pe, r + 0x18 + 16, 1, 4);
  Put(pe, r + 0x18 + 20, 0x80000030, 4);
  Put(pe, r + 0x30 + 14, 1, 2);
  Put(pe, r + 0x30 + 16, 0x0407, 4);
  Put(pe, r + 0x30 + 20, 0x48, 4);
  Put(pe, r + 0x48, 0x1058, 4);
  Put(pe, r + 0x48 + 4, static_cast<uint32_t>(block.size()), 4);
  pe.insert(pe.end(), block.begin(), block.end());
  return pe;
}

std::vector<uint8_t> SampleBlock(bool withTranslation = true) {
  TVersionDescription d;
  d.Language = 0x0407;
  d.CodePage = 0x04E4;
  d.Strings = {{"CompanyName", "Werk"}, {"ProductName", " Probe "}, {"ProductVersion", "3.1"}};
  std::vector<uint8_t> block = BuildVersionBlock(d);
  if (!withTranslation) {
    // The translation's key renamed: the block has no translation any more.
    const std::u16string key = u"Translation";
    auto at = std::search(block.begin(), block.end(), reinterpret_cast<const uint8_t*>(key.data()),
                          reinterpret_cast<const uint8_t*>(key.data() + key.size()));
    at[0] = 'X';
  }
  return block;
}

// Every property but exeFileName, with its name.
std::vector<std::pair<std::string, std::string>> Values(const TZanExeInfo& info) {
  return {{"countryCode", info.countryCode()},
          {"companyName", info.companyName()},
          {"fileDescription", info.fileDescription()},
          {"buildNumber", info.buildNumber()},
          {"internalName", info.internalName()},
          {"copyright", info.copyright()},
          {"trademark", info.trademark()},
          {"originalFilename", info.originalFilename()},
          {"productName", info.productName()},
          {"productVersion", info.productVersion()},
          {"comments", info.comments()}};
}

void ExpectEmpty(const TZanExeInfo& info, const std::string& why) {
  for (const auto& [name, value] : Values(info)) EXPECT_EQ(value, "") << why << ": " << name;
}

class ExeInfo : public testing::Test {
 protected:
  // A directory per test process, so that runs side by side do not share files.
  void SetUp() override { fs::create_directories(dir_); }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path Temp(const char* name, std::span<const uint8_t> bytes) {
    const fs::path path = dir_ / name;
    WriteAll(path, bytes);
    return path;
  }
  const fs::path dir_ = fs::path(testing::TempDir()) / ("exeinfo_" + std::to_string(getpid()));
  TZanExeInfo info_;
};

TEST_F(ExeInfo, TheProgramsOwnFileGivesItsVersionBlock) {
  info_.getInfoFromFile(OwnFile());
  EXPECT_EQ(info_.exeFileName(), OwnFile());
  EXPECT_EQ(info_.productVersion() + ", Build " + info_.buildNumber(),
            "V1.1 (Freeware), Build 1.1.1.76");
  EXPECT_EQ(info_.countryCode(), "040704E4");
  EXPECT_EQ(info_.productName(), "Tarvolin");
  EXPECT_EQ(info_.internalName(), "Tarvolin");
  EXPECT_EQ(info_.originalFilename(), "Tarvolin.exe");
  EXPECT_EQ(info_.fileDescription(), "Erfassung serieller Daten in jede Windows-Anwendung");
  EXPECT_EQ(info_.trademark(), "<none>");
  EXPECT_EQ(info_.comments(), "");
  EXPECT_FALSE(info_.companyName().empty());
  EXPECT_FALSE(info_.copyright().empty());
}

#ifdef _WIN32
// The program's version resource as the system's own version calls read it.
std::string SystemValue(const std::vector<char>& block, const std::string& path) {
  void* value = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block.data(), path.c_str(), &value, &size) || value == nullptr) return {};
  return std::string(static_cast<const char*>(value),
                     strnlen(static_cast<const char*>(value), size));
}

TEST_F(ExeInfo, TheSystemsVersionCallsReadTheSameResource) {
  const std::string file = OwnFile();
  DWORD unused = 0;
  std::vector<char> block(GetFileVersionInfoSizeA(file.c_str(), &unused));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  void* translation = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation, &size));
  ASSERT_GE(size, 4u);
  uint16_t lang = 0, codePage = 0;
  std::memcpy(&lang, translation, 2);
  std::memcpy(&codePage, static_cast<const char*>(translation) + 2, 2);
  char code[9];
  std::snprintf(code, sizeof code, "%04X%04X", lang, codePage);

  info_.getInfoFromFile(file);
  EXPECT_EQ(info_.countryCode(), code);
  const std::string base = std::string("\\StringFileInfo\\") + code + "\\";
  const std::pair<const char*, std::string> keys[] = {
      {"CompanyName", info_.companyName()},           {"FileDescription", info_.fileDescription()},
      {"FileVersion", info_.buildNumber()},           {"InternalName", info_.internalName()},
      {"LegalCopyright", info_.copyright()},          {"LegalTrademarks", info_.trademark()},
      {"OriginalFilename", info_.originalFilename()}, {"ProductName", info_.productName()},
      {"ProductVersion", info_.productVersion()},     {"Comments", info_.comments()}};
  for (const auto& [key, value] : keys) EXPECT_EQ(SystemValue(block, base + key), value) << key;
}
#endif

TEST_F(ExeInfo, WindowsExecutablesGiveTheirValuesTrimmed) {
  // Made by another toolchain's resource compiler (data/probe.rc).
  info_.getInfoFromFile(TARVOLIN_TEST_DATA "/probe.exe");
  EXPECT_EQ(info_.countryCode(), "040904B0");
  EXPECT_EQ(info_.companyName(), "Beispiel Werkst\xE4tte");
  EXPECT_EQ(info_.buildNumber(), "2.0.0.5");
  EXPECT_EQ(info_.productVersion(), "2.0 Beta");
  EXPECT_EQ(info_.trademark(), "keine");
  EXPECT_EQ(info_.fileDescription(), "");

  for (bool wide : {false, true}) {
    info_.getInfoFromFile(Temp("built.exe", BuildPe(SampleBlock(), wide)).string());
    EXPECT_EQ(info_.productName(), "Probe") << wide;
    EXPECT_EQ(info_.companyName(), "Werk") << wide;
    EXPECT_EQ(info_.countryCode(), "040704E4") << wide;
  }
}

TEST_F(ExeInfo, ASecondFileReplacesEveryValue) {
  info_.getInfoFromFile(OwnFile());
  ASSERT_FALSE(info_.fileDescription().empty());
  info_.getInfoFromFile(Temp("second.exe", BuildPe(SampleBlock(), true)).string());
  EXPECT_EQ(info_.productVersion(), "3.1");
  for (const std::string& stale : {info_.fileDescription(), info_.buildNumber(),
                                   info_.internalName(), info_.copyright(), info_.trademark()})
    EXPECT_EQ(stale, "");
}

TEST_F(ExeInfo, FilesWithoutAUsableBlockGiveEmptyValues) {
  std::vector<uint8_t> renamed = ReadAll(OwnFile());
  const std::string name = kVersionSection;
  // The last one is the section name table's; the reader's own constant comes earlier.
  auto at = std::find_end(renamed.begin(), renamed.end(), name.begin(), name.end());
  ASSERT_NE(at, renamed.end());
  at[1] = 'X';
  const std::vector<uint8_t> text{'n', 'o', ' ', 'p', 'r', 'o', 'g', 'r', 'a', 'm'};

  std::vector<std::pair<const char*, fs::path>> files = {
      {"a file that is no program", Temp("text", text)},
      {"a file that does not exist", dir_ / "missing.exe"},
      {"a block without translation", Temp("untranslated.exe", BuildPe(SampleBlock(false), true))},
  };
#ifndef _WIN32  // an ELF program's block is its section; a Windows program's is a resource
  files.push_back({"a program without the section", Temp("renamed", renamed)});
#endif
  for (const auto& [why, path] : files) {
    info_.getInfoFromFile(OwnFile());
    info_.getInfoFromFile(path.string());
    EXPECT_EQ(info_.exeFileName(), path.string()) << why;
    ExpectEmpty(info_, why);
  }
}

TEST_F(ExeInfo, CutAndDamagedExecutablesGiveEmptyValuesWithoutReadingPastThem) {
  const std::vector<uint8_t> pe = BuildPe(SampleBlock(), true);
  // Cut anywhere before the end of the block, the block is gone.
  for (size_t size = 0; size < pe.size(); ++size) {
    const std::vector<uint8_t> cut(pe.begin(), pe.begin() + static_cast<long>(size));
    const std::vector<uint8_t> block = FindVersionBlock(TMemorySource(cut));
    EXPECT_FALSE(QueryVersionValue(block, "\\VarFileInfo\\Translation")) << size;
  }
  struct Damage {
    const char* why;
    size_t at;
    uint32_t value;
  };
  const Damage damages[] = {
      {"header offset past the file", 0x3C, 0xFFFFFFF0},
      {"unknown optional header", 0x58, 0x999},
      {"resource section beyond the file", 0x58 + 240 + 20, 0x7FFFFFFF},
      {"type directory claims 65535 entries", 0x200 + 14, 0xFFFF},
      {"type entry points at itself", 0x200 + 20, 0x80000000},
      {"language entry is a directory", 0x200 + 0x30 + 20, 0x80000000},
      {"data entry outside every section", 0x200 + 0x48, 0x9000},
      {"data size beyond the section", 0x200 + 0x48 + 4, 0x10000},
  };
  for (const Damage& d : damages) {
    std::vector<uint8_t> damaged = pe;
    Put(damaged, d.at, d.value, d.at == 0x200 + 14 || d.at == 0x58 ? 2 : 4);
    info_.getInfoFromFile(Temp("damaged.exe", damaged).string());
    ExpectEmpty(info_, d.why);
  }
}

}  // namespace
