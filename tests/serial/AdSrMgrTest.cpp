#include "serial/AdSrMgr.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "serial/AdStr0Blocks.h"

namespace {

struct Row {
  int32_t id;
  std::u16string text;
};

void PutInt32(std::vector<uint8_t>& out, size_t at, int32_t v) {
  for (int k = 0; k < 4; ++k)
    out.at(at + k) = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k));
}

// A well-formed block of `rows` (kept in the given order, so tests can also build bad ones).
std::vector<uint8_t> MakeBlock(const std::vector<Row>& rows) {
  size_t textArea = 8 + 12 * rows.size();
  std::vector<uint8_t> b(textArea);
  b[0] = 'S', b[1] = 'T', b[2] = 'R', b[3] = '0';
  PutInt32(b, 4, static_cast<int32_t>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    PutInt32(b, 8 + 12 * i, rows[i].id);
    PutInt32(b, 8 + 12 * i + 4, static_cast<int32_t>(b.size()));
    PutInt32(b, 8 + 12 * i + 8, static_cast<int32_t>(rows[i].text.size()));
    for (char16_t c : rows[i].text) {
      b.push_back(static_cast<uint8_t>(c));
      b.push_back(static_cast<uint8_t>(c >> 8));
    }
  }
  return b;
}

const std::vector<Row> kRows = {
    {-5, u"minus"},       {0, u"zero"}, {3, u""}, {10, u"ten"}, {11, u"\u00FCber \u20AC \u4E00"},
    {2000000000, u"big"},
};

class StringResource : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(RegisterStringResource("TEST_BLOCK", MakeBlock(kRows))); }
  void TearDown() override { UnregisterStringResource("TEST_BLOCK"); }
};

std::string ManagerError(TAdStringResource& r, std::string_view name) {
  try {
    r.SelectResource(name);
  } catch (const ETpsStringResourceError& e) {
    return e.Message();
  }
  return "(selected)";
}

std::string LookupError(const TAdStringResource& r, int32_t id) {
  try {
    r.TextFor(id);
  } catch (const ETpsStringResourceError& e) {
    return e.Message();
  }
  return "(found)";
}

TEST_F(StringResource, FindsEveryIdentifierAndConvertsToCp1252) {
  TAdStringResource r("TEST_BLOCK");
  EXPECT_EQ(r.TextFor(-5), "minus");
  EXPECT_EQ(r.TextFor(0), "zero");
  EXPECT_EQ(r.TextFor(3), "");
  EXPECT_EQ(r.TextFor(10), "ten");
  EXPECT_EQ(r.TextFor(11),
            "\xFC"
            "ber \x80 ?");
  EXPECT_EQ(r.TextFor(2000000000), "big");
  // Below, between and above the stored identifiers.
  for (int32_t id : {INT32_MIN, -6, -4, 1, 9, 12, 1999999999, INT32_MAX})
    EXPECT_EQ(r.TextFor(id), "") << id;
}

TEST_F(StringResource, MissingIdentifierRaisesOnlyWhenAsked) {
  TAdStringResource r("TEST_BLOCK");
  EXPECT_FALSE(r.RaiseIfMissing());
  EXPECT_EQ(r.TextFor(7), "");
  r.SetRaiseIfMissing(true);
  EXPECT_EQ(LookupError(r, 7), "String not found: 7");
  EXPECT_EQ(LookupError(r, -7), "String not found: -7");
  EXPECT_EQ(r.TextFor(3), "");  // present but empty is not missing
}

TEST_F(StringResource, WithoutSelectedResourceLookupsCannotLock) {
  TAdStringResource none;
  EXPECT_FALSE(none.HasResource());
  EXPECT_EQ(LookupError(none, 0), "Cannot lock resource");
  TAdStringResource r("TEST_BLOCK");
  r.ReleaseResource();
  EXPECT_EQ(LookupError(r, 0), "Cannot lock resource");
}

TEST_F(StringResource, SelectionFailuresReleaseThePreviousBlock) {
  TAdStringResource r("TEST_BLOCK");
  EXPECT_EQ(ManagerError(r, "NO_SUCH"), "String resource not found: NO_SUCH");
  EXPECT_FALSE(r.HasResource());

  std::vector<uint8_t> bad = MakeBlock(kRows);
  bad[3] = '1';
  ASSERT_TRUE(RegisterStringResource("BAD_MAGIC", bad));
  r.SelectResource("TEST_BLOCK");
  EXPECT_EQ(ManagerError(r, "BAD_MAGIC"), "Invalid TPString resource");
  EXPECT_FALSE(r.HasResource());
  UnregisterStringResource("BAD_MAGIC");

  ASSERT_TRUE(RegisterStringResource("EMPTY", {}));
  EXPECT_EQ(ManagerError(r, "EMPTY"), "Unable to open string resource: EMPTY");
  UnregisterStringResource("EMPTY");
}

