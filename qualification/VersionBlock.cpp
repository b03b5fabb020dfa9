#include "qualification/VersionBlock.h"

#include <cstdio>
#include <stdexcept>

#include "base/Cp1252.h"

namespace {

constexpr uint16_t kBinary = 0;
constexpr uint16_t kText = 1;
// Node header: total length, value length, type.
constexpr size_t kHeaderSize = 6;

class TWriter {
 public:
  std::vector<uint8_t>& Bytes() { return out_; }

  void Word(uint16_t v) {
    out_.push_back(static_cast<uint8_t>(v));
    out_.push_back(static_cast<uint8_t>(v >> 8));
  }
  void Dword(uint32_t v) {
    Word(static_cast<uint16_t>(v));
    Word(static_cast<uint16_t>(v >> 16));
  }
  void Text(std::u16string_view text) {
    for (char16_t c : text) Word(c);
    Word(0);
  }
  void Align() {
    while (out_.size() % 4 != 0) out_.push_back(0);
  }

  // Writes a node whose value is written by `value` (`valueLength` as the header states it)
  // and whose children are written by `children`; the total length is filled in afterwards.
  template <typename V, typename C>
  void Node(std::u16string_view key, uint16_t type, uint16_t valueLength, V&& value, C&& children) {
    Align();
    const size_t start = out_.size();
    Word(0);
    Word(valueLength);
    Word(type);
    Text(key);
    Align();
    value();
    children();
    const size_t length = out_.size() - start;
    if (length > 0xFFFF) throw std::length_error("version block too long");
    out_[start] = static_cast<uint8_t>(length);
    out_[start + 1] = static_cast<uint8_t>(length >> 8);
  }

 private:
  std::vector<uint8_t> out_;
};

uint16_t ReadWord(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

size_t Align4(size_t v) {
  return (v + 3) & ~size_t{3};
}

// One node of a block: where it lies and where its value and children begin.
struct TNode {
  size_t End = 0;
  std::u16string Key;
  size_t ValueStart = 0;
  size_t ValueEnd = 0;
  size_t ChildrenStart = 0;
  bool Text = false;
};

// The node at `at`, which must end by `limit`; nullopt when it does not fit or has no key.
std::optional<TNode> ParseNode(std::span<const uint8_t> b, size_t at, size_t limit) {
  if (at > limit || limit - at < kHeaderSize) return std::nullopt;
  const size_t length = ReadWord(b, at);
  if (length < kHeaderSize || length > limit - at) return std::nullopt;
  TNode node;
  node.End = at + length;
  const size_t valueLength = ReadWord(b, at + 2);
  node.Text = ReadWord(b, at + 4) == kText;
  size_t p = at + kHeaderSize;
  for (;;) {
    if (node.End - p < 2) return std::nullopt;
    const char16_t c = ReadWord(b, p);
    p += 2;
    if (c == 0) break;
    node.Key += c;
  }
  node.ValueStart = std::min(Align4(p), node.End);
  // Text lengths count characters; writers that count bytes are caught by the node's end.
  const size_t valueBytes = node.Text ? valueLength * 2 : valueLength;
  node.ValueEnd = std::min(node.ValueStart + valueBytes, node.End);
  node.ChildrenStart =
      valueLength == 0 ? node.ValueStart : std::min(Align4(node.ValueEnd), node.End);
  return node;
}

bool SameKey(std::u16string_view key, std::string_view name) {
  if (key.size() != name.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    char16_t a = key[i];
    char16_t b = static_cast<unsigned char>(name[i]);
    if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - 32);
    if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - 32);
    if (a != b) return false;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> BuildVersionBlock(const TVersionDescription& d) {
  char table[9];
  std::snprintf(table, sizeof table, "%04X%04X", d.Language, d.CodePage);
  const auto none = [] {};
  TWriter w;
  w.Node(
      u"VS_VERSION_INFO", kBinary, 52,
      [&] {
        w.Dword(0xFEEF04BD);  // signature
        w.Dword(0x00010000);  // structure version
        w.Dword(uint32_t{d.FileVersion[0]} << 16 | d.FileVersion[1]);
        w.Dword(uint32_t{d.FileVersion[2]} << 16 | d.FileVersion[3]);
        w.Dword(uint32_t{d.ProductVersion[0]} << 16 | d.ProductVersion[1]);
        w.Dword(uint32_t{d.ProductVersion[2]} << 16 | d.ProductVersion[3]);
        w.Dword(0x3F);     // flags mask
        w.Dword(0);        // flags
        w.Dword(0x40004);  // 32-bit Windows
        w.Dword(1);        // application
        w.Dword(0);        // subtype
        w.Dword(0);        // date
        w.Dword(0);
      },
      [&] {
        w.Node(u"StringFileInfo", kText, 0, none, [&] {
          w.Node(Cp1252ToUtf16(table), kText, 0, none, [&] {
            for (const auto& [key, value] : d.Strings) {
              const std::u16string text = Cp1252ToUtf16(value);
              w.Node(
                  Cp1252ToUtf16(key), kText, static_cast<uint16_t>(text.size() + 1),
                  [&] { w.Text(text); }, none);
            }
          });
        });
        w.Node(u"VarFileInfo", kText, 0, none, [&] {
          w.Node(
              u"Translation", kBinary, 4,
              [&] {
                w.Word(d.Language);
                w.Word(d.CodePage);
              },
              none);
        });
      });
  return std::move(w.Bytes());
}

std::optional<TVersionValue> QueryVersionValue(std::span<const uint8_t> block,
                                               std::string_view path) {
  std::optional<TNode> node = ParseNode(block, 0, block.size());
  while (node) {
    while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    if (path.empty()) {
      return TVersionValue{block.subspan(node->ValueStart, node->ValueEnd - node->ValueStart),
                           node->Text};
    }
    const std::string_view name = path.substr(0, path.find('\\'));
    path.remove_prefix(name.size());
    std::optional<TNode> found;
    for (size_t at = node->ChildrenStart; !found;) {
      const std::optional<TNode> child = ParseNode(block, at, node->End);
      if (!child) break;
      if (SameKey(child->Key, name)) found = child;
      at = Align4(child->End);
    }
    node = found;
  }
  return std::nullopt;
}

std::string VersionText(const TVersionValue& value) {
  std::u16string text;
  for (size_t at = 0; at + 1 < value.Bytes.size(); at += 2) {
    const char16_t c = ReadWord(value.Bytes, at);
    if (c == 0) break;
    text += c;
  }
  return Utf16ToCp1252(text);
}
