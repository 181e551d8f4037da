#include "common/dshow/win32/module_count.h"

#include <atomic>

namespace tl::dshow {
namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

}  // namespace

void LockModule(bool lock) {
  if (lock) {
    ++g_locks;
  } else if (g_locks.fetch_sub(1) <= 0) {
    ++g_locks;  // an unbalanced unlock never drives the count below zero
  }
}

bool ModuleCanUnload() { return g_objects.load() == 0 && g_locks.load() == 0; }

ModuleObject::ModuleObject() { ++g_objects; }
ModuleObject::~ModuleObject() { --g_objects; }

}  // namespace tl::dshow
