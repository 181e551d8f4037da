// The main window's skin: the bitmaps, fonts and skins registered with the skin library and the
// 19 skinned controls created in place of the dialog template's placeholder buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "control_panel/win32/framework/placeholder_button.h"

namespace tl::panel {

// Gives the user-interface text for an English key (the key itself when there is no translation).
using Translate = std::function<std::wstring(const wchar_t* key)>;

// Calls InitSkin on the images folder (with its trailing backslash), registers the skin set and
// creates each skinned control at the top-left corner of its placeholder, which is then hidden.
// A control that cannot be made (its skin pictures missing or unreadable) leaves its placeholder
// shown as a plain button. Gives, by command id, the window that shows each control.
std::map<int, HWND> CreateSkinSet(HWND dialog, const std::wstring& imageDirectory,
                                  std::map<int, framework::CButtonST>& placeholders, const Translate& translate);

}  // namespace tl::panel
