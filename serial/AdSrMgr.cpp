#include "serial/AdSrMgr.h"

#include <map>
#include <mutex>
#include <vector>

#include "base/Cp1252.h"
#include "base/SysUtils.h"
#include "serial/AdStr0Blocks.h"

struct TAdStringResource::Block {
  std::vector<uint8_t> owned;  // empty for the compiled-in blocks
  std::span<const uint8_t> bytes;
};

namespace {

using BlockPtr = std::shared_ptr<const TAdStringResource::Block>;

constexpr size_t kMaxNameLength = 255;
constexpr uint64_t kHeaderSize = 8;
constexpr uint64_t kEntrySize = 12;

// Identifiers of the manager message table.
enum : int32_t {
  smStringNotFound = 1,
  smCannotLock = 2,
  smResourceNotFound = 3,
  smUnableToOpen = 4,
  smInvalidResource = 5,
};

int32_t ReadInt32(std::span<const uint8_t> b, uint64_t at) {
  uint32_t v = uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
               uint32_t{b[at + 3]} << 24;
  return static_cast<int32_t>(v);
}

// Texts of the manager table are our own and plain, but still not trusted as printf formats:
// the argument replaces the first %d or %s.
std::string FillArgument(std::string text, std::string_view argument) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '%' && (text[i + 1] == 'd' || text[i + 1] == 's')) {
      text.replace(i, 2, argument);
      break;
    }
  }
  return text;
}

[[noreturn]] void RaiseManagerError(int32_t id, std::string_view argument = {}) {
  throw ETpsStringResourceError(FillArgument(ManagerMessageTable().TextFor(id), argument));
}

// The entry count of a well-formed block, or -1. Well-formed: the magic, a count whose table
// fits, ids strictly ascending, every text inside the text area.
int32_t CheckBlock(std::span<const uint8_t> b) {
  if (b.size() < kHeaderSize || b[0] != 'S' || b[1] != 'T' || b[2] != 'R' || b[3] != '0') return -1;
  int32_t count = ReadInt32(b, 4);
  if (count < 0) return -1;
  uint64_t textArea = kHeaderSize + kEntrySize * static_cast<uint64_t>(count);
  if (textArea > b.size()) return -1;
  for (int32_t i = 0; i < count; ++i) {
    uint64_t at = kHeaderSize + kEntrySize * static_cast<uint64_t>(i);
    int32_t id = ReadInt32(b, at);
    int32_t offset = ReadInt32(b, at + 4);
    int32_t length = ReadInt32(b, at + 8);
    if (i > 0 && id <= ReadInt32(b, at - kEntrySize)) return -1;
    if (offset < 0 || length < 0 || static_cast<uint64_t>(offset) < textArea) return -1;
    if (static_cast<uint64_t>(offset) + 2 * static_cast<uint64_t>(length) > b.size()) return -1;
  }
  return count;
}

struct Registry {
  std::mutex lock;
  std::map<std::string, BlockPtr, std::less<>> blocks;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

const TStr0BuiltinBlock* FindBuiltin(std::string_view name) {
  for (const TStr0BuiltinBlock* b : {&kStr0ManagerBlock, &kStr0ErrorBlock})
    if (name == b->name) return b;
  return nullptr;
}

BlockPtr FindBlock(std::string_view name) {
  if (const TStr0BuiltinBlock* b = FindBuiltin(name))
    return std::make_shared<const TAdStringResource::Block>(
        TAdStringResource::Block{{}, std::span<const uint8_t>(b->data, b->size)});
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  auto it = r.blocks.find(name);
  return it == r.blocks.end() ? nullptr : it->second;
}

}  // namespace

bool RegisterStringResource(std::string_view name, std::span<const uint8_t> block) {
  if (FindBuiltin(name)) return false;
  auto entry = std::make_shared<TAdStringResource::Block>();
  entry->owned.assign(block.begin(), block.end());
  entry->bytes = entry->owned;
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  r.blocks.insert_or_assign(std::string(name), std::move(entry));
  return true;
}

void UnregisterStringResource(std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  if (auto it = r.blocks.find(name); it != r.blocks.end()) r.blocks.erase(it);
}

TAdStringResource::TAdStringResource(std::string_view resourceName) {
  if (!resourceName.empty()) SelectResource(resourceName);
}

void TAdStringResource::SelectResource(std::string_view resourceName) {
  ReleaseResource();
  std::string name(resourceName.substr(0, kMaxNameLength));
  BlockPtr block = FindBlock(name);
  if (!block) RaiseManagerError(smResourceNotFound, name);
  // An empty block has nothing that could be loaded.
  if (block->bytes.empty()) RaiseManagerError(smUnableToOpen, name);
  int32_t count = CheckBlock(block->bytes);
  if (count < 0) RaiseManagerError(smInvalidResource);
  block_ = std::move(block);
  count_ = count;
}

void TAdStringResource::ReleaseResource() {
  block_.reset();
  count_ = 0;
}

std::string TAdStringResource::TextFor(int32_t id) const {
  if (!block_) RaiseManagerError(smCannotLock);
  std::span<const uint8_t> b = block_->bytes;
  int32_t low = 0;
  int32_t high = count_ - 1;
  while (low <= high) {
    int32_t middle = (low + high) / 2;
    uint64_t at = kHeaderSize + kEntrySize * static_cast<uint64_t>(middle);
    int32_t entryId = ReadInt32(b, at);
    if (entryId == id) {
      auto offset = static_cast<uint64_t>(ReadInt32(b, at + 4));
      auto length = static_cast<size_t>(ReadInt32(b, at + 8));
      std::u16string text(length, u'\0');
      for (size_t i = 0; i < length; ++i)
        text[i] = static_cast<char16_t>(b[offset + 2 * i] | b[offset + 2 * i + 1] << 8);
      return Utf16ToCp1252(text);
    }
    if (entryId < id)
      low = middle + 1;
    else
      high = middle - 1;
  }
  if (raiseIfMissing_) RaiseManagerError(smStringNotFound, IntToStr(id));
  return std::string();
}

const TAdStringResource& ManagerMessageTable() {
  static const TAdStringResource table(kManagerStringsName);
  return table;
}

const TAdStringResource& ErrorMessageTable() {
  // The manager table must exist first (and so outlive this one): every failure of a manager
  // takes its text from it.
  ManagerMessageTable();
  static const TAdStringResource table(kErrorStringsName);
  return table;
}
