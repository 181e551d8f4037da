#include "skin/win32/language_api.h"

#include <memory>
#include <string_view>

#include "common/win32/registry.h"
#include "skin/core/language.h"
#include "skin/win32/msxml_reader.h"

namespace tl::skin::language {
namespace {

// wchar_t is 16 bits on this platform: the core's UTF-16 strings are the same code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::u16string_view View(const wchar_t* text) {
  return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text)) : std::u16string_view();
}

struct State {
  MsxmlLanguageReader reader;
  LanguageManager manager{reader};
};
std::unique_ptr<State> g_state;

}  // namespace

void Init() {
  if (!g_state) g_state = std::make_unique<State>();
}

void Release() { g_state.reset(); }

int LoadProfile(const wchar_t* directory) {
  if (!g_state) return 1;
  return g_state->manager.LoadProfile(View(directory));
}

int LoadStrContainer(int nationId) {
  if (!g_state) return 1;
  return g_state->manager.LoadStrContainer(nationId);
}

void AttachLanguageFile(int nationId, const wchar_t* languageName, const wchar_t* fileName) {
  if (!g_state) return;
  g_state->manager.AttachLanguageFile(nationId, Text(View(languageName)), Text(View(fileName)));
}

const wchar_t* LoadString(const wchar_t* key) {
  if (!g_state || !key) return key;
  const Text* message = g_state->manager.Lookup(View(key));
  return message ? reinterpret_cast<const wchar_t*>(message->c_str()) : key;
}

int NationId() {
  const auto nation =
      win32::ReadRegString(HKEY_CURRENT_USER, L"Control Panel\\International\\Geo", L"Nation", 64);
  return nation ? ParseDecimal(View(nation->c_str())) : 0;
}

int NationIdFromSystemLanguage() { return NationFromLanguageId(::GetSystemDefaultLangID()); }

int CountryCode() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  const bool known = ::GetVersionExW(&version) != FALSE;
  if (OsClass(known, version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion) == 8)
    return CountryCodeForNation(NationId());
  const auto country =
      win32::ReadRegString(HKEY_CURRENT_USER, L"Control Panel\\International", L"iCountry", 64);
  return country ? ParseDecimal(View(country->c_str())) : 0;
}

}  // namespace tl::skin::language
