#include "renderer_filter/win32/frame_upload.h"

namespace tl::renderer {

bool FrameUpload::Create(IDirect3DDevice9* device, const AcceptedFormat& format) {
  Release();
  device_ = device;
  const UINT width = static_cast<UINT>(format.width), height = static_cast<UINT>(format.height);
  stride_ = RowStride(format.width, format.bitCount);
  rows_ = height;
  if (format.bitCount == 16) {
    if (SUCCEEDED(device->CreateTexture(width, height, 1, D3DUSAGE_DYNAMIC, D3DFMT_YUY2, D3DPOOL_DEFAULT,
                                        &texture_, nullptr))) {
      nativeYuy2_ = true;
    } else {
      // A discarding lock of a dynamic texture never waits for the frame before, where a
      // system-memory staging texture waits until its previous copy is done (a stall of one
      // frame's drawing, every frame). Staging and video texture are of the same size, as
      // UpdateTexture needs.
      const UINT pairs = (width + 1) / 2;
      D3DCAPS9 caps{};
      const bool dynamic = SUCCEEDED(device->GetDeviceCaps(&caps)) && (caps.Caps2 & D3DCAPS2_DYNAMICTEXTURES);
      if (!dynamic || FAILED(device->CreateTexture(pairs, height, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8,
                                                   D3DPOOL_DEFAULT, &texture_, nullptr))) {
        device->CreateTexture(pairs, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &staging_, nullptr);
        device->CreateTexture(pairs, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture_, nullptr);
      }
    }
  } else {
    device->CreateTexture(width, height, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture_, nullptr);
  }
  shaderUnpack_ = format.kind == InputKind::kYuy2 && !nativeYuy2_;
  target_ = staging_ ? staging_.Get() : texture_.Get();
  if (!texture_) Release();
  return texture_ != nullptr;
}

void FrameUpload::Release() {
  target_ = nullptr;
  staging_.Reset();
  texture_.Reset();
  device_.Reset();
  nativeYuy2_ = shaderUnpack_ = false;
}

bool FrameUpload::LockAndCopy(const uint8_t* frame) {
  if (!target_) return false;
  D3DLOCKED_RECT locked{};
  // The whole texture is written: a dynamic one need not keep (or fetch back) its contents.
  const DWORD flags = staging_ ? 0 : D3DLOCK_DISCARD;
  if (FAILED(target_->LockRect(0, &locked, nullptr, flags))) return false;
  if (frame) CopyFrame(copy_.copy, static_cast<uint8_t*>(locked.pBits), locked.Pitch, frame, stride_, rows_);
  target_->UnlockRect(0);
  if (staging_) device_->UpdateTexture(staging_.Get(), texture_.Get());
  return true;
}

bool FrameUpload::Upload(const uint8_t* frame, std::size_t bytes) {
  if (!frame || bytes < std::size_t(stride_) * rows_) return false;
  return LockAndCopy(frame);
}

void FrameUpload::WarmUp() { LockAndCopy(nullptr); }

}  // namespace tl::renderer
