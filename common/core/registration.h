// Command lines of the system's registration tool, which registers and unregisters the suite's
// COM servers (the renderer filter, the media-player plug-in) silently.
#pragma once

#include <string>
#include <string_view>

namespace tl::common {

enum class Registration { kRegister, kUnregister };

// The tool in the given system folder (with or without a trailing backslash).
std::wstring RegistrationToolPath(std::wstring_view systemFolder);

// "<tool>" -s "<server>" or "<tool>" -u -s "<server>": both paths quoted, so that folders with
// blanks work.
std::wstring RegistrationCommand(std::wstring_view toolPath, Registration action, std::wstring_view serverPath);

}  // namespace tl::common
