// AM_MEDIA_TYPE with value semantics, and the task-memory copies that enumerators hand out.
#pragma once

#include <cstdint>
#include <span>

#include "common/dshow/win32/dshow.h"

namespace tl::dshow {

// Owns its format block (task memory) and its pUnk reference; copies are deep.
class MediaType {
 public:
  MediaType();
  explicit MediaType(const AM_MEDIA_TYPE& type);
  MediaType(const MediaType& other);
  MediaType& operator=(const MediaType& other);
  MediaType(MediaType&& other) noexcept;
  MediaType& operator=(MediaType&& other) noexcept;
  ~MediaType();

  const AM_MEDIA_TYPE& get() const { return type_; }
  AM_MEDIA_TYPE* operator->() { return &type_; }
  const AM_MEDIA_TYPE* operator->() const { return &type_; }

  // Replaces the format block with a copy of `bytes` (false when memory runs out).
  bool SetFormat(const GUID& formatType, std::span<const uint8_t> bytes);
  std::span<const uint8_t> format() const { return {type_.pbFormat, type_.cbFormat}; }
  std::span<uint8_t> mutableFormat() { return {type_.pbFormat, type_.cbFormat}; }
  // Back to GUID_NULL types and no format.
  void Clear();
  bool empty() const { return type_.majortype == GUID_NULL; }

 private:
  AM_MEDIA_TYPE type_;
};

// Frees what a media type owns (format block, pUnk), leaving the structure itself.
void FreeMediaTypeContents(AM_MEDIA_TYPE& type);
// Deep copy into `out` (whose old contents are not freed); E_OUTOFMEMORY when the format block
// cannot be allocated (then `out` holds no format).
HRESULT CopyMediaType(AM_MEDIA_TYPE& out, const AM_MEDIA_TYPE& in);
// A task-memory copy, as IEnumMediaTypes::Next and IPin::ConnectionMediaType's callers free it.
AM_MEDIA_TYPE* CreateTaskMemMediaType(const AM_MEDIA_TYPE& in);
// Frees one from CreateTaskMemMediaType (or from another filter's enumerator).
void DeleteTaskMemMediaType(AM_MEDIA_TYPE* type);

// True when `type` satisfies every field that `partial` specifies (GUID_NULL fields are open).
bool MatchesPartialType(const AM_MEDIA_TYPE& type, const AM_MEDIA_TYPE& partial);
// True when both name the same major type, subtype, format type and format bytes.
bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);

}  // namespace tl::dshow
