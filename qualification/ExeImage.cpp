#include "qualification/ExeImage.h"

#include <cstring>
#include <fstream>
#include <string_view>

#include "platform/FileName.h"

namespace {

// A version block never exceeds its 16-bit length.
constexpr uint64_t kMaxBlock = 0xFFFF;
// Bounds for the tables read on the way, far above what real files hold.
constexpr uint64_t kMaxSections = 0x10000;
constexpr uint64_t kMaxNames = 1 << 20;
constexpr uint32_t kResourceVersion = 16;
constexpr uint32_t kHighBit = 0x80000000u;

// Little- or big-endian integers of a byte source; every read is bounds-checked.
class TReader {
 public:
  TReader(const IByteSource& file, bool bigEndian = false) : file_(file), big_(bigEndian) {}

  bool Bytes(uint64_t at, uint64_t count, std::vector<uint8_t>& out) const {
    if (at > file_.Size() || count > file_.Size() - at) return false;
    out.resize(static_cast<size_t>(count));
    return count == 0 || file_.ReadAt(at, out.data(), out.size());
  }
  bool U16(uint64_t at, uint32_t& v) const { return Uint(at, 2, v); }
  bool U32(uint64_t at, uint32_t& v) const { return Uint(at, 4, v); }
  bool U64(uint64_t at, uint64_t& v) const {
    uint32_t lo = 0, hi = 0;
    if (!U32(at + (big_ ? 4 : 0), lo) || !U32(at + (big_ ? 0 : 4), hi)) return false;
    v = uint64_t{hi} << 32 | lo;
    return true;
  }
  // A 32- or 64-bit field, by the file's class.
  bool Word(uint64_t at, bool wide, uint64_t& v) const {
    if (wide) return U64(at, v);
    uint32_t w = 0;
    if (!U32(at, w)) return false;
    v = w;
    return true;
  }
  uint64_t Size() const { return file_.Size(); }

 private:
  bool Uint(uint64_t at, int size, uint32_t& v) const {
    uint8_t b[4] = {};
    if (at > file_.Size() || static_cast<uint64_t>(size) > file_.Size() - at ||
        !file_.ReadAt(at, b, static_cast<size_t>(size)))
      return false;
    v = 0;
    for (int i = 0; i < size; ++i)
      v |= uint32_t{b[big_ ? i : size - 1 - i]} << (8 * (size - 1 - i));
    return true;
  }

