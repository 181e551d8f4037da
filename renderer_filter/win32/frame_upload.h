// The video texture of one format and the copy of each frame into it: a native YUY2 texture when
// the device has one, else packed pairs (one A8R8G8B8 texel a pixel pair) that the effect
// unpacks; a dynamic texture written in place when the device has them, else a system-memory
// staging texture and UpdateTexture. Used by the presenter and by the upload timing harness.
#pragma once

#include <d3d9.h>

#include <cstddef>
#include <cstdint>

#include "common/win32/com.h"
#include "renderer_filter/core/frame_copy.h"
#include "renderer_filter/core/video_format.h"

namespace tl::renderer {

class FrameUpload {
 public:
  // Makes the textures of `format` on `device`; false when the sampled texture could not be made.
  bool Create(IDirect3DDevice9* device, const AcceptedFormat& format);
  void Release();

  // One frame in the format's layout (rows of stride bytes); false when it is too short (it is
  // then not read) or the texture could not be locked.
  bool Upload(const uint8_t* frame, std::size_t bytes);
  // A lock and, with staging, an update without a frame: the first of each is slow under Wine.
  void WarmUp();

  IDirect3DTexture9* texture() const { return texture_.Get(); }  // what the effect samples
  bool nativeYuy2() const { return nativeYuy2_; }
  bool shaderUnpack() const { return shaderUnpack_; }
  bool staging() const { return staging_ != nullptr; }
  uint32_t stride() const { return stride_; }

 private:
  bool LockAndCopy(const uint8_t* frame);

  win32::ComPtr<IDirect3DDevice9> device_;
  win32::ComPtr<IDirect3DTexture9> texture_;
  win32::ComPtr<IDirect3DTexture9> staging_;
  IDirect3DTexture9* target_ = nullptr;  // the texture that frames are copied into
  FrameCopy copy_ = ChooseFrameCopy();
  uint32_t stride_ = 0;
  uint32_t rows_ = 0;
  bool nativeYuy2_ = false;
  bool shaderUnpack_ = false;
};

}  // namespace tl::renderer
