// SHA-256 through libcrypto's message-digest interface.
#include <openssl/err.h>
#include <openssl/evp.h>

#include "base/Exception.h"
#include "platform/Sha256.h"

namespace {

[[noreturn]] void Fail(const char* step) {
  char text[256] = "";
  ERR_error_string_n(ERR_get_error(), text, sizeof text);
  throw Exception(std::string("SHA-256: ") + step + ": " + text);
}

}  // namespace

struct TSha256::TImpl {
  EVP_MD_CTX* context = nullptr;

  void Start() {
    if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) Fail("EVP_DigestInit_ex");
  }
};

TSha256::TSha256() : impl_(std::make_unique<TImpl>()) {
  impl_->context = EVP_MD_CTX_new();
  if (!impl_->context) Fail("EVP_MD_CTX_new");
  impl_->Start();
}

TSha256::~TSha256() {
  EVP_MD_CTX_free(impl_->context);
}

void TSha256::Update(const void* data, size_t size) {
  if (size != 0 && EVP_DigestUpdate(impl_->context, data, size) != 1) Fail("EVP_DigestUpdate");
}

TSha256Digest TSha256::Final() {
  TSha256Digest digest{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(impl_->context, digest.data(), &length) != 1 || length != digest.size())
    Fail("EVP_DigestFinal_ex");
  impl_->Start();
  return digest;
}
