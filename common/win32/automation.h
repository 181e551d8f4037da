// Owners of the automation types BSTR and VARIANT.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <string>
#include <string_view>
#include <utility>

namespace tl::win32 {

// A BSTR freed on scope exit. Built from a view it keeps embedded null characters.
class Bstr {
 public:
  explicit Bstr(const wchar_t* text = nullptr) : value_(text ? ::SysAllocString(text) : nullptr) {}
  explicit Bstr(std::wstring_view text)
      : value_(text.size() <= UINT_MAX ? ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())) : nullptr) {}
  ~Bstr() { ::SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const { return value_; }
  // For an out parameter.
  BSTR* put() {
    ::SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  // Hands the string to a caller that frees it.
  BSTR release() { return std::exchange(value_, nullptr); }
  std::wstring_view view() const { return value_ ? std::wstring_view(value_, ::SysStringLen(value_)) : std::wstring_view(); }

 private:
  BSTR value_;
};

// A VARIANT cleared on scope exit.
class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT& get() { return value_; }

  // False when memory ran out for the string.
  bool SetString(std::wstring_view text) {
    Bstr copy(text);
    if (!copy.get()) return false;
    ::VariantClear(&value_);
    V_VT(&value_) = VT_BSTR;
    V_BSTR(&value_) = copy.release();
    return true;
  }
  void SetLong(LONG value) {
    ::VariantClear(&value_);
    V_VT(&value_) = VT_I4;
    V_I4(&value_) = value;
  }
  void SetDouble(double value) {
    ::VariantClear(&value_);
    V_VT(&value_) = VT_R8;
    V_R8(&value_) = value;
  }
  void SetBool(bool value) {
    ::VariantClear(&value_);
    V_VT(&value_) = VT_BOOL;
    V_BOOL(&value_) = value ? VARIANT_TRUE : VARIANT_FALSE;
  }

 private:
  VARIANT value_;
};

}  // namespace tl::win32
