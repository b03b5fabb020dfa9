#include "platform/Sha256.h"

#include <fstream>
#include <vector>

#include "platform/FileName.h"

std::string Sha256Hex(const TSha256Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(digest.size() * 2);
  for (uint8_t b : digest) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

std::string Sha256Hex(std::string_view bytes) {
  TSha256 hash;
  hash.Update(bytes);
  return Sha256Hex(hash.Final());
}

bool Sha256OfFile(const std::string& path, std::string& hex) {
  std::ifstream in(FileNamePath(path), std::ios::binary);
  if (!in) return false;
  TSha256 hash;
  std::vector<char> buffer(1 << 16);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    hash.Update(buffer.data(), static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) return false;
  hex = Sha256Hex(hash.Final());
  return true;
}
