#include "preview_player/win32/tintor_engine.h"

#include "common/win32/module_path.h"

namespace tl::preview {

bool TintorEngine::Load(const std::wstring& folder) {
  if (module_) return true;
  const std::wstring path = (folder.empty() ? win32::ModuleDirectory(win32::CurrentModule()) : folder) + L"Tintor.dll";
  module_.reset(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module_ || !api_.Load(module_.get())) {
    ::OutputDebugStringA("eLumara_Dll: Tintor.dll cannot be used; the preview shows the identity ramp");
    module_.reset();
    return false;
  }
  return true;
}

}  // namespace tl::preview
