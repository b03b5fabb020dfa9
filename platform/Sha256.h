// SHA-256 from the system's maintained cryptography: libcrypto on POSIX, CNG on Windows. One
// backend per platform; the hex text and the file helper are shared.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

using TSha256Digest = std::array<uint8_t, 32>;

// An incremental hash. Not shared between threads. A backend that cannot start or feed the
// hash (out of memory, a broken system library) throws Exception with the system's cause.
class TSha256 {
 public:
  TSha256();
  ~TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;

  void Update(const void* data, size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The digest of everything fed so far; the hash starts again empty afterwards.
  TSha256Digest Final();

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

// 64 lower-case hex digits.
std::string Sha256Hex(const TSha256Digest& digest);
std::string Sha256Hex(std::string_view bytes);

// The SHA-256 of a file's contents as hex, read in pieces so that a large file needs little
// memory; false when the file cannot be opened or read (then `hex` is untouched).
bool Sha256OfFile(const std::string& path, std::string& hex);
