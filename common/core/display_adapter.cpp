#include "common/core/display_adapter.h"

#include <string_view>

namespace tl::common {
namespace {

// Descriptions come from buffers of 128 bytes, search words of 60.
constexpr size_t kDescriptionChars = 127;
constexpr size_t kWordChars = 59;

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

std::wstring UpperCased(std::wstring_view text, size_t limit) {
  std::wstring upper(text.substr(0, limit));
  for (wchar_t& c : upper) c = Upper(c);
  return upper;
}

bool AnyContains(const std::vector<std::wstring>& upperDescriptions, std::wstring_view word) {
  const std::wstring upperWord = UpperCased(word, kWordChars);
  for (const std::wstring& description : upperDescriptions) {
    if (description.find(upperWord) != std::wstring::npos) return true;
  }
  return false;
}

}  // namespace

AdapterCode AdapterCodeFrom(const std::vector<std::wstring>& descriptions) {
  std::vector<std::wstring> upper;
  upper.reserve(descriptions.size());
  for (const std::wstring& description : descriptions) upper.push_back(UpperCased(description, kDescriptionChars));

  if (!AnyContains(upper, L"Intel")) return AnyContains(upper, L"ATI") ? kAdapterAti : kAdapterUnknown;
  AdapterCode code = kAdapterIntel;
  if (AnyContains(upper, L"500")) code = kAdapterIntel500;
  if (AnyContains(upper, L"4 Series")) code = kAdapterIntel4Series;
  return code;
}

}  // namespace tl::common
