// What makes a DLL an in-process COM server: the count of its live objects and server locks
// (DllCanUnloadNow answers from it), reference counting for its COM classes, the class factory,
// and the text form of GUIDs for its registry keys.
#pragma once

#include <windows.h>

#include <atomic>
#include <new>
#include <string>
#include <utility>

#include "common/win32/com.h"

namespace tl::win32 {

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

// Reference counting for a final COM class that derives from its interfaces through this
// template; the class writes QueryInterface. No virtual destructor: the interfaces' slots are
// the whole virtual table outside callers see. A new object has no reference until MakeCom
// hands it to its first owner.
template <typename Derived, typename... Interfaces>
class RefCounted : public Interfaces... {
 public:
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 protected:
  RefCounted() = default;
  ~RefCounted() = default;

 private:
  std::atomic<ULONG> references_{0};
  ModuleObject counted_;
};

// A new T owned by the returned pointer; empty when memory ran out.
template <typename T, typename... Args>
ComPtr<T> MakeCom(Args&&... args) {
  ComPtr<T> object;
  object = new (std::nothrow) T(std::forward<Args>(args)...);
  return object;
}

// Gives `object` as `Interface` when `iid` is `offered` (with a reference added).
template <typename Interface, typename Object>
bool Offer(Object* object, REFIID iid, REFIID offered, void** out) {
  if (iid != offered) return false;
  *out = static_cast<Interface*>(object);
  object->AddRef();
  return true;
}

// Creates a new object and gives the asked interface of it.
using CreateFunction = HRESULT (*)(REFIID iid, void** out);

// A class factory that creates with `create`, given as `iid` (IUnknown or IClassFactory).
HRESULT MakeClassFactory(CreateFunction create, REFIID iid, void** out);

// "{xxxxxxxx-xxxx-...}", as the registry spells class and library ids.
std::wstring GuidText(const GUID& guid);

}  // namespace tl::win32
