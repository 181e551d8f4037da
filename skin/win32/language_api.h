// The process's language manager behind KvSkinAP's Utl language exports.
#pragma once

#include <windows.h>

namespace tl::skin::language {

void Init();
void Release();
int LoadProfile(const wchar_t* directory);
int LoadStrContainer(int nationId);
void AttachLanguageFile(int nationId, const wchar_t* languageName, const wchar_t* fileName);
const wchar_t* LoadString(const wchar_t* key);
int NationId();
int NationIdFromSystemLanguage();
int CountryCode();

}  // namespace tl::skin::language
