// The version information block of a program file, in the platform's version-resource format:
// a tree of nodes, each a 16-bit total length, a 16-bit value length, a 16-bit type (0 binary,
// 1 text), a UTF-16 key with its terminator, the value and the child nodes, every part starting on
// a 4-byte boundary, all little-endian. The root carries the fixed file information; below it
// "StringFileInfo" holds one table of texts per translation and "VarFileInfo" the list of
// translations.
//
// Building serves the build-time generator and the tests; querying reads blocks from any file,
// also from strangers: every read stays inside the block, and a malformed block finds nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a version block holds. Texts are CP1252.
struct TVersionDescription {
  // The fixed file and product version numbers, most significant first.
  uint16_t FileVersion[4] = {};
  uint16_t ProductVersion[4] = {};
  uint16_t Language = 0;
  uint16_t CodePage = 0;
  // Key and value of the string table, in this order.
  std::vector<std::pair<std::string, std::string>> Strings;
};

// The block of `description`: fixed information, one string table named after the translation
// ("040704E4"), and the translation list. Raises std::length_error past 65535 bytes.
std::vector<uint8_t> BuildVersionBlock(const TVersionDescription& description);

// A node's value: its bytes within the block, and whether the node says it is text.
struct TVersionValue {
  std::span<const uint8_t> Bytes;
  bool Text = false;
};

// The value of the node that `path` leads to: "\" is the root, "\VarFileInfo\Translation" and
// "\StringFileInfo\040704E4\ProductName" name nodes below it. Keys are compared without regard
// to ASCII letter case, as the platform does. nullopt when there is no such node or the block is
// malformed on the way.
std::optional<TVersionValue> QueryVersionValue(std::span<const uint8_t> block,
                                               std::string_view path);

// A text value up to its terminator (or its end), as CP1252.
std::string VersionText(const TVersionValue& value);
