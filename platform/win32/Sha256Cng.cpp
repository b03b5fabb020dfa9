// SHA-256 through the system's CNG primitives (bcrypt.dll), so the Windows program carries no
// cryptography of its own.
#include <windows.h>
// After <windows.h>: bcrypt.h needs its types.
#include <bcrypt.h>

#include <algorithm>
#include <vector>

#include "base/Exception.h"
#include "platform/Sha256.h"

namespace {

void Check(NTSTATUS status, const char* step) {
  if (status < 0) {
    char text[80];
    wsprintfA(text, "SHA-256: %s: NTSTATUS 0x%08lX", step, static_cast<unsigned long>(status));
    throw Exception(text);
  }
}

}  // namespace

struct TSha256::TImpl {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::vector<UCHAR> object;

  void Start() {
    Check(BCryptCreateHash(algorithm, &hash, object.data(), static_cast<ULONG>(object.size()),
                           nullptr, 0, 0),
          "BCryptCreateHash");
  }
};

TSha256::TSha256() : impl_(std::make_unique<TImpl>()) {
  Check(BCryptOpenAlgorithmProvider(&impl_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0),
        "BCryptOpenAlgorithmProvider");
  DWORD objectSize = 0;
  ULONG got = 0;
  try {
    Check(BCryptGetProperty(impl_->algorithm, BCRYPT_OBJECT_LENGTH,
                            reinterpret_cast<PUCHAR>(&objectSize), sizeof objectSize, &got, 0),
          "BCryptGetProperty");
    impl_->object.resize(objectSize);
    impl_->Start();
  } catch (...) {
    BCryptCloseAlgorithmProvider(impl_->algorithm, 0);
    throw;
  }
}

TSha256::~TSha256() {
  if (impl_->hash) BCryptDestroyHash(impl_->hash);
  BCryptCloseAlgorithmProvider(impl_->algorithm, 0);
}

void TSha256::Update(const void* data, size_t size) {
  auto* bytes = static_cast<UCHAR*>(const_cast<void*>(data));
  // BCryptHashData takes at most a ULONG at a time.
  while (size != 0) {
    const ULONG chunk = static_cast<ULONG>(std::min<size_t>(size, 1u << 30));
    Check(BCryptHashData(impl_->hash, bytes, chunk, 0), "BCryptHashData");
    bytes += chunk;
    size -= chunk;
  }
}

TSha256Digest TSha256::Final() {
  TSha256Digest digest{};
  Check(BCryptFinishHash(impl_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0),
        "BCryptFinishHash");
  BCryptDestroyHash(impl_->hash);
  impl_->hash = nullptr;
  impl_->Start();
  return digest;
}
