// What makes Audevop.dll an in-process COM server: the count of its live objects and server
// locks (DllCanUnloadNow answers from it), reference counting for its COM classes, and the
// class factory.
#pragma once

#include <windows.h>

#include <atomic>
#include <new>
#include <utility>

#include "common/win32/com.h"

namespace tl::audio_operator {

void LockModule(bool lock);
// True while an object of this module is alive or a client holds a server lock.
bool ModuleInUse();

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
win32::ComPtr<T> MakeCom(Args&&... args) {
  win32::ComPtr<T> object;
  object = new (std::nothrow) T(std::forward<Args>(args)...);
  return object;
}

// Gives `object` as `Interface` when `iid` names it (with a reference added).
template <typename Interface, typename Object>
bool Offer(Object* object, REFIID iid, REFIID offered, void** out) {
  if (iid != offered) return false;
  *out = static_cast<Interface*>(object);
  object->AddRef();
  return true;
}

// Creates a new object and gives the asked interface of it.
using CreateFunction = HRESULT (*)(REFIID iid, void** out);

// DllGetClassObject for one class: CLASS_E_CLASSNOTAVAILABLE for another class.
HRESULT GetClassObject(REFCLSID wanted, REFCLSID served, CreateFunction create, REFIID iid, void** out);

}  // namespace tl::audio_operator
