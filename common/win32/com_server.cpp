#include "common/win32/com_server.h"

namespace tl::win32 {
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
  } else if (serverLocks.fetch_sub(1) <= 0) {
    ++serverLocks;  // an unbalanced unlock never drives the count below zero
  }
}

bool ModuleCanUnload() { return liveObjects.load() == 0 && serverLocks.load() == 0; }

HRESULT MakeClassFactory(CreateFunction create, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  const ComPtr<ClassFactory> factory = MakeCom<ClassFactory>(create);
  if (!factory) return E_OUTOFMEMORY;
  return factory->QueryInterface(iid, out);
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

}  // namespace tl::win32
