// Live COM objects and server locks of this module: the suite's shared count, under the names
// the DirectShow layer uses.
#pragma once

#include "common/win32/com_server.h"

namespace tl::dshow {

using win32::LockModule;
using win32::ModuleCanUnload;
using win32::ModuleObject;

}  // namespace tl::dshow
