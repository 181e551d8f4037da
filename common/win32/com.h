// COM helpers: the smart pointer every deliverable uses and the apartment of a thread.
#pragma once

#include <objbase.h>
#include <windows.h>
#include <wrl/client.h>

namespace tl::win32 {

using Microsoft::WRL::ComPtr;

// Takes over a reference the caller already owns, such as that of a new object. (The
// toolchain's ComPtr::Attach adds a reference of its own, so it would leak one.)
template <typename T>
ComPtr<T> AdoptComPtr(T* owned) {
  ComPtr<T> pointer;
  *pointer.GetAddressOf() = owned;
  return pointer;
}

// Initialises COM on this thread for its lifetime; ok() tells whether it succeeded.
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) noexcept
      : hr_(::CoInitializeEx(nullptr, model)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  bool ok() const noexcept { return SUCCEEDED(hr_); }
  HRESULT result() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace tl::win32
