// Reading panel and tone table files: layout, offsets and every way a file can be malformed.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/table_file.h"
#include "engine/tests/test_tables.h"

namespace tl::engine {
namespace {

using testing::DisplayPanel;
using testing::FileBytes;
using testing::PowerTone;

LoadError Read(const std::vector<std::uint8_t>& bytes, TableKind kind, TableImage& out) {
  MemorySource source(bytes);
  return ReadTableFile(source, kind, out);
}

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(TableFile, PanelFileIsLaidOutAsSpecifiedAndReadsBack) {
  TableImage panel = DisplayPanel();
  panel.ext.nativeTemperature = 7000;
  const auto bytes = FileBytes(panel, TableKind::kPanel);
  ASSERT_EQ(bytes.size(), 256u + 1536u + 134u);
  // Offset at byte 39 (unaligned), marker there, data at 256 as 16-bit little-endian values.
  EXPECT_EQ(bytes[39] | (bytes[40] << 8) | (bytes[41] << 16) | (bytes[42] << 24), 1792);
  EXPECT_EQ(std::memcmp(bytes.data() + 1792, "$Ext", 4), 0);
  EXPECT_EQ(bytes[1792 + 12] | (bytes[1792 + 13] << 8), 7000);
  const int last = static_cast<int>(panel.data[2][255]);
  EXPECT_EQ(bytes[256 + 2 * 767] | (bytes[256 + 2 * 767 + 1] << 8), last);

  TableImage back;
  ASSERT_EQ(Read(bytes, TableKind::kPanel, back), LoadError::kNone);
  EXPECT_EQ(back.data, panel.data);
  EXPECT_EQ(back.ext.nativeTemperature, 7000);
  EXPECT_EQ(back.ext.red.x, panel.ext.red.x);
  EXPECT_EQ(back.ext.blue.z, panel.ext.blue.z);
}

TEST(TableFile, ToneFileUsesOffsetAtByte38AndDoubles) {
  const TableImage tone = PowerTone(2.2);
  const auto bytes = FileBytes(tone, TableKind::kTone);
  ASSERT_EQ(bytes.size(), 256u + 6144u + 134u);
  EXPECT_EQ(bytes[38] | (bytes[39] << 8) | (bytes[40] << 16), 6400);
  TableImage back;
  ASSERT_EQ(Read(bytes, TableKind::kTone, back), LoadError::kNone);
  EXPECT_EQ(back.data, tone.data);
  // The panel reader looks at byte 39, which here holds the offset's second byte onward.
  EXPECT_NE(Read(bytes, TableKind::kPanel, back), LoadError::kNone);
}

TEST(TableFile, MalformedFilesFailWithTheirReason) {
  const auto good = FileBytes(DisplayPanel(), TableKind::kPanel);
  TableImage out;

  std::vector<std::uint8_t> shortHeader(good.begin(), good.begin() + 255);
  EXPECT_EQ(Read(shortHeader, TableKind::kPanel, out), LoadError::kShortHeader);
  EXPECT_EQ(Read({}, TableKind::kPanel, out), LoadError::kShortHeader);

  auto pastEnd = good;
  PutLe32(pastEnd, 39, static_cast<std::uint32_t>(good.size() - 133));  // block would end 1 byte late
  EXPECT_EQ(Read(pastEnd, TableKind::kPanel, out), LoadError::kExtOutOfRange);
  PutLe32(pastEnd, 39, 0xFFFFFFF0u);  // would wrap a 32-bit sum
  EXPECT_EQ(Read(pastEnd, TableKind::kPanel, out), LoadError::kExtOutOfRange);

  auto noMarker = good;
  noMarker[1792] = '#';
  EXPECT_EQ(Read(noMarker, TableKind::kPanel, out), LoadError::kBadMarker);

  // Extension block placed inside the header region, file cut inside the data.
  auto shortData = good;
  PutLe32(shortData, 39, 100);
  std::memcpy(shortData.data() + 100, good.data() + 1792, kExtSize);
  shortData.resize(256 + 1000);
  EXPECT_EQ(Read(shortData, TableKind::kPanel, out), LoadError::kShortData);

  auto nanTone = FileBytes(PowerTone(2.2), TableKind::kTone);
  const double nan = std::nan("");
  std::memcpy(nanTone.data() + 256 + 8 * 300, &nan, 8);
  EXPECT_EQ(Read(nanTone, TableKind::kTone, out), LoadError::kNonFiniteValue);
  auto infWhite = FileBytes(PowerTone(2.2), TableKind::kTone);
  const double inf = INFINITY;
  std::memcpy(infWhite.data() + 6400 + 14, &inf, 8);
  EXPECT_EQ(Read(infWhite, TableKind::kTone, out), LoadError::kNonFiniteValue);
}

TEST(TableFile, ExtensionBlockMayOverlapTheDataWhenTheMarkerIsThere) {
  // A file of exactly 256 + 1536 bytes with the block at 256 loads only if the data there
  // starts with "$Ext".
  TableImage panel = DisplayPanel();
  panel.extOffset = 256;
  auto bytes = FileBytes(panel, TableKind::kPanel);
  ASSERT_EQ(bytes.size(), 256u + 1536u);
  TableImage out;
  EXPECT_EQ(Read(bytes, TableKind::kPanel, out), LoadError::kNone);
  EXPECT_EQ(out.data[0][0], 0x4524);  // the marker's first two bytes read as red level 0

  bytes[256] = 0;
  EXPECT_EQ(Read(bytes, TableKind::kPanel, out), LoadError::kBadMarker);
}

}  // namespace
}  // namespace tl::engine
