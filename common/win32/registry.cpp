#include "common/win32/registry.h"

#include <vector>

#include "common/win32/handles.h"

namespace tl::win32 {
namespace {

UniqueHKey OpenKey(HKEY root, const wchar_t* subKey, REGSAM access) {
  UniqueHKey key;
  if (::RegOpenKeyExW(root, subKey, 0, access, key.put()) != ERROR_SUCCESS) key.reset();
  return key;
}

UniqueHKey CreateKey(HKEY root, const wchar_t* subKey) {
  UniqueHKey key;
  if (::RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
    key.reset();
  }
  return key;
}

}  // namespace

std::optional<DWORD> ReadRegDword(HKEY root, const wchar_t* subKey, const wchar_t* name) {
  UniqueHKey key = OpenKey(root, subKey, KEY_READ);
  if (!key) return std::nullopt;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::wstring> ReadRegString(HKEY root, const wchar_t* subKey, const wchar_t* name,
                                          size_t maxChars) {
  UniqueHKey key = OpenKey(root, subKey, KEY_READ);
  if (!key) return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  // Room for a terminator the stored value may lack; the value may grow between the calls.
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
  for (;;) {
    DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    const LSTATUS status =
        ::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status == ERROR_MORE_DATA) {
      buffer.assign(bytes / sizeof(wchar_t) + 2, L'\0');
      continue;
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    buffer[bytes / sizeof(wchar_t)] = L'\0';
    break;
  }
  std::wstring text(buffer.data());  // stops at the first terminator
  if (text.size() > maxChars) text.resize(maxChars);
  return text;
}

bool WriteRegDword(HKEY root, const wchar_t* subKey, const wchar_t* name, DWORD value) {
  UniqueHKey key = CreateKey(root, subKey);
  return key && ::RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                 sizeof(value)) == ERROR_SUCCESS;
}

bool WriteRegString(HKEY root, const wchar_t* subKey, const wchar_t* name, const std::wstring& value) {
  UniqueHKey key = CreateKey(root, subKey);
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return key && ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 bytes) == ERROR_SUCCESS;
}

bool DeleteRegValue(HKEY root, const wchar_t* subKey, const wchar_t* name) {
  UniqueHKey key = OpenKey(root, subKey, KEY_SET_VALUE);
  return key && ::RegDeleteValueW(key.get(), name) == ERROR_SUCCESS;
}

}  // namespace tl::win32
