#include <gtest/gtest.h>

#include <string>

#include "platform/Sha256.h"
#include "tests/app/TempDir.h"

namespace {

struct VectorCase {
  const char* name;
  std::string message;
  const char* digest;
};

// The published test vectors; the million 'a' is fed in uneven pieces so that the backend's
// buffering across updates is exercised too.
TEST(Sha256, StandardVectors) {
  const VectorCase cases[] = {
      {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"896 bits",
       "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
       "nopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
  };
  for (const auto& c : cases) EXPECT_EQ(Sha256Hex(std::string_view(c.message)), c.digest) << c.name;

  TSha256 hash;
  const std::string piece(997, 'a');
  size_t fed = 0;
  while (fed < 1000000) {
    const size_t n = std::min(piece.size(), 1000000 - fed);
    hash.Update(piece.data(), n);
    fed += n;
  }
  EXPECT_EQ(Sha256Hex(hash.Final()),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, FinalStartsTheHashAgain) {
  TSha256 hash;
  hash.Update("junk");
  hash.Final();
  hash.Update("abc");
  EXPECT_EQ(Sha256Hex(hash.Final()),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, FileIsHashedInPiecesAndAMissingOneIsRefused) {
  TempDir dir;
  // Larger than the read buffer, not a multiple of it.
  const std::string contents(200000, 'a');
  WriteFile(dir.File("big"), contents);
  std::string hex;
  ASSERT_TRUE(Sha256OfFile(dir.File("big"), hex));
  EXPECT_EQ(hex, Sha256Hex(std::string_view(contents)));

  hex = "untouched";
  EXPECT_FALSE(Sha256OfFile(dir.File("missing"), hex));
  EXPECT_EQ(hex, "untouched");
}

}  // namespace
