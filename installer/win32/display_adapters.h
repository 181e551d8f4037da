// The descriptions of the present display adapters, from the device setup interface.
#pragma once

#include <string>
#include <vector>

namespace tl::installer {

std::vector<std::wstring> DisplayAdapterDescriptions();

}  // namespace tl::installer
