// The kind of graphics adapter, told from the descriptions of the present display adapters.
// Install and the control panel make this check the same way.
#pragma once

#include <string>
#include <vector>

namespace tl::common {

enum AdapterCode : int {
  kAdapterUnknown = 0,
  kAdapterIntel = 266,
  kAdapterIntel500 = 267,
  kAdapterIntel4Series = 268,
  kAdapterAti = 522,
};

// Descriptions are cut to 127 characters and compared upper-cased. "Intel" on any adapter gives
// 266, then "500" 267 and "4 Series" 268 on any adapter, the last match winning; without
// "Intel", "ATI" gives 522.
AdapterCode AdapterCodeFrom(const std::vector<std::wstring>& descriptions);

}  // namespace tl::common
