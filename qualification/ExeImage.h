// Finding the version block in a program file: in a Windows executable its version resource, in
// an ELF executable the section kVersionSection. Works on files from strangers: any bytes give
// either a block (which may still be malformed) or nothing, and nothing is read outside the file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The ELF section that carries the program's version block.
inline constexpr const char* kVersionSection = ".fileversion";

// Random access to the bytes of a file.
class IByteSource {
 public:
  virtual ~IByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Copies `count` bytes from `offset`; false (and nothing copied) when they are not all there.
  virtual bool ReadAt(uint64_t offset, void* to, size_t count) const = 0;
};

class TMemorySource : public IByteSource {
 public:
  explicit TMemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, void* to, size_t count) const override;

 private:
  std::span<const uint8_t> bytes_;
};

// The version block of the executable in `file`; empty when it has none.
std::vector<uint8_t> FindVersionBlock(const IByteSource& file);

// The version block of the file `fileName` (a platform file name, platform/FileName.h); empty when
// the file cannot be read or has none.
std::vector<uint8_t> ReadVersionBlock(const std::string& fileName);