TEST_F(StringResource, NamesAreCutTo255Characters) {
  std::string name(255, 'N');
  ASSERT_TRUE(RegisterStringResource(name, MakeBlock(kRows)));
  TAdStringResource r;
  EXPECT_EQ(ManagerError(r, name + "IGNORED"), "(selected)");
  EXPECT_EQ(r.TextFor(10), "ten");
  UnregisterStringResource(name);
}

TEST_F(StringResource, SelectedBlockOutlivesItsRegistration) {
  TAdStringResource r("TEST_BLOCK");
  UnregisterStringResource("TEST_BLOCK");
  ASSERT_TRUE(RegisterStringResource("TEST_BLOCK", MakeBlock({{10, u"replaced"}})));
  EXPECT_EQ(r.TextFor(10), "ten");
  r.SelectResource("TEST_BLOCK");
  EXPECT_EQ(r.TextFor(10), "replaced");
}

TEST_F(StringResource, ConcurrentLookupsAgree) {
  const TAdStringResource r("TEST_BLOCK");
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&r, &mismatches, t] {
      for (int i = 0; i < 2000; ++i)
        if (r.TextFor(10) != "ten" || r.TextFor(9) != "") ++mismatches[t];
    });
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

// Blocks that would make a lookup read outside the block, or break the binary search, are
// refused when selected.
TEST(StringResourceCorrupt, MalformedBlocksAreRefusedAtSelection) {
  const std::vector<uint8_t> good = MakeBlock({{1, u"one"}, {2, u"two"}, {3, u"three"}});
  struct Case {
    const char* why;
    std::vector<uint8_t> block;
  };
  auto with = [&good](size_t at, int32_t v) {
    std::vector<uint8_t> b = good;
    PutInt32(b, at, v);
    return b;
  };
  const Case cases[] = {
      {"shorter than the magic", {'S', 'T', 'R'}},
      {"no room for the count", {'S', 'T', 'R', '0', 1, 0}},
      {"negative count", with(4, -1)},
      {"count past the end", with(4, 4)},
      {"huge count", with(4, INT32_MAX)},
      {"table cut off", std::vector<uint8_t>(good.begin(), good.begin() + 30)},
      {"text cut off", std::vector<uint8_t>(good.begin(), good.end() - 1)},
      {"offset past the end", with(8 + 12 + 4, static_cast<int32_t>(good.size()))},
      {"negative offset", with(8 + 4, -2)},
      {"offset inside the entry table", with(8 + 4, 8)},
      {"negative length", with(8 + 8, -1)},
      {"huge length", with(8 + 8, INT32_MAX)},
      {"unsorted ids", with(8 + 12, 5)},
      {"duplicate ids", with(8 + 24, 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ASSERT_TRUE(RegisterStringResource("CORRUPT", c.block));
    TAdStringResource r;
    EXPECT_EQ(ManagerError(r, "CORRUPT"), "Invalid TPString resource");
    EXPECT_FALSE(r.HasResource());
  }
  UnregisterStringResource("CORRUPT");
  // The unchanged block is accepted: the cases above fail for their fault alone.
  ASSERT_TRUE(RegisterStringResource("CORRUPT", good));
  TAdStringResource r("CORRUPT");
  EXPECT_EQ(r.TextFor(3), "three");
  UnregisterStringResource("CORRUPT");
}

TEST(BuiltinTables, CarryTheManagerAndErrorMessages) {
  EXPECT_FALSE(RegisterStringResource(kManagerStringsName, {}));
  EXPECT_FALSE(RegisterStringResource(kErrorStringsName, {}));
  EXPECT_EQ(kStr0ManagerBlock.size, 324u);

  const TAdStringResource& manager = ManagerMessageTable();
  EXPECT_EQ(manager.TextFor(1), "String not found: %d");
  EXPECT_EQ(manager.TextFor(5), "Invalid TPString resource");

  const TAdStringResource& errors = ErrorMessageTable();
  EXPECT_EQ(errors.TextFor(0), "OK");
  EXPECT_EQ(errors.TextFor(7), "");
  EXPECT_EQ(errors.TextFor(1001), "Bad handle passed to com function");
  EXPECT_EQ(errors.TextFor(3002), "Function not supported by driver");
  for (int32_t id : {4600, 4630, 4660}) EXPECT_EQ(errors.TextFor(id), "") << id;
  // Texts of the dispatch log.
  EXPECT_EQ(errors.TextFor(15001), "No event");
  EXPECT_EQ(errors.TextFor(15020), "User");
  EXPECT_EQ(errors.TextFor(15100), "");
  EXPECT_EQ(errors.TextFor(15104), "Modem status");
  EXPECT_EQ(errors.TextFor(15119), "Method");
  EXPECT_EQ(errors.TextFor(15501), "Time      Type      SubType       Data      OtherData");
  EXPECT_EQ(errors.TextFor(15601), "DCTS ");
  EXPECT_EQ(errors.TextFor(15608), "DCD ");
  EXPECT_NE(errors.TextFor(15742), "");

  // The entry count sits after the magic.
  const uint8_t* b = kStr0ErrorBlock.data;
  int32_t count = b[4] | b[5] << 8 | b[6] << 16 | b[7] << 24;
  EXPECT_GE(count, 800);
}

}  // namespace
