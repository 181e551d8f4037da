#include "shared_state/core/kv_record.h"

#include <algorithm>

namespace tl::shared {

Adjustment ComputeAdjustment(int32_t percent) {
  Adjustment a{};
  a.adjustment = std::clamp<int32_t>(percent, 0, 100);
  const float x = static_cast<float>(a.adjustment * 0.01);
  // Double precision from the rounded x: 10 gives 47.99999997, hence 47.
  a.low = static_cast<int32_t>((1.0 - static_cast<double>(x)) * 20.0 + 30.0);
  a.high = 150;
  a.noise = x * 0.25f;
  a.strength = x;
  return a;
}

std::wstring FolderOf(std::wstring_view path) {
  const size_t separator = path.find_last_of(L"\\/");
  if (separator != std::wstring_view::npos) return std::wstring(path.substr(0, separator + 1));
  if (path.size() >= 2 && path[1] == L':') return std::wstring(path.substr(0, 2));
  return {};
}

std::wstring DialogCommandLine(std::wstring_view folder) {
  std::wstring line = L"\"";
  line += folder;
  line += kDialogProgram;
  line += L"\"";
  return line;
}

}  // namespace tl::shared
