#include "common/dshow/win32/media_type.h"

#include <cstring>
#include <utility>

namespace tl::dshow {

void FreeMediaTypeContents(AM_MEDIA_TYPE& type) {
  if (type.pbFormat) ::CoTaskMemFree(type.pbFormat);
  type.pbFormat = nullptr;
  type.cbFormat = 0;
  type.formattype = GUID_NULL;
  if (type.pUnk) type.pUnk->Release();
  type.pUnk = nullptr;
}

HRESULT CopyMediaType(AM_MEDIA_TYPE& out, const AM_MEDIA_TYPE& in) {
  out = in;
  out.pbFormat = nullptr;
  out.cbFormat = 0;
  if (in.cbFormat && in.pbFormat) {
    out.pbFormat = static_cast<BYTE*>(::CoTaskMemAlloc(in.cbFormat));
    if (!out.pbFormat) {
      out.formattype = GUID_NULL;
      out.pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(out.pbFormat, in.pbFormat, in.cbFormat);
    out.cbFormat = in.cbFormat;
  }
  if (out.pUnk) out.pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* CreateTaskMemMediaType(const AM_MEDIA_TYPE& in) {
  auto* out = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!out) return nullptr;
  if (FAILED(CopyMediaType(*out, in))) {
    ::CoTaskMemFree(out);
    return nullptr;
  }
  return out;
}

void DeleteTaskMemMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return;
  FreeMediaTypeContents(*type);
  ::CoTaskMemFree(type);
}

MediaType::MediaType() : type_{} {}

MediaType::MediaType(const AM_MEDIA_TYPE& type) : type_{} {
  // On allocation failure the copy keeps its GUIDs but no format; callers check format().
  CopyMediaType(type_, type);
}

MediaType::MediaType(const MediaType& other) : MediaType(other.type_) {}

MediaType& MediaType::operator=(const MediaType& other) {
  if (this != &other) {
    MediaType copy(other);
    *this = std::move(copy);
  }
  return *this;
}

MediaType::MediaType(MediaType&& other) noexcept : type_(other.type_) { other.type_ = AM_MEDIA_TYPE{}; }

MediaType& MediaType::operator=(MediaType&& other) noexcept {
  if (this != &other) {
    FreeMediaTypeContents(type_);
    type_ = std::exchange(other.type_, AM_MEDIA_TYPE{});
  }
  return *this;
}

MediaType::~MediaType() { FreeMediaTypeContents(type_); }

bool MediaType::SetFormat(const GUID& formatType, std::span<const uint8_t> bytes) {
  BYTE* block = nullptr;
  if (!bytes.empty()) {
    block = static_cast<BYTE*>(::CoTaskMemAlloc(bytes.size()));
    if (!block) return false;
    std::memcpy(block, bytes.data(), bytes.size());
  }
  if (type_.pbFormat) ::CoTaskMemFree(type_.pbFormat);
  type_.pbFormat = block;
  type_.cbFormat = static_cast<ULONG>(bytes.size());
  type_.formattype = formatType;
  return true;
}

void MediaType::Clear() {
  FreeMediaTypeContents(type_);
  type_ = AM_MEDIA_TYPE{};
}

bool MatchesPartialType(const AM_MEDIA_TYPE& type, const AM_MEDIA_TYPE& partial) {
  if (partial.majortype != GUID_NULL && partial.majortype != type.majortype) return false;
  if (partial.subtype != GUID_NULL && partial.subtype != type.subtype) return false;
  if (partial.formattype != GUID_NULL) {
    if (partial.formattype != type.formattype || partial.cbFormat != type.cbFormat) return false;
    if (partial.cbFormat && std::memcmp(partial.pbFormat, type.pbFormat, partial.cbFormat) != 0) return false;
  }
  return true;
}

bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  if (a.majortype != b.majortype || a.subtype != b.subtype || a.formattype != b.formattype ||
      a.cbFormat != b.cbFormat)
    return false;
  return a.cbFormat == 0 || std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

}  // namespace tl::dshow
