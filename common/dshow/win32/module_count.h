// Live COM objects and server locks of this module: DllCanUnloadNow answers from them.
#pragma once

#include <windows.h>

namespace tl::dshow {

void LockModule(bool lock);
// True when no object of this module is alive and no client holds a server lock.
bool ModuleCanUnload();

// Counts its owner among the module's live objects for the owner's lifetime.
class ModuleObject {
 public:
  ModuleObject();
  ~ModuleObject();
  ModuleObject(const ModuleObject&) = delete;
  ModuleObject& operator=(const ModuleObject&) = delete;
};

}  // namespace tl::dshow
