// Panel (.acf) and tone (.atf) table files: reading with every bound checked against the real
// file size, and writing for the table tool and the tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/core/colour.h"
#include "engine/core/ramp_table.h"

namespace tl::engine {

inline constexpr std::size_t kHeaderSize = 256;
inline constexpr std::size_t kExtSize = 134;
inline constexpr std::size_t kPanelDataSize = 768 * 2;
inline constexpr std::size_t kToneDataSize = 768 * 8;
inline constexpr std::size_t kPanelOffsetField = 39;
inline constexpr std::size_t kToneOffsetField = 38;
inline constexpr std::uint32_t kExtMarker = 0x74784524;  // "$Ext"

enum class TableKind { kPanel, kTone };

std::size_t OffsetField(TableKind kind);
std::size_t DataSize(TableKind kind);

// Random access to the bytes of a file; Read fails rather than returning fewer bytes.
class ByteSource {
 public:
  virtual std::uint64_t Size() const = 0;
  virtual bool Read(std::uint64_t offset, void* out, std::size_t count) = 0;

 protected:
  ~ByteSource() = default;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool Read(std::uint64_t offset, void* out, std::size_t count) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// The 134-byte extension block, decoded.
struct ExtBlock {
  std::uint32_t marker = 0;
  std::array<std::uint8_t, 8> reserved{};
  std::uint16_t nativeTemperature = 0;
  Vec3 white, black, red, green, blue;
};

using ChannelTable = std::array<double, kLevels>;
using ColourTables = std::array<ChannelTable, kChannels>;

// One table file as read. `data` holds the values as stored: panel outputs (0..65535) or tone
// values (0..65535 scale, not yet divided).
struct TableImage {
  std::array<std::uint8_t, kHeaderSize> header{};
  std::array<std::uint8_t, kExtSize> extRaw{};
  ExtBlock ext;
  std::uint32_t extOffset = 0;
  ColourTables data{};
};

enum class LoadError {
  kNone,
  kShortHeader,      // fewer than 256 bytes
  kExtOutOfRange,    // the extension block does not lie inside the file
  kBadMarker,        // no "$Ext" at the extension offset
  kShortData,        // the file ends inside the data block
  kNonFiniteValue,   // a colour or tone value is NaN or infinite
  kUnreadable,       // the file could not be opened or read
};

const char* Describe(LoadError error);

LoadError ReadTableFile(ByteSource& source, TableKind kind, TableImage& out);

ExtBlock DecodeExtBlock(std::span<const std::uint8_t, kExtSize> raw);
std::array<std::uint8_t, kExtSize> EncodeExtBlock(const ExtBlock& ext);

// Lays out a whole file: header (with the offset field set to extOffset), data at 256, and the
// extension block at extOffset (by default right after the data). Panel values are rounded and
// clamped to 0..65535. The header's bytes other than the offset field are kept from image.
std::vector<std::uint8_t> WriteTableFile(const TableImage& image, TableKind kind);

}  // namespace tl::engine
