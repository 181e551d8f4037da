// The steps of an installation, in order. Every failure is passed over.
#pragma once

#include <string_view>

namespace tl::installer {

// commandLine: the whole command line of the program, its own name first.
void RunSetup(std::wstring_view commandLine);

}  // namespace tl::installer
