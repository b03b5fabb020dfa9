// Message tables in the STR0 format: one block of bytes, little-endian, "STR0", an entry count N,
// N entries of (identifier, text offset in bytes, text length in UTF-16 units) sorted by
// ascending unique identifier, then the UTF-16LE texts.
//
// Blocks are looked up by name among the blocks compiled into the program ("ADSRMGR_STRINGS",
// "APRO_ERROR_STRINGS_ENGLISH") and those registered at run time with RegisterStringResource.
// A block is checked completely when it is selected, so a lookup never reads outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/Exception.h"

// A failure of the string-table manager itself; its texts come from the manager message table.
class ETpsStringResourceError : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* kManagerStringsName = "ADSRMGR_STRINGS";
inline constexpr const char* kErrorStringsName = "APRO_ERROR_STRINGS_ENGLISH";

// Registers a copy of `block` under `name`, replacing an earlier registration of that name.
// The compiled-in names cannot be replaced; returns false for them. Thread-safe.
bool RegisterStringResource(std::string_view name, std::span<const uint8_t> block);
// Removes a run-time registration. Managers that selected the block keep their copy.
void UnregisterStringResource(std::string_view name);

class TAdStringResource {
 public:
  // Stays empty when `resourceName` is empty, otherwise selects it (see SelectResource).
  explicit TAdStringResource(std::string_view resourceName = {});

  // Releases the current block, then finds the named one (name cut to 255 characters) and checks
  // it. Raises ETpsStringResourceError: "String resource not found: %s" for an unknown name,
  // "Invalid TPString resource" for a block that is not a well-formed STR0 block.
  void SelectResource(std::string_view resourceName);
  void ReleaseResource();
  bool HasResource() const { return block_ != nullptr; }

  // The text of `id` in CP1252. A missing id gives "" or, with RaiseIfMissing set, raises
  // "String not found: %d"; without a selected block raises "Cannot lock resource".
  // Lookups keep no state, so several threads may look up at once.
  std::string TextFor(int32_t id) const;

  bool RaiseIfMissing() const { return raiseIfMissing_; }
  void SetRaiseIfMissing(bool on) { raiseIfMissing_ = on; }

  // The bytes of a block; opaque outside the manager.
  struct Block;

 private:
  bool raiseIfMissing_ = false;
  // The selected block, shared with the registry so that unregistering cannot pull it away.
  std::shared_ptr<const Block> block_;
  int32_t count_ = 0;
};

// The two process-wide tables, created on first use (the manager table always first) and released
// at exit in the reverse order.
const TAdStringResource& ManagerMessageTable();
const TAdStringResource& ErrorMessageTable();
