#include "shared_state/core/kv_record.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace tl::shared {
namespace {

TEST(KvRecord, InitialRecordBytes) {
  unsigned char bytes[32];
  std::memcpy(bytes, &kInitialRecord, sizeof(bytes));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(bytes[i], 0) << i;
  int32_t adjustment, low, high;
  float noise, strength;
  std::memcpy(&adjustment, bytes + 8, 4);
  std::memcpy(&low, bytes + 12, 4);
  std::memcpy(&high, bytes + 16, 4);
  std::memcpy(&noise, bytes + 20, 4);
  std::memcpy(&strength, bytes + 24, 4);
  EXPECT_EQ(adjustment, 50);
  EXPECT_EQ(low, 50);
  EXPECT_EQ(high, 150);
  EXPECT_EQ(noise, 0.5f);
  EXPECT_EQ(strength, 0.5f);
}

TEST(KvRecord, AdjustmentOfTheDocumentedPoints) {
  Adjustment a = ComputeAdjustment(50);
  EXPECT_EQ(a.low, 40);
  EXPECT_EQ(a.high, 150);
  EXPECT_EQ(a.noise, 0.125f);
  EXPECT_EQ(a.strength, 0.5f);

  a = ComputeAdjustment(0);
  EXPECT_EQ(a.low, 50);
  EXPECT_EQ(a.noise, 0.0f);
  EXPECT_EQ(a.strength, 0.0f);

  a = ComputeAdjustment(100);
  EXPECT_EQ(a.low, 30);
  EXPECT_EQ(a.noise, 0.25f);
  EXPECT_EQ(a.strength, 1.0f);

  // 0.1 in single precision is a little above 0.1, so the low threshold falls just short of 48.
  EXPECT_EQ(ComputeAdjustment(10).low, 47);
}

TEST(KvRecord, AdjustmentIsClampedAndLowStaysBetween30And50) {
  EXPECT_EQ(ComputeAdjustment(-5).adjustment, 0);
  EXPECT_EQ(ComputeAdjustment(130).adjustment, 100);
  EXPECT_EQ(ComputeAdjustment(INT_MIN).low, 50);
  EXPECT_EQ(ComputeAdjustment(INT_MAX).low, 30);
  int previous = 50;
  for (int percent = 0; percent <= 100; ++percent) {
    const Adjustment a = ComputeAdjustment(percent);
    EXPECT_EQ(a.adjustment, percent);
    EXPECT_LE(a.low, previous);
    EXPECT_GE(a.low, 30);
    EXPECT_EQ(a.noise, a.strength * 0.25f);
    previous = a.low;
  }
}

TEST(KvRecord, FolderOfAPath) {
  EXPECT_EQ(FolderOf(L"C:\\Program Files\\Norvak\\KvServer.dll"), L"C:\\Program Files\\Norvak\\");
  EXPECT_EQ(FolderOf(L"\\\\server\\share\\KvServer.dll"), L"\\\\server\\share\\");
  EXPECT_EQ(FolderOf(L"Z:/work/KvServer.dll"), L"Z:/work/");
  EXPECT_EQ(FolderOf(L"C:KvServer.dll"), L"C:");
  EXPECT_EQ(FolderOf(L"KvServer.dll"), L"");
  EXPECT_EQ(FolderOf(L""), L"");
}

TEST(KvRecord, DialogCommandLineIsTheQuotedProgramPath) {
  EXPECT_EQ(DialogCommandLine(L"C:\\Program Files\\Norvak\\"), L"\"C:\\Program Files\\Norvak\\Norvak_Dialog.exe\"");
}

}  // namespace
}  // namespace tl::shared
