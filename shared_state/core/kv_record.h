// The record that KvServer shares between every process that loads it, and the rules that fill
// it. Portable: the library places the record in a shared section, tests check it natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tl::shared {

// Fixed layout: processes of other builds read the same bytes.
struct KvServerShared {
  uint8_t reserved0;
  uint8_t pluginFlag;
  uint8_t initialised;
  uint8_t changed;
  uint8_t method;
  uint8_t demoMode;
  uint8_t reserved6;
  uint8_t alignment;
  int32_t adjustment;   // strength in percent, 0..100
  int32_t low;
  int32_t high;
  float noise;
  float strength;
  uint32_t videoWindow;  // a window handle; handles keep their meaning in 32 bits
};
static_assert(sizeof(KvServerShared) == 32);
static_assert(offsetof(KvServerShared, pluginFlag) == 1);
static_assert(offsetof(KvServerShared, initialised) == 2);
static_assert(offsetof(KvServerShared, changed) == 3);
static_assert(offsetof(KvServerShared, method) == 4);
static_assert(offsetof(KvServerShared, demoMode) == 5);
static_assert(offsetof(KvServerShared, adjustment) == 8);
static_assert(offsetof(KvServerShared, low) == 12);
static_assert(offsetof(KvServerShared, high) == 16);
static_assert(offsetof(KvServerShared, noise) == 20);
static_assert(offsetof(KvServerShared, strength) == 24);
static_assert(offsetof(KvServerShared, videoWindow) == 28);

inline constexpr KvServerShared kInitialRecord{0, 0, 0, 0, 0, 0, 0, 0, 50, 50, 150, 0.5f, 0.5f, 0};

// The four values that follow from one adjustment.
struct Adjustment {
  int32_t adjustment;
  int32_t low;
  int32_t high;
  float noise;
  float strength;
};

// Clamps the percentage to 0..100; x is its hundredth in single precision, low is
// ((1 - x) * 20 + 30) in double precision truncated, noise x / 4, strength x.
Adjustment ComputeAdjustment(int32_t percent);

// Drive and folder of a file path, with the trailing separator; empty when there is none.
std::wstring FolderOf(std::wstring_view path);

inline constexpr wchar_t kDialogProgram[] = L"Norvak_Dialog.exe";
inline constexpr wchar_t kDialogTitle[] = L"NORVAK_DIALOG";

// The dialog's command line: its full path in double quotes.
std::wstring DialogCommandLine(std::wstring_view folder);

}  // namespace tl::shared