  const IByteSource& file_;
  bool big_;
};

// --- Windows executables: the first version resource ---------------------------------------

struct TPeSection {
  uint32_t VirtualAddress, VirtualSize, RawSize, RawOffset;
};

// The file offset of `size` bytes at relative virtual address `rva`, if a section holds them.
bool RvaToOffset(const std::vector<TPeSection>& sections, uint32_t rva, uint64_t size,
                 uint64_t& offset) {
  for (const TPeSection& s : sections) {
    if (rva < s.VirtualAddress) continue;
    const uint64_t into = rva - s.VirtualAddress;
    if (into + size > s.RawSize) continue;
    offset = uint64_t{s.RawOffset} + into;
    return true;
  }
  return false;
}

// The entry of the resource directory at `dir` with the id `id`, or its first entry when `id`
// is 0; its raw offset field.
bool ResourceEntry(const TReader& r, uint64_t base, uint64_t dir, uint32_t id, uint32_t& target) {
  uint32_t named = 0, ids = 0;
  if (!r.U16(base + dir + 12, named) || !r.U16(base + dir + 14, ids)) return false;
  std::vector<uint8_t> entries;
  if (!r.Bytes(base + dir + 16, uint64_t{named + ids} * 8, entries)) return false;
  TMemorySource table(entries);
  const TReader e(table);
  for (uint32_t i = 0; i < named + ids; ++i) {
    uint32_t name = 0;
    e.U32(i * 8, name);
    if (id == 0 || name == id) return e.U32(i * 8 + 4, target);
  }
  return false;
}

std::vector<uint8_t> FindPeVersion(const TReader& r) {
  uint32_t peAt = 0, signature = 0, sectionCount = 0, optionalSize = 0, magic = 0;
  if (!r.U32(0x3C, peAt) || !r.U32(peAt, signature) || signature != 0x00004550) return {};
  if (!r.U16(uint64_t{peAt} + 6, sectionCount) || !r.U16(uint64_t{peAt} + 20, optionalSize))
    return {};
  const uint64_t optional = uint64_t{peAt} + 24;
  if (!r.U16(optional, magic)) return {};
  uint64_t directories = 0;
  if (magic == 0x10B)
    directories = 92;
  else if (magic == 0x20B)
    directories = 108;
  else
    return {};
  uint32_t directoryCount = 0, resourceRva = 0, resourceSize = 0;
  if (!r.U32(optional + directories, directoryCount) || directoryCount < 3 ||
      directories + 4 + 3 * 8 > optionalSize)
    return {};
  if (!r.U32(optional + directories + 4 + 16, resourceRva) ||
      !r.U32(optional + directories + 4 + 20, resourceSize) || resourceRva == 0)
    return {};

  std::vector<uint8_t> table;
  if (!r.Bytes(optional + optionalSize, uint64_t{sectionCount} * 40, table)) return {};
  std::vector<TPeSection> sections;
  TMemorySource tableBytes(table);
  const TReader t(tableBytes);
  for (uint32_t i = 0; i < sectionCount; ++i) {
    TPeSection s{};
    t.U32(i * 40 + 8, s.VirtualSize);
    t.U32(i * 40 + 12, s.VirtualAddress);
    t.U32(i * 40 + 16, s.RawSize);
    t.U32(i * 40 + 20, s.RawOffset);
    sections.push_back(s);
  }
  uint64_t base = 0;
  if (!RvaToOffset(sections, resourceRva, 16, base)) return {};

  // Type, then name, then language: the version type, then the first of each.
  uint32_t offset = 0;
  if (!ResourceEntry(r, base, 0, kResourceVersion, offset) || !(offset & kHighBit)) return {};
  if (!ResourceEntry(r, base, offset & ~kHighBit, 0, offset) || !(offset & kHighBit)) return {};
  if (!ResourceEntry(r, base, offset & ~kHighBit, 0, offset) || (offset & kHighBit)) return {};
  uint32_t dataRva = 0, dataSize = 0;
  if (!r.U32(base + offset, dataRva) || !r.U32(base + offset + 4, dataSize)) return {};
  const uint64_t size = std::min<uint64_t>(dataSize, kMaxBlock);
  uint64_t at = 0;
  std::vector<uint8_t> block;
  if (!RvaToOffset(sections, dataRva, size, at) || !r.Bytes(at, size, block)) return {};
  return block;
}

// --- ELF executables: the section kVersionSection ------------------------------------------

std::vector<uint8_t> FindElfVersion(const IByteSource& file) {
  uint8_t ident[6] = {};
  if (!file.ReadAt(0, ident, sizeof ident)) return {};
  const bool wide = ident[4] == 2;
  if ((ident[4] != 1 && !wide) || (ident[5] != 1 && ident[5] != 2)) return {};
  const TReader r(file, ident[5] == 2);

  uint64_t tableAt = 0;
  uint32_t entrySize = 0, count = 0, namesIndex = 0;
  if (!r.Word(wide ? 0x28 : 0x20, wide, tableAt) || !r.U16(wide ? 0x3A : 0x2E, entrySize) ||
      !r.U16(wide ? 0x3C : 0x30, count) || !r.U16(wide ? 0x3E : 0x32, namesIndex) || tableAt == 0)
    return {};
  const uint32_t minEntry = wide ? 64 : 40;
  if (entrySize < minEntry) return {};
  // Section header fields by the file's class.
  const uint64_t nameOff = 0, typeOff = 4, linkOff = wide ? 40 : 24;
  const uint64_t offsetOff = wide ? 24 : 16, sizeOff = wide ? 32 : 20;
  const auto field = [&](uint64_t index, uint64_t off, uint64_t& v) {
    return r.Word(tableAt + index * entrySize + off, wide, v);
  };
  // Many sections: the real count and name table index stand in the first section header.
  uint64_t sections = count;
  if (count == 0 && !field(0, sizeOff, sections)) return {};
  if (namesIndex == 0xFFFF) {
    uint32_t link = 0;
    if (!r.U32(tableAt + linkOff, link)) return {};
    namesIndex = link;
  }
  if (sections > kMaxSections || namesIndex >= sections) return {};

  uint64_t namesAt = 0, namesSize = 0;
  std::vector<uint8_t> names;
  if (!field(namesIndex, offsetOff, namesAt) || !field(namesIndex, sizeOff, namesSize) ||
      namesSize > kMaxNames || !r.Bytes(namesAt, namesSize, names))
    return {};
  const std::string_view wanted(kVersionSection);
  for (uint64_t i = 0; i < sections; ++i) {
    uint32_t name = 0, type = 0;
    if (!r.U32(tableAt + i * entrySize + nameOff, name) ||
        !r.U32(tableAt + i * entrySize + typeOff, type))
      return {};
    // The name must end inside the table; a section without file contents has no block.
    if (name >= names.size() || names.size() - name <= wanted.size() || type == 8) continue;
    if (std::memcmp(names.data() + name, wanted.data(), wanted.size()) != 0 ||
        names[name + wanted.size()] != 0)
      continue;
    uint64_t at = 0, size = 0;
    std::vector<uint8_t> block;
    if (!field(i, offsetOff, at) || !field(i, sizeOff, size) ||
        !r.Bytes(at, std::min(size, kMaxBlock), block))
      return {};
    return block;
  }
  return {};
}

class TFileSource : public IByteSource {
 public:
  explicit TFileSource(const std::string& fileName)
      : in_(FileNamePath(fileName), std::ios::binary) {
    if (in_.seekg(0, std::ios::end)) size_ = static_cast<uint64_t>(in_.tellg());
    if (!in_) size_ = 0;
  }
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* to, size_t count) const override {
    if (offset > size_ || count > size_ - offset) return false;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(static_cast<char*>(to), static_cast<std::streamsize>(count));
    return in_.gcount() == static_cast<std::streamsize>(count);
  }

 private:
  mutable std::ifstream in_;
  uint64_t size_ = 0;
};

}  // namespace

bool TMemorySource::ReadAt(uint64_t offset, void* to, size_t count) const {
  if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
  if (count > 0) std::memcpy(to, bytes_.data() + offset, count);
  return true;
}

std::vector<uint8_t> FindVersionBlock(const IByteSource& file) {
  uint8_t magic[4] = {};
  if (!file.ReadAt(0, magic, sizeof magic)) return {};
  if (magic[0] == 'M' && magic[1] == 'Z') return FindPeVersion(TReader(file));
  if (magic[0] == 0x7F && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F')
    return FindElfVersion(file);
  return {};
}

std::vector<uint8_t> ReadVersionBlock(const std::string& fileName) {
  const TFileSource file(fileName);
  return FindVersionBlock(file);
}
