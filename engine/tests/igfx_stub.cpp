// The stand-in driver object: methods 26 and 27 of its interface (IUnknown's three counted)
// read and write 1536 bytes of device data with identifier 0x1000.
#include "engine/tests/igfx_stub.h"

#include <objbase.h>
#include <unknwn.h>

#include <array>
#include <cstring>

namespace {

constexpr IID kDeviceDataIid = {0xF932C038, 0x6484, 0x45CA, {0x8F, 0xA1, 0x7C, 0x8C, 0x27, 0x9F, 0x7A, 0xEE}};
constexpr ULONG kGammaId = 0x1000;
constexpr ULONG kGammaSize = 1536;
constexpr int kSlots = 27;

std::array<WORD, 768> g_ramp = [] {
  std::array<WORD, 768> r{};
  for (int i = 0; i < 768; ++i) r[i] = static_cast<WORD>((i % 256) * 257);
  return r;
}();
LONG g_writes = 0;
LONG g_objects = 0;

struct DeviceObject;
using Slot = void*;

struct DeviceObject {
  const Slot* vtable;
  LONG references;
};

HRESULT STDMETHODCALLTYPE QueryInterfaceImpl(DeviceObject* self, REFIID iid, void** out);
ULONG STDMETHODCALLTYPE AddRefImpl(DeviceObject* self) { return static_cast<ULONG>(InterlockedIncrement(&self->references)); }
ULONG STDMETHODCALLTYPE ReleaseImpl(DeviceObject* self) {
  const LONG left = InterlockedDecrement(&self->references);
  if (left == 0) {
    delete self;
    InterlockedDecrement(&g_objects);
  }
  return static_cast<ULONG>(left);
}
HRESULT STDMETHODCALLTYPE NotImplemented(DeviceObject*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE ReadDeviceData(DeviceObject*, ULONG id, ULONG size, BYTE* data, ULONG* status) {
  if (id != kGammaId || size != kGammaSize || !data) return E_INVALIDARG;
  std::memcpy(data, g_ramp.data(), kGammaSize);
  if (status) *status = 1;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WriteDeviceData(DeviceObject*, ULONG id, ULONG size, BYTE* data, ULONG* status) {
  if (id != kGammaId || size != kGammaSize || !data) return E_INVALIDARG;
  std::memcpy(g_ramp.data(), data, kGammaSize);
  InterlockedIncrement(&g_writes);
  if (status) *status = 2;
  return S_OK;
}

const std::array<Slot, kSlots> kVtable = [] {
  std::array<Slot, kSlots> table{};
  table[0] = reinterpret_cast<Slot>(&QueryInterfaceImpl);
  table[1] = reinterpret_cast<Slot>(&AddRefImpl);
  table[2] = reinterpret_cast<Slot>(&ReleaseImpl);
  for (int i = 3; i < kSlots; ++i) table[i] = reinterpret_cast<Slot>(&NotImplemented);
  table[25] = reinterpret_cast<Slot>(&ReadDeviceData);   // the 26th method
  table[26] = reinterpret_cast<Slot>(&WriteDeviceData);  // the 27th method
  return table;
}();

HRESULT STDMETHODCALLTYPE QueryInterfaceImpl(DeviceObject* self, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kDeviceDataIid)) {
    *out = self;
    AddRefImpl(self);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static object
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* object = new DeviceObject{kVtable.data(), 1};
    InterlockedIncrement(&g_objects);
    const HRESULT hr = QueryInterfaceImpl(object, iid, out);
    ReleaseImpl(object);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

extern "C" {

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!IsEqualCLSID(clsid, kIgfxStubClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

HRESULT WINAPI DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }

LONG WINAPI IgfxStub_LastWrite(WORD* ramp768) {
  if (ramp768) std::memcpy(ramp768, g_ramp.data(), kGammaSize);
  return g_writes;
}

void WINAPI IgfxStub_Reset() {
  for (int i = 0; i < 768; ++i) g_ramp[i] = static_cast<WORD>((i % 256) * 257);
  g_writes = 0;
}

LONG WINAPI IgfxStub_LiveObjects() { return g_objects; }

}  // extern "C"
