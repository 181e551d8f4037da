#include "audio_operator/win32/com_server.h"

namespace tl::audio_operator {
namespace {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

class ClassFactory final : public RefCounted<ClassFactory, IClassFactory> {
 public:
  explicit ClassFactory(CreateFunction create) : create_(create) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (Offer<IClassFactory>(this, iid, IID_IUnknown, out) || Offer<IClassFactory>(this, iid, IID_IClassFactory, out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(iid, out);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    LockModule(lock != FALSE);
    return S_OK;
  }

 private:
  CreateFunction create_;
};

}  // namespace

ModuleObject::ModuleObject() { ++liveObjects; }
ModuleObject::~ModuleObject() { --liveObjects; }

void LockModule(bool lock) {
  if (lock) {
    ++serverLocks;
    return;
  }
  // An unbalanced unlock must not hide a later lock.
  long locks = serverLocks.load();
  while (locks > 0 && !serverLocks.compare_exchange_weak(locks, locks - 1)) {
  }
}

bool ModuleInUse() { return liveObjects.load() > 0 || serverLocks.load() > 0; }

HRESULT GetClassObject(REFCLSID wanted, REFCLSID served, CreateFunction create, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (wanted != served) return CLASS_E_CLASSNOTAVAILABLE;
  const win32::ComPtr<ClassFactory> factory = MakeCom<ClassFactory>(create);
  if (!factory) return E_OUTOFMEMORY;
  return factory->QueryInterface(iid, out);
}

}  // namespace tl::audio_operator
