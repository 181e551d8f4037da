#include "shared_state/win32/kv_server_api.h"

#include "common/win32/proc_address.h"

namespace tl::shared {
namespace {

template <typename Function>
bool BindOne(HMODULE module, const char* name, Function& slot) {
  slot = win32::ProcAddress<Function>(module, name);
  return slot != nullptr;
}

}  // namespace

bool KvServerApi::Bind(HMODULE m) {
  if (!m) return false;
  bool ok = true;
  ok &= BindOne(m, "InitKvServer", InitKvServer);
  ok &= BindOne(m, "ReleaseKvServer", ReleaseKvServer);
  ok &= BindOne(m, "CheckInited", CheckInited);
  ok &= BindOne(m, "SetAdjustment", SetAdjustment);
  ok &= BindOne(m, "GetAdjustment", GetAdjustment);
  ok &= BindOne(m, "GetAdjustmentEx", GetAdjustmentEx);
  ok &= BindOne(m, "SetChanged", SetChanged);
  ok &= BindOne(m, "GetChanged", GetChanged);
  ok &= BindOne(m, "SetMethod", SetMethod);
  ok &= BindOne(m, "GetMethod", GetMethod);
  ok &= BindOne(m, "SetDemoMode", SetDemoMode);
  ok &= BindOne(m, "GetDemoMode", GetDemoMode);
  ok &= BindOne(m, "SetWMPluginFlag", SetWMPluginFlag);
  ok &= BindOne(m, "GetWMPluginFlag", GetWMPluginFlag);
  ok &= BindOne(m, "SetVideoWindow", SetVideoWindow);
  ok &= BindOne(m, "GetVideoWindow", GetVideoWindow);
  ok &= BindOne(m, "GetWorkingDirectory", GetWorkingDirectory);
  ok &= BindOne(m, "CreateNorvakDialog", CreateNorvakDialog);
  ok &= BindOne(m, "RemoveNorvakDialog", RemoveNorvakDialog);
  return ok;
}

}  // namespace tl::shared
