#include "engine/core/table_file.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace tl::engine {
namespace {

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

double LeDouble(const std::uint8_t* p) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
  return std::bit_cast<double>(bits);
}

void PutLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutLeDouble(std::uint8_t* p, double v) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

Vec3 ReadVec3(const std::uint8_t* p) { return {LeDouble(p), LeDouble(p + 8), LeDouble(p + 16)}; }

void PutVec3(std::uint8_t* p, Vec3 v) {
  PutLeDouble(p, v.x);
  PutLeDouble(p + 8, v.y);
  PutLeDouble(p + 16, v.z);
}

bool Finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

std::size_t OffsetField(TableKind kind) { return kind == TableKind::kPanel ? kPanelOffsetField : kToneOffsetField; }
std::size_t DataSize(TableKind kind) { return kind == TableKind::kPanel ? kPanelDataSize : kToneDataSize; }

bool MemorySource::Read(std::uint64_t offset, void* out, std::size_t count) {
  if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
  if (count != 0) std::memcpy(out, bytes_.data() + offset, count);
  return true;
}

const char* Describe(LoadError error) {
  switch (error) {
    case LoadError::kNone: return "ok";
    case LoadError::kShortHeader: return "file shorter than its 256-byte header";
    case LoadError::kExtOutOfRange: return "extension block offset lies past the end of the file";
    case LoadError::kBadMarker: return "no \"$Ext\" marker at the extension block offset";
    case LoadError::kShortData: return "file ends inside the table data";
    case LoadError::kNonFiniteValue: return "a colour or table value is not a finite number";
    case LoadError::kUnreadable: return "file cannot be opened or read";
  }
  return "unknown error";
}

ExtBlock DecodeExtBlock(std::span<const std::uint8_t, kExtSize> raw) {
  ExtBlock ext;
  ext.marker = Le32(raw.data());
  std::memcpy(ext.reserved.data(), raw.data() + 4, ext.reserved.size());
  ext.nativeTemperature = Le16(raw.data() + 12);
  ext.white = ReadVec3(raw.data() + 14);
  ext.black = ReadVec3(raw.data() + 38);
  ext.red = ReadVec3(raw.data() + 62);
  ext.green = ReadVec3(raw.data() + 86);
  ext.blue = ReadVec3(raw.data() + 110);
  return ext;
}

std::array<std::uint8_t, kExtSize> EncodeExtBlock(const ExtBlock& ext) {
  std::array<std::uint8_t, kExtSize> raw{};
  PutLe32(raw.data(), ext.marker);
  std::memcpy(raw.data() + 4, ext.reserved.data(), ext.reserved.size());
  PutLe16(raw.data() + 12, ext.nativeTemperature);
  PutVec3(raw.data() + 14, ext.white);
  PutVec3(raw.data() + 38, ext.black);
  PutVec3(raw.data() + 62, ext.red);
  PutVec3(raw.data() + 86, ext.green);
  PutVec3(raw.data() + 110, ext.blue);
  return raw;
}

LoadError ReadTableFile(ByteSource& source, TableKind kind, TableImage& out) {
  const std::uint64_t size = source.Size();
  if (size < kHeaderSize || !source.Read(0, out.header.data(), kHeaderSize)) return LoadError::kShortHeader;

  out.extOffset = Le32(out.header.data() + OffsetField(kind));
  if (out.extOffset > size || kExtSize > size - out.extOffset ||
      !source.Read(out.extOffset, out.extRaw.data(), kExtSize)) {
    return LoadError::kExtOutOfRange;
  }
  out.ext = DecodeExtBlock(out.extRaw);
  if (out.ext.marker != kExtMarker) return LoadError::kBadMarker;
  if (!Finite(out.ext.white) || !Finite(out.ext.black) || !Finite(out.ext.red) || !Finite(out.ext.green) ||
      !Finite(out.ext.blue)) {
    return LoadError::kNonFiniteValue;
  }

  const std::size_t dataSize = DataSize(kind);
  std::array<std::uint8_t, kToneDataSize> data;
  if (size - kHeaderSize < dataSize || !source.Read(kHeaderSize, data.data(), dataSize)) return LoadError::kShortData;

  for (int c = 0; c < kChannels; ++c) {
    for (int i = 0; i < kLevels; ++i) {
      const std::size_t index = static_cast<std::size_t>(c * kLevels + i);
      if (kind == TableKind::kPanel) {
        out.data[c][i] = Le16(data.data() + 2 * index);
      } else {
        const double value = LeDouble(data.data() + 8 * index);
        // Infinities and NaN would poison every later step of the computation.
        if (!std::isfinite(value)) return LoadError::kNonFiniteValue;
        out.data[c][i] = value;
      }
    }
  }
  return LoadError::kNone;
}

std::vector<std::uint8_t> WriteTableFile(const TableImage& image, TableKind kind) {
  const std::size_t dataSize = DataSize(kind);
  const std::uint32_t extOffset =
      image.extOffset != 0 ? image.extOffset : static_cast<std::uint32_t>(kHeaderSize + dataSize);
  std::vector<std::uint8_t> file(std::max<std::size_t>(kHeaderSize + dataSize, std::size_t{extOffset} + kExtSize));

  std::memcpy(file.data(), image.header.data(), kHeaderSize);
  PutLe32(file.data() + OffsetField(kind), extOffset);
  for (int c = 0; c < kChannels; ++c) {
    for (int i = 0; i < kLevels; ++i) {
      const std::size_t index = static_cast<std::size_t>(c * kLevels + i);
      const double value = image.data[c][i];
      if (kind == TableKind::kPanel) {
        const double clamped = value > 0 ? (value < 65535.0 ? value : 65535.0) : 0.0;
        PutLe16(file.data() + kHeaderSize + 2 * index, static_cast<std::uint16_t>(clamped + 0.5));
      } else {
        PutLeDouble(file.data() + kHeaderSize + 8 * index, value);
      }
    }
  }
  const auto ext = EncodeExtBlock(image.ext);
  // The block may overlap the data; written last so that its bytes are the ones a reader sees.
  std::memcpy(file.data() + extOffset, ext.data(), kExtSize);
  return file;
}

}  // namespace tl::engine
