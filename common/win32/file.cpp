#include "common/win32/file.h"

#include <windows.h>

#include "common/win32/handles.h"

namespace tl::win32 {
namespace {

UniqueHandle OpenForReading(const std::wstring& path) {
  return UniqueHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& data, size_t maxBytes) {
  UniqueHandle file = OpenForReading(path);
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > maxBytes || size.QuadPart > MAXDWORD) {
    return false;
  }
  data.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!data.empty() &&
      (!::ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) || read != data.size())) {
    return false;
  }
  return true;
}

bool CanOpenForReading(const std::wstring& path) { return static_cast<bool>(OpenForReading(path)); }

}  // namespace tl::win32
