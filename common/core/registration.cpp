#include "common/core/registration.h"

namespace tl::common {

std::wstring RegistrationToolPath(std::wstring_view systemFolder) {
  std::wstring path(systemFolder);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += L"regsvr32.exe";
  return path;
}

std::wstring RegistrationCommand(std::wstring_view toolPath, Registration action, std::wstring_view serverPath) {
  std::wstring command = L"\"";
  command += toolPath;
  command += action == Registration::kRegister ? L"\" -s \"" : L"\" -u -s \"";
  command += serverPath;
  command += L'"';
  return command;
}

}  // namespace tl::common
