// The present display adapters, from the device setup interface.
#pragma once

#include <string>
#include <vector>

#include "common/core/display_adapter.h"

namespace tl::win32 {

std::vector<std::wstring> DisplayAdapterDescriptions();

// The kind of the present adapters (AdapterCodeFrom of their descriptions).
common::AdapterCode DisplayAdapterCode();

}  // namespace tl::win32
